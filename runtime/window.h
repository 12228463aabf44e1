// Runtime windows. A window definition is data (a WindowDef beside the module that
// opens it); opening it makes a window owned by the calling thread, which runs the
// window's event loop with RT_ACCEPT and reads the event with RT_EVENT/RT_FIELD.
//
// Contract:
//  - The RT_ calls act on the calling thread's current window: the one it opened
//    last and has not closed. A thread may open a window on top of another (a
//    modal form over a browse); user actions reach only the current one.
//  - Bound variables are read (RT_DISPLAY) and written (what the user typed, parsed
//    by the control's picture) on the owning thread only. A typed text that the
//    picture rejects gives kEventRejected and leaves the variable alone.
//  - A list takes its rows from a ListSource on RT_DISPLAY; each cell is shown
//    through its column's picture.
//  - The first event of a window is kEventOpenWindow. After kEventCloseWindow has
//    been handled, or after RT_EndEventLoop, RT_ACCEPT returns false; the window
//    stays until RT_CLOSEwindow or the end of its thread.
//  - Menu items and buttons with a standard action (std_action) are carried out by
//    the back end and give no event; kActionClose closes the window instead.
#ifndef VX_RUNTIME_WINDOW_H_
#define VX_RUNTIME_WINDOW_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/event.h"
#include "runtime/window_model.h"

namespace vx {

// A variable shown and edited through a picture. Both functions run on the
// window's thread; take returns false when the text does not fit the picture.
struct Binding {
  std::function<std::string(const std::string& picture)> show;
  std::function<bool(const std::string& text, const std::string& picture)> take;
  explicit operator bool() const { return static_cast<bool>(show); }
};

// Bindings for the usual variable kinds. A text variable is a fixed-width buffer
// padded with blanks.
Binding bind_text(char* buffer, std::size_t size);
Binding bind_string(std::string* text);
Binding bind_number(std::int8_t* value);
Binding bind_number(std::uint8_t* value);
Binding bind_number(std::int16_t* value);
Binding bind_number(std::uint16_t* value);
Binding bind_number(std::int32_t* value);
Binding bind_number(double* value);

// The rows of a list: how many, and row n (from 1) as one raw value per column
// (numbers as decimal text). Called on the window's thread.
struct ListSource {
  std::function<std::size_t()> count;
  std::function<std::vector<std::string>(std::size_t row)> row;
  explicit operator bool() const { return static_cast<bool>(count); }
};
// A source over a vector of single-column rows (kept by the caller).
ListSource list_of(const std::vector<std::string>* rows);

struct ControlDef {
  std::int32_t number = 0;
  ControlKind kind = ControlKind::kPrompt;
  std::string text;
  int x = -1, y = -1, width = 0, height = 0;
  std::string picture;
  std::string hint;
  std::string message;
  std::string icon;
  std::string format;
  std::int32_t parent = 0;
  std::int32_t std_action = 0;
  bool disabled = false;
  bool hidden = false;
  Binding use;
  ListSource from;
};

struct WindowDef {
  std::string label;     // the window's name in the program, e.g. "P1$APPFRAME"
  std::string resource;  // the definition's name, e.g. "VXDEM001_RSC"
  std::string title;
  bool frame = false;
  int x = -1, y = -1, width = 0, height = 0;
  std::string font = "MS Sans Serif";
  int font_size = 8;
  std::vector<ControlDef> controls;

  ControlDef* control(std::int32_t number) {
    for (auto& c : controls)
      if (c.number == number) return &c;
    return nullptr;
  }
};

// Standard actions (the runtime's own, not the program's).
constexpr std::int32_t kActionTile = 2;
constexpr std::int32_t kActionCascade = 3;
constexpr std::int32_t kActionArrange = 4;
constexpr std::int32_t kActionHelpContents = 5;
constexpr std::int32_t kActionHelpOnHelp = 6;
constexpr std::int32_t kActionHelpSearch = 7;
constexpr std::int32_t kActionCut = 10;
constexpr std::int32_t kActionCopy = 11;
constexpr std::int32_t kActionPaste = 12;
constexpr std::int32_t kActionClose = 15;
constexpr std::int32_t kActionPrintSetup = 16;

// Properties for RT_SetPropS / RT_GetPropS.
constexpr std::int32_t kPropText = 1;      // control 0: the window's title
constexpr std::int32_t kPropHandle = 2;    // control 0: the system handle, decimal; read only
constexpr std::int32_t kPropSelected = 3;  // list row from 1 / sheet's tab number
constexpr std::int32_t kPropHint = 4;
constexpr std::int32_t kPropEnabled = 5;  // "1" or "0"; read only (use RT_ENABLE)

class Window;  // an open window (owned by its thread)

}  // namespace vx

// Opens the definition as the calling thread's current window.
vx::Window* RT_OPENwindow(const vx::WindowDef& def);
// Closes `window` (the current window when null); its pending actions are dropped.
void RT_CLOSEwindow(vx::Window* window = nullptr);
// Delivers the current window's next event; false once its loop has ended.
bool RT_ACCEPT();
// Ends the current window's event loop after the event being handled.
void RT_EndEventLoop();
// Shows bound variables and list rows again: one control, or all with 0.
void RT_DISPLAY(std::int32_t control = 0);
// Makes a control the selected one; for a list also its row `row` (from 1), for a
// tab its sheet's selected tab.
void RT_SELECT(std::int32_t control, std::int32_t row = 0);
void RT_ENABLE(std::int32_t first, std::int32_t last = 0);
void RT_DISABLE(std::int32_t first, std::int32_t last = 0);
void RT_HIDE(std::int32_t first, std::int32_t last = 0);
void RT_UNHIDE(std::int32_t first, std::int32_t last = 0);
void RT_SetPropS(std::int32_t control, std::int32_t prop, const std::string& value);
std::string RT_GetPropS(std::int32_t control, std::int32_t prop);
// Binds a variable or a list source to a control of the current window.
void RT_USE(std::int32_t control, vx::Binding binding);
void RT_FROM(std::int32_t control, vx::ListSource source);
// The number of the thread whose window is the active child of the frame; 0 when
// no child window is active.
std::int32_t RT_ACTIVETHREAD();
// The platform's beep (frequency and duration are hints).
void RT_BEEP(std::int32_t frequency = 0, std::int32_t duration = 0);

namespace vx {

// The calling thread's current window, or null.
Window* current_window();
// Its system handle (null when the thread has no window).
HWND window_handle(Window* window = nullptr);
std::shared_ptr<WindowModel> window_model(Window* window = nullptr);

// What a user does to a window; the back ends and tests send these to the owner.
struct UserAction {
  enum Kind { kPress, kType, kSelect, kClose, kActivate } kind = kPress;
  std::int32_t control = 0;
  std::string text;      // kType
  std::int32_t row = 0;  // kSelect: list row from 1, or the tab's control number
};
// Queues the action for the window's thread; false when the window is not open.
bool send_user_action(std::uint64_t window_id, UserAction action);
// The back end reports which window the user made active (0: none). Takes effect at
// once for RT_ACTIVETHREAD; the window's thread then gets kEventGainFocus.
void set_active_window(std::uint64_t window_id);

// Every open window's model, in the order they were opened.
std::vector<std::shared_ptr<WindowModel>> open_windows();
// Counts model changes; waiters are woken on each.
std::uint64_t model_version();
bool wait_model_change(std::uint64_t seen, int timeout_ms);

}  // namespace vx

#endif  // VX_RUNTIME_WINDOW_H_
