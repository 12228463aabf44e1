#include "relay/vex32.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel32.h"
#include "relay/vex32_internal.h"
#include "runtime/driver_ops.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/msgbox.h"
#include "runtime/ui/backend.h"
#include "tests/relay/recdrv.h"
#include "tests/wire/scripted_peer.h"

namespace {

// A runtime file control block whose driver is the relay, with its own driver string.
class TestFile {
 public:
  explicit TestFile(const char* driver_string) { set_driver_string(driver_string); }
  TestFile(const TestFile&) = delete;
  TestFile& operator=(const TestFile&) = delete;

  void set_driver_string(const char* s) {
    std::memset(str_, 0, sizeof str_);
    if (s) std::snprintf(str_, sizeof str_, "%s", s);
    fcb.PIPE = reinterpret_cast<std::uintptr_t>(&VEXGATE);
    fcb.DRVSTR.STR = s ? reinterpret_cast<std::uintptr_t>(str_) : 0;
    fcb.DRVSTR.LEN = -1;
    fcb.RECORDLEN = 602;
  }

  vx::FCB fcb{};

 private:
  char str_[512];
};

recdrv::Log* log_of(const char* lib) {
  // The test's own reference, apart from the platform's, to the same loaded copy. By
  // full path: the recording libraries sit beside the relay's.
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&VEXGATE), &info) == 0) return nullptr;
  std::string path = info.dli_fname;
  path = path.substr(0, path.rfind('/') + 1) + lib;
  void* dl = dlopen(path.c_str(), RTLD_NOW);
  if (dl == nullptr) return nullptr;
  return reinterpret_cast<recdrv::Log* (*)()>(dlsym(dl, "recdrv_log"))();
}

HMODULE handle_of(const vx::FCB& fcb) {
  for (const auto& e : vx::relay::state_view().entries) {
    if (e.DRVFCB == reinterpret_cast<std::uintptr_t>(&fcb)) return e.DRVHND;
  }
  return 0;
}

class RelayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VX_SHUTDOWN();  // entries are keyed by FCB address; start from an empty table
    rec = log_of("librecdrv.so");
    rec2 = log_of("librecdrv2.so");
    ASSERT_NE(rec, nullptr);
    ASSERT_NE(rec2, nullptr);
    rec->reset();
    rec2->reset();
  }
  void TearDown() override { VX_SHUTDOWN(); }

  recdrv::Log* rec = nullptr;
  recdrv::Log* rec2 = nullptr;
};

TEST_F(RelayTest, LocalCallReachesDriverUnchangedAndResultComesBack) {
  TestFile file("/DRIVER=RECDRV.DLL /SERVER");
  vx::FCB before = file.fcb;
  int payload = 0;
  struct Case {
    std::int32_t op;
    void* args;
    std::int32_t result;
  } cases[] = {
      {vx::kOpOpen, &payload, 0},
      {vx::kOpNext, nullptr, 33},
      {vx::kOpSetKey, &payload, -1},
      {vx::kOpLoadValues, nullptr, INT32_MIN},
      {vx::kOpClose, nullptr, INT32_MAX},
      {0, &payload, 7},
      {-5, nullptr, 12345},
      {1000, &payload, 0x7F04},
  };
  for (const Case& c : cases) {
    rec->result = c.result;
    EXPECT_EQ(VEXGATE(c.op, &file.fcb, c.args), c.result) << c.op;
    auto calls = rec->snapshot();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().op, c.op);
    EXPECT_EQ(calls.back().fcb, &file.fcb);
    EXPECT_EQ(calls.back().args, c.args);
  }
  EXPECT_EQ(rec->snapshot().size(), std::size(cases));
  // The relay works on its own copy: the runtime's block is never written.
  EXPECT_EQ(std::memcmp(&before, &file.fcb, sizeof(vx::FCB)), 0);
}

TEST_F(RelayTest, RuntimeFileOperationsGoThroughTheRelay) {
  TestFile file("/DRIVER=RECDRV.DLL");
  EXPECT_EQ(RT_FILE_OPEN(&file.fcb, vx::kOpenDenyWrite), 0);
  rec->result = vx::kRecordNotAvailable;
  EXPECT_EQ(RT_FILE_NEXT(&file.fcb), vx::kRecordNotAvailable);
  EXPECT_EQ(RT_ERRCODE(), vx::kRecordNotAvailable);
  auto calls = rec->snapshot();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].op, vx::kOpOpen);
  EXPECT_EQ(calls[0].open_mode, vx::kOpenDenyWrite);
  EXPECT_EQ(calls[1].op, vx::kOpNext);
  EXPECT_EQ(calls[1].fcb, &file.fcb);
}

