// The record server in this process: ServerWindow on a runtime thread, real sockets on
// loopback port 10025, a real data file through VEXGATE and the record-file driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/asyncselect.h"
#include "runtime/error.h"
#include "runtime/thread.h"
#include "runtime/ui/backend.h"
#include "runtime/ui/headless.h"
#include "server/activity_log.h"
#include "server/connection_queue.h"
#include "server/server_window.h"
#include "server/socket_events.h"
#include "tests/server/served_fixture.h"

namespace {

using namespace vx::testing;
using vx::server::DataQueue;

constexpr int kSubjects = 7;

struct Served {
  WorkFolder folder;
  ServedFile file;
  std::int32_t server_thread = 0;
};
Served* g = nullptr;

// Starts a server window and waits until it accepts connections.
std::int32_t start_server() {
  std::int32_t thread = RT_START(ServerWindow, 25000);
  EXPECT_TRUE(eventually([] { return RawClient().connected(); }));
  // The probe that found the server listening is logged and gone before tests begin.
  EXPECT_TRUE(eventually([] {
    auto lines = DataQueue().lines();
    return !lines.empty() && lines.front().find("-disconnected-") != std::string::npos;
  }));
  return thread;
}

void stop_server(std::int32_t thread) {
  vx::ui::press(thread, 8);  // "&Close Socket"
  EXPECT_TRUE(eventually([thread] { return !vx::thread_alive(thread); }));
}

// The lines logged for the latest connection on socket `s`, oldest first, without the
// date and time of connect and disconnect lines.
std::vector<std::string> lines_of(SOCKET s) {
  std::vector<std::string> out;
  const std::string prefix = std::to_string(s) + "-";
  for (const std::string& l : DataQueue().lines()) {  // newest first
    if (l.rfind(prefix, 0) != 0) continue;
    std::string rest = l.substr(prefix.size());
    if (rest.rfind("disconnected-", 0) == 0) rest = "disconnected-";
    bool connect = rest.rfind("connected-", 0) == 0;
    if (connect) rest = "connected-";
    out.insert(out.begin(), rest);
    if (connect) break;  // the socket number may have served earlier connections
  }
  return out;
}

// The socket of the newest connection the log shows.
SOCKET newest_connection() {
  for (const std::string& l : DataQueue().lines()) {
    std::size_t at = l.find("-connected-");
    if (at != std::string::npos) return static_cast<SOCKET>(std::stoi(l.substr(0, at)));
  }
  return 0;
}

std::string record_of(std::int32_t master, const std::string& first, const std::string& last) {
  std::string r(kRecordLen, ' ');
  std::memcpy(r.data(), &master, 4);
  r.replace(4, first.size(), first);
  r.replace(19, last.size(), last);
  return r;
}
std::string trim(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

class ServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g = new Served;
    g->file.serve();
    g->file.create(kSubjects);
    g->server_thread = start_server();
  }
  static void TearDownTestSuite() {
    stop_server(g->server_thread);
    delete g;
    g = nullptr;
  }
  // Each test starts after the previous one's connections are gone from the server.
  void SetUp() override {
    ASSERT_TRUE(eventually([] {
      auto lines = DataQueue().lines();
      return vx::server::open_connections().empty() && !lines.empty() &&
             lines.front().find("-disconnected-") != std::string::npos;
    }));
  }
  // The served file's buffers, read under its lock.
  std::string record() {
    std::lock_guard<std::recursive_mutex> lock(RT_FILE_LOCK(&g->file.fcb));
    return std::string(g->file.record, kRecordLen);
  }
  std::string memo() {
    std::lock_guard<std::recursive_mutex> lock(RT_FILE_LOCK(&g->file.fcb));
    return std::string(g->file.memo, kMemoSize);
  }
};

TEST_F(ServerTest, WindowShowsTheListenerAndItsStep) {
  auto w = vx::ui::find_window(g->server_thread);
  ASSERT_TRUE(w.has_value());
  EXPECT_EQ(w->title.rfind("Server TCP Socket #", 0), 0u) << w->title;
  EXPECT_FALSE(w->control(7)->enabled);
  EXPECT_TRUE(w->control(8)->enabled);
  EXPECT_EQ(vx::server::server_step(), 1);
}

