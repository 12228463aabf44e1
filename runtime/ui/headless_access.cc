// Test access to windows and held message boxes (runtime/ui/headless.h).
#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

#include "runtime/thread.h"
#include "runtime/thread_internal.h"
#include "runtime/ui/headless.h"

namespace vx::ui {
namespace {

struct HeldBoxes {
  std::mutex mutex;
  bool hold = false;
  std::vector<PendingBox> pending;
  std::map<std::int32_t, std::uint32_t> answers;
};

HeldBoxes& held() {
  static auto* h = new HeldBoxes();
  return *h;
}

std::shared_ptr<WindowModel> model_of(std::int32_t thread) {
  std::shared_ptr<WindowModel> found;
  for (const auto& w : open_windows())
    if (w->thread() == thread) found = w;  // the last opened is the current one
  return found;
}

bool act(std::int32_t thread, UserAction action) {
  auto model = model_of(thread);
  return model && send_user_action(model->id(), std::move(action));
}

}  // namespace

// Called by the headless back end; true when the box was held and answered.
bool wait_held_box(const MessageBoxSpec& box, std::uint32_t* answer) {
  HeldBoxes& h = held();
  std::int32_t me = RT_THREAD();
  {
    std::lock_guard<std::mutex> lock(h.mutex);
    if (!h.hold) return false;
    h.pending.push_back(PendingBox{me, box});
  }
  rt::notify_models_changed();
  modal_wait([&] {
    std::lock_guard<std::mutex> lock(h.mutex);
    return h.answers.count(me) != 0;
  });
  std::lock_guard<std::mutex> lock(h.mutex);
  *answer = h.answers[me];
  h.answers.erase(me);
  return true;
}

std::vector<WindowState> windows() {
  std::vector<WindowState> out;
  for (const auto& w : open_windows()) out.push_back(w->snapshot());
  return out;
}

std::optional<WindowState> find_window(std::int32_t thread) {
  auto model = model_of(thread);
  if (!model) return std::nullopt;
  return model->snapshot();
}

bool wait_until(const std::function<bool()>& done, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    std::uint64_t seen = model_version();
    if (done()) return true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    // Re-check at least every 50 ms: some conditions change without a model change.
    wait_model_change(seen, static_cast<int>(std::min<long long>(left.count(), 50)));
  }
}

std::optional<WindowState> wait_window(std::int32_t thread, const std::string& title,
                                       int timeout_ms) {
  std::optional<WindowState> found;
  wait_until(
      [&] {
        found = find_window(thread);
        return found && (title.empty() || found->title == title);
      },
      timeout_ms);
  if (found && !title.empty() && found->title != title) return std::nullopt;
  return found;
}

bool press(std::int32_t thread, std::int32_t control) {
  return act(thread, UserAction{UserAction::kPress, control, "", 0});
}

bool type(std::int32_t thread, std::int32_t control, const std::string& text) {
  return act(thread, UserAction{UserAction::kType, control, text, 0});
}

bool select(std::int32_t thread, std::int32_t control, std::int32_t row) {
  return act(thread, UserAction{UserAction::kSelect, control, "", row});
}

bool close_window(std::int32_t thread) {
  return act(thread, UserAction{UserAction::kClose, 0, "", 0});
}

bool activate(std::int32_t thread) {
  auto model = model_of(thread);
  if (!model) return false;
  set_active_window(model->id());
  return true;
}

int beeps() {
  return rt::beep_count();
}

std::vector<std::pair<std::int32_t, std::int32_t>> standard_actions() {
  return rt::standard_actions_done();
}

void hold_message_boxes(bool hold) {
  std::lock_guard<std::mutex> lock(held().mutex);
  held().hold = hold;
}

std::vector<PendingBox> pending_boxes() {
  std::lock_guard<std::mutex> lock(held().mutex);
  return held().pending;
}

bool answer_box(std::int32_t thread, std::uint32_t button) {
  HeldBoxes& h = held();
  {
    std::lock_guard<std::mutex> lock(h.mutex);
    auto it = std::find_if(h.pending.begin(), h.pending.end(),
                           [&](const PendingBox& p) { return p.thread == thread; });
    if (it == h.pending.end()) return false;
    h.pending.erase(it);
    h.answers[thread] = button;
  }
  wake_thread(thread);
  return true;
}

}  // namespace vx::ui
