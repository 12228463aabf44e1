#include "app/globals.h"

vx::ErrorClass ErrorManager;
vx::IniClass IniManager;
std::atomic<std::uint8_t> GlobalRequest{0};
std::atomic<std::uint8_t> GlobalResponse{0};
std::atomic<std::int32_t> GlobalVcrRequest{0};

namespace vx::app {
Build build{"vxdemoabc", "vxdemoabc.INI", "VXDEM001_RSC"};
Modules modules;

void apply_window_settings(vx::WindowManager& window, vx::ToolbarClass* toolbar) {
  window.FirstField = 1;
  window.VCRREQUEST = &GlobalVcrRequest;
  window.ERRORS = &ErrorManager;
  window.Toolbar = toolbar;
  GlobalRequest = 0;
  GlobalResponse = 0;
}
}  // namespace vx::app
