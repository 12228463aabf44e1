// Runtime events: what a window's event loop delivers. Posted events, user actions
// and window messages share one queue per thread (runtime/thread.h).
#ifndef VX_RUNTIME_EVENT_H_
#define VX_RUNTIME_EVENT_H_

#include <cstdint>

namespace vx {

// Event numbers the programs rely on. 1126 and 1127 are the server's own.
constexpr std::int32_t kEventAccepted = 1;       // a control was accepted (pressed, typed)
constexpr std::int32_t kEventNewSelection = 2;   // a list row or a tab was selected
constexpr std::int32_t kEventRejected = 26;      // typed text did not fit the picture
constexpr std::int32_t kEventCloseWindow = 513;  // the user asked to close the window
constexpr std::int32_t kEventOpenWindow = 515;   // the window has opened (first event)
constexpr std::int32_t kEventGainFocus = 518;    // the window became the active one
constexpr std::int32_t kEventSized = 561;        // the window's size changed

}  // namespace vx

// Queues `event` for the current window of thread `thread`, with `control` as its
// field. Dropped (false) when that thread has no open window.
bool RT_POST(std::int32_t event, std::int32_t control, std::int32_t thread);
// The event being handled on this thread, its control, and the accepted control
// (the control when the event is kEventAccepted, else 0).
std::int32_t RT_EVENT();
std::int32_t RT_FIELD();
std::int32_t RT_ACCEPTED();

#endif  // VX_RUNTIME_EVENT_H_
