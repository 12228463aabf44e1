// Starting a program on the runtime: choosing the window back end and running the
// program's main procedure as runtime thread 1.
//
// The choice: the option "--ui=headless" or "--ui=qt" on the command line first (it is
// taken off the command line the program sees), then the environment variable VX_UI,
// else qt when a display is available (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM
// set) and the runtime was built with it, else headless. Qt asked for where it cannot
// run (no display, or a build without it) gives headless.
//
// With VX_UI_SCRIPT naming a file ("-" for standard input), a reader thread carries
// out its lines as a user would, one after the other:
//   wait THREAD [TITLE]        until the thread has a window (with that title)
//   press THREAD CONTROL       press a button, menu item or toolbar button
//   type THREAD CONTROL TEXT   type into an entry
//   select THREAD CONTROL ROW  select a list row or (ROW = tab number) a tab
//   activate THREAD            make the thread's window the active child
//   close THREAD               close the thread's window
#ifndef VX_RUNTIME_UI_START_H_
#define VX_RUNTIME_UI_START_H_

#include <functional>
#include <string>

namespace vx::ui {

enum class BackendKind { kHeadless, kQt };

// `option` is the value of "--ui=" ("" when absent), `env` that of VX_UI (null when
// unset). Unknown names are ignored and the next rule decides.
BackendKind choose_backend(const std::string& option, const char* env, bool display, bool qt_built);
bool display_available();
bool qt_built();

// Runs `program` as runtime thread 1 with the chosen back end and returns when it
// returns: headless, on the calling thread; qt, beside Qt's event loop, which runs on
// the calling thread (the process's main thread). Sets the runtime's command line.
void run_program(int argc, char** argv, const std::function<void()>& program);

// Carries out one script line (see above); false when it is malformed or fails.
bool run_script_line(const std::string& line);

}  // namespace vx::ui

#endif  // VX_RUNTIME_UI_START_H_
