// ClientWindow of vxabcdem: puts the client options into SubjectDriverString while the
// window is open and lists each subject as last name, "-", first name.
#include "app/globals.h"
#include "app/subject.h"
#include "app/vxdem004.h"
#include "app/vxdembc.h"
#include "classlib/windowmanager.h"
#include "relay/vex32.h"

namespace {

std::string name_line() {
  return vx::app::get_text(SUB.LNAME) + "-" + vx::app::get_text(SUB.FNAME);
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
    vx::app::set_subject_driver_string("/DRIVER=C4TPSX.DLL /CLIENT /HOST=127.0.0.1");
    AddItem(2, vx::kResponseCancelled);
    SubjectRelationManager.Open();
    files_opened_ = 1;
    Open();
    SetAlerts();
    return vx::kLevelBenign;
  }

  void FirstDisplay() override {
    WindowManager::FirstDisplay();
    vx::app::list_first_records(rows_, &name_line);
  }

  std::int32_t Kill() override {
    vx::app::set_subject_driver_string("/DRIVER=C4TPSX.DLL");
    std::int32_t level = WindowManager::Kill();
    if (level != vx::kLevelBenign) return level;
    if (files_opened_) SubjectRelationManager.Close();
    VX_SHUTDOWN();
    return vx::kLevelBenign;
  }

 private:
  std::vector<std::string>* rows_;
  vx::ToolbarClass toolbar_;
  std::uint8_t files_opened_ = 0;
};

}  // namespace

void ClientWindow() {
  std::vector<std::string> rows;
  vx::WindowDef def = vx::app::client_window_definition("VXABC004_RSC", &rows);
  ClientWindowManager window(&def, &rows);
  GlobalResponse = window.Run();
}

namespace {
// This program's client window and the shared modules, handed to start-up as the
// program loads.
const bool kRegistered = (vx::app::register_program_modules(&ClientWindow), true);
}  // namespace
