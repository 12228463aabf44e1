// VX_SENDREQUEST in both builds against a scripted peer on loopback: the bytes that
// go out, and what the replies that come back do to the file.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <string>
#include <vector>

#include "platform/winsock.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "runtime/ui/backend.h"
#include "tests/wire/scripted_peer.h"
#include "wire/relay_build.h"
#include "wire/server_build.h"
#include "wire/wire.h"

namespace {

using vx::testing::kEnd;
using vx::testing::le32;
using vx::testing::record_reply;
using vx::testing::request;
using vx::testing::ScriptedPeer;
using vx::testing::status_reply;
using Step = ScriptedPeer::Step;

class TransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(0x0101, &data), 0);
    vx::ui::set_message_box_hook([this](const vx::ui::MessageBoxSpec& b) {
      boxes.push_back(b);
      return b.title == "Stop" ? vx::kButtonIgnore : vx::kButtonOk;  // go on
    });
    record.assign(602, 'X');
    fcb.RECORDBUF = reinterpret_cast<std::uintptr_t>(record.data());
    fcb.RECORDLEN = static_cast<std::int32_t>(record.size());
    RT_seterror(0);
    vx::wire::VX_LASTERRORCODE = -99;
  }
  void TearDown() override {
    vx::ui::set_message_box_hook(nullptr);
    WSACleanup();
  }

  // Connects to `peer` and lets it play `steps`.
  SOCKET start(ScriptedPeer& peer, std::vector<Step> steps) {
    EXPECT_TRUE(peer.listening());
    SOCKET s = vx::testing::connect_client(peer.port());
    EXPECT_NE(s, INVALID_SOCKET);
    peer.play(std::move(steps), vx::platform::socket_descriptor(s));
    return s;
  }

  std::int32_t send_request(SOCKET s, std::int32_t op, bool recvfile = false) {
    return vx::wire::relay_build::VX_SENDREQUEST(fcb, s, op, "", "SUBJECT", false, recvfile);
  }

  std::vector<vx::ui::MessageBoxSpec> boxes;
  std::string record;
  vx::FCB fcb{};
};

TEST_F(TransferTest, StatusRequestsAre27BytesAndReturnTheCode) {
  struct Case {
    std::int32_t op;
    std::int32_t code;
  } cases[] = {{25, 0}, {41, 0}, {7, 0}, {25, vx::kFileAlreadyOpen}, {7, -1}};
  for (const Case& c : cases) {
    ScriptedPeer peer;
    SOCKET s = start(peer, {{27, {status_reply(c.code)}}});
    EXPECT_EQ(send_request(s, c.op), c.code) << c.op;
    peer.join();
    EXPECT_EQ(peer.received(), vx::testing::header(c.op) + kEnd);
    EXPECT_EQ(peer.received().size(), 27u);
    EXPECT_EQ(RT_ERRCODE(), 0);  // the caller decides what a status code means
    winsock::closesocket(s);
  }
  EXPECT_TRUE(boxes.empty());
}

