#include "runtime/thread.h"

#include <pthread.h>
#include <unistd.h>

#include <map>
#include <string>

#include "runtime/thread_internal.h"

namespace vx::rt {
namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::int32_t, std::shared_ptr<ThreadState>> threads;
  std::int32_t last_number = 0;
};

// Never destroyed: threads that outlive main() may still look themselves up.
Registry& registry() {
  static auto* r = new Registry();
  return *r;
}

std::shared_ptr<ThreadState> make_registered() {
  auto state = std::make_shared<ThreadState>();
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  state->number = ++r.last_number;
  r.threads[state->number] = state;
  return state;
}

void unregister(std::int32_t number) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.threads.erase(number);
}

// Holds the calling thread's registration; a thread the runtime did not start is
// forgotten when it ends.
struct Registration {
  std::shared_ptr<ThreadState> state;
  ~Registration() {
    if (state) unregister(state->number);
  }
};
thread_local Registration t_registration;

struct StartBlock {
  std::function<void()> body;
  std::shared_ptr<ThreadState> state;
};

void* thread_main(void* arg) {
  std::unique_ptr<StartBlock> block(static_cast<StartBlock*>(arg));
  t_registration.state = block->state;
  block->body();
  close_thread_windows(*block->state);
  return nullptr;
}

}  // namespace

ThreadState& self() {
  if (!t_registration.state) t_registration.state = make_registered();
  return *t_registration.state;
}

std::shared_ptr<ThreadState> find_thread(std::int32_t number) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.threads.find(number);
  return it == r.threads.end() ? nullptr : it->second;
}

void push(ThreadState& thread, QueueItem item) {
  {
    std::lock_guard<std::mutex> lock(thread.mutex);
    thread.queue.push_back(std::move(item));
  }
  thread.cv.notify_all();
}

QueueItem next_item(ThreadState& thread) {
  std::unique_lock<std::mutex> lock(thread.mutex);
  thread.cv.wait(lock, [&] { return !thread.queue.empty(); });
  QueueItem item = std::move(thread.queue.front());
  thread.queue.pop_front();
  return item;
}

}  // namespace vx::rt

namespace vx {

std::size_t thread_stack_size(std::uint32_t requested) {
  std::size_t size = requested < kMinimumStack ? kMinimumStack : requested;
  long page = sysconf(_SC_PAGESIZE);
  if (page > 0) size = (size + page - 1) / page * page;
  return size;
}

std::int32_t start_thread(std::function<void()> body, std::uint32_t stack_size) {
  auto state = rt::make_registered();
  auto* block = new rt::StartBlock{std::move(body), state};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, thread_stack_size(stack_size));
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t id;
  int rc = pthread_create(&id, &attr, rt::thread_main, block);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete block;
    rt::unregister(state->number);
    return 0;
  }
  return state->number;
}

bool thread_alive(std::int32_t number) {
  return rt::find_thread(number) != nullptr;
}

void modal_wait(const std::function<bool()>& done) {
  rt::ThreadState& st = rt::self();
  std::unique_lock<std::mutex> lock(st.mutex);
  for (;;) {
    if (done()) return;
    auto it = st.queue.begin();
    while (it != st.queue.end() && it->kind != rt::QueueItem::Kind::kMessage) ++it;
    if (it == st.queue.end()) {
      st.cv.wait(lock);
      continue;
    }
    rt::QueueItem item = std::move(*it);
    st.queue.erase(it);
    lock.unlock();
    user32::dispatch_message(item.hwnd, item.message, item.wparam, item.lparam);
    lock.lock();
  }
}

void wake_thread(std::int32_t number) {
  auto st = rt::find_thread(number);
  if (!st) return;
  { std::lock_guard<std::mutex> lock(st->mutex); }
  st->cv.notify_all();
}

}  // namespace vx

std::int32_t RT_START(void (*proc)(), std::uint32_t stack_size) {
  return vx::start_thread([proc] { proc(); }, stack_size);
}

std::int32_t RT_START1(void (*proc)(const char*), std::uint32_t stack_size, const char* text) {
  std::string copy = text != nullptr ? text : "";
  return vx::start_thread([proc, copy] { proc(copy.c_str()); }, stack_size);
}

std::int32_t RT_THREAD() {
  return vx::rt::self().number;
}
