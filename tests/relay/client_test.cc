// The relay in client mode against a scripted record server on 127.0.0.1:10025: the
// connection, the four remote operations byte for byte, what comes back to the
// runtime, a server that is not there, and VX_SHUTDOWN.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/winsock.h"
#include "relay/vex32.h"
#include "relay/vex32_internal.h"
#include "runtime/driver_ops.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/msgbox.h"
#include "runtime/ui/backend.h"
#include "tests/relay/recdrv.h"
#include "tests/wire/scripted_peer.h"
#include "wire/wire.h"

namespace {

using vx::testing::kEnd;
using vx::testing::record_reply;
using vx::testing::request;
using vx::testing::ScriptedPeer;
using vx::testing::status_reply;
using Step = ScriptedPeer::Step;

const char kHint[] = "Did you run the demo with the /Server command first?";

// A file whose driver is the relay, with a 602-byte record buffer.
struct ClientFile {
  explicit ClientFile(const char* driver_string) : record(602, 'X') {
    std::snprintf(str, sizeof str, "%s", driver_string);
    fcb.PIPE = reinterpret_cast<std::uintptr_t>(&VEXGATE);
    fcb.DRVSTR.STR = reinterpret_cast<std::uintptr_t>(str);
    fcb.DRVSTR.LEN = -1;
    fcb.RECORDBUF = reinterpret_cast<std::uintptr_t>(record.data());
    fcb.RECORDLEN = static_cast<std::int32_t>(record.size());
  }
  char str[256] = {};
  std::string record;
  vx::FCB fcb{};
};

recdrv::Log* recording_driver_log() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&VEXGATE), &info) == 0) return nullptr;
  std::string path = info.dli_fname;
  path = path.substr(0, path.rfind('/') + 1) + "librecdrv.so";
  void* dl = dlopen(path.c_str(), RTLD_NOW);
  return dl ? reinterpret_cast<recdrv::Log* (*)()>(dlsym(dl, "recdrv_log"))() : nullptr;
}

class ClientModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VX_SHUTDOWN();
    rec = recording_driver_log();
    ASSERT_NE(rec, nullptr);
    rec->reset();
    vx::ui::set_message_box_hook([this](const vx::ui::MessageBoxSpec& b) {
      boxes.push_back(b);
      return b.title == "Stop" ? vx::kButtonIgnore : vx::kButtonOk;
    });
  }
  void TearDown() override {
    VX_SHUTDOWN();
    vx::ui::set_message_box_hook(nullptr);
  }

  recdrv::Log* rec = nullptr;
  std::vector<vx::ui::MessageBoxSpec> boxes;
};

TEST_F(ClientModeTest, RemoteOperationsAreByteExactAndLocalOnesStayLocal) {
  ScriptedPeer server(vx::relay::kServerPort);
  ASSERT_TRUE(server.listening());
  std::string image(37, 'r');
  server.play({
      {27, {status_reply(0)}},                          // open
      {27, {status_reply(0)}},                          // set to file order
      {27, {record_reply(0, image), status_reply(0)}},  // next
      {27, {record_reply(vx::kRecordNotAvailable, image, "m"), status_reply(33)}},  // past the end
      {27, {status_reply(0)}},                                                      // close
  });
  ClientFile file("/DRIVER=RECDRV.DLL /CLIENT");
  EXPECT_EQ(RT_FILE_OPEN(&file.fcb, vx::kOpenShared), 0);
  EXPECT_EQ(RT_FILE_SETf(&file.fcb), 0);
  EXPECT_EQ(RT_FILE_NEXT(&file.fcb), 0);
  EXPECT_EQ(file.record, image + std::string(602 - 37, ' '));
  file.record[0] = 'Q';
  const std::string before = file.record;
  EXPECT_EQ(RT_FILE_NEXT(&file.fcb), vx::kRecordNotAvailable);
  EXPECT_EQ(RT_ERRCODE(), vx::kRecordNotAvailable);
  EXPECT_EQ(file.record, before);
  rec->result = 0;
  EXPECT_EQ(RT_FILE_SETk(&file.fcb, 1), 0);  // key order is a local operation
  EXPECT_EQ(RT_FILE_CLOSE(&file.fcb), 0);
  server.join();
  EXPECT_TRUE(server.script_completed());
  EXPECT_EQ(server.received(), request(25) + request(41) + request(24) + request(24) + request(7));
  std::vector<recdrv::Call> calls = rec->snapshot();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].op, vx::kOpSetKey);

  // The client socket does not wait for acknowledgements before small writes.
  int fd = vx::platform::socket_descriptor(vx::relay::state_view().LOC_CLIENT_SOCKET);
  int nodelay = 0;
  socklen_t len = sizeof nodelay;
  ASSERT_EQ(getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &nodelay, &len), 0);
  EXPECT_NE(nodelay, 0);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(ClientModeTest, RemoteStatusCodeBecomesTheErrorCode) {
  ScriptedPeer server(vx::relay::kServerPort);
  server.play({{27, {status_reply(vx::kFileAlreadyOpen)}}, {27, {status_reply(vx::kFileNotOpen)}}});
  ClientFile file("/DRIVER=RECDRV.DLL /CLIENT");
  EXPECT_EQ(RT_FILE_OPEN(&file.fcb), vx::kFileAlreadyOpen);
  EXPECT_EQ(RT_ERRCODE(), vx::kFileAlreadyOpen);
  EXPECT_EQ(RT_FILE_CLOSE(&file.fcb), vx::kFileNotOpen);
  server.join();
}

