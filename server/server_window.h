// ServerWindow: the record server's window, on a runtime thread of its own.
//
// Starts WinSock, listens on port 10025 on every local address and has WinSock report
// accept, read and close events as message 1125 to the window, where SocketEventProc
// handles them; shows the status, the step counter and the activity log.
//
// Contract beyond the window's own steps:
//  - With the headless back end the log goes to standard output and SIGINT/SIGTERM
//    stop the server and the program (server/console.h).
//  - However the window closes ("&Close Socket", its system menu, the application
//    ending its loop), the connections it accepted are closed and their workers told
//    to end (1127), and the listening socket is closed, so no client waits for ever for
//    a reply that no one would send.
#ifndef VX_SERVER_SERVER_WINDOW_H_
#define VX_SERVER_SERVER_WINDOW_H_

#include <atomic>
#include <cstdint>

namespace vx::server {
constexpr std::uint16_t kServerPort = 10025;
constexpr std::int32_t kEventLogChanged = 1128;  // the activity log has new lines
// The step counter shown in the window (process-wide).
std::int16_t server_step();
}  // namespace vx::server

// Set once the server has started WinSock; the main frame cleans WinSock up on closing
// when it is set.
extern std::atomic<std::int32_t> WinSockStarted;

void ServerWindow();

#endif  // VX_SERVER_SERVER_WINDOW_H_
