// Process entry of vxdemoabc and vxabcdem (the build defines VX_PROGRAM).
#include "app/globals.h"
#include "app/vxdemoabc.h"
#include "runtime/msgbox.h"
#include "runtime/ui/start.h"
#include "server/server_window.h"

#ifndef VX_PROGRAM
#define VX_PROGRAM "vxdemoabc"
#endif

int main(int argc, char** argv) {
  if (std::string(VX_PROGRAM) == "vxabcdem") {
    vx::app::build = {"vxabcdem", "vxabcdem.INI", "VXABC001_RSC"};
  } else {
    vx::app::build = {"vxdemoabc", "vxdemoabc.INI", "VXDEM001_RSC"};
  }
  vx::app::modules.server_window = &ServerWindow;
  vx::ui::run_program(argc, argv, [] { vx::app::run_application(); });
  // The runtime's close-down: windows still running on other threads are not waited
  // for, and none of their objects is destroyed under them.
  RT_HALT(0);
}
