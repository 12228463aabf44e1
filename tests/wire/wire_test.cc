// Encodings, the socket error report, message writing and reply parsing, without
// sockets.
#include "wire/wire.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/winsock.h"
#include "runtime/msgbox.h"
#include "runtime/ui/backend.h"
#include "tests/wire/scripted_peer.h"
#include "wire/reply_parser.h"
#include "wire/transfer.h"

namespace {

using vx::testing::bytes;
using vx::testing::kEnd;
using vx::testing::le32;
using vx::testing::record_reply;
using vx::testing::status_reply;
using vx::wire::ReplyParser;

TEST(WireEncoding, LongToStringAndBack) {
  EXPECT_EQ(vx::wire::LONGTOSTRING(24), bytes({0x18, 0, 0, 0}));
  EXPECT_EQ(vx::wire::LONGTOSTRING(-1), bytes({0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(vx::wire::LONGTOSTRING(10025), bytes({0x29, 0x27, 0, 0}));
  EXPECT_EQ(vx::wire::STRINGTOLONG(bytes({0x18, 0, 0, 0})), 24);
  EXPECT_EQ(vx::wire::STRINGTOLONG(bytes({0xFF, 0xFF, 0xFF, 0xFF})), -1);
  // A short text is padded with spaces, a long one cut after 4 bytes.
  EXPECT_EQ(vx::wire::STRINGTOLONG("ab"), vx::wire::STRINGTOLONG(bytes({0x61, 0x62, 0x20, 0x20})));
  EXPECT_EQ(vx::wire::STRINGTOLONG("ab"), 0x20206261);
  EXPECT_EQ(vx::wire::STRINGTOLONG("abcdefg"), vx::wire::STRINGTOLONG("abcd"));
  EXPECT_EQ(vx::wire::text_field("", 12), std::string(12, ' '));
  EXPECT_EQ(vx::wire::text_field("0123456789ABCDEF", 12), "0123456789AB");
  EXPECT_EQ(vx::wire::trimmed_length(std::string("ab \0  ", 6)), 4u);  // only 0x20 is cut
}

TEST(SocketErrorText, NamesAndPadding) {
  struct Case {
    std::int32_t code;
    std::string text;
  } cases[] = {
      {10061, "Server: 10061: WSAECONNREFUSED" + std::string(25, ' ')},
      {0, "Server: 0: Unknown Error Code" + std::string(22, ' ')},
      {10101, "Server: 10101: Unknown Error Code" + std::string(22, ' ')},
      {10004, "Server: 10004: WSAEINTR" + std::string(32, ' ')},
      {10035, "Server: 10035: WSAEWOULDBLOCK" + std::string(26, ' ')},
      {10093, "Server: 10093: WSANOTINITIALISED" + std::string(23, ' ')},
      {11004, "Server: 11004: WSANO_DATA" + std::string(30, ' ')},
      {10072, "Server: 10072: Unknown Error Code" + std::string(22, ' ')},
      // Only the low 16 bits count, read as a signed number.
      {0x10000 + 10061, "Server: 10061: WSAECONNREFUSED" + std::string(25, ' ')},
      {-1, "Server: -1: Unknown Error Code" + std::string(22, ' ')},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vx::wire::socket_error_text(c.code), c.text) << c.code;
  }
}

TEST(SocketErrorText, EveryCodeOfTheTableHasItsName) {
  int named = 0;
  for (int code = 10000; code <= 11010; ++code) {
    std::string text = vx::wire::socket_error_text(code);
    ASSERT_EQ(text.size(), std::string("Server: ").size() + 5 + 2 + 40) << code;
    if (text.find("Unknown Error Code") == std::string::npos) ++named;
  }
  EXPECT_EQ(named, 50);
}

TEST(SocketErrorBox, ShowsThreadsLastErrorAsInformation) {
  std::vector<vx::ui::MessageBoxSpec> boxes;
  vx::ui::set_message_box_hook([&](const vx::ui::MessageBoxSpec& b) {
    boxes.push_back(b);
    return vx::kButtonOk;
  });
  WSASetLastError(WSAECONNREFUSED);
  vx::wire::SocketError();
  vx::ui::set_message_box_hook(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Server: 10061: WSAECONNREFUSED" + std::string(25, ' '));
  EXPECT_EQ(boxes[0].title, "WinSock Error");
  EXPECT_EQ(boxes[0].icon, vx::kIconAsterisk);
  EXPECT_EQ(boxes[0].buttons, 0u);
}

// Message writing, seen piece by piece.
struct Piece {
  std::string data;
  bool more;
};

std::vector<Piece> write(const vx::wire::Message& m, int fail_at = -1, bool* sent = nullptr) {
  std::vector<Piece> pieces;
  int index = 0;
  bool ok = vx::wire::write_message(m, [&](const char* d, int n, bool more) {
    pieces.push_back({std::string(d, static_cast<std::size_t>(n)), more});
    return index++ == fail_at ? SOCKET_ERROR : n;
  });
  if (sent) *sent = ok;
  return pieces;
}

TEST(WriteMessage, RequestIsHeaderAndEndMarker) {
  vx::wire::Message m;
  m.action = 24;
  m.file_id = 1;
  std::vector<Piece> pieces = write(m);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].data, bytes({0x18, 0, 0, 0, 1, 0, 0, 0}) + std::string(12, ' '));
  EXPECT_TRUE(pieces[0].more);
  EXPECT_EQ(pieces[1].data, kEnd);
  EXPECT_FALSE(pieces[1].more);
  m.addl_info = "ABCDEFGHIJKLMNOP";  // only the first 12 travel
  EXPECT_EQ(write(m)[0].data.substr(8), "ABCDEFGHIJKL");
}

TEST(WriteMessage, ValuesGoInPiecesOfAtMost1500) {
  struct Case {
    std::size_t length;
    std::vector<std::size_t> pieces;
  } cases[] = {
      {0, {}}, {37, {37}}, {1500, {1500}}, {1501, {1500, 1}}, {3000, {1500, 1500}},
  };
  for (const Case& c : cases) {
    std::string v(c.length, 'v');
    v += std::string(25, ' ');  // trailing spaces do not travel
    vx::wire::Message m;
    m.action = 0;
    m.file_id = 1;
    m.send_values = true;
    m.values = {v};
    std::vector<Piece> pieces = write(m);
    // header, length, pieces..., end marker
    ASSERT_EQ(pieces.size(), 3 + c.pieces.size()) << c.length;
    EXPECT_EQ(pieces[1].data, le32(static_cast<std::int32_t>(c.length)));
    for (std::size_t i = 0; i < c.pieces.size(); ++i) {
      EXPECT_EQ(pieces[2 + i].data.size(), c.pieces[i]) << c.length;
      EXPECT_TRUE(pieces[2 + i].more);
    }
    EXPECT_EQ(pieces.back().data, kEnd);
  }
}

TEST(WriteMessage, FailedSendsEndTheValuesButNotTheEndMarker) {
  vx::wire::Message m;
  m.action = 0;
  m.file_id = 1;
  m.send_values = true;
  std::string big(3000, 'r');
  m.values = {big, "memo"};
  struct Case {
    int fail_at;
    std::size_t pieces;  // written, the failed one and the end marker included
    bool sent;
  } cases[] = {
      {0, 2, true},   // header: no values follow
      {1, 3, true},   // first length
      {2, 4, true},   // first piece of the record
      {3, 5, true},   // second piece
      {6, 7, false},  // the end marker itself
  };
  for (const Case& c : cases) {
    bool sent = true;
    std::vector<Piece> pieces = write(m, c.fail_at, &sent);
    EXPECT_EQ(pieces.size(), c.pieces) << c.fail_at;
    EXPECT_EQ(pieces.back().data, kEnd) << c.fail_at;
    EXPECT_EQ(sent, c.sent) << c.fail_at;
  }
  // With no file number neither header nor values are sent.
  m.file_id = 0;
  std::vector<Piece> pieces = write(m);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].data, kEnd);
}

