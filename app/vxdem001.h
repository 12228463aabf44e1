// Main: the application frame, with the menu bar and the toolbar. It starts the
// application's other windows on threads of their own, forwards toolbar presses to the
// active child window's thread, starts the record server when the command line asks
// for it, and cleans WinSock up when it closes.
#ifndef VX_APP_VXDEM001_H_
#define VX_APP_VXDEM001_H_

#include <string>

#include "runtime/window.h"

// Runs the frame on the calling thread until it closes; its response goes to
// GlobalResponse.
void Main();

namespace vx::app {

// The frame's window definition (its name as the build has it).
WindowDef frame_definition(const std::string& resource);

// Whether the command line asks for the server: "/SERVER" anywhere in it, any case.
bool command_line_wants_server(const std::string& command_line);

// Menu and toolbar control numbers.
constexpr std::int32_t kMenuFile = -1;
constexpr std::int32_t kItemPrintSetup = -2;
constexpr std::int32_t kItemExit = -3;
constexpr std::int32_t kMenuEdit = -4;
constexpr std::int32_t kItemCut = -5;
constexpr std::int32_t kItemCopy = -6;
constexpr std::int32_t kItemPaste = -7;
constexpr std::int32_t kMenuBrowse = -8;
constexpr std::int32_t kItemBrowseSubject = -9;
constexpr std::int32_t kItemBrowseRemote = -10;
constexpr std::int32_t kMenuWindow = -11;
constexpr std::int32_t kItemTile = -12;
constexpr std::int32_t kItemCascade = -13;
constexpr std::int32_t kItemArrange = -14;
constexpr std::int32_t kMenuHelp = -15;
constexpr std::int32_t kItemHelpContents = -16;
constexpr std::int32_t kItemHelpSearch = -17;
constexpr std::int32_t kItemHelpOnHelp = -18;

}  // namespace vx::app

#endif  // VX_APP_VXDEM001_H_
