// Access modes between openers of one data file: FCBs of one process and other
// processes, and the lock-recovery wait that "Recover=N" asks for.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/error.h"
#include "tests/driver/test_file.h"

namespace vx::testing {
namespace {

constexpr std::int32_t kReadOnlyShared = 0x40;
constexpr std::int32_t kReadOnlyDenyWrite = 0x20;
constexpr std::int32_t kDenyAll = 0x12;

class AccessTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(RT_FILE_CREATE(&first.fcb), 0); }

  // Runs `body` in a forked child and returns its exit status. The child leaves
  // with _exit, so nothing of the parent's is closed or flushed twice.
  template <typename F>
  int in_child(F body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  TempDir dir;
  std::string path = dir.path("a.tps");
  TestFile first{path};
};

TEST_F(AccessTest, SecondFcbInOneProcessGetsWhatTheModesAllow) {
  struct Case {
    std::int32_t first, second, code;
  } cases[] = {
      {kOpenDenyWrite, kOpenDenyWrite, kAccessDenied},
      {kOpenDenyWrite, kOpenShared, kAccessDenied},
      {kOpenShared, kOpenDenyWrite, kAccessDenied},
      {kOpenShared, kOpenShared, kNoError},
      {kOpenDenyWrite, kReadOnlyShared, kNoError},  // reading is not denied
      {kReadOnlyShared, kOpenDenyWrite, kNoError},  // a reader does not write
      {kReadOnlyDenyWrite, kOpenShared, kAccessDenied},
      {kDenyAll, kReadOnlyShared, kAccessDenied},
      {kOpenShared, kDenyAll, kAccessDenied},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.first << " then " << c.second);
    ASSERT_EQ(RT_FILE_OPEN(&first.fcb, c.first), 0);
    TestFile second(path);
    EXPECT_EQ(RT_FILE_OPEN(&second.fcb, c.second), c.code);
    EXPECT_EQ(RT_ERRCODE(), c.code);
    ASSERT_EQ(RT_FILE_CLOSE(&first.fcb), 0);
    if (c.code != 0) {
      EXPECT_EQ(RT_FILE_OPEN(&second.fcb, c.second), 0);  // free now
    }
  }
  EXPECT_EQ(RT_FILE_OPEN(&first.fcb, 0x55), kBadRequest);
}

TEST_F(AccessTest, ReadOnlyOpenRefusesWrites) {
  ASSERT_EQ(RT_FILE_OPEN(&first.fcb, kOpenShared), 0);
  ASSERT_EQ(first.add(kSubjects[0]), 0);
  TestFile reader(path);
  ASSERT_EQ(RT_FILE_OPEN(&reader.fcb, kReadOnlyShared), 0);
  ASSERT_EQ(RT_FILE_NEXT(&reader.fcb), 0);
  EXPECT_EQ(RT_FILE_PUT(&reader.fcb), kAccessDenied);
  EXPECT_EQ(RT_FILE_DELETE(&reader.fcb), kAccessDenied);
  EXPECT_EQ(reader.add(kSubjects[1]), kAccessDenied);
  EXPECT_EQ(RT_FILE_RECORDS(&first.fcb), 1);
}

TEST_F(AccessTest, CreateAndRemoveWaitForEveryOpenerToClose) {
  ASSERT_EQ(RT_FILE_OPEN(&first.fcb, kOpenShared), 0);
  ASSERT_EQ(first.add(kSubjects[0]), 0);
  TestFile other(path);
  EXPECT_EQ(RT_FILE_CREATE(&other.fcb), kAccessDenied);
  EXPECT_EQ(RT_FILE_REMOVE(&other.fcb), kAccessDenied);
  EXPECT_EQ(RT_FILE_RECORDS(&first.fcb), 1);
}

TEST_F(AccessTest, AnotherProcessIsRefusedByDenyWrite) {
  ASSERT_EQ(RT_FILE_OPEN(&first.fcb, kOpenDenyWrite), 0);
  ASSERT_EQ(first.add(kSubjects[0]), 0);
  // The child's own FCB; the parent's open descriptors are inherited but are not
  // the child's opener.
  auto child_open = [&](std::int32_t mode) {
    return in_child([&] {
      TestFile g(path);
      std::int32_t rc = RT_FILE_OPEN(&g.fcb, mode);
      if (rc == 0 && RT_FILE_RECORDS(&g.fcb) != 1) rc = 99;
      return rc;
    });
  };
  EXPECT_EQ(child_open(kOpenDenyWrite), kAccessDenied);
  EXPECT_EQ(child_open(kOpenShared), kAccessDenied);
  EXPECT_EQ(child_open(kReadOnlyShared), kNoError);
  ASSERT_EQ(RT_FILE_CLOSE(&first.fcb), 0);
  EXPECT_EQ(child_open(kOpenDenyWrite), kNoError);
}

TEST_F(AccessTest, AnOpenerThatDiesLeavesNoLock) {
  int status = in_child([&] {
    TestFile g(path);
    if (RT_FILE_OPEN(&g.fcb, kDenyAll) != 0) return 1;
    _exit(0);  // no close
  });
  ASSERT_EQ(status, 0);
  EXPECT_EQ(RT_FILE_OPEN(&first.fcb, kOpenDenyWrite), 0);
}

TEST_F(AccessTest, RecoverWaitsForTheDenyingOpenerToClose) {
  int ready[2], go[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  pid_t pid = fork();
  if (pid == 0) {
    TestFile g(path);
    char c = 0;
    if (RT_FILE_OPEN(&g.fcb, kOpenDenyWrite) != 0) _exit(1);
    if (write(ready[1], "r", 1) != 1 || read(go[0], &c, 1) != 1) _exit(2);
    usleep(200 * 1000);  // the parent is waiting in its open by now
    RT_FILE_CLOSE(&g.fcb);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  EXPECT_EQ(RT_FILE_OPEN(&first.fcb, kOpenShared), kAccessDenied);
  EXPECT_EQ(RT_FILE_SEND(&first.fcb, "Recover=30"), "Recover=30");
  EXPECT_EQ(RT_ERRCODE(), 0);
  ASSERT_EQ(write(go[1], "g", 1), 1);
  EXPECT_EQ(RT_FILE_OPEN(&first.fcb, kOpenShared), 0);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);
}

TEST_F(AccessTest, SendUnderstandsRecoverOnly) {
  struct Case {
    const char* text;
    const char* reply;
    std::int32_t code;
  } cases[] = {
      {"Recover=10", "Recover=10", 0}, {" recover=5 ", "Recover=5", 0},
      {"Recover=0", "Recover=0", 0},   {"Recover=", "", kBadRequest},
      {"Recover=-1", "", kBadRequest}, {"Recover=9x", "", kBadRequest},
      {"Hello", "", kBadRequest},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(RT_FILE_SEND(&first.fcb, c.text), c.reply);
    EXPECT_EQ(RT_ERRCODE(), c.code);
  }
}

}  // namespace
}  // namespace vx::testing