// Reply parsing.
struct ParseCase {
  const char* name;
  ReplyParser::Mode mode;
  std::string reply;
  ReplyParser::State state;
  std::int32_t code = 0;
  std::string record = "";
  bool has_header = true;
};

ReplyParser parse(ReplyParser::Mode mode, const std::string& reply, std::size_t chunk) {
  ReplyParser p(mode);
  for (std::size_t at = 0; at < reply.size() && !p.done(); at += chunk) {
    p.feed(reply.data() + at, std::min(chunk, reply.size() - at));
  }
  return p;
}

TEST(ReplyParser, FormsAndFaults) {
  using M = ReplyParser::Mode;
  using S = ReplyParser::State;
  std::string rec37(37, 'R');
  std::string with_marker = "ab" + kEnd + "cd";  // an end marker inside a value
  ParseCase cases[] = {
      {"status", M::kStatus, status_reply(0), S::kComplete, 0},
      {"status code", M::kStatus, status_reply(52), S::kComplete, 52},
      {"status negative", M::kStatus, status_reply(-7), S::kComplete, -7},
      {"status then extra", M::kStatus, status_reply(3) + "zz", S::kComplete, 3},
      {"status, marker early", M::kStatus, "ab" + kEnd, S::kMalformed},
      {"status, no marker", M::kStatus, std::string(11, 'x'), S::kMalformed},
      {"record", M::kRecord, record_reply(0, rec37) + status_reply(0), S::kComplete, 0, rec37},
      {"record, empty image", M::kRecord, record_reply(0, "") + status_reply(0), S::kComplete, 0,
       ""},
      {"record, code", M::kRecord, record_reply(33, "old") + status_reply(33), S::kComplete, 33,
       "old"},
      {"record, marker in value", M::kRecord, record_reply(0, with_marker) + status_reply(0),
       S::kComplete, 0, with_marker},
      {"record, three values", M::kRecord,
       vx::testing::header(0) + vx::testing::value("a") + vx::testing::value("b") +
           vx::testing::value("c") + kEnd + status_reply(0),
       S::kComplete, 0, "a"},
      {"record, end marker alone", M::kRecord, kEnd + status_reply(0), S::kComplete, 0, "", false},
      {"record, header cut short", M::kRecord, le32(0) + kEnd + status_reply(0), S::kMalformed},
      {"record, negative length", M::kRecord, vx::testing::header(0) + le32(-5) + "abc" + kEnd,
       S::kMalformed},
      {"record, length past limit", M::kRecord, vx::testing::header(0) + le32(100000) + "abc",
       S::kMalformed},
      {"record, broken marker", M::kRecord,
       vx::testing::header(0) + bytes({9, 9, 5, 9, 2, 2, 8}) + status_reply(0), S::kMalformed},
      {"record, bad status", M::kRecord, record_reply(0, "x") + "1234567890A", S::kMalformed},
      {"record, no status yet", M::kRecord, record_reply(0, "x") + status_reply(0).substr(0, 10),
       S::kGathering},
  };
  for (const ParseCase& c : cases) {
    for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{2000}}) {
      ReplyParser p = parse(c.mode, c.reply, chunk);
      ASSERT_EQ(p.state(), c.state) << c.name << " in pieces of " << chunk;
      if (c.state != S::kComplete) continue;
      EXPECT_EQ(p.code(), c.code) << c.name;
      if (c.mode == M::kRecord) {
        EXPECT_EQ(p.has_header(), c.has_header) << c.name;
        EXPECT_EQ(std::string(p.record()), c.record) << c.name;
      }
    }
  }
}

