// The application's global objects, shared by every thread of the process. They are
// built on the first thread before any other thread starts and taken down on it after
// the main frame has closed.
#ifndef VX_APP_GLOBALS_H_
#define VX_APP_GLOBALS_H_

#include <atomic>
#include <cstdint>

#include "classlib/errormanager.h"
#include "classlib/inimanager.h"
#include "classlib/windowmanager.h"

extern vx::ErrorClass ErrorManager;
extern vx::IniClass IniManager;
// Request handed to the next window (1 insert, 2 change, 0 none), the response of the
// last window that ran (1 completed, 2 cancelled), and the toolbar request every
// window's VCRREQUEST refers to. Atomic: windows on several threads read and write
// them.
extern std::atomic<std::uint8_t> GlobalRequest;
extern std::atomic<std::uint8_t> GlobalResponse;
extern std::atomic<std::int32_t> GlobalVcrRequest;

namespace vx::app {

// What differs between the two programs built from these sources.
struct Build {
  const char* program;        // "vxdemoabc" or "vxabcdem"
  const char* settings_file;  // "vxdemoabc.INI" or "vxabcdem.INI"
  const char* frame_rsc;      // the frame's window definition label
};
extern Build build;

// Procedures and steps that other modules provide; the program's entry sets them. A
// null entry does nothing (its menu item is present and inert).
struct Modules {
  void (*browse_subject)() = nullptr;    // BrowseSubject, started with 50000 bytes
  void (*client_window)() = nullptr;     // ClientWindow, started with 25000 bytes
  void (*server_window)() = nullptr;     // ServerWindow, started with 25000 bytes
  void (*dictionary_setup)() = nullptr;  // the file and relation managers
  void (*dictionary_takedown)() = nullptr;
  void (*module_end)() = nullptr;  // empties the server's lists
};
extern Modules modules;

// The window manager settings every application window makes in its open step: first
// field 1, VCRREQUEST to GlobalVcrRequest, ERRORS to ErrorManager, the toolbar target;
// then GlobalRequest and GlobalResponse are cleared for the next window.
void apply_window_settings(vx::WindowManager& window, vx::ToolbarClass* toolbar);

}  // namespace vx::app

#endif  // VX_APP_GLOBALS_H_
