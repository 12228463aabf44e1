// The hand-over between SocketEventProc and a worker it starts: events posted to a
// thread without an open window are dropped, so the server window waits until the new
// worker's window is open before it hands it any event.
#ifndef VX_SERVER_WORKER_READY_H_
#define VX_SERVER_WORKER_READY_H_

#include <cstdint>

namespace vx::server {

// Called by a worker once its window is open.
void worker_window_open(std::int32_t thread);
// Waits until worker `thread` has opened its window, or has ended, or a generous
// bound has passed. True when the window is open.
bool await_worker_window(std::int32_t thread);

}  // namespace vx::server

#endif  // VX_SERVER_WORKER_READY_H_
