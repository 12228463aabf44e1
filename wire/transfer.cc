#include "wire/transfer.h"

#include <memory>
#include <string>

#include "runtime/msgbox.h"
#include "wire/wire.h"

namespace vx::wire {

namespace {

constexpr int kWriteWaitMs = 10000;  // a peer that takes nothing for this long is gone

bool sent_ok(int result) {
  return result > 0;
}

}  // namespace

bool write_message(const Message& m, const PieceSender& send) {
  bool ok = true;  // whether values may still be sent
  if (m.file_id != 0) {
    std::string header =
        LONGTOSTRING(m.action) + LONGTOSTRING(m.file_id) + text_field(m.addl_info, kAddlInfoSize);
    ok = sent_ok(send(header.data(), static_cast<int>(kHeaderSize), true));
  }
  if (ok && m.send_values && m.file_id != 0) {
    for (std::string_view value : m.values) {
      std::size_t len = trimmed_length(value);
      std::string prefix = LONGTOSTRING(static_cast<std::int32_t>(len));
      if (!sent_ok(send(prefix.data(), 4, true))) break;
      bool piece_failed = false;
      for (std::size_t at = 0; at < len; at += kPieceSize) {
        std::size_t piece = len - at < kPieceSize ? len - at : kPieceSize;
        if (!sent_ok(send(value.data() + at, static_cast<int>(piece), true))) {
          piece_failed = true;
          break;
        }
      }
      if (piece_failed) break;
    }
  }
  return sent_ok(send(kEndMarker, static_cast<int>(kEndMarkerSize), false));
}

PieceSender socket_sender(SOCKET s) {
  bool nonblocking = vx::platform::socket_nonblocking(s);
  return [s, nonblocking](const char* data, int size, bool more) {
    int flags = more ? winsock::kMsgMore : 0;
    if (!nonblocking) return winsock::send(s, data, size, flags);
    int done = 0;
    while (done < size) {
      int n = winsock::send(s, data + done, size - done, flags);
      if (n == SOCKET_ERROR) {
        if (WSAGetLastError() != WSAEWOULDBLOCK || !vx::platform::wait_writable(s, kWriteWaitMs)) {
          return done > 0 ? done : SOCKET_ERROR;
        }
        continue;
      }
      done += n;
    }
    return done;
  };
}

ExchangeResult exchange(SOCKET s, const Message& m, ReplyMode mode, ReplyParser* reply) {
  ExchangeResult result;
  result.sent = write_message(m, socket_sender(s));
  if (!result.sent) {
    SocketError();
    return result;
  }
  if (mode == ReplyMode::kNone) {
    result.complete = true;
    return result;
  }
  // Released on every return.
  auto in = std::make_unique<char[]>(kReadSize);
  if (mode == ReplyMode::kStatus) {
    ReplyParser status(ReplyParser::Mode::kStatus);
    for (;;) {
      int n = winsock::recv(s, in.get(), kReadSize, 0);
      if (n == 0) {
        SocketError();
        return result;
      }
      if (n < 0) return result;
      if (status.feed(in.get(), static_cast<std::size_t>(n)) != ReplyParser::State::kGathering) {
        break;
      }
    }
    result.complete = status.state() == ReplyParser::State::kComplete;
    if (result.complete) result.code = status.code();
    return result;
  }
  ReplyParser local(ReplyParser::Mode::kRecord);
  ReplyParser& record = reply ? *reply : local;
  for (;;) {
    // The read itself waits for data: a separate peek first would find exactly what
    // the read finds (bytes, the closed connection or an error) at one more call per
    // read.
    int n = winsock::recv(s, in.get(), kReadSize, 0);
    if (n == 0) {
      // The server has closed the connection. Asking once is enough: waiting on
      // cannot bring the reply back, so if the user goes on the exchange ends.
      RT_STOP("a");
      return result;
    }
    if (n < 0) return result;
    if (record.feed(in.get(), static_cast<std::size_t>(n)) != ReplyParser::State::kGathering) break;
  }
  result.complete = record.state() == ReplyParser::State::kComplete;
  return result;
}

}  // namespace vx::wire
