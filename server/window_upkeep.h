// The ordinary upkeep of a server-side window's event loop (the server window and every
// connection worker's window): first display on opening, redisplay on focus, beep and
// reselect on a rejected entry.
#ifndef VX_SERVER_WINDOW_UPKEEP_H_
#define VX_SERVER_WINDOW_UPKEEP_H_

#include <cstdint>

namespace vx::server {

// Handles `event` if it is window upkeep and returns true; `initialised` records the
// window's first display.
bool window_upkeep(std::int32_t event, bool* initialised);

}  // namespace vx::server

#endif  // VX_SERVER_WINDOW_UPKEEP_H_
