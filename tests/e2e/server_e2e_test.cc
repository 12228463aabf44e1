// The road of one remote read with real processes on loopback: a headless
// "vxdemoabc /SERVER" in a temporary folder serves its subject.tps; this process reads
// it through VEXGATE in client mode, and the client windows of both programs read it
// run headless.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/subject.h"
#include "relay/vex32.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "tests/e2e/process.h"
#include "tests/server/served_fixture.h"

namespace {

using namespace vx::testing;

struct Person {
  std::int32_t master;
  const char* first;
  const char* last;
  std::string comment;
};

void set_driver(const char* s) {
  std::strcpy(SubjectDriverString, s);
}

// Writes subject.tps in `dir` with `people`, through the local driver.
void write_subjects(const std::string& dir, const std::vector<Person>& people) {
  auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  set_driver("/DRIVER=C4TPSX.DLL");
  subject_module_setup();
  ASSERT_EQ(RT_FILE_CREATE(&SUBJECT), 0);
  ASSERT_EQ(RT_FILE_OPEN(&SUBJECT, vx::kOpenShared), 0);
  struct Closer {
    ~Closer() {
      RT_FILE_CLOSE(&SUBJECT);
      VX_SHUTDOWN();
    }
  } closer;
  for (const Person& p : people) {
    subject_module_setup();
    SUB.MASTERC = p.master;
    vx::app::set_subject_code(SUB, p.master * 100 + 25);  // the unique key
    vx::app::set_text(SUB.FNAME, p.first);
    vx::app::set_text(SUB.LNAME, p.last);
    vx::app::set_text(SUB.CITY1, "Springfield");
    SUB.SUPERFEE = 12.5 * p.master;
    std::memset(subject_comment(), ' ', kSubjectCommentSize);
    std::memcpy(subject_comment(), p.comment.data(), std::min<std::size_t>(p.comment.size(), 1000));
    ASSERT_EQ(RT_FILE_ADD(&SUBJECT), 0);
  }
  std::filesystem::current_path(old);
}

std::vector<Person> demo_people(int n) {
  std::vector<Person> out;
  const char* last[] = {"Smith", "Jones", "Brown", "Smith", "Miller", "Davis", "Wilson", "Moore"};
  const char* first[] = {"Ann", "Bob", "Cid", "", "Eve", "Fay", "Gus", "Hal"};
  for (int i = 0; i < n; ++i) {
    out.push_back({100 + i, first[i % 8], last[i % 8], "comment of subject " + std::to_string(i)});
  }
  return out;
}

// Reads up to `n` records of subject.tps under the current driver string; each as the
// record buffer's 602 bytes. Stops at the first error, which goes to *error.
std::vector<std::string> read_records(int n, std::int32_t* error) {
  std::vector<std::string> out;
  *error = 0;
  RT_FILE_OPEN(&SUBJECT, vx::kOpenDenyWrite);
  RT_FILE_SETf(&SUBJECT);
  for (int i = 0; i < n; ++i) {
    if (RT_FILE_NEXT(&SUBJECT) != 0) {
      *error = RT_ERRCODE();
      break;
    }
    out.emplace_back(reinterpret_cast<const char*>(&SUB), sizeof SUB);
  }
  RT_FILE_CLOSE(&SUBJECT);
  return out;
}

// Drops the date and time after "-connected-" / "-disconnected-".
std::string shape(const std::string& line) {
  for (const char* tag : {"-connected-", "-disconnected-"}) {
    std::size_t at = line.find(tag);
    if (at != std::string::npos) return line.substr(0, at + std::strlen(tag));
  }
  return line;
}

class ServerProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { write_subjects(folder_.path(), demo_people(7)); }

  // Starts the headless server in the folder and waits until it listens.
  std::unique_ptr<Process> start_server() {
    auto p =
        std::make_unique<Process>("vxdemoabc", std::vector<std::string>{"--ui=headless", "/SERVER"},
                                  folder_.path(), std::vector<std::string>{}, "server");
    EXPECT_TRUE(p->started());
    EXPECT_TRUE(eventually([] { return RawClient().connected(); }));
    return p;
  }

  WorkFolder folder_;
};

