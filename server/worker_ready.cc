#include "server/worker_ready.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>

#include "runtime/thread.h"

namespace vx::server {
namespace {
std::mutex g_mu;
std::condition_variable g_cv;
std::set<std::int32_t>& ready() {
  static auto* s = new std::set<std::int32_t>;
  return *s;
}
}  // namespace

void worker_window_open(std::int32_t thread) {
  std::lock_guard<std::mutex> lock(g_mu);
  ready().insert(thread);
  g_cv.notify_all();
}

bool await_worker_window(std::int32_t thread) {
  std::unique_lock<std::mutex> lock(g_mu);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (ready().count(thread) == 0) {
    // A thread that ended (or never started) will not open its window.
    if (!vx::thread_alive(thread)) return false;
    if (g_cv.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                     std::chrono::milliseconds(50))) ==
            std::cv_status::timeout &&
        std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
  }
  ready().erase(thread);
  return true;
}

}  // namespace vx::server