TEST_F(ServerTest, ReadsRecordsAndLogsNewestFirst) {
  RawClient c;
  ASSERT_TRUE(c.connected());
  ASSERT_TRUE(c.send(request(25)));
  EXPECT_EQ(c.status(), 0);
  ASSERT_TRUE(c.send(request(41)));
  EXPECT_EQ(c.status(), 0);
  for (int i = 1; i <= kSubjects + 1; ++i) {
    ASSERT_TRUE(c.send(request(24)));
    RecordReply r = parse_record_reply(c.message());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(c.status(), r.code) << "the status reply follows the record reply";
    EXPECT_EQ(r.file, 1);
    if (i <= kSubjects) {
      EXPECT_EQ(r.code, 0);
      EXPECT_EQ(r.record,
                trim(record_of(i, "First" + std::to_string(i), "Last" + std::to_string(i))));
      EXPECT_EQ(r.memo, "note " + std::to_string(i));
    } else {
      // Past the last record: the code of a read that found nothing, and the buffers
      // as they stand, untouched by the failed read.
      EXPECT_EQ(r.code, vx::kRecordNotAvailable);
      EXPECT_EQ(r.record, trim(record_of(kSubjects, "First7", "Last7")));
    }
  }
  ASSERT_TRUE(c.send(request(7)));
  EXPECT_EQ(c.status(), 0);
  SOCKET s = newest_connection();
  c.close();
  ASSERT_TRUE(eventually([&] {
    return !lines_of(s).empty() && lines_of(s).back() == "disconnected-";
  })) << s
      << ": " << ::testing::PrintToString(DataQueue().lines());
  std::vector<std::string> expected = {"connected-", "(8) 25", "(8) 41"};
  for (int i = 0; i < kSubjects + 1; ++i) expected.push_back("(8) 24");
  expected.push_back("(8) 7");
  expected.push_back("disconnected-");
  EXPECT_EQ(lines_of(s), expected);
  // The registry keeps one entry per socket number, in order, with the latest worker,
  // which has ended with its connection.
  auto entries = vx::server::connection_entries();
  EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(),
                             [](auto& a, auto& b) { return a.SOCKETID < b.SOCKETID; }));
  EXPECT_EQ(std::adjacent_find(entries.begin(), entries.end(),
                               [](auto& a, auto& b) { return a.SOCKETID == b.SOCKETID; }),
            entries.end());
  std::int32_t worker = vx::server::connection_thread(s);
  EXPECT_NE(worker, 0);
  EXPECT_TRUE(eventually([&] { return !vx::thread_alive(worker); }));
  // Newest first, in ascending DATAORDER.
  EXPECT_LT(DataQueue().get(1).DATAORDER, DataQueue().get(2).DATAORDER);
  EXPECT_EQ(std::string(DataQueue().get(1).DATALINE, 13 + std::to_string(s).size() + 1)
                .substr(0, std::to_string(s).size() + 14),
            std::to_string(s) + "-disconnected-");
}

// How a request may arrive: each is answered by exactly one status reply and logged
// with the length of the request as the worker cut it.
TEST_F(ServerTest, RequestFraming) {
  struct Case {
    const char* name;
    std::vector<std::string> chunks;
    std::string logged;
  };
  const std::string h = header(41);
  const std::vector<Case> cases = {
      {"split over several reads",
       {h.substr(0, 5), h.substr(5, 9), h.substr(14), kMarker},
       "(8) 41"},
      {"marker split", {h + kMarker.substr(0, 4), kMarker.substr(4)}, "(8) 41"},
      // The request is everything up to the last non-blank byte, less seven.
      {"bytes after the marker", {h + kMarker + "ZZ"}, "(22) 41"},
      {"unknown operation", {request(99)}, "(8) 99"},
  };
  for (const Case& k : cases) {
    ASSERT_TRUE(eventually([] { return vx::server::open_connections().empty(); }));
    RawClient c;
    ASSERT_TRUE(c.connected()) << k.name;
    for (const std::string& chunk : k.chunks) {
      ASSERT_TRUE(c.send(chunk)) << k.name;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));  // lets each piece be a read
    }
    std::string reply = c.message();
    EXPECT_EQ(reply.size(), 11u) << k.name;
    ASSERT_TRUE(c.send(request(99)));  // nothing else was pending before this answer
    EXPECT_NE(c.status(), -1) << k.name;
    EXPECT_EQ(c.pending(), 0u) << k.name;
    SOCKET s = newest_connection();
    ASSERT_TRUE(eventually([&] { return lines_of(s).size() >= 3; })) << k.name;
    EXPECT_EQ(lines_of(s)[1], k.logged) << k.name;
  }
}

