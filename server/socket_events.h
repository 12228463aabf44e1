// SocketEventProc: the window procedure put in front of the server window's own one.
// It turns WinSock's message 1125 into connections, workers and runtime events:
//  - FD_ACCEPT: accept, start a ConnectionWorker (socket number as a 32-character
//    text), register socket -> thread, log "<socket>-connected-<d2><t6>". A failed
//    accept is reported and nothing else happens (no worker for an invalid socket).
//  - FD_READ: post 1126 to the socket's worker.
//  - FD_CLOSE: close the socket (a failure is reported), post 1127 to its worker, log
//    "<socket>-disconnected-<d2><t6>". An error in lParam's high word changes nothing.
// Every message, 1125 too, is then handed on to the previous procedure.
#ifndef VX_SERVER_SOCKET_EVENTS_H_
#define VX_SERVER_SOCKET_EVENTS_H_

#include "platform/user32.h"

namespace vx::server {
constexpr UINT kSocketMessage = WM_USER + 101;  // 1125
// The server window's own procedure, as SetWindowLongA returned it.
void set_previous_window_proc(WNDPROC proc);
}  // namespace vx::server

LRESULT CALLBACK SocketEventProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

#endif  // VX_SERVER_SOCKET_EVENTS_H_
