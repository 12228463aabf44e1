// The model of an open window, shared between its owning thread (which alone writes
// it, and alone touches the variables bound to its controls) and the back end and
// tests (which read snapshots and send user actions back to the owner's queue).
#ifndef VX_RUNTIME_WINDOW_MODEL_H_
#define VX_RUNTIME_WINDOW_MODEL_H_

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/user32.h"
#include "runtime/window_format.h"

namespace vx {

enum class ControlKind {
  kPrompt,   // a label
  kEntry,    // an input field bound to a variable, shown through its picture
  kString,   // a read-only field showing a variable or a text
  kTextBox,  // a multi-line text
  kButton,
  kCheck,
  kList,   // rows from a list source, columns from a list format
  kSheet,  // a tab sheet; its tabs are kTab controls with the sheet as parent
  kTab,
  kLine,
  kMenu,        // a menu of the menu bar (parent 0) or a submenu
  kItem,        // a menu item
  kSeparator,   // between menu items
  kToolButton,  // a toolbar button
};

struct ControlState {
  std::int32_t number = 0;
  ControlKind kind = ControlKind::kPrompt;
  std::int32_t parent = 0;                    // menu of an item, sheet of a tab, 0 otherwise
  std::string text;                           // caption, or what a field shows
  int x = -1, y = -1, width = 0, height = 0;  // dialog units; -1 default, 0 natural
  std::string picture;
  std::string hint;     // tool tip
  std::string message;  // status-bar text while highlighted
  std::string icon;     // resource name, e.g. "VCRFIRST_ICO"
  std::string format;   // list format
  std::vector<ListColumn> columns;
  std::vector<std::vector<std::string>> rows;  // formatted cells of a list
  std::int32_t selected = 0;                   // list: row from 1; sheet: tab control number
  std::int32_t std_action = 0;
  bool enabled = true;
  bool hidden = false;
};

struct WindowState {
  std::uint64_t id = 0;
  std::int32_t thread = 0;
  HWND handle = nullptr;
  std::string label;
  std::string resource;
  std::string title;
  bool frame = false;  // the application frame; other windows are its children
  int x = -1, y = -1, width = 0, height = 0;
  std::string font;
  int font_size = 0;
  std::int32_t focus = 0;  // the selected control
  bool open = true;
  std::vector<ControlState> controls;

  const ControlState* control(std::int32_t number) const {
    for (const auto& c : controls)
      if (c.number == number) return &c;
    return nullptr;
  }
  ControlState* control(std::int32_t number) {
    for (auto& c : controls)
      if (c.number == number) return &c;
    return nullptr;
  }
};

class WindowModel {
 public:
  explicit WindowModel(WindowState state) : state_(std::move(state)) {}
  std::uint64_t id() const { return state_.id; }  // fixed at creation
  std::int32_t thread() const { return state_.thread; }
  HWND handle() const { return state_.handle; }
  bool frame() const { return state_.frame; }

  WindowState snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
  }
  // Changes the state; only the owning thread calls this.
  template <typename F>
  void change(F&& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    f(state_);
  }

  // For the back end alone, on its own thread (e.g. the widget of this window).
  void* backend_data = nullptr;

 private:
  mutable std::mutex mutex_;
  WindowState state_;
};

}  // namespace vx

#endif  // VX_RUNTIME_WINDOW_MODEL_H_
