#include "app/vxdem001.h"

#include <cctype>

#include "app/globals.h"
#include "classlib/windowmanager.h"
#include "platform/winsock.h"
#include "runtime/command.h"
#include "runtime/thread.h"
#include "server/server_window.h"

namespace vx::app {
namespace {

class FrameManager : public WindowManager {
 public:
  using WindowManager::WindowManager;

  std::int32_t Init() override {
    REQUEST = GlobalRequest;
    std::int32_t level = WindowManager::Init();
    if (level != kLevelBenign) return level;
    vx::app::apply_window_settings(*this, &toolbar_);
    Open();
    SetAlerts();
    return kLevelBenign;
  }

  std::int32_t TakeAccepted() override {
    std::int32_t control = RT_ACCEPTED();
    if (control >= kToolbarFirst && control <= kToolbarLast) {
      // To the active child's thread. With no child active the press is dropped: it
      // must never come back here to be forwarded again.
      std::int32_t target = RT_ACTIVETHREAD();
      if (target != 0 && target != RT_THREAD()) RT_POST(kEventAccepted, control, target);
      return kLevelBenign;
    }
    HelpMenu(control);
    WindowMenu(control);
    BrowseMenu(control);
    EditMenu(control);
    FileMenu(control);
    return WindowManager::TakeAccepted();
  }

  std::int32_t TakeWindowEvent() override {
    std::int32_t level = WindowManager::TakeWindowEvent();
    if (RT_EVENT() == kEventOpenWindow && command_line_wants_server(RT_COMMAND(""))) {
      if (modules.server_window != nullptr) RT_START(modules.server_window, 25000);
    }
    return level;
  }

  std::int32_t Kill() override {
    std::int32_t level = WindowManager::Kill();
    if (level == kLevelBenign && WinSockStarted != 0) WSACleanup();
    return level;
  }

 private:
  // The menus' own items are standard actions, which the runtime carries out.
  void HelpMenu(std::int32_t) {}
  void WindowMenu(std::int32_t) {}
  void EditMenu(std::int32_t) {}
  void FileMenu(std::int32_t) {}
  void BrowseMenu(std::int32_t control) {
    if (control == kItemBrowseSubject && modules.browse_subject != nullptr) {
      RT_START(modules.browse_subject, 50000);
    } else if (control == kItemBrowseRemote && modules.client_window != nullptr) {
      RT_START(modules.client_window, 25000);
    }
  }

  ToolbarClass toolbar_;
};

}  // namespace

bool command_line_wants_server(const std::string& command_line) {
  std::string upper = command_line;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper.find("/SERVER") != std::string::npos;
}

}  // namespace vx::app

void Main() {
  vx::WindowDef def = vx::app::frame_definition(vx::app::build.frame_rsc);
  vx::app::FrameManager frame(&def);
  GlobalResponse = frame.Run();
}
