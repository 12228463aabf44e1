// ConnectionWorker: one per accepted connection, on a thread of its own. It gathers a
// request from its socket on each "data waiting" event (1126), executes it on the
// served file, answers, and logs it; it ends on "connection closed" (1127) or when its
// window closes.
//
// Contract (beyond the request format of server/request.h):
//  - Each request's execution and its reply (the record reply of a 24 too) run under
//    the served file's lock, so workers and the application's own windows never
//    interleave inside one record.
//  - The status reply is 11 bytes: the result code, then the end marker.
//  - Refused without touching the file, answered with code 75 (bad request): a file
//    number other than 1 while no file is selected on this connection; a 44 or 45 with
//    a key number other than 1 while no key is selected; values whose lengths are
//    negative or run past the request (nothing is copied, nothing positioned).
//  - A request that would not fit into 100000 bytes is answered with 75 and the
//    connection is shut down: the stream cannot be resynchronised. The worker then
//    reads and drops whatever still comes until the close.
//  - A 24 answers with the record reply (code in its header, record image and memo as
//    values) and then the status reply; nothing reads the socket in between, so a
//    client's next request is never swallowed.
#ifndef VX_SERVER_WORKER_H_
#define VX_SERVER_WORKER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/winsock.h"
#include "runtime/fcb.h"
#include "server/request.h"

namespace vx::server {

constexpr std::int32_t kEventDataWaiting = 1126;
constexpr std::int32_t kEventConnectionClosed = 1127;
// The key a request's key number 1 selects: SUB:BYMASTERC, second in the key table.
constexpr std::int32_t kByMasterKey = 2;

struct WorkerState {
  explicit WorkerState(SOCKET s) : socket(s), receive(2048, ' ') {}
  SOCKET socket;
  std::vector<char> receive;  // one read lands here; then the status reply is built here
  RequestGatherer gatherer;
  std::string request;
  std::int32_t result_code = 0;
  std::vector<std::string> values;  // PR:REF entries of the request being executed
  FCB* selected_file = nullptr;
  std::int32_t selected_key = 0;
  bool broken = false;  // the stream lost its framing; drop what still comes
};

// One read step: recv, gather, and on a complete request execute, reply and log.
// Returns false once the connection cannot go on.
bool read_step(WorkerState& w);
// The read step after the recv, for `count` bytes already in w.receive: what the fuzz
// target and the tests drive.
bool take_bytes(WorkerState& w, int count);

}  // namespace vx::server

// Executes w.request on the worker's state and sets w.result_code. The caller holds
// the served file's lock.
void ExecuteRequest(vx::server::WorkerState& w);
// Parses the values of w.request into w.values and copies the first into the record
// buffer and the second into the memo when the request names file 1. False (nothing
// copied) when a value length is bad.
bool LoadRequestValues(vx::server::WorkerState& w);
// The thread procedure: `text` is the socket number, blank-padded to 32 characters.
void ConnectionWorker(const char* text);

#endif  // VX_SERVER_WORKER_H_
