#include "runtime/window.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <optional>

#include "runtime/picture.h"
#include "runtime/thread_internal.h"
#include "runtime/ui/backend.h"

namespace vx {

class Window {
 public:
  std::shared_ptr<WindowModel> model;
  std::map<std::int32_t, Binding> uses;
  std::map<std::int32_t, ListSource> sources;
  bool open_event_pending = true;
  bool closing = false;        // kEventCloseWindow delivered: the loop ends after it
  bool end_requested = false;  // RT_EndEventLoop
  bool loop_ended = false;
};

namespace {

struct Models {
  std::mutex mutex;
  std::condition_variable changed;
  std::uint64_t version = 0;
  std::uint64_t last_id = 0;
  std::vector<std::shared_ptr<WindowModel>> open;
  std::vector<std::uint64_t> activation;  // child windows, most recently active last
  std::uint64_t active = 0;
  int beeps = 0;
  std::vector<std::pair<std::int32_t, std::int32_t>> actions;  // (thread, standard action)
};

Models& models() {
  static auto* m = new Models();
  return *m;
}

void bump_version() {
  Models& m = models();
  {
    std::lock_guard<std::mutex> lock(m.mutex);
    ++m.version;
  }
  m.changed.notify_all();
}

void changed(const std::shared_ptr<WindowModel>& model) {
  bump_version();
  ui::backend().window_changed(model);
}

Window* top() {
  rt::ThreadState& st = rt::self();
  return st.windows.empty() ? nullptr : st.windows.back();
}

// Text with its trailing blanks removed.
std::string rtrim(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

// A value as a control or list cell shows it. `raw` is text, or a number (date, time)
// as decimal text. Trailing blanks of texts are not kept: nothing shows them.
std::string show_value(const std::string& picture, const std::string& raw) {
  if (picture.empty()) return rtrim(raw);
  Picture p = Picture::parse(picture);
  if (p.kind == Picture::Kind::kInvalid) return rtrim(raw);
  if (p.kind != Picture::Kind::kText) {
    char* end = nullptr;
    double v = std::strtod(raw.c_str(), &end);
    if (end != raw.c_str() && rtrim(std::string(end)).empty()) return format_picture(v, p);
  }
  std::string shown = format_picture_text(raw, p);
  return p.kind == Picture::Kind::kText ? rtrim(shown) : shown;
}

// What the user typed, read through the picture; nullopt when it does not fit.
std::optional<PictureInput> read_input(const std::string& picture, const std::string& text) {
  Picture p = Picture::parse(picture);
  if (p.kind == Picture::Kind::kInvalid) {
    PictureInput in;
    in.ok = true;
    in.text = text;
    char* end = nullptr;
    in.number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() && !rtrim(text).empty()) in.number = 0;
    return in;
  }
  PictureInput in = parse_picture_input(text, p);
  if (!in.ok) return std::nullopt;
  return in;
}

// Refreshes one control's shown text or rows from its variable or source.
void refresh(Window* w, WindowState& s, ControlState& c) {
  auto use = w->uses.find(c.number);
  if (use != w->uses.end() && use->second) c.text = use->second.show(c.picture);
  auto from = w->sources.find(c.number);
  if (from != w->sources.end() && from->second) {
    c.rows.clear();
    std::size_t n = from->second.count();
    for (std::size_t i = 1; i <= n; ++i) {
      std::vector<std::string> raw = from->second.row(i);
      std::vector<std::string> cells;
      std::size_t ncols = c.columns.empty() ? raw.size() : c.columns.size();
      for (std::size_t k = 0; k < ncols; ++k) {
        std::string value = k < raw.size() ? raw[k] : std::string();
        cells.push_back(k < c.columns.size() ? show_value(c.columns[k].picture, value) : value);
      }
      c.rows.push_back(std::move(cells));
    }
    if (c.selected > static_cast<std::int32_t>(c.rows.size())) {
      c.selected = static_cast<std::int32_t>(c.rows.size());
    }
  }
}

void set_flag(std::int32_t first, std::int32_t last, bool enabled_flag, bool value) {
  Window* w = top();
  if (w == nullptr) return;
  if (last == 0) last = first;
  w->model->change([&](WindowState& s) {
    for (auto& c : s.controls) {
      if (c.number < first || c.number > last) continue;
      if (enabled_flag) {
        c.enabled = value;
      } else {
        c.hidden = value;
      }
    }
  });
  changed(w->model);
}

void close_window(rt::ThreadState& st, Window* w) {
  auto it = std::find(st.windows.begin(), st.windows.end(), w);
  if (it == st.windows.end()) return;
  st.windows.erase(it);
  std::uint64_t id = w->model->id();
  w->model->change([](WindowState& s) { s.open = false; });
  user32::destroy_window(w->model->handle());
  {
    Models& m = models();
    std::lock_guard<std::mutex> lock(m.mutex);
    m.open.erase(std::remove(m.open.begin(), m.open.end(), w->model), m.open.end());
    m.activation.erase(std::remove(m.activation.begin(), m.activation.end(), id),
                       m.activation.end());
    if (m.active == id) m.active = m.activation.empty() ? 0 : m.activation.back();
  }
  st.open_windows.fetch_sub(1);
  ui::backend().window_closed(w->model);
  bump_version();
  delete w;
}

Window* find_by_handle(rt::ThreadState& st, HWND hwnd) {
  for (Window* w : st.windows)
    if (w->model->handle() == hwnd) return w;
  return nullptr;
}

// The first procedure of every window: a close message asks the loop to close.
LRESULT runtime_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) {
    rt::ThreadState& st = rt::self();
    if (Window* w = find_by_handle(st, hwnd)) {
      rt::QueueItem item;
      item.kind = rt::QueueItem::Kind::kAction;
      item.window = w->model->id();
      item.action.kind = UserAction::kClose;
      rt::push(st, std::move(item));
    }
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

void deliver(rt::ThreadState& st, std::int32_t event, std::int32_t field) {
  st.event = event;
  st.field = field;
}

// Handles a user action on the current window; true when it gave an event.
bool handle_action(rt::ThreadState& st, Window* w, const UserAction& a) {
  WindowState s = w->model->snapshot();
  switch (a.kind) {
    case UserAction::kClose:
      w->closing = true;
      deliver(st, kEventCloseWindow, 0);
      return true;
    case UserAction::kActivate:
      deliver(st, kEventGainFocus, 0);
      return true;
    case UserAction::kPress: {
      const ControlState* c = s.control(a.control);
      if (c == nullptr || !c->enabled || c->hidden) return false;
      if (c->kind == ControlKind::kMenu || c->kind == ControlKind::kSeparator) return false;
      if (c->std_action == kActionClose) {
        w->closing = true;
        deliver(st, kEventCloseWindow, 0);
        return true;
      }
      if (c->std_action != 0) {
        {
          Models& m = models();
          std::lock_guard<std::mutex> lock(m.mutex);
          m.actions.emplace_back(st.number, c->std_action);
        }
        ui::backend().standard_action(w->model, c->std_action);
        bump_version();
        return false;
      }
      deliver(st, kEventAccepted, a.control);
      return true;
    }
    case UserAction::kType: {
      const ControlState* c = s.control(a.control);
      if (c == nullptr || !c->enabled || c->hidden) return false;
      auto use = w->uses.find(a.control);
      if (use != w->uses.end() && use->second.take) {
        if (!use->second.take(a.text, c->picture)) {
          deliver(st, kEventRejected, a.control);
          return true;
        }
        RT_DISPLAY(a.control);
      } else {
        w->model->change([&](WindowState& ws) {
          if (ControlState* cc = ws.control(a.control)) cc->text = a.text;
        });
        changed(w->model);
      }
      deliver(st, kEventAccepted, a.control);
      return true;
    }
    case UserAction::kSelect: {
      const ControlState* c = s.control(a.control);
      if (c == nullptr || !c->enabled || c->hidden) return false;
      std::int32_t target = a.control;
      if (c->kind == ControlKind::kList) {
        if (a.row < 1 || a.row > static_cast<std::int32_t>(c->rows.size())) return false;
        w->model->change([&](WindowState& ws) { ws.control(a.control)->selected = a.row; });
      } else if (c->kind == ControlKind::kSheet || c->kind == ControlKind::kTab) {
        std::int32_t sheet = c->kind == ControlKind::kSheet ? c->number : c->parent;
        std::int32_t tab = c->kind == ControlKind::kTab ? c->number : a.row;
        const ControlState* t = s.control(tab);
        if (t == nullptr || t->kind != ControlKind::kTab || t->parent != sheet) return false;
        w->model->change([&](WindowState& ws) {
          if (ControlState* sc = ws.control(sheet)) sc->selected = tab;
        });
        target = sheet;
      } else {
        return false;
      }
      changed(w->model);
      deliver(st, kEventNewSelection, target);
      return true;
    }
  }
  return false;
}

template <typename T>
Binding bind_integer(T* value) {
  Binding b;
  b.show = [value](const std::string& picture) {
    return show_value(picture, std::to_string(static_cast<long long>(*value)));
  };
  b.take = [value](const std::string& text, const std::string& picture) {
    auto in = read_input(picture, text);
    if (!in) return false;
    double r = std::nearbyint(in->number);
    if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
        r > static_cast<double>(std::numeric_limits<T>::max())) {
      return false;
    }
    *value = static_cast<T>(r);
    return true;
  };
  return b;
}

}  // namespace