// The worked example: a record whose last non-blank byte is its 37th and an empty
// memo come back as a 72-byte record reply, then the 11-byte status reply.
TEST_F(TransferTest, NextCopiesTheRecordHoweverTheReplyArrives) {
  std::string image(37, 'A');
  image[36] = 'z';
  std::string reply = record_reply(0, image);
  ASSERT_EQ(reply.size(), 72u);
  struct Case {
    const char* name;
    Step step;
  } cases[] = {
      {"record, then status", {27, {reply, status_reply(0)}}},
      {"both in one read", {27, {reply + status_reply(0)}}},
      {"one byte per read", {27, {reply, status_reply(0)}, /*drip=*/true}},
  };
  for (const Case& c : cases) {
    record.assign(602, 'X');
    RT_seterror(0);
    ScriptedPeer peer;
    // A close follows, to show that nothing of the NEXT was left unread.
    SOCKET s = start(peer, {c.step, {27, {status_reply(0)}}});
    EXPECT_EQ(send_request(s, 24, true), 0) << c.name;
    EXPECT_EQ(RT_ERRCODE(), 0) << c.name;
    EXPECT_EQ(record, image + std::string(602 - 37, ' ')) << c.name;
    EXPECT_EQ(vx::wire::VX_LASTERRORCODE, 0);
    EXPECT_EQ(send_request(s, 7), 0) << c.name;
    peer.join();
    EXPECT_EQ(peer.received(), request(24) + request(7)) << c.name;
    winsock::closesocket(s);
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(TransferTest, NonzeroCodeLeavesTheBufferAsItWas) {
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<char>(i * 7);
  const std::string before = record;
  ScriptedPeer peer;
  SOCKET s = start(peer, {{27,
                           {record_reply(vx::kRecordNotAvailable, "stale record", "memo"),
                            status_reply(vx::kRecordNotAvailable)}}});
  EXPECT_EQ(send_request(s, 24, true), 0);
  peer.join();
  EXPECT_EQ(record, before);
  EXPECT_EQ(RT_ERRCODE(), vx::kRecordNotAvailable);
  EXPECT_EQ(vx::wire::VX_LASTERRORCODE, vx::kRecordNotAvailable);
  winsock::closesocket(s);
}

// An exchange that breaks changes nothing and tells the caller the file could not be
// reached; no receive goes past a buffer whatever the server sends.
TEST_F(TransferTest, BrokenNextLeavesTheBufferAndSetsFileSystemError) {
  std::string full = record_reply(0, std::string(37, 'N'));
  std::string huge = vx::testing::header(0) + std::string(100000, '\0');  // empty values, no end
  struct Case {
    const char* name;
    Step step;
    bool stop_prompt;  // the server closed the connection under the read
  } cases[] = {
      {"closed before the reply", {27, {}, false, true}, true},
      {"record reply cut off", {27, {full.substr(0, 30)}, false, true}, true},
      {"status reply missing", {27, {full}, false, true}, true},
      {"negative length", {27, {vx::testing::header(0) + le32(-5) + "abcde" + kEnd}}, false},
      {"length past the limit", {27, {vx::testing::header(0) + le32(200000) + "abc"}}, false},
      {"over 100000 bytes", {27, {huge}}, false},
      {"end marker alone", {27, {kEnd + status_reply(0)}}, false},
  };
  for (const Case& c : cases) {
    record.assign(602, 'X');
    RT_seterror(0);
    vx::wire::VX_LASTERRORCODE = -99;
    boxes.clear();
    ScriptedPeer peer;
    SOCKET s = start(peer, {c.step});
    EXPECT_EQ(send_request(s, 24, true), 0) << c.name;
    EXPECT_EQ(RT_ERRCODE(), vx::kFileSystemError) << c.name;
    EXPECT_EQ(record, std::string(602, 'X')) << c.name;
    EXPECT_EQ(vx::wire::VX_LASTERRORCODE, -99) << c.name;
    if (c.stop_prompt) {
      ASSERT_EQ(boxes.size(), 1u) << c.name;  // asked once, not again and again
      EXPECT_EQ(boxes[0].text, "a");
    } else {
      EXPECT_TRUE(boxes.empty()) << c.name;
    }
    winsock::closesocket(s);
    peer.join();
  }
}

TEST_F(TransferTest, StatusReadOnClosedConnectionIsReported) {
  ScriptedPeer peer;
  SOCKET s = start(peer, {{27, {}, false, true}});
  WSASetLastError(0);
  EXPECT_EQ(send_request(s, 25), 0);
  peer.join();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "WinSock Error");
  EXPECT_EQ(boxes[0].text, vx::wire::socket_error_text(0));
  EXPECT_EQ(RT_ERRCODE(), vx::kFileSystemError);
  winsock::closesocket(s);
}

TEST_F(TransferTest, FailedEndMarkerSendIsReportedOnceAndNothingIsRead) {
  ScriptedPeer peer;
  // The peer answers at once, so a read would find a reply waiting.
  SOCKET s = start(peer, {{0, {status_reply(0)}}});
  peer.join();
  int fd = vx::platform::socket_descriptor(s);
  ASSERT_EQ(::shutdown(fd, SHUT_WR), 0);  // every send on it now fails
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 5000), 1);

  EXPECT_EQ(send_request(s, 25), 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "WinSock Error");
  EXPECT_EQ(boxes[0].text, vx::wire::socket_error_text(WSAECONNRESET));
  EXPECT_EQ(RT_ERRCODE(), vx::kFileSystemError);
  int queued = 0;
  ASSERT_EQ(::ioctl(fd, FIONREAD, &queued), 0);
  EXPECT_EQ(queued, 11);  // the reply is still there: nothing was read
  EXPECT_EQ(peer.drain(), "");
  winsock::closesocket(s);
}