TEST_F(RelayTest, MissingBlockIsRefusedWithoutDriver) {
  EXPECT_EQ(VEXGATE(vx::kOpOpen, nullptr, nullptr), vx::kBadRequest);
  EXPECT_EQ(RT_ERRCODE(), vx::kBadRequest);
  EXPECT_TRUE(vx::relay::state_view().entries.empty());
}

// The options of the driver string, as the relay reads them.
TEST(DriverStringOptions, ExtractionTable) {
  const std::string over(300, 'x');
  const std::string filler246(246, 'a');  // "/DRIVER=" then ends 2 characters later
  const std::string filler256(256, 'a');
  enum Kind { kDriver, kHost, kClient };
  struct Case {
    Kind kind;
    std::string driver_string;
    bool null_string;
    std::string expected;  // for kClient: "1" or "0"
  } cases[] = {
      {kDriver, "/DRIVER=C4TPSX.DLL /CLIENT", false, "C4TPSX.DLL"},  // blank ends the value
      {kDriver, "/CLIENT", false, "C4TPSX.DLL"},                     // default
      {kDriver, "", false, "C4TPSX.DLL"},
      {kDriver, "", true, "C4TPSX.DLL"},                    // no driver string at all
      {kDriver, "/driver=OTHER.DLL", false, "C4TPSX.DLL"},  // case matters
      {kDriver, "/DRIVER=FIRST.DLL /DRIVER=SECOND.DLL", false, "FIRST.DLL"},
      {kDriver, "/SERVER/DRIVER=MID.DLL", false, "MID.DLL"},     // anywhere
      {kDriver, "/DRIVER=A.DLL/CLIENT", false, "A.DLL/CLIENT"},  // only a blank ends it
      // Only 256 characters are examined, so a value can never reach the 255 kept.
      {kDriver, "/DRIVER=" + over, false, over.substr(0, 256 - 8)},
      {kDriver, filler246 + "/DRIVER=XYZ.DLL", false, "XY"},  // 256 characters examined
      {kDriver, filler256 + "/DRIVER=XYZ.DLL", false, "C4TPSX.DLL"},
      {kHost, "/DRIVER=C4TPSX.DLL /CLIENT /HOST=127.0.0.1", false, "127.0.0.1"},
      {kHost, "/CLIENT", false, "127.0.0.1"},
      {kHost, "/HOST=10.1.2.3 /CLIENT", false, "10.1.2.3"},
      {kHost, "/HOST=123456789012345678901234", false, "1234567890123456789"},
      {kHost, "/host=10.0.0.9", false, "127.0.0.1"},
      {kHost, "/HOST=1.1.1.1 /HOST=2.2.2.2", false, "1.1.1.1"},
      {kClient, "/DRIVER=C4TPSX.DLL /CLIENT /HOST=127.0.0.1", false, "1"},
      {kClient, "/DRIVER=C4TPSX.DLL", false, "0"},
      {kClient, "/DRIVER=C4TPSX.DLL /SERVER", false, "0"},
      {kClient, "/client", false, "0"},
      {kClient, "/Client", false, "0"},
      {kClient, "/CLIENTS", false, "1"},     // a longer word that begins with it
      {kClient, "ab/CLIENTcd", false, "1"},  // inside a word
      {kClient, "/DRIVER=/CLIENT", false, "1"},
      {kClient, filler256 + "/CLIENT", false, "0"},
      {kClient, "", true, "0"},
  };
  for (const Case& c : cases) {
    vx::FCB fcb{};
    fcb.DRVSTR.STR = c.null_string ? 0 : reinterpret_cast<std::uintptr_t>(c.driver_string.c_str());
    fcb.DRVSTR.LEN = -1;
    std::string got;
    if (c.kind == kDriver) {
      char path[vx::relay::kPathSize];
      vx::relay::GETDRIVER(fcb, path);
      got = path;
    } else if (c.kind == kHost) {
      char host[vx::relay::kHostSize];
      vx::relay::GETHOST(fcb, host);
      got = host;
    } else {
      got = vx::relay::client_option(fcb) ? "1" : "0";
    }
    EXPECT_EQ(got, c.expected) << "kind " << c.kind << ": \"" << c.driver_string << "\"";
  }
}

