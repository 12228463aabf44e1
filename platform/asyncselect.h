// WSAAsyncSelect: WinSock's window-message notification of socket events, over epoll
// with one poller thread per process.
//
// Contract:
//  - WSAAsyncSelect(s, window, message, events) makes s non-blocking and from then on
//    posts `message` to `window` (PostMessageA) with wParam = s and
//    lParam = event | error << 16 (WSAMAKESELECTREPLY). events 0 cancels; a new call
//    replaces the previous one. Supported events: FD_READ, FD_ACCEPT, FD_CLOSE (the
//    others are accepted and never reported).
//  - Re-enabling, as WinSock does it: after FD_ACCEPT no further one until accept is
//    called on the socket; after FD_READ none until recv is called on it (a recv that
//    leaves data behind brings the next FD_READ at once); FD_CLOSE once per socket, and
//    only when no data is left to announce, so a peer's last bytes come as FD_READ
//    before the FD_CLOSE. A reset connection reports FD_CLOSE with WSAECONNRESET.
//  - A socket accepted from a selecting listener inherits its window, message and
//    events and is non-blocking.
//  - closesocket forgets the socket before its descriptor is released, so no message
//    is posted for it afterwards (messages already posted stay queued).
//  - Notifications are posted from the poller thread, in the order the events happen
//    for each socket.
#ifndef VX_PLATFORM_ASYNCSELECT_H_
#define VX_PLATFORM_ASYNCSELECT_H_

#include <cstdint>

#include "platform/user32.h"
#include "platform/winsock.h"

constexpr long FD_READ = 0x01;
constexpr long FD_WRITE = 0x02;
constexpr long FD_OOB = 0x04;
constexpr long FD_ACCEPT = 0x08;
constexpr long FD_CONNECT = 0x10;
constexpr long FD_CLOSE = 0x20;

inline LPARAM WSAMAKESELECTREPLY(std::uint16_t event, std::uint16_t error) {
  return static_cast<LPARAM>(static_cast<std::uint32_t>(event) | static_cast<std::uint32_t>(error)
                                                                     << 16);
}
inline std::uint16_t WSAGETSELECTEVENT(LPARAM l) {
  return LOWORD(l);
}
inline std::uint16_t WSAGETSELECTERROR(LPARAM l) {
  return HIWORD(l);
}

// Returns 0, or SOCKET_ERROR with WSAENOTSOCK (not a socket) or WSAEINVAL (no window
// while events are asked for).
int WSAAsyncSelect(SOCKET s, HWND window, UINT message, long events);

namespace vx::platform {

// Told by the socket layer after each recv and accept call on a socket (whatever the
// outcome), so the next FD_READ or FD_ACCEPT can be posted. `accepted` is the new
// socket or INVALID_SOCKET.
void async_select_recv_called(SOCKET s);
void async_select_accept_called(SOCKET listener, SOCKET accepted);
// Number of sockets being watched (for tests).
int async_select_count();

}  // namespace vx::platform

#endif  // VX_PLATFORM_ASYNCSELECT_H_