// The server's build: a reply built from the file itself.
struct ServerFile {
  explicit ServerFile(const char* label, std::size_t record_len = 602, std::size_t memo_len = 1000)
      : record(record_len, ' '), memo(memo_len, ' ') {
    field.label = label;
    field.type = vx::FieldType::kString;
    field.size = static_cast<std::uint32_t>(record_len);
    type = {1, &field};
    memo_desc.label = "SUB:COMMENT";
    memo_desc.size = static_cast<std::uint32_t>(memo_len);
    memo_desc.buffer = memo.data();
    memos = {1, &memo_desc};
    fcb.TDESC = reinterpret_cast<std::uintptr_t>(label ? &type : nullptr);
    fcb.MDESC = reinterpret_cast<std::uintptr_t>(&memos);
    fcb.RECORDBUF = reinterpret_cast<std::uintptr_t>(record.data());
    fcb.RECORDLEN = static_cast<std::int32_t>(record_len);
  }
  std::string record, memo;
  vx::FieldDesc field{};
  vx::TypeDesc type{};
  vx::MemoDesc memo_desc{};
  vx::MemoTable memos{};
  vx::FCB fcb{};
};

// Sends the server build's NEXT reply for `file` and returns what the peer got.
std::string server_reply(ServerFile& file, std::int32_t code, std::size_t expect) {
  ScriptedPeer peer;  // stands in for the relay
  SOCKET s = vx::testing::connect_client(peer.port());
  peer.play({{expect, {}}});
  unsigned long on = 1;
  winsock::ioctlsocket(s, winsock::kFionbio, &on);  // as the server's worker has it
  vx::wire::server_build::VX_SENDREQUEST(s, code, &file.fcb, "", true, false, false);
  peer.join();
  winsock::closesocket(s);
  return peer.received() + peer.drain();
}

TEST_F(TransferTest, ServerBuildSendsTheSubjectFileOnly) {
  struct Case {
    const char* label;
    bool subject;
  } cases[] = {
      {"SUB:MASTERC", true}, {"sub:masterc", true},  {"Sub:MasterC", true},
      {"SUB:MASTER", false}, {"CQ:SOCKETID", false}, {nullptr, false},
  };
  for (const Case& c : cases) {
    ServerFile file(c.label);
    file.record.replace(0, 37, std::string(37, 'S'));
    file.memo.replace(0, 4, "note");
    std::string expected = c.subject ? record_reply(33, std::string(37, 'S'), "note") : kEnd;
    EXPECT_EQ(server_reply(file, 33, expected.size()), expected) << (c.label ? c.label : "none");
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(TransferTest, ServerBuildValuesOfPieceSizes) {
  for (std::size_t len : {std::size_t{1500}, std::size_t{1501}, std::size_t{3000}}) {
    ServerFile file("SUB:MASTERC", len, 1501);
    for (std::size_t i = 0; i < len; ++i) file.record[i] = static_cast<char>('a' + i % 26);
    file.memo.assign(1501, 'm');
    std::string expected = record_reply(0, file.record, file.memo);
    EXPECT_EQ(server_reply(file, 0, expected.size()), expected) << len;
  }
}

// After its reply the server must not read: the client's next request may already be
// waiting, and it belongs to the worker.
TEST_F(TransferTest, ServerBuildWithoutReplyReadLeavesTheNextRequest) {
  ServerFile file("SUB:MASTERC");
  ScriptedPeer peer;
  SOCKET s = vx::testing::connect_client(peer.port());
  peer.play({{0, {request(24)}}, {35, {}}});
  int fd = vx::platform::socket_descriptor(s);
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 5000), 1);
  unsigned long on = 1;
  winsock::ioctlsocket(s, winsock::kFionbio, &on);
  EXPECT_EQ(vx::wire::server_build::VX_SENDREQUEST(s, 0, &file.fcb, "", true, false, false), 0);
  char buf[64];
  EXPECT_EQ(winsock::recv(s, buf, sizeof buf, 0), 27);
  EXPECT_EQ(std::string(buf, 27), request(24));
  peer.join();
  EXPECT_EQ(peer.received(), record_reply(0, "", ""));
  winsock::closesocket(s);
}

}  // namespace