TEST_F(RelayTest, ClientFlagIsRecomputedOnEveryCall) {
  // Client mode connects first; a record server that takes the connection and is never
  // asked anything stands in for the real one.
  vx::testing::ScriptedPeer server(vx::relay::kServerPort);
  ASSERT_TRUE(server.listening());
  server.play({});
  TestFile file("/DRIVER=RECDRV.DLL");
  VEXGATE(vx::kOpLoadValues, &file.fcb, nullptr);
  EXPECT_EQ(vx::relay::state_view().CLIENT, 0);
  file.set_driver_string("/DRIVER=RECDRV.DLL /CLIENT");
  // Client mode sends only 7, 24, 25 and 41; other operations stay local.
  rec->result = 4;
  int payload = 0;
  EXPECT_EQ(VEXGATE(vx::kOpLoadValues, &file.fcb, &payload), 4);
  EXPECT_EQ(vx::relay::state_view().CLIENT, 1);
  EXPECT_EQ(VEXGATE(vx::kOpSetKey, &file.fcb, &payload), 4);
  auto calls = rec->snapshot();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1].op, vx::kOpLoadValues);
  EXPECT_EQ(calls[1].args, &payload);
  EXPECT_EQ(calls[2].op, vx::kOpSetKey);
  file.set_driver_string("/DRIVER=RECDRV.DLL /client");
  VEXGATE(vx::kOpLoadValues, &file.fcb, nullptr);
  EXPECT_EQ(vx::relay::state_view().CLIENT, 0);
}

// Every fatal configuration error: the exact box, then exit code 0. The child shows
// each box on standard error through the test hook, with its title, icon and buttons.
void report_boxes() {
  vx::ui::set_message_box_hook([](const vx::ui::MessageBoxSpec& box) -> std::uint32_t {
    std::fprintf(stderr, "BOX title=[%s] text=[%s] icon=%u buttons=%u\n", box.title.c_str(),
                 box.text.c_str(), box.icon, box.buttons);
    return vx::kButtonOk;
  });
}

TEST(RelayFatalErrors, ShowTandemDriverErrorAndExitWithZero) {
  GTEST_FLAG_SET(death_test_style, "fast");
  enum Path { kVexgate, kGetHost };
  struct Case {
    Path path;
    const char* driver_string;
    const char* text;  // regular expression of the box text
  } cases[] = {
      {kVexgate, "/DRIVER=", "No driver specified \\(0\\)"},
      {kVexgate, "/DRIVER= /CLIENT", "No driver specified \\(0\\)"},
      {kVexgate, "/CLIENT /DRIVER=", "No driver specified \\(0\\)"},
      {kVexgate, "/DRIVER=NOSUCHDRV.DLL", "Can't load driver \\(126\\)"},
      {kVexgate, "/DRIVER=NOENTRY.DLL", "Can't get driver entry point \\(127\\)"},
      {kGetHost, "/DRIVER=C4TPSX.DLL /CLIENT /HOST=", "No Host specified \\(0\\)"},
      {kGetHost, "/HOST= /CLIENT", "No Host specified \\(0\\)"},
  };
  for (const Case& c : cases) {
    std::string expected = std::string("^BOX title=\\[Tandem Driver Error\\] text=\\[") + c.text +
                           "\\] icon=32516 buttons=1\n$";
    EXPECT_EXIT(
        {
          report_boxes();
          TestFile file(c.driver_string);
          SetLastError(0);
          if (c.path == kVexgate) {
            VEXGATE(vx::kOpOpen, &file.fcb, nullptr);
          } else {
            char host[vx::relay::kHostSize];
            vx::relay::GETHOST(file.fcb, host);
          }
          std::fprintf(stderr, "returned\n");
          std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), expected)
        << c.driver_string;
  }
}

