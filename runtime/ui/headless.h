// Seeing and driving windows as a user would, without a display: find a thread's
// window, read its controls and list rows, press buttons and menu items, type into
// entries, select rows and tabs, close windows. Works with any back end (the actions
// go to the window's thread exactly as a back end's do). Also: holding message boxes
// open until a test answers them.
#ifndef VX_RUNTIME_UI_HEADLESS_H_
#define VX_RUNTIME_UI_HEADLESS_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/ui/backend.h"
#include "runtime/window.h"

namespace vx::ui {

constexpr int kDefaultWaitMs = 20000;

// Open windows, in the order they were opened.
std::vector<WindowState> windows();
// The current (last opened) window of `thread`, if it has one.
std::optional<WindowState> find_window(std::int32_t thread);
// Waits until `thread` has a window (with that title, when not empty).
std::optional<WindowState> wait_window(std::int32_t thread, const std::string& title = "",
                                       int timeout_ms = kDefaultWaitMs);
// Waits until `done` holds, re-checking after every change of any window; false on
// timeout. The timeout only keeps a broken test from hanging.
bool wait_until(const std::function<bool()>& done, int timeout_ms = kDefaultWaitMs);

// User actions on `thread`'s current window; false when it has none.
bool press(std::int32_t thread, std::int32_t control);
bool type(std::int32_t thread, std::int32_t control, const std::string& text);
bool select(std::int32_t thread, std::int32_t control, std::int32_t row);
bool close_window(std::int32_t thread);
bool activate(std::int32_t thread);

// Beeps so far, and the standard actions carried out as (thread, action).
int beeps();
std::vector<std::pair<std::int32_t, std::int32_t>> standard_actions();

// While held, a box waits until answer_box (the thread keeps dispatching its window
// messages meanwhile) instead of being answered with its default at once.
void hold_message_boxes(bool hold);
struct PendingBox {
  std::int32_t thread;
  MessageBoxSpec box;
};
std::vector<PendingBox> pending_boxes();
bool answer_box(std::int32_t thread, std::uint32_t button);

}  // namespace vx::ui

#endif  // VX_RUNTIME_UI_HEADLESS_H_