Binding bind_text(char* buffer, std::size_t size) {
  Binding b;
  b.show = [buffer, size](const std::string& picture) {
    return show_value(picture, std::string(buffer, strnlen(buffer, size)));
  };
  b.take = [buffer, size](const std::string& text, const std::string& picture) {
    auto in = read_input(picture, text);
    if (!in) return false;
    const std::string& v = in->text;
    std::memset(buffer, ' ', size);
    std::memcpy(buffer, v.data(), std::min(size, v.size()));
    return true;
  };
  return b;
}

Binding bind_string(std::string* text) {
  Binding b;
  b.show = [text](const std::string& picture) { return show_value(picture, *text); };
  b.take = [text](const std::string& t, const std::string& picture) {
    auto in = read_input(picture, t);
    if (!in) return false;
    *text = in->text;
    return true;
  };
  return b;
}

Binding bind_number(std::int8_t* v) {
  return bind_integer(v);
}
Binding bind_number(std::uint8_t* v) {
  return bind_integer(v);
}
Binding bind_number(std::int16_t* v) {
  return bind_integer(v);
}
Binding bind_number(std::uint16_t* v) {
  return bind_integer(v);
}
Binding bind_number(std::int32_t* v) {
  return bind_integer(v);
}

Binding bind_number(double* value) {
  Binding b;
  b.show = [value](const std::string& picture) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", *value);
    return show_value(picture, buf);
  };
  b.take = [value](const std::string& text, const std::string& picture) {
    auto in = read_input(picture, text);
    if (!in) return false;
    *value = in->number;
    return true;
  };
  return b;
}

