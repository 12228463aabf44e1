#include "server/served_file.h"

#include <atomic>
#include <mutex>

namespace vx::server {
namespace {
std::atomic<FCB*> g_file{nullptr};
std::mutex g_mu;
std::function<void(const char*)>& setter() {
  static auto* f = new std::function<void(const char*)>;
  return *f;
}
}  // namespace

void serve_file(FCB* file, std::function<void(const char*)> set_driver_string) {
  std::lock_guard<std::mutex> lock(g_mu);
  setter() = std::move(set_driver_string);
  g_file = file;
}

FCB* served_file() {
  return g_file.load();
}

char* served_memo() {
  FCB* f = served_file();
  const MemoTable* m = f ? memo_table(*f) : nullptr;
  return m && m->count > 0 ? m->memos[0].buffer : nullptr;
}

std::size_t served_memo_size() {
  FCB* f = served_file();
  const MemoTable* m = f ? memo_table(*f) : nullptr;
  return m && m->count > 0 && m->memos[0].buffer ? m->memos[0].size : 0;
}

void set_served_driver_string(const char* text) {
  std::function<void(const char*)> f;
  {
    std::lock_guard<std::mutex> lock(g_mu);
    f = setter();
  }
  if (f) f(text);
}

}  // namespace vx::server