TEST_F(ServerTest, LoadValuesAndPositionByMasterKey) {
  RawClient c;
  ASSERT_TRUE(c.connected());
  const std::string memo_before = memo();
  // 30 with one value: the record buffer takes it, the memo stays.
  std::string image = record_of(99, "Ann", "Smith");
  ASSERT_TRUE(c.send(header(30) + value(trim(image)) + kMarker));
  EXPECT_EQ(c.status(), 0);
  EXPECT_EQ(record(), image);
  EXPECT_EQ(memo(), memo_before);
  // 45 with two values, key 1: both buffers filled, then positioned by SUB:MASTERC.
  ASSERT_TRUE(c.send(request(25)));
  c.status();
  ASSERT_TRUE(c.send(header(45, 1, le(1) + std::string(8, ' ')) +
                     value(trim(record_of(5, "X", "Y"))) + value("a memo") + kMarker));
  EXPECT_EQ(c.status(), 0);
  EXPECT_EQ(memo().substr(0, 7), "a memo ");
  ASSERT_TRUE(c.send(request(24)));
  RecordReply r = parse_record_reply(c.message());
  c.status();
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(from_le(r.record, 0), 5);
  EXPECT_EQ(r.memo, "note 5");
  // 44 on the same connection keeps the selected key: key order from the start.
  ASSERT_TRUE(c.send(header(44, 1, le(0) + std::string(8, ' ')) + kMarker));
  EXPECT_EQ(c.status(), 0);
  ASSERT_TRUE(c.send(request(24)));
  r = parse_record_reply(c.message());
  c.status();
  EXPECT_EQ(from_le(r.record, 0), 1);
  ASSERT_TRUE(c.send(request(7)));
  c.status();
}

TEST_F(ServerTest, TwoConnectionsShareOneOpen) {
  RawClient a, b;
  ASSERT_TRUE(a.connected() && b.connected());
  ASSERT_TRUE(a.send(request(25)));
  EXPECT_EQ(a.status(), 0);
  ASSERT_TRUE(b.send(request(41)));
  EXPECT_EQ(b.status(), 0);
  ASSERT_TRUE(b.send(request(24)));
  RecordReply r = parse_record_reply(b.message());
  b.status();
  EXPECT_EQ(r.code, 0);
  ASSERT_TRUE(a.send(request(7)));
  EXPECT_EQ(a.status(), 0);
  ASSERT_TRUE(b.send(request(24)));
  r = parse_record_reply(b.message());
  EXPECT_EQ(b.status(), vx::kFileNotOpen);
  EXPECT_EQ(r.code, vx::kFileNotOpen);
}

TEST_F(ServerTest, ConnectionClosedMidRequestExecutesNothing) {
  std::size_t before = DataQueue().records();
  SOCKET s;
  {
    RawClient c;
    ASSERT_TRUE(c.connected());
    ASSERT_TRUE(c.send(header(25).substr(0, 12)));
    // Our connect is the only one since `before`.
    ASSERT_TRUE(eventually([&] { return DataQueue().records() > before; }));
    s = newest_connection();
  }
  ASSERT_TRUE(
      eventually([&] { return !lines_of(s).empty() && lines_of(s).back() == "disconnected-"; }));
  EXPECT_EQ(lines_of(s), (std::vector<std::string>{"connected-", "disconnected-"}));
  RawClient other;  // the server goes on serving
  ASSERT_TRUE(other.send(request(41)));
  EXPECT_NE(other.status(), -1);
}

// Bad input: refused with a non-zero code, nothing touched; the connection stays
// usable where the stream can go on.
TEST_F(ServerTest, BadRequestsAreRefusedWithoutTouchingAnything) {
  struct Case {
    const char* name;
    std::string bytes;
    bool record_reply;
  };
  const std::vector<Case> cases = {
      {"file 2, nothing selected", request(41, 2), false},
      {"next on file 2, nothing selected", request(24, 2), true},
      {"close on file 0, nothing selected", request(7, 0), false},
      {"key 2, no key selected", header(44, 1, le(2) + std::string(8, ' ')) + kMarker, false},
      {"45 with key 3, no key selected",
       header(45, 1, le(3) + std::string(8, ' ')) + value("abcd") + kMarker, false},
      {"negative value length", header(30) + le(-5) + "abc" + kMarker, false},
      {"value past the request", header(30) + le(500) + "abc" + kMarker, false},
      {"45 with a bad value", header(45, 1, le(1) + std::string(8, ' ')) + le(-1) + kMarker, false},
  };
  for (const Case& k : cases) {
    const std::string rec = record(), mem = memo();
    RawClient c;
    ASSERT_TRUE(c.send(k.bytes)) << k.name;
    if (k.record_reply) {
      RecordReply r = parse_record_reply(c.message());
      EXPECT_EQ(r.code, vx::kBadRequest) << k.name;
    }
    EXPECT_EQ(c.status(), vx::kBadRequest) << k.name;
    EXPECT_EQ(record(), rec) << k.name;
    EXPECT_EQ(memo(), mem) << k.name;
    ASSERT_TRUE(c.send(request(99))) << k.name;  // still served
    EXPECT_NE(c.status(), -1) << k.name;
  }
}

