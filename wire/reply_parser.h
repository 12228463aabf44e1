// Gathers one reply from the bytes that arrive on the link, in pieces of any size,
// and checks its form before anything in it is used. Needs no socket, so it can be
// fed bytes directly.
//
// Status mode: the reply is the 11-byte status reply (4-byte code, end marker).
// Record mode: a record reply, then the status reply that always follows it. A
// record reply is the 20-byte header (its first 4 bytes the code), values of a 4-byte
// length and that many bytes, and the end marker; a sender with no file to send
// sends the end marker alone. The reply is walked by its lengths, so an end marker
// that happens to occur inside a value is not taken for the end.
//
// A value length that is negative or runs past the size limit, a header cut short by
// the end marker, or a status reply of another form makes the reply Malformed; more
// than kMaxMessage bytes without completing it makes it TooLong. Either way nothing
// of it may be used. Bytes after a complete reply are ignored.
#ifndef VX_WIRE_REPLY_PARSER_H_
#define VX_WIRE_REPLY_PARSER_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "runtime/fcb.h"

namespace vx::wire {

class ReplyParser {
 public:
  enum class Mode { kStatus, kRecord };
  enum class State { kGathering, kComplete, kMalformed, kTooLong };

  explicit ReplyParser(Mode mode);

  // Takes the next bytes of the reply; returns the state after them.
  State feed(const char* data, std::size_t size);

  State state() const { return state_; }
  Mode mode() const { return mode_; }
  bool done() const { return state_ != State::kGathering; }
  std::size_t gathered() const { return buffer_.size(); }

  // Complete replies only. Status mode: the status reply's code. Record mode: the code
  // in the record reply's header (0 when the reply had no header).
  std::int32_t code() const { return code_; }
  // Record mode: whether the record reply carried a header (it was more than the end
  // marker alone), and its first value, as received.
  bool has_header() const { return has_header_; }
  bool has_record() const { return record_size_ >= 0; }
  std::string_view record() const;
  // Record mode: the code of the status reply after the record reply.
  std::int32_t status_code() const { return status_code_; }

 private:
  void advance();
  // Walks the record reply from scan_; true when its end has been found.
  bool scan_record_reply();
  // Checks the status reply that starts at `start`; true when it is complete.
  bool scan_status_reply(std::size_t start, std::int32_t* code);
  void finish(State s) { state_ = s; }

  Mode mode_;
  State state_ = State::kGathering;
  std::vector<char> buffer_;    // everything gathered, at most kMaxMessage bytes
  std::size_t scan_ = 0;        // record mode: where the next length or end marker starts
  std::size_t record_end_ = 0;  // record mode: one past the record reply's end marker
  bool record_done_ = false;
  bool has_header_ = false;
  std::int32_t code_ = 0;
  std::int32_t status_code_ = 0;
  std::size_t record_offset_ = 0;
  std::int64_t record_size_ = -1;  // -1: no first value
};

// What a complete record reply means for the file it was read for.
enum class RecordOutcome {
  kCopied,      // code 0: the record was copied into the record buffer
  kServerCode,  // a non-zero code: the buffer was left alone
  kNoRecord,    // no header or no record value: nothing usable arrived
};

// Applies a complete record-mode reply to the file: with code 0 its first value goes
// into RECORDBUF (RECORDLEN bytes: cut, or padded with spaces); otherwise the buffer
// is not touched. A non-positive RECORDLEN or a missing buffer takes nothing.
RecordOutcome apply_record_reply(const ReplyParser& reply, const vx::FCB& fcb);

}  // namespace vx::wire

#endif  // VX_WIRE_REPLY_PARSER_H_
