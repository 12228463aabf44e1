// The window back end of the runtime. One per process, chosen at start-up. This file
// holds what every back end provides for boxes and prompts; windows add to it.
#ifndef VX_RUNTIME_UI_BACKEND_H_
#define VX_RUNTIME_UI_BACKEND_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vx {
class WindowModel;
}

namespace vx::ui {

struct MessageBoxSpec {
  std::string text;
  std::string title;
  std::uint32_t icon = 0;
  std::uint32_t buttons = 0;  // 0: one OK button
  std::uint32_t default_button = 0;
};

// The button a box with these buttons answers by default.
std::uint32_t default_answer(const MessageBoxSpec& box);

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* name() const = 0;
  // Modal for the calling thread only; returns the button pressed.
  virtual std::uint32_t message_box(const MessageBoxSpec& box) = 0;
  // True when the user chooses to end the program.
  virtual bool stop_prompt(const std::string& text) = 0;

  // Windows. The runtime calls these on the window's own thread after each change
  // of the model; a back end mirrors the model on its own thread and sends what the
  // user does back with vx::send_user_action. Doing nothing is a valid back end.
  virtual void window_opened(const std::shared_ptr<WindowModel>& window) {}
  virtual void window_changed(const std::shared_ptr<WindowModel>& window) {}
  virtual void window_closed(const std::shared_ptr<WindowModel>& window) {}
  // A menu item or button with a standard action (vx::kActionTile, ...) was chosen.
  virtual void standard_action(const std::shared_ptr<WindowModel>& window, int action) {}
  virtual void beep() {}
};

// The process's back end; the headless one until another is installed.
Backend& backend();
void set_backend(std::unique_ptr<Backend> backend);

// A test hook that sees every box before the back end; its answer is the box's.
// Pass nullptr to remove it. Hooks run on the thread that shows the box.
using MessageBoxHook = std::function<std::uint32_t(const MessageBoxSpec&)>;
void set_message_box_hook(MessageBoxHook hook);

// The headless back end: boxes to standard error, answered with their default.
std::unique_ptr<Backend> make_headless_backend();

}  // namespace vx::ui

#endif  // VX_RUNTIME_UI_BACKEND_H_
