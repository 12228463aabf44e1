// The file and relation managers over a real data file (VEXGATE and the record-file
// driver) in a temporary folder.
#include "classlib/filemanager.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "classlib/relationmanager.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "tests/server/served_fixture.h"

namespace {

using namespace vx::testing;

struct Reported {
  std::vector<std::int32_t> codes;
  vx::FileManager::ErrorReporter reporter() {
    return [this](std::int32_t code, const std::string&) { codes.push_back(code); };
  }
};

class FileManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fm_.Init(&file_.fcb, reported_.reporter());
    fm_.UseFile(&file_.decl.type, kRecordLen, file_.record);
  }
  void TearDown() override {
    fm_.Kill();
    RT_FILE_CLOSE(&file_.fcb);
  }
  WorkFolder folder_;
  ServedFile file_;
  Reported reported_;
  vx::FileManager fm_;
};

TEST_F(FileManagerTest, CreatesAMissingFileWhenAsked) {
  fm_.SetCreate(true);
  EXPECT_EQ(fm_.Open(), 0);
  EXPECT_EQ(fm_.opened(), 1);
  EXPECT_TRUE(reported_.codes.empty());
  EXPECT_EQ(RT_FILE_RECORDS(&file_.fcb), 0);
}

TEST_F(FileManagerTest, MissingFileWithoutCreateIsReported) {
  EXPECT_EQ(fm_.Open(), vx::kFileNotFound);
  EXPECT_EQ(fm_.opened(), 0);
  EXPECT_EQ(reported_.codes, (std::vector<std::int32_t>{vx::kFileNotFound}));
}

TEST_F(FileManagerTest, OpensCountSoWindowsShareOneOpen) {
  file_.create(3);
  vx::RelationManager rm;
  rm.Init(&fm_, 1);
  std::vector<std::thread> windows;
  for (int i = 0; i < 4; ++i) windows.emplace_back([&] { EXPECT_EQ(rm.Open(), 0); });
  for (auto& t : windows) t.join();
  EXPECT_EQ(fm_.opened(), 4);
  EXPECT_TRUE(reported_.codes.empty());  // no second real open was refused
  for (int i = 0; i < 3; ++i) EXPECT_EQ(rm.Close(), 0);
  RT_FILE_SETf(&file_.fcb);
  EXPECT_EQ(RT_FILE_NEXT(&file_.fcb), 0) << "still open for the last window";
  EXPECT_EQ(rm.Close(), 0);
  EXPECT_EQ(fm_.opened(), 0);
  EXPECT_EQ(RT_FILE_NEXT(&file_.fcb), vx::kFileNotOpen);
  rm.Kill();
  EXPECT_EQ(rm.primary(), nullptr);
  EXPECT_EQ(fm_.file(), nullptr) << "the relation manager took its file manager down";
}

TEST_F(FileManagerTest, KeysAreRegisteredInOrder) {
  fm_.AddKey(1, "sub:BYLASTNAME");
  fm_.AddKey(2, "sub:BYMASTERC");
  ASSERT_EQ(fm_.keys().size(), 2u);
  EXPECT_EQ(fm_.keys()[1].number, 2);
  EXPECT_EQ(fm_.keys()[1].description, "sub:BYMASTERC");
  EXPECT_FALSE(fm_.keys()[1].auto_number);
}

// Another process holds the file denying writers for a moment: the open is refused
// (access denied), the manager sends "Recover=10" and the second open waits for it.
TEST_F(FileManagerTest, LockRecoveryWaitsForTheOtherOpener) {
  file_.create(1);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  if (child == 0) {
    ServedFile own;
    int ok = RT_FILE_OPEN(&own.fcb, vx::kOpenDenyWrite) == 0;
    ssize_t n = write(ready[1], &ok, sizeof ok);
    (void)n;
    usleep(700 * 1000);
    RT_FILE_CLOSE(&own.fcb);
    _exit(0);
  }
  int ok = 0;
  ASSERT_EQ(read(ready[0], &ok, sizeof ok), static_cast<ssize_t>(sizeof ok));
  ASSERT_EQ(ok, 1);
  {
    vx::FileManager plain;
    Reported r;
    plain.Init(&file_.fcb, r.reporter());
    EXPECT_EQ(plain.Open(), vx::kAccessDenied) << "refused without lock recovery";
    EXPECT_EQ(r.codes, (std::vector<std::int32_t>{vx::kAccessDenied}));
  }
  fm_.SetLockRecover(10);
  EXPECT_EQ(fm_.Open(), 0);
  EXPECT_TRUE(reported_.codes.empty());
  int status = 0;
  waitpid(child, &status, 0);
  close(ready[0]);
  close(ready[1]);
}

}  // namespace