ListSource list_of(const std::vector<std::string>* rows) {
  ListSource s;
  s.count = [rows] { return rows->size(); };
  s.row = [rows](std::size_t i) { return std::vector<std::string>{(*rows)[i - 1]}; };
  return s;
}

Window* current_window() {
  return top();
}

HWND window_handle(Window* window) {
  if (window == nullptr) window = top();
  return window != nullptr ? window->model->handle() : nullptr;
}

std::shared_ptr<WindowModel> window_model(Window* window) {
  if (window == nullptr) window = top();
  return window != nullptr ? window->model : nullptr;
}

bool send_user_action(std::uint64_t window_id, UserAction action) {
  std::shared_ptr<WindowModel> model;
  {
    Models& m = models();
    std::lock_guard<std::mutex> lock(m.mutex);
    for (const auto& w : m.open)
      if (w->id() == window_id) model = w;
  }
  if (!model) return false;
  auto st = rt::find_thread(model->thread());
  if (!st) return false;
  rt::QueueItem item;
  item.kind = rt::QueueItem::Kind::kAction;
  item.window = window_id;
  item.action = std::move(action);
  rt::push(*st, std::move(item));
  return true;
}

void set_active_window(std::uint64_t window_id) {
  bool known = false;
  {
    Models& m = models();
    std::lock_guard<std::mutex> lock(m.mutex);
    if (window_id == 0) {
      m.active = 0;
    } else {
      for (const auto& w : m.open) {
        if (w->id() == window_id && !w->frame()) {
          known = true;
          m.active = window_id;
          m.activation.erase(std::remove(m.activation.begin(), m.activation.end(), window_id),
                             m.activation.end());
          m.activation.push_back(window_id);
        }
      }
    }
  }
  if (known) send_user_action(window_id, UserAction{UserAction::kActivate, 0, "", 0});
  bump_version();
}

