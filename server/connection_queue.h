// ConnectionQueue: the registry of accepted connections, socket -> worker thread.
//
// Contract:
//  - Kept in ascending CQ:SOCKETID through the table's one entry buffer. Entries are
//    never removed: a socket number handed out again finds its old entry, which takes
//    the new worker's thread.
//  - Every use is guarded by one lock (the server window's thread registers and looks
//    up; module end and the window's take-down empty or walk it from other threads).
//  - Beside the table the registry knows which of its sockets are still open, so the
//    server window can close the connections it accepted when it closes.
#ifndef VX_SERVER_CONNECTION_QUEUE_H_
#define VX_SERVER_CONNECTION_QUEUE_H_

#include <cstdint>
#include <vector>

#include "platform/winsock.h"

namespace vx::server {

struct ConnectionEntry {
  std::uint16_t SOCKETID;
  std::int32_t THREADID;
};

// Stores `thread` for `socket` (over its old entry, or as a new one in key order) and
// marks the socket open.
void register_connection(SOCKET socket, std::int32_t thread);
// The worker thread of `socket`; 0 when it has no entry.
std::int32_t connection_thread(SOCKET socket);
// Marks the socket closed; its entry stays.
void connection_closed(SOCKET socket);
// Sockets registered and not yet closed, with their threads.
std::vector<ConnectionEntry> open_connections();
// All entries in key order (for tests and the window).
std::vector<ConnectionEntry> connection_entries();
// Empties the registry (module end).
void free_connections();

}  // namespace vx::server

#endif  // VX_SERVER_CONNECTION_QUEUE_H_
