#include "server/connection_queue.h"

#include <mutex>
#include <set>

#include "runtime/error.h"
#include "runtime/queue.h"

namespace vx::server {
namespace {

struct Registry {
  std::mutex mu;
  Queue<ConnectionEntry> table{[](const ConnectionEntry& e) { return e.SOCKETID; }};
  std::set<SOCKET> open;
};

Registry& registry() {
  static Registry* r = new Registry;  // outlives workers still running at exit
  return *r;
}

}  // namespace

void register_connection(SOCKET socket, std::int32_t thread) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mu);
  std::int32_t saved = RT_ERRCODE();
  r.table.buffer.SOCKETID = socket;
  bool found = RT_GETqueuekey(r.table) == kNoError;
  r.table.buffer.SOCKETID = socket;
  r.table.buffer.THREADID = thread;
  if (found) {
    RT_PUTqueuekey(r.table);
  } else {
    RT_ADDqueuekey(r.table);
  }
  r.open.insert(socket);
  RT_seterror(saved);
}

std::int32_t connection_thread(SOCKET socket) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mu);
  std::int32_t saved = RT_ERRCODE();
  r.table.buffer.SOCKETID = socket;
  std::int32_t thread = RT_GETqueuekey(r.table) == kNoError ? r.table.buffer.THREADID : 0;
  RT_seterror(saved);
  return thread;
}

void connection_closed(SOCKET socket) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mu);
  r.open.erase(socket);
}

std::vector<ConnectionEntry> open_connections() {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mu);
  std::vector<ConnectionEntry> out;
  for (const ConnectionEntry& e : r.table) {
    if (r.open.count(e.SOCKETID)) out.push_back(e);
  }
  return out;
}

std::vector<ConnectionEntry> connection_entries() {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mu);
  return std::vector<ConnectionEntry>(r.table.begin(), r.table.end());
}

void free_connections() {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mu);
  RT_FREEqueue(r.table);
  r.open.clear();
}

}  // namespace vx::server