TEST_F(ServerTest, OverlongRequestIsRefusedAndTheConnectionEnds) {
  RawClient c;
  std::string junk(100000, 'j');
  ASSERT_TRUE(c.send(junk.substr(0, 60000)));
  ASSERT_TRUE(c.send(junk.substr(60000) + "more"));
  EXPECT_EQ(c.status(), vx::kBadRequest);
  EXPECT_TRUE(c.ends());
  RawClient other;
  ASSERT_TRUE(other.send(request(41)));
  EXPECT_NE(other.status(), -1);
}

LRESULT CALLBACK RecordingProc(HWND, UINT message, WPARAM wparam, LPARAM lparam) {
  return static_cast<LRESULT>(message) * 1000 + static_cast<LRESULT>(wparam + lparam);
}

// SocketEventProc alone: a failed accept is reported and nothing follows it (no worker,
// no registry entry, no log line); other messages reach the previous procedure as they
// are.
TEST(SocketEventProcTest, FailedAcceptStopsAfterItsReportAndOtherMessagesPassOn) {
  WSADATA data;
  WSAStartup(0x0101, &data);
  std::vector<std::string> boxes;
  vx::ui::set_message_box_hook([&](const vx::ui::MessageBoxSpec& box) {
    boxes.push_back(box.title);
    return 1u;
  });
  vx::server::set_previous_window_proc(&RecordingProc);
  SOCKET not_listening = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
  std::size_t log_before = DataQueue().records();
  std::size_t entries_before = vx::server::connection_entries().size();
  LRESULT r = SocketEventProc(nullptr, vx::server::kSocketMessage, not_listening,
                              WSAMAKESELECTREPLY(FD_ACCEPT, 0));
  EXPECT_EQ(r, static_cast<LRESULT>(vx::server::kSocketMessage) * 1000 + not_listening + FD_ACCEPT);
  EXPECT_EQ(boxes, (std::vector<std::string>{"WinSock Error"}));
  EXPECT_EQ(DataQueue().records(), log_before);
  EXPECT_EQ(vx::server::connection_entries().size(), entries_before);
  // A read notice for a socket without an entry posts nothing and passes on.
  EXPECT_EQ(
      SocketEventProc(nullptr, vx::server::kSocketMessage, 4321, WSAMAKESELECTREPLY(FD_READ, 0)),
      static_cast<LRESULT>(vx::server::kSocketMessage) * 1000 + 4321 + FD_READ);
  EXPECT_EQ(SocketEventProc(nullptr, 77, 5, 6), 77 * 1000 + 11);
  vx::ui::set_message_box_hook(nullptr);
  vx::server::set_previous_window_proc(nullptr);
  winsock::closesocket(not_listening);
  WSACleanup();
}

// Closing the window closes what it accepted: a client waiting for a reply learns the
// connection is gone, and the worker ends.
TEST(ServerWindowClose, ClosesAcceptedConnections) {
  WorkFolder folder;
  ServedFile file;
  file.serve();
  file.create(1);
  std::int32_t thread = start_server();
  RawClient c;
  ASSERT_TRUE(c.send(request(25)));
  EXPECT_EQ(c.status(), 0);
  ASSERT_TRUE(c.send(header(24).substr(0, 10)));  // a request under way
  std::int32_t worker = 0;
  ASSERT_TRUE(eventually([&] {
    auto open = vx::server::open_connections();
    if (!open.empty()) worker = open.back().THREADID;
    return worker != 0;
  }));
  stop_server(thread);
  EXPECT_TRUE(c.ends());
  EXPECT_TRUE(eventually([&] { return !vx::thread_alive(worker); }));
  EXPECT_TRUE(vx::server::open_connections().empty());
  EXPECT_FALSE(RawClient().connected());
  RT_FILE_CLOSE(&file.fcb);
}

}  // namespace
