// A runtime thread that opens a window and records every event its loop delivers.
#ifndef VX_TESTS_RUNTIME_WINDOW_FIXTURE_H_
#define VX_TESTS_RUNTIME_WINDOW_FIXTURE_H_

#include <atomic>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "runtime/thread.h"
#include "runtime/ui/headless.h"
#include "runtime/window.h"

namespace vx::testing {

struct EventSeen {
  std::int32_t event;
  std::int32_t field;
  bool operator==(const EventSeen&) const = default;
};

class WindowThread {
 public:
  // `on_event` runs on the window's thread for each event; `setup` after the open.
  explicit WindowThread(WindowDef def, std::function<void()> setup = {},
                        std::function<void(const EventSeen&)> on_event = {}) {
    number_ = start_thread(
        [this, def = std::move(def), setup = std::move(setup), on_event = std::move(on_event)] {
          RT_OPENwindow(def);
          if (setup) setup();
          while (RT_ACCEPT()) {
            EventSeen e{RT_EVENT(), RT_FIELD()};
            {
              std::lock_guard<std::mutex> lock(mutex_);
              events_.push_back(e);
            }
            if (on_event) on_event(e);
          }
          RT_CLOSEwindow();
          done_ = true;
        },
        0);
  }
  ~WindowThread() {
    if (!done_) ui::close_window(number_);
    ui::wait_until([this] { return done_.load(); });
  }

  std::int32_t number() const { return number_; }
  bool done() const { return done_; }
  std::vector<EventSeen> events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  // Waits until `e` has been delivered.
  bool wait_event(EventSeen e) {
    return ui::wait_until([&] {
      auto all = events();
      for (const auto& x : all)
        if (x == e) return true;
      return false;
    });
  }
  bool wait_closed() {
    return ui::wait_until([this] { return done_.load(); });
  }

 private:
  std::int32_t number_ = 0;
  std::atomic<bool> done_{false};
  std::mutex mutex_;
  std::vector<EventSeen> events_;
};

}  // namespace vx::testing

#endif  // VX_TESTS_RUNTIME_WINDOW_FIXTURE_H_