TEST_F(ServerProcessTest, RemoteReadIsByteIdenticalToALocalOne) {
  auto server = start_server();
  // The probe connections above are logged too; count from here.
  ASSERT_TRUE(eventually([&] { return server->out_lines().size() >= 2; }));
  std::size_t skip = server->out_lines().size();

  std::filesystem::current_path(folder_.path());
  set_driver("/DRIVER=C4TPSX.DLL /CLIENT /HOST=127.0.0.1");
  std::int32_t remote_error = 0;
  std::vector<std::string> remote = read_records(8, &remote_error);  // one past the last
  VX_SHUTDOWN();

  set_driver("/DRIVER=C4TPSX.DLL");
  std::int32_t local_error = 0;
  std::vector<std::string> local = read_records(8, &local_error);
  VX_SHUTDOWN();

  ASSERT_EQ(remote.size(), 7u);
  ASSERT_EQ(local.size(), 7u);
  for (std::size_t i = 0; i < local.size(); ++i) EXPECT_EQ(remote[i], local[i]) << "record " << i;
  EXPECT_EQ(remote_error, vx::kRecordNotAvailable);
  EXPECT_EQ(local_error, vx::kRecordNotAvailable);

  // The server's log on its standard output, in the order the lines were added.
  ASSERT_TRUE(eventually([&] {
    auto lines = server->out_lines();
    return !lines.empty() && lines.back().find("-disconnected-") != std::string::npos &&
           lines.size() > skip;
  }));
  auto lines = server->out_lines();
  std::vector<std::string> mine(lines.begin() + static_cast<std::ptrdiff_t>(skip), lines.end());
  ASSERT_FALSE(mine.empty());
  std::string s = mine.front().substr(0, mine.front().find('-'));
  std::vector<std::string> expected = {s + "-connected-", s + "-(8) 25", s + "-(8) 41"};
  for (int i = 0; i < 8; ++i) expected.push_back(s + "-(8) 24");
  expected.push_back(s + "-(8) 7");
  expected.push_back(s + "-disconnected-");
  std::vector<std::string> shaped;
  for (const auto& l : mine) shaped.push_back(shape(l));
  EXPECT_EQ(shaped, expected);
  EXPECT_EQ(server->stop(SIGTERM), 0) << server->err();
}

TEST_F(ServerProcessTest, EndsCleanlyOnSigintWithAClientConnected) {
  auto server = start_server();
  RawClient c;
  ASSERT_TRUE(c.send(request(25)));
  EXPECT_EQ(c.status(), 0);
  EXPECT_EQ(server->stop(SIGINT), 0) << server->err();
  EXPECT_TRUE(c.ends());
}

// The client window of each program, run headless: it prints its rows.
class ClientWindowTest : public ServerProcessTest {
 protected:
  // Opens the remote client window from the frame's menu, lets it fill, closes it and
  // the frame; returns the rows it printed.
  std::vector<std::string> run_client(const std::string& program, std::string* err = nullptr) {
    std::string dir = client_folder_.path();
    Process p(program, {"--ui=headless"}, dir, {"VX_UI_SCRIPT=-"}, program, /*piped_input=*/true);
    p.input("wait 1\npress 1 -10\nwait 2 client\n");
    EXPECT_TRUE(eventually([&] {
      auto rows = p.out_lines();
      return !rows.empty() && rows.back() == "Done.";
    })) << p.err();
    p.input("close 2\nclose 1\n");
    EXPECT_EQ(p.wait(), 0) << p.err();
    if (err) *err = p.err();
    return p.out_lines();
  }
  WorkFolder client_folder_;
};

TEST_F(ClientWindowTest, AbcdemReadsFiveSubjectsThroughTheServer) {
  auto server = start_server();
  auto rows = run_client("vxabcdem");
  EXPECT_EQ(rows, (std::vector<std::string>{"Smith-Ann", "Jones-Bob", "Brown-Cid", "Smith-",
                                            "Miller-Eve", "Done."}));
  // The window's close shut the relay down: one connection, closed once.
  ASSERT_TRUE(eventually([&] {
    auto l = server->out_lines();
    return !l.empty() && l.back().find("-disconnected-") != std::string::npos &&
           std::count_if(l.begin(), l.end(), [](const std::string& x) {
             return x.find("-(8) 24") != std::string::npos;
           }) >= 5;
  }));
  auto lines = server->out_lines();
  auto count = [&](const char* what) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& x) { return x.find(what) != std::string::npos; });
  };
  EXPECT_EQ(count("-(8) 24"), 5);
  // The probe that found the server listening, and the window's one connection, which
  // its close shut down once.
  EXPECT_EQ(count("-connected-"), 2);
  EXPECT_EQ(count("-disconnected-"), 2);
  EXPECT_EQ(server->stop(), 0);
}

TEST_F(ClientWindowTest, DemoabcListsLocalCommentsCutAt200) {
  // vxdemoabc sends its client text to the driver; the driver string stays local, so
  // the window lists the file in its own folder.
  std::vector<Person> people = demo_people(2);
  people[0].comment = std::string(250, 'x');
  write_subjects(client_folder_.path(), people);
  auto rows = run_client("vxdemoabc");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], "Smith-" + std::string(194, 'x'));
  EXPECT_EQ(rows[1], "Jones-comment of subject 1");
  EXPECT_EQ(rows[2], "Done.");
}

TEST_F(ClientWindowTest, EmptyFileShowsOnlyDone) {
  write_subjects(client_folder_.path(), {});
  EXPECT_EQ(run_client("vxdemoabc"), (std::vector<std::string>{"Done."}));
}

TEST_F(ClientWindowTest, NoServerReportsAndReadsLocally) {
  write_subjects(client_folder_.path(), demo_people(2));
  std::string err;
  auto rows = run_client("vxabcdem", &err);
  EXPECT_NE(err.find("WinSock Error"), std::string::npos) << err;
  EXPECT_NE(err.find("Did you run the demo with the /Server command first?"), std::string::npos)
      << err;
  EXPECT_EQ(rows, (std::vector<std::string>{"Smith-Ann", "Jones-Bob", "Done."}));
}

}  // namespace
