// A server on a machine without a display (the headless back end) is watched and
// stopped from the console: each activity-log line goes to standard output as it is
// added, and SIGINT or SIGTERM closes the server window (its connections with it) and
// then the program's frame on thread 1, so the program ends as if the user had closed
// both.
#ifndef VX_SERVER_CONSOLE_H_
#define VX_SERVER_CONSOLE_H_

#include <cstdint>

namespace vx::server {

// Does nothing with another back end. `server_thread` is the server window's thread.
void attach_console_if_headless(std::int32_t server_thread);

}  // namespace vx::server

#endif  // VX_SERVER_CONSOLE_H_
