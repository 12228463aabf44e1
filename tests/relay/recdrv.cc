#include "tests/relay/recdrv.h"

#include <chrono>

#include "runtime/driver_ops.h"

namespace {
recdrv::Log g_log;
}

extern "C" recdrv::Log* recdrv_log() {
  return &g_log;
}

extern "C" std::int32_t ordinal_2(std::int32_t op, vx::FCB* fcb, void* args) {
  std::unique_lock<std::mutex> lock(g_log.mutex);
  std::int32_t mode = -1;
  if (op == vx::kOpOpen && args != nullptr) mode = static_cast<vx::OpenArgs*>(args)->mode;
  g_log.calls.push_back({op, fcb, args, mode});
  if (op == recdrv::kOpRendezvous) {
    ++g_log.inside;
    g_log.cv.notify_all();
    // A deadlock guard only: the overlapping caller normally arrives at once.
    g_log.cv.wait_for(lock, std::chrono::seconds(20), [] { return g_log.inside >= 2; });
    return g_log.inside;
  }
  return g_log.result;
}