std::vector<std::shared_ptr<WindowModel>> open_windows() {
  Models& m = models();
  std::lock_guard<std::mutex> lock(m.mutex);
  return m.open;
}

std::uint64_t model_version() {
  Models& m = models();
  std::lock_guard<std::mutex> lock(m.mutex);
  return m.version;
}

bool wait_model_change(std::uint64_t seen, int timeout_ms) {
  Models& m = models();
  std::unique_lock<std::mutex> lock(m.mutex);
  return m.changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                            [&] { return m.version != seen; });
}

}  // namespace vx

namespace vx::rt {

void notify_models_changed() {
  bump_version();
}

int beep_count() {
  Models& m = models();
  std::lock_guard<std::mutex> lock(m.mutex);
  return m.beeps;
}

std::vector<std::pair<std::int32_t, std::int32_t>> standard_actions_done() {
  Models& m = models();
  std::lock_guard<std::mutex> lock(m.mutex);
  return m.actions;
}

void close_thread_windows(ThreadState& st) {
  while (!st.windows.empty()) close_window(st, st.windows.back());
}

}  // namespace vx::rt

using vx::Window;

Window* RT_OPENwindow(const vx::WindowDef& def) {
  vx::rt::ThreadState& st = vx::rt::self();
  vx::WindowState s;
  {
    vx::Models& m = vx::models();
    std::lock_guard<std::mutex> lock(m.mutex);
    s.id = ++m.last_id;
  }
  s.thread = st.number;
  s.label = def.label;
  s.resource = def.resource;
  s.title = def.title;
  s.frame = def.frame;
  s.x = def.x;
  s.y = def.y;
  s.width = def.width;
  s.height = def.height;
  s.font = def.font;
  s.font_size = def.font_size;
  for (const auto& d : def.controls) {
    vx::ControlState c;
    c.number = d.number;
    c.kind = d.kind;
    c.parent = d.parent;
    c.text = d.text;
    c.x = d.x;
    c.y = d.y;
    c.width = d.width;
    c.height = d.height;
    c.picture = d.picture;
    c.hint = d.hint;
    c.message = d.message;
    c.icon = d.icon;
    c.format = d.format;
    if (!d.format.empty()) {
      if (auto cols = vx::parse_list_format(d.format)) c.columns = std::move(*cols);
    }
    c.std_action = d.std_action;
    c.enabled = !d.disabled;
    c.hidden = d.hidden;
    s.controls.push_back(std::move(c));
  }
  // A sheet shows its first tab until one is chosen.
  for (auto& c : s.controls) {
    if (c.kind != vx::ControlKind::kSheet) continue;
    for (const auto& t : s.controls) {
      if (t.kind == vx::ControlKind::kTab && t.parent == c.number) {
        c.selected = t.number;
        break;
      }
    }
  }
  std::weak_ptr<vx::rt::ThreadState> owner = vx::rt::find_thread(st.number);
  s.handle = vx::user32::create_window(vx::runtime_window_proc,
                                       [owner](HWND h, UINT msg, WPARAM wp, LPARAM lp) {
                                         if (auto t = owner.lock()) {
                                           vx::rt::QueueItem item;
                                           item.kind = vx::rt::QueueItem::Kind::kMessage;
                                           item.hwnd = h;
                                           item.message = msg;
                                           item.wparam = wp;
                                           item.lparam = lp;
                                           vx::rt::push(*t, std::move(item));
                                         }
                                       });
  auto* w = new Window();
  w->model = std::make_shared<vx::WindowModel>(std::move(s));
  for (const auto& d : def.controls) {
    if (d.use) w->uses[d.number] = d.use;
    if (d.from) w->sources[d.number] = d.from;
  }
  st.windows.push_back(w);
  st.open_windows.fetch_add(1);
  // Fill in what the bound variables hold before anyone sees the window.
  w->model->change([&](vx::WindowState& ws) {
    for (auto& c : ws.controls) vx::refresh(w, ws, c);
  });
  {
    vx::Models& m = vx::models();
    std::lock_guard<std::mutex> lock(m.mutex);
    m.open.push_back(w->model);
    // A new child window becomes the active one, as in an MDI frame.
    if (!def.frame) {
      m.activation.push_back(w->model->id());
      m.active = w->model->id();
    }
  }
  vx::ui::backend().window_opened(w->model);
  vx::bump_version();
  return w;
}

