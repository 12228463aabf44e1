#include "app/vxdemoabc.h"

#include "app/globals.h"
#include "app/resources.h"
#include "app/subject.h"
#include "app/vxdem001.h"
#include "app/vxdembc.h"

namespace vx::app {

void module_steps(bool starting) {
  // vxdembc0: the file and relation managers exist from the start (static objects);
  // nothing to do at either end.
  // vxdemoabc:
  if (starting) {
    GlobalRequest = 0;
    GlobalResponse = 0;
    GlobalVcrRequest = 0;
    subject_module_setup();  // clears the record buffer, resolves the driver entry
  } else if (modules.module_end != nullptr) {
    modules.module_end();
  }
  // The class library's file module keeps no bookkeeping of its own here.
}

void main_program() {
  ErrorManager.Init();
  IniManager.Init(build.settings_file);
  if (modules.dictionary_setup != nullptr) modules.dictionary_setup();
  set_subject_driver_string("/DRIVER=C4TPSX.DLL");
  Main();
  if (modules.dictionary_takedown != nullptr) modules.dictionary_takedown();
  ErrorManager.Kill();
}

void run_application() {
  register_resources();
  module_steps(true);
  main_program();
  module_steps(false);
}

}  // namespace vx::app
