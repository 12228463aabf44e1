#include "server/activity_log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using vx::server::DataQueue;

class ActivityLogTest : public ::testing::Test {
 protected:
  void SetUp() override { DataQueue().clear(); }
  void TearDown() override {
    DataQueue().set_listener(nullptr);
    DataQueue().clear();
  }
};

TEST_F(ActivityLogTest, NewestFirstWithDescendingOrder) {
  AddLogLine("first");
  AddLogLine("second");
  AddLogLine("third");
  ASSERT_EQ(DataQueue().records(), 3u);
  EXPECT_EQ(DataQueue().lines(), (std::vector<std::string>{"third", "second", "first"}));
  EXPECT_EQ(DataQueue().get(1).DATAORDER, 1022);
  EXPECT_EQ(DataQueue().get(2).DATAORDER, 1023);
  EXPECT_EQ(DataQueue().get(3).DATAORDER, 1024);
}

TEST_F(ActivityLogTest, LineIsCutOrPaddedTo200) {
  AddLogLine(std::string(250, 'x'));
  AddLogLine("short");
  EXPECT_EQ(std::string(DataQueue().get(2).DATALINE, 200), std::string(200, 'x'));
  EXPECT_EQ(std::string(DataQueue().get(1).DATALINE, 200), "short" + std::string(195, ' '));
}

TEST_F(ActivityLogTest, ClearEmptiesTheLog) {
  AddLogLine("a");
  auto v = DataQueue().version();
  DataQueue().clear();
  EXPECT_EQ(DataQueue().records(), 0u);
  EXPECT_GT(DataQueue().version(), v);
  AddLogLine("b");
  EXPECT_EQ(DataQueue().get(1).DATAORDER, 1024);
}

// A long-running server: the order never wraps past 16 bits and the log stays bounded,
// newest first, with the order consistent across a trim.
TEST_F(ActivityLogTest, BoundedAndNeverWraps) {
  const int total = 40000;  // past 33793, where 1024 - count would wrap
  for (int i = 1; i <= total; ++i) AddLogLine(std::to_string(i));
  std::size_t n = DataQueue().records();
  EXPECT_LE(n, vx::server::kMaxLogLines);
  EXPECT_GE(n, vx::server::kKeptLogLines);
  auto lines = DataQueue().lines();
  for (std::size_t i = 0; i < n; ++i) {
    ASSERT_EQ(lines[i], std::to_string(total - static_cast<int>(i)));
    ASSERT_EQ(DataQueue().get(i + 1).DATAORDER, 1024 - static_cast<int>(n - 1 - i));
  }
}

TEST_F(ActivityLogTest, ListenerSeesEachLineTrimmed) {
  std::vector<std::string> seen;
  DataQueue().set_listener([&](const std::string& s) { seen.push_back(s); });
  AddLogLine("12-connected-  ");
  AddLogLine("12-(8) 25");
  EXPECT_EQ(seen, (std::vector<std::string>{"12-connected-", "12-(8) 25"}));
}

TEST_F(ActivityLogTest, ConcurrentAddersLoseNothing) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) AddLogLine(std::to_string(t) + ":" + std::to_string(i));
    });
  }
  for (auto& th : threads) th.join();
  ASSERT_EQ(DataQueue().records(), 1600u);
  for (std::size_t i = 1; i <= 1600; ++i) {
    ASSERT_EQ(DataQueue().get(i).DATAORDER, 1024 - static_cast<int>(1600 - i));
  }
}

}  // namespace