TEST(ReplyParser, RejectsRepliesPastTheSizeLimit) {
  // Empty values without end: each is well formed, together they pass the limit.
  ReplyParser p(ReplyParser::Mode::kRecord);
  std::string start = vx::testing::header(0);
  p.feed(start.data(), start.size());
  std::string filler(2000, '\0');
  while (!p.done()) p.feed(filler.data(), filler.size());
  EXPECT_NE(p.state(), ReplyParser::State::kComplete);
  EXPECT_LE(p.gathered(), vx::wire::kMaxMessage);
}

TEST(ApplyRecordReply, CopiesCutsPadsOrLeavesAlone) {
  struct Case {
    const char* name;
    std::string reply;
    std::string before;
    std::string after;
    vx::wire::RecordOutcome outcome;
  } cases[] = {
      {"shorter", record_reply(0, "abc") + status_reply(0), "XXXXXXXX", "abc     ",
       vx::wire::RecordOutcome::kCopied},
      {"longer", record_reply(0, "abcdefghijk") + status_reply(0), "XXXXXXXX", "abcdefgh",
       vx::wire::RecordOutcome::kCopied},
      {"all spaces", record_reply(0, "") + status_reply(0), "XXXXXXXX", "        ",
       vx::wire::RecordOutcome::kCopied},
      {"zero bytes kept", record_reply(0, std::string("a\0\0", 3)) + status_reply(0), "XXXXXXXX",
       std::string("a\0\0     ", 8), vx::wire::RecordOutcome::kCopied},
      {"code", record_reply(33, "abc") + status_reply(33), "XXXXXXXX", "XXXXXXXX",
       vx::wire::RecordOutcome::kServerCode},
      {"no header", kEnd + status_reply(0), "XXXXXXXX", "XXXXXXXX",
       vx::wire::RecordOutcome::kNoRecord},
      {"no value", vx::testing::header(0) + kEnd + status_reply(0), "XXXXXXXX", "XXXXXXXX",
       vx::wire::RecordOutcome::kNoRecord},
  };
  for (const Case& c : cases) {
    std::string buf = c.before;
    vx::FCB fcb{};
    fcb.RECORDBUF = reinterpret_cast<std::uintptr_t>(buf.data());
    fcb.RECORDLEN = static_cast<std::int32_t>(buf.size());
    ReplyParser p = parse(ReplyParser::Mode::kRecord, c.reply, 2000);
    ASSERT_EQ(p.state(), ReplyParser::State::kComplete) << c.name;
    EXPECT_EQ(vx::wire::apply_record_reply(p, fcb), c.outcome) << c.name;
    EXPECT_EQ(buf, c.after) << c.name;
  }
}

}  // namespace
