// Inside the runtime: a thread's state and queue, shared by threads, events and
// windows. Not for programs.
#ifndef VX_RUNTIME_THREAD_INTERNAL_H_
#define VX_RUNTIME_THREAD_INTERNAL_H_

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/user32.h"
#include "runtime/window.h"

namespace vx::rt {

struct QueueItem {
  enum class Kind { kMessage, kEvent, kAction } kind = Kind::kEvent;
  // kMessage
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  // kEvent
  std::int32_t event = 0;
  std::int32_t control = 0;
  // kAction
  std::uint64_t window = 0;
  UserAction action;
};

struct ThreadState {
  std::int32_t number = 0;

  std::mutex mutex;
  std::condition_variable cv;
  std::deque<QueueItem> queue;       // guarded by mutex
  std::atomic<int> open_windows{0};  // RT_POST drops events while this is 0

  // Touched by the owning thread only.
  std::vector<Window*> windows;  // opened order; the last is current
  std::int32_t event = 0;
  std::int32_t field = 0;
};

// The calling thread's state, registered (and numbered) on first use.
ThreadState& self();
std::shared_ptr<ThreadState> find_thread(std::int32_t number);
void push(ThreadState& thread, QueueItem item);
// Waits for and removes the next item of the calling thread's queue.
QueueItem next_item(ThreadState& thread);

// Counters the test access reads (window.cc).
int beep_count();
std::vector<std::pair<std::int32_t, std::int32_t>> standard_actions_done();

// Wakes everyone waiting for a change of the windows (window.cc).
void notify_models_changed();

// Closes every window the ending thread still has (window.cc).
void close_thread_windows(ThreadState& thread);

}  // namespace vx::rt

#endif  // VX_RUNTIME_THREAD_INTERNAL_H_