// No server: the WinSock error, then the hint; the operation is not carried out, and
// the file is served by the local driver from then on.
TEST_F(ClientModeTest, NoServerShowsTwoBoxesAndLaterCallsGoLocal) {
  struct Case {
    const char* driver_string;
    int wsa_error;
  } cases[] = {
      {"/DRIVER=RECDRV.DLL /CLIENT", WSAECONNREFUSED},
      {"/DRIVER=RECDRV.DLL /CLIENT /HOST=127.0.0.1", WSAECONNREFUSED},
      // A host name is not looked up: it does not convert to an address.
      {"/DRIVER=RECDRV.DLL /CLIENT /HOST=recordserver", WSAEADDRNOTAVAIL},
  };
  for (const Case& c : cases) {
    VX_SHUTDOWN();
    rec->reset();
    boxes.clear();
    ClientFile file(c.driver_string);
    EXPECT_EQ(RT_FILE_OPEN(&file.fcb), vx::kFileSystemError) << c.driver_string;
    ASSERT_EQ(boxes.size(), 2u) << c.driver_string;
    EXPECT_EQ(boxes[0].title, "WinSock Error");
    EXPECT_EQ(boxes[0].text, vx::wire::socket_error_text(c.wsa_error)) << c.driver_string;
    EXPECT_EQ(boxes[0].icon, vx::kIconAsterisk);
    EXPECT_EQ(boxes[1].text, kHint);
    EXPECT_EQ(boxes[1].title, "");
    EXPECT_EQ(boxes[1].icon, vx::kIconNone);
    EXPECT_EQ(boxes[1].buttons, 0u);
    EXPECT_TRUE(rec->snapshot().empty()) << "the failed call reached the driver";
    vx::relay::StateView state = vx::relay::state_view();
    EXPECT_EQ(state.WASSHUTDOWN, 1);
    EXPECT_NE(state.LOC_CLIENT_SOCKET, 0);  // kept: no new attempt until VX_SHUTDOWN

    rec->result = 0;
    EXPECT_EQ(RT_FILE_OPEN(&file.fcb), 0);
    EXPECT_EQ(RT_FILE_NEXT(&file.fcb), 0);
    std::vector<recdrv::Call> calls = rec->snapshot();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].op, vx::kOpOpen);
    EXPECT_EQ(calls[1].op, vx::kOpNext);
    EXPECT_EQ(boxes.size(), 2u);  // nothing more is shown
  }
}

TEST_F(ClientModeTest, ShutdownTwiceThenReconnect) {
  ClientFile file("/DRIVER=RECDRV.DLL /CLIENT");
  {
    ScriptedPeer server(vx::relay::kServerPort);
    server.play({{27, {status_reply(0)}}});
    EXPECT_EQ(RT_FILE_OPEN(&file.fcb), 0);
    server.join();
    EXPECT_NE(vx::relay::state_view().LOC_CLIENT_SOCKET, 0);
    int open_before = vx::platform::open_socket_count();
    VX_SHUTDOWN();
    EXPECT_EQ(vx::platform::open_socket_count(), open_before - 1);
    EXPECT_EQ(server.drain(), "");  // the server sees the connection close
  }
  for (int i = 0; i < 2; ++i) {
    vx::relay::StateView state = vx::relay::state_view();
    EXPECT_EQ(state.LOC_CLIENT_SOCKET, 0);
    EXPECT_EQ(state.WASSHUTDOWN, 1);
    EXPECT_TRUE(state.entries.empty());
    VX_SHUTDOWN();  // nothing left to close or free
  }
  ScriptedPeer server(vx::relay::kServerPort);
  server.play({{27, {status_reply(0)}}, {27, {status_reply(0)}}});
  EXPECT_EQ(RT_FILE_OPEN(&file.fcb), 0);  // a new entry, a new connection
  EXPECT_EQ(RT_FILE_CLOSE(&file.fcb), 0);
  server.join();
  EXPECT_EQ(server.received(), request(25) + request(7));
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(rec->snapshot().empty());
}

// Several threads reading through the one client socket: every exchange is whole.
TEST_F(ClientModeTest, OneExchangeAtATimeOnTheClientSocket) {
  constexpr int kThreads = 3;
  constexpr int kReads = 40;
  std::string image(100, 'c');
  std::vector<Step> steps;
  steps.push_back({27, {status_reply(0)}});  // the open that connects
  for (int i = 0; i < kThreads * kReads; ++i) {
    steps.push_back({27, {record_reply(0, image, "memo"), status_reply(0)}});
  }
  ScriptedPeer server(vx::relay::kServerPort);
  server.play(std::move(steps));
  ClientFile opener("/DRIVER=RECDRV.DLL /CLIENT");
  ASSERT_EQ(RT_FILE_OPEN(&opener.fcb), 0);
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ClientFile file("/DRIVER=RECDRV.DLL /CLIENT");
      for (int i = 0; i < kReads; ++i) {
        file.record.assign(602, 'X');
        if (RT_FILE_NEXT(&file.fcb) != 0 || file.record != image + std::string(502, ' ')) {
          ++failures[t];
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  server.join();
  EXPECT_TRUE(server.script_completed());
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
  EXPECT_TRUE(boxes.empty());
}

// The server goes away under a NEXT: the stop prompt once, then the file could not be
// reached and the record buffer is as it was.
TEST_F(ClientModeTest, NextOnClosedConnectionSetsFileSystemError) {
  ScriptedPeer server(vx::relay::kServerPort);
  server.play({{27, {status_reply(0)}}, {27, {}, false, true}});
  ClientFile file("/DRIVER=RECDRV.DLL /CLIENT");
  ASSERT_EQ(RT_FILE_OPEN(&file.fcb), 0);
  EXPECT_EQ(RT_FILE_NEXT(&file.fcb), vx::kFileSystemError);
  server.join();
  EXPECT_EQ(file.record, std::string(602, 'X'));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "a");
  EXPECT_TRUE(rec->snapshot().empty());
}

}  // namespace
