#include "wire/reply_parser.h"

#include <algorithm>
#include <cstring>

#include "wire/wire.h"

namespace vx::wire {

namespace {

bool is_end_marker(const char* p) {
  return std::memcmp(p, kEndMarker, kEndMarkerSize) == 0;
}

// The first 4 bytes of the end marker read as a length are far beyond any message, so
// at a value boundary they can only begin the end marker.
bool starts_end_marker(const char* p) {
  return std::memcmp(p, kEndMarker, 4) == 0;
}

}  // namespace

ReplyParser::ReplyParser(Mode mode) : mode_(mode) {
  buffer_.reserve(2048);
}

ReplyParser::State ReplyParser::feed(const char* data, std::size_t size) {
  if (done() || size == 0) return state_;
  std::size_t room = kMaxMessage - buffer_.size();
  buffer_.insert(buffer_.end(), data, data + std::min(size, room));
  advance();
  if (state_ == State::kGathering && buffer_.size() >= kMaxMessage) finish(State::kTooLong);
  return state_;
}

std::string_view ReplyParser::record() const {
  if (record_size_ < 0) return {};
  return std::string_view(buffer_.data() + record_offset_, static_cast<std::size_t>(record_size_));
}

void ReplyParser::advance() {
  if (mode_ == Mode::kStatus) {
    if (scan_status_reply(0, &code_)) finish(State::kComplete);
    return;
  }
  if (!record_done_) {
    if (!scan_record_reply()) return;
    record_done_ = true;
  }
  if (state_ == State::kGathering && scan_status_reply(record_end_, &status_code_)) {
    finish(State::kComplete);
  }
}

bool ReplyParser::scan_status_reply(std::size_t start, std::int32_t* code) {
  if (state_ != State::kGathering) return false;
  const char* p = buffer_.data() + start;
  std::size_t n = buffer_.size() - start;
  // An end marker anywhere but after the 4-byte code: not a status reply.
  std::size_t limit = std::min(n, kStatusReplySize);
  for (std::size_t i = 0; i + kEndMarkerSize <= limit; ++i) {
    if (is_end_marker(p + i) && i != 4) {
      finish(State::kMalformed);
      return false;
    }
  }
  if (n < kStatusReplySize) return false;
  if (!is_end_marker(p + 4)) {
    finish(State::kMalformed);
    return false;
  }
  *code = STRINGTOLONG(std::string_view(p, 4));
  return true;
}

bool ReplyParser::scan_record_reply() {
  const char* p = buffer_.data();
  std::size_t n = buffer_.size();
  if (!has_header_) {
    // The end marker alone: the sender had no file to send.
    if (n >= kEndMarkerSize && is_end_marker(p)) {
      record_end_ = kEndMarkerSize;
      return true;
    }
    std::size_t limit = std::min(n, kHeaderSize);
    for (std::size_t i = 0; i + kEndMarkerSize <= limit; ++i) {
      if (is_end_marker(p + i)) {
        finish(State::kMalformed);  // a header cut short
        return false;
      }
    }
    if (n < kHeaderSize) return false;
    has_header_ = true;
    code_ = STRINGTOLONG(std::string_view(p, 4));
    scan_ = kHeaderSize;
  }
  for (;;) {
    std::size_t left = n - scan_;
    if (left < 4) return false;
    if (starts_end_marker(p + scan_)) {
      if (left < kEndMarkerSize) return false;
      if (!is_end_marker(p + scan_)) {
        finish(State::kMalformed);
        return false;
      }
      record_end_ = scan_ + kEndMarkerSize;
      return true;
    }
    std::int32_t length = STRINGTOLONG(std::string_view(p + scan_, 4));
    // The value, the end marker and the status reply must all fit in the limit.
    if (length < 0 || static_cast<std::uint64_t>(scan_) + 4 + static_cast<std::uint64_t>(length) +
                              kEndMarkerSize + kStatusReplySize >
                          kMaxMessage) {
      finish(State::kMalformed);
      return false;
    }
    std::size_t value_end = scan_ + 4 + static_cast<std::size_t>(length);
    if (n < value_end) return false;
    if (record_size_ < 0) {
      record_offset_ = scan_ + 4;
      record_size_ = length;
    }
    scan_ = value_end;
  }
}

RecordOutcome apply_record_reply(const ReplyParser& reply, const vx::FCB& fcb) {
  if (!reply.has_header()) return RecordOutcome::kNoRecord;
  if (reply.code() != 0) return RecordOutcome::kServerCode;
  if (!reply.has_record()) return RecordOutcome::kNoRecord;
  char* buf = vx::record_buffer(fcb);
  std::int32_t len = fcb.RECORDLEN;
  if (buf == nullptr || len <= 0) return RecordOutcome::kCopied;
  std::string_view value = reply.record();
  std::size_t size = static_cast<std::size_t>(len);
  std::size_t take = std::min(value.size(), size);
  std::memcpy(buf, value.data(), take);
  std::memset(buf + take, ' ', size - take);
  return RecordOutcome::kCopied;
}

}  // namespace vx::wire