void RT_CLOSEwindow(Window* window) {
  vx::rt::ThreadState& st = vx::rt::self();
  if (window == nullptr) window = vx::top();
  if (window != nullptr) vx::close_window(st, window);
}

bool RT_ACCEPT() {
  vx::rt::ThreadState& st = vx::rt::self();
  Window* w = vx::top();
  if (w == nullptr || w->loop_ended) return false;
  if (w->closing || w->end_requested) {
    w->loop_ended = true;
    return false;
  }
  if (w->open_event_pending) {
    w->open_event_pending = false;
    vx::deliver(st, vx::kEventOpenWindow, 0);
    return true;
  }
  for (;;) {
    vx::rt::QueueItem item = vx::rt::next_item(st);
    switch (item.kind) {
      case vx::rt::QueueItem::Kind::kMessage:
        vx::user32::dispatch_message(item.hwnd, item.message, item.wparam, item.lparam);
        break;
      case vx::rt::QueueItem::Kind::kEvent:
        if (item.event == vx::kEventCloseWindow) w->closing = true;
        vx::deliver(st, item.event, item.control);
        return true;
      case vx::rt::QueueItem::Kind::kAction:
        // Actions on a window other than the current one are dropped: the current
        // window is modal on its thread.
        if (item.window != w->model->id()) break;
        if (vx::handle_action(st, w, item.action)) return true;
        break;
    }
  }
}

void RT_EndEventLoop() {
  if (Window* w = vx::top()) w->end_requested = true;
}

std::int32_t RT_EVENT() {
  return vx::rt::self().event;
}
std::int32_t RT_FIELD() {
  return vx::rt::self().field;
}
std::int32_t RT_ACCEPTED() {
  vx::rt::ThreadState& st = vx::rt::self();
  return st.event == vx::kEventAccepted ? st.field : 0;
}

bool RT_POST(std::int32_t event, std::int32_t control, std::int32_t thread) {
  auto st = vx::rt::find_thread(thread);
  if (!st || st->open_windows.load() == 0) return false;
  vx::rt::QueueItem item;
  item.kind = vx::rt::QueueItem::Kind::kEvent;
  item.event = event;
  item.control = control;
  vx::rt::push(*st, std::move(item));
  return true;
}