TEST_F(RelayTest, EachFcbLoadsItsDriverOnceAndShutdownFreesEachOnce) {
  TestFile a("/DRIVER=RECDRV.DLL");
  TestFile b("/DRIVER=RECDRV2.DLL /SERVER");
  TestFile c("/DRIVER=librecdrv.so");
  for (int i = 0; i < 3; ++i) {
    VEXGATE(vx::kOpNext, &a.fcb, nullptr);
    VEXGATE(vx::kOpNext, &b.fcb, nullptr);
    VEXGATE(vx::kOpNext, &c.fcb, nullptr);
  }
  EXPECT_EQ(rec->snapshot().size(), 6u);  // a and c
  EXPECT_EQ(rec2->snapshot().size(), 3u);
  auto state = vx::relay::state_view();
  ASSERT_EQ(state.entries.size(), 3u);
  for (std::size_t i = 1; i < state.entries.size(); ++i) {
    EXPECT_LT(state.entries[i - 1].DRVFCB, state.entries[i].DRVFCB);  // key order
  }
  for (const auto& e : state.entries) EXPECT_EQ(e.HOSTIP[0], '\0');
  HMODULE h1 = handle_of(a.fcb);
  HMODULE h2 = handle_of(b.fcb);
  EXPECT_EQ(handle_of(c.fcb), h1);
  // One reference per entry, plus the relay's own that keeps the code mapped.
  EXPECT_EQ(vx::platform::module_reference_count(h1), 3);
  EXPECT_EQ(vx::platform::module_reference_count(h2), 2);
  EXPECT_EQ(state.WASSHUTDOWN, 0);

  VX_SHUTDOWN();
  state = vx::relay::state_view();
  EXPECT_TRUE(state.entries.empty());
  EXPECT_EQ(state.WASSHUTDOWN, 1);
  EXPECT_EQ(vx::platform::module_reference_count(h1), 1);
  EXPECT_EQ(vx::platform::module_reference_count(h2), 1);

  VX_SHUTDOWN();  // nothing left to free
  EXPECT_EQ(vx::platform::module_reference_count(h1), 1);
  EXPECT_EQ(vx::platform::module_reference_count(h2), 1);
  EXPECT_EQ(vx::relay::state_view().WASSHUTDOWN, 1);

  // The next call makes a new entry, loads again and clears WASSHUTDOWN.
  rec2->result = 9;
  EXPECT_EQ(VEXGATE(vx::kOpNext, &b.fcb, nullptr), 9);
  state = vx::relay::state_view();
  EXPECT_EQ(state.entries.size(), 1u);
  EXPECT_EQ(state.WASSHUTDOWN, 0);
  EXPECT_EQ(vx::platform::module_reference_count(h2), 2);
  EXPECT_EQ(rec2->snapshot().size(), 4u);
}

TEST_F(RelayTest, DriverIsChosenOnceWhenTheEntryIsMade) {
  TestFile file("/DRIVER=RECDRV.DLL");
  VEXGATE(vx::kOpOpen, &file.fcb, nullptr);
  file.set_driver_string("/DRIVER=RECDRV2.DLL");
  VEXGATE(vx::kOpNext, &file.fcb, nullptr);
  EXPECT_EQ(rec->snapshot().size(), 2u);
  EXPECT_TRUE(rec2->snapshot().empty());
}

TEST_F(RelayTest, CallsOnDifferentFilesOverlapInsideTheDrivers) {
  TestFile a("/DRIVER=RECDRV.DLL");
  TestFile b("/DRIVER=RECDRV.DLL");
  std::int32_t ra = 0, rb = 0;
  std::thread ta([&] { ra = VEXGATE(recdrv::kOpRendezvous, &a.fcb, nullptr); });
  std::thread tb([&] { rb = VEXGATE(recdrv::kOpRendezvous, &b.fcb, nullptr); });
  ta.join();
  tb.join();
  // Both calls were inside the driver at once: the relay's lock was not held around them.
  EXPECT_EQ(ra, 2);
  EXPECT_EQ(rb, 2);
}

TEST_F(RelayTest, ConcurrentFirstCallsMakeOneEntryPerFcb) {
  constexpr int kThreads = 4, kFilesPerThread = 8, kCalls = 50;
  std::vector<std::unique_ptr<TestFile>> files;
  for (int i = 0; i < kThreads * kFilesPerThread; ++i) {
    files.push_back(
        std::make_unique<TestFile>(i % 2 ? "/DRIVER=RECDRV.DLL" : "/DRIVER=RECDRV2.DLL"));
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int n = 0; n < kCalls; ++n) {
        // Every thread touches every file, so first calls for one FCB race each other.
        for (auto& f : files) VEXGATE(vx::kOpNext, &f->fcb, nullptr);
      }
    });
  }
  for (auto& t : threads) t.join();
  auto state = vx::relay::state_view();
  EXPECT_EQ(state.entries.size(), files.size());
  EXPECT_EQ(vx::platform::module_reference_count(handle_of(files[1]->fcb)), 16 + 1);
  EXPECT_EQ(vx::platform::module_reference_count(handle_of(files[0]->fcb)), 16 + 1);
  EXPECT_EQ(rec->snapshot().size() + rec2->snapshot().size(),
            static_cast<std::size_t>(kThreads * kCalls) * files.size());
}

}  // namespace
