// The transfer core both builds of VX_SENDREQUEST stand on: write one message on a
// connected socket, then gather the answer the caller expects.
//
// Writing: the 20-byte header (only when the file number is not 0), then each value
// as its 4-byte length without trailing spaces and its bytes in pieces of at most
// 1500, then the 7-byte end marker. Every piece but the end marker goes out with
// "more follows", so the stack sends one message in as few segments as it can; the
// bytes are the same either way. A header or value send that fails ends the values,
// and the end marker is still sent; a failed end-marker send is reported once with
// SocketError and nothing is read.
//
// Reading: in record mode a read that finds the connection closed (where the relay
// would have peeked and found it) shows the stop prompt "a" once and, if the user goes
// on, ends the exchange. Status mode reports a read that finds the
// connection closed with SocketError. A read error, a closed connection, a reply that
// is malformed or over the size limit ends the exchange as broken.
#ifndef VX_WIRE_TRANSFER_H_
#define VX_WIRE_TRANSFER_H_

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/winsock.h"
#include "wire/reply_parser.h"

namespace vx::wire {

struct Message {
  std::int32_t action = 0;
  std::int32_t file_id = 0;  // 0: no header and no values are sent
  std::string_view addl_info;
  bool send_values = false;
  std::vector<std::string_view> values;  // sent only with send_values and a file number
};

// Sends one piece of a message: returns the send's result (bytes sent, 0 or
// SOCKET_ERROR). `more` is true for every piece but the last.
using PieceSender = std::function<int(const char* data, int size, bool more)>;

// Writes `m` piece by piece through `send`. Returns whether the end marker went out.
bool write_message(const Message& m, const PieceSender& send);

// The sender for a socket: blocking sockets queue each piece whole; on a
// non-blocking one a piece that does not fit at once is finished after waiting for
// room.
PieceSender socket_sender(SOCKET s);

enum class ReplyMode {
  kNone,    // send only
  kStatus,  // a status reply
  kRecord,  // a record reply, then a status reply
};

struct ExchangeResult {
  bool sent = false;      // the end marker went out
  bool complete = false;  // the whole expected reply arrived in good form
  std::int32_t code = 0;  // status mode: the status reply's code
};

// One exchange on `s`. In record mode `reply` receives the gathered reply.
ExchangeResult exchange(SOCKET s, const Message& m, ReplyMode mode, ReplyParser* reply = nullptr);

}  // namespace vx::wire

#endif  // VX_WIRE_TRANSFER_H_