void RT_DISPLAY(std::int32_t control) {
  Window* w = vx::top();
  if (w == nullptr) return;
  w->model->change([&](vx::WindowState& s) {
    for (auto& c : s.controls)
      if (control == 0 || c.number == control) vx::refresh(w, s, c);
  });
  vx::changed(w->model);
}

void RT_SELECT(std::int32_t control, std::int32_t row) {
  Window* w = vx::top();
  if (w == nullptr) return;
  w->model->change([&](vx::WindowState& s) {
    vx::ControlState* c = s.control(control);
    if (c == nullptr) return;
    s.focus = control;
    if (c->kind == vx::ControlKind::kList && row > 0 &&
        row <= static_cast<std::int32_t>(c->rows.size())) {
      c->selected = row;
    } else if (c->kind == vx::ControlKind::kTab) {
      if (vx::ControlState* sheet = s.control(c->parent)) sheet->selected = control;
    }
  });
  vx::changed(w->model);
}

void RT_ENABLE(std::int32_t first, std::int32_t last) {
  vx::set_flag(first, last, true, true);
}
void RT_DISABLE(std::int32_t first, std::int32_t last) {
  vx::set_flag(first, last, true, false);
}
void RT_HIDE(std::int32_t first, std::int32_t last) {
  vx::set_flag(first, last, false, true);
}
void RT_UNHIDE(std::int32_t first, std::int32_t last) {
  vx::set_flag(first, last, false, false);
}

void RT_SetPropS(std::int32_t control, std::int32_t prop, const std::string& value) {
  Window* w = vx::top();
  if (w == nullptr) return;
  w->model->change([&](vx::WindowState& s) {
    if (prop == vx::kPropText && control == 0) {
      s.title = value;
      return;
    }
    vx::ControlState* c = s.control(control);
    if (c == nullptr) return;
    if (prop == vx::kPropText) {
      c->text = value;
    } else if (prop == vx::kPropHint) {
      c->hint = value;
    } else if (prop == vx::kPropSelected) {
      c->selected = std::atoi(value.c_str());
    }
  });
  vx::changed(w->model);
}

std::string RT_GetPropS(std::int32_t control, std::int32_t prop) {
  Window* w = vx::top();
  if (w == nullptr) return "";
  vx::WindowState s = w->model->snapshot();
  if (control == 0) {
    if (prop == vx::kPropText) return s.title;
    if (prop == vx::kPropHandle) return std::to_string(vx::user32::handle_value(s.handle));
    return "";
  }
  const vx::ControlState* c = s.control(control);
  if (c == nullptr) return "";
  switch (prop) {
    case vx::kPropText:
      return c->text;
    case vx::kPropHint:
      return c->hint;
    case vx::kPropSelected:
      return std::to_string(c->selected);
    case vx::kPropEnabled:
      return c->enabled ? "1" : "0";
    default:
      return "";
  }
}

void RT_USE(std::int32_t control, vx::Binding binding) {
  if (Window* w = vx::top()) w->uses[control] = std::move(binding);
}

void RT_FROM(std::int32_t control, vx::ListSource source) {
  if (Window* w = vx::top()) w->sources[control] = std::move(source);
}

std::int32_t RT_ACTIVETHREAD() {
  vx::Models& m = vx::models();
  std::lock_guard<std::mutex> lock(m.mutex);
  for (const auto& w : m.open)
    if (w->id() == m.active) return w->thread();
  return 0;
}

void RT_BEEP(std::int32_t frequency, std::int32_t duration) {
  {
    vx::Models& m = vx::models();
    std::lock_guard<std::mutex> lock(m.mutex);
    ++m.beeps;
  }
  vx::ui::backend().beep();
}
