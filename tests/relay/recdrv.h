// A recording driver for the relay's tests: its entry (export ordinal 2) records each
// call's operation, FCB address and argument pointer and returns a chosen result.
// Built twice (librecdrv.so, librecdrv2.so) so tests can tell two libraries apart.
#ifndef VX_TESTS_RELAY_RECDRV_H_
#define VX_TESTS_RELAY_RECDRV_H_

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "runtime/fcb.h"

namespace recdrv {

// Operation that waits (up to 20 s) until a second caller is inside the entry too, and
// returns the number of callers seen inside: 2 when two calls overlap, 1 when not.
constexpr std::int32_t kOpRendezvous = 900;

struct Call {
  std::int32_t op;
  vx::FCB* fcb;
  void* args;
  std::int32_t open_mode;  // OpenArgs::mode for op 25 with args, else -1
};

struct Log {
  std::mutex mutex;
  std::vector<Call> calls;
  std::int32_t result = 0;  // what the entry returns
  std::condition_variable cv;
  int inside = 0;  // callers waiting in the rendezvous

  void reset() {
    std::lock_guard<std::mutex> lock(mutex);
    calls.clear();
    result = 0;
    inside = 0;
  }
  std::vector<Call> snapshot() {
    std::lock_guard<std::mutex> lock(mutex);
    return calls;
  }
};

}  // namespace recdrv

// Exported by each recording library: its own log.
extern "C" recdrv::Log* recdrv_log();

#endif  // VX_TESTS_RELAY_RECDRV_H_
