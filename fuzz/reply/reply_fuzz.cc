// Feeds arbitrary bytes to the reply parser, in arbitrary pieces, in both modes, and
// applies what it accepts to a record buffer. The sanitizers catch any read or write
// past a buffer; the checks below catch a parser that accepts what it should not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "wire/reply_parser.h"
#include "wire/wire.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  auto mode =
      (data[0] & 1) ? vx::wire::ReplyParser::Mode::kRecord : vx::wire::ReplyParser::Mode::kStatus;
  std::size_t chunk = 1 + data[1] % 64;  // pieces of 1 to 64 bytes, as reads may bring them
  data += 2;
  size -= 2;

  vx::wire::ReplyParser parser(mode);
  for (std::size_t at = 0; at < size && !parser.done(); at += chunk) {
    std::size_t n = size - at < chunk ? size - at : chunk;
    parser.feed(reinterpret_cast<const char*>(data + at), n);
  }
  check(parser.gathered() <= vx::wire::kMaxMessage);
  if (parser.state() != vx::wire::ReplyParser::State::kComplete) return 0;

  if (mode == vx::wire::ReplyParser::Mode::kStatus) {
    check(parser.gathered() >= vx::wire::kStatusReplySize);
    return 0;
  }
  std::string_view record = parser.record();
  if (parser.has_record()) {
    // The value lies inside what was gathered.
    check(record.size() < vx::wire::kMaxMessage);
  }
  // A small record buffer with guard bytes on both sides.
  constexpr std::size_t kLen = 37;
  char area[kLen + 16];
  std::memset(area, 0x5A, sizeof area);
  vx::FCB fcb{};
  fcb.RECORDBUF = reinterpret_cast<std::uintptr_t>(area + 8);
  fcb.RECORDLEN = kLen;
  vx::wire::RecordOutcome outcome = vx::wire::apply_record_reply(parser, fcb);
  for (std::size_t i = 0; i < 8; ++i) check(area[i] == 0x5A && area[8 + kLen + i] == 0x5A);
  if (outcome != vx::wire::RecordOutcome::kCopied) {
    for (std::size_t i = 0; i < kLen; ++i) check(area[8 + i] == 0x5A);  // untouched
  } else {
    check(parser.code() == 0 && parser.has_record());
    std::size_t take = record.size() < kLen ? record.size() : kLen;
    check(std::memcmp(area + 8, record.data(), take) == 0);
    for (std::size_t i = take; i < kLen; ++i) check(area[8 + i] == ' ');
  }
  return 0;
}
