// ClientWindow of vxdemoabc: asks the driver for client mode with a text sent to it
// and lists each subject as last name, "-", comment.
#include "app/vxdem004.h"

#include "app/globals.h"
#include "app/subject.h"
#include "app/vxdembc.h"
#include "classlib/windowmanager.h"
#include "relay/vex32.h"
#include "runtime/files.h"

namespace {

std::string comment_line() {
  return vx::app::get_text(SUB.LNAME) + "-" + [] {
    std::string memo(subject_comment(), kSubjectCommentSize);
    memo.erase(memo.find_last_not_of(' ') + 1);
    return memo;
  }();
}

class ClientWindowManager : public vx::WindowManager {
 public:
  ClientWindowManager(const vx::WindowDef* def, std::vector<std::string>* rows)
      : WindowManager(def), rows_(rows) {}

  std::int32_t Init() override {
    REQUEST = GlobalRequest;
    std::int32_t level = WindowManager::Init();
    if (level != vx::kLevelBenign) return level;
    vx::app::apply_window_settings(*this, &toolbar_);
    AddItem(2, vx::kResponseCancelled);
    Open();
    SetAlerts();
    return vx::kLevelBenign;
  }

  std::int32_t TakeWindowEvent() override {
    if (RT_EVENT() == vx::kEventOpenWindow) {
      // The runtime passes the text to the driver; the driver string stays as it is.
      RT_FILE_SEND(&SUBJECT, "/DRIVER=C4TPSX.DLL /CLIENT");
    }
    return WindowManager::TakeWindowEvent();
  }

  void FirstDisplay() override {
    WindowManager::FirstDisplay();
    vx::app::list_first_records(rows_, &comment_line);
  }

  std::int32_t Kill() override {
    std::int32_t level = WindowManager::Kill();
    if (level == vx::kLevelBenign) VX_SHUTDOWN();
    return level;
  }

 private:
  std::vector<std::string>* rows_;
  vx::ToolbarClass toolbar_;
};

}  // namespace

void ClientWindow() {
  std::vector<std::string> rows;
  vx::WindowDef def = vx::app::client_window_definition("VXDEM004_RSC", &rows);
  ClientWindowManager window(&def, &rows);
  GlobalResponse = window.Run();
}

namespace {
// This program's client window and the shared modules, handed to start-up as the
// program loads.
const bool kRegistered = (vx::app::register_program_modules(&ClientWindow), true);
}  // namespace
