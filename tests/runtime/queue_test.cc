#include "runtime/queue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/error.h"

namespace {

// The shape of the server's connection registry: a 16-bit key and a payload.
struct Conn {
  std::uint16_t SOCKETID;
  std::int32_t THREADID;
};

vx::Queue<Conn> registry() {
  return vx::Queue<Conn>([](const Conn& c) { return c.SOCKETID; });
}

std::vector<std::pair<int, int>> contents(const vx::Queue<Conn>& q) {
  std::vector<std::pair<int, int>> out;
  for (const Conn& c : q) out.emplace_back(c.SOCKETID, c.THREADID);
  return out;
}

void add_key(vx::Queue<Conn>& q, std::uint16_t socket, std::int32_t thread) {
  q.buffer = {socket, thread};
  ASSERT_EQ(RT_ADDqueuekey(q), 0);
}

TEST(Queue, InsertsInKeyOrderAfterEqualKeys) {
  auto q = registry();
  add_key(q, 30, 1);
  add_key(q, 10, 2);
  add_key(q, 20, 3);
  add_key(q, 10, 4);  // equal key: after the earlier 10
  add_key(q, 40, 5);
  EXPECT_EQ(contents(q),
            (std::vector<std::pair<int, int>>{{10, 2}, {10, 4}, {20, 3}, {30, 1}, {40, 5}}));
  EXPECT_EQ(RT_RECORDSqueue(q), 5);
  EXPECT_EQ(RT_ERRCODE(), 0);
}

TEST(Queue, GetByKeyFillsBufferOrSets30AndLeavesBuffer) {
  auto q = registry();
  for (std::uint16_t s : {5, 1, 9, 5, 3}) add_key(q, s, s * 100 + static_cast<int>(q.size()));
  struct Case {
    std::uint16_t key;
    std::int32_t code;
    std::int32_t thread;  // buffer's THREADID afterwards
    std::size_t pointer;
  } cases[] = {
      {1, 0, 101, 1}, {3, 0, 304, 2}, {5, 0, 500, 3},  // first of the two 5s
      {9, 0, 902, 5}, {0, 30, -7, 0}, {4, 30, -7, 0}, {10, 30, -7, 0},
  };
  for (const Case& c : cases) {
    q.buffer = {c.key, -7};
    RT_seterror(99);
    EXPECT_EQ(RT_GETqueuekey(q), c.code) << c.key;
    EXPECT_EQ(RT_ERRCODE(), c.code) << c.key;
    EXPECT_EQ(q.buffer.SOCKETID, c.key);
    EXPECT_EQ(q.buffer.THREADID, c.thread) << c.key;
    if (c.code == 0) {
      EXPECT_EQ(q.pointer(), c.pointer) << c.key;
    }
  }
}

TEST(Queue, GetByPositionCountsFromOne) {
  vx::Queue<Conn> q;  // no key: plain list in the order added
  for (int i = 1; i <= 3; ++i) {
    q.buffer = {static_cast<std::uint16_t>(10 * i), i};
    ASSERT_EQ(RT_ADDqueue(q), 0);
  }
  struct Case {
    std::int64_t pos;
    std::int32_t code;
    std::int32_t thread;
  } cases[] = {{1, 0, 1}, {3, 0, 3}, {2, 0, 2}, {0, 30, 2}, {4, 30, 2}, {-1, 30, 2}};
  for (const Case& c : cases) {
    EXPECT_EQ(RT_GETqueueptr(q, c.pos), c.code) << c.pos;
    EXPECT_EQ(RT_ERRCODE(), c.code) << c.pos;
    EXPECT_EQ(q.buffer.THREADID, c.thread) << c.pos;  // a miss leaves the last hit
  }
}

TEST(Queue, PutStoresOverTheEntryLastGot) {
  // The registry's reuse of a socket number: look up, replace the thread, store.
  auto q = registry();
  add_key(q, 7, 1);
  add_key(q, 8, 2);
  q.buffer = {7, 0};
  ASSERT_EQ(RT_GETqueuekey(q), 0);
  q.buffer.THREADID = 42;
  EXPECT_EQ(RT_PUTqueuekey(q), 0);
  EXPECT_EQ(contents(q), (std::vector<std::pair<int, int>>{{7, 42}, {8, 2}}));

  // Put right after an add rewrites the added entry.
  add_key(q, 9, 3);
  q.buffer.THREADID = 33;
  EXPECT_EQ(RT_PUTqueuekey(q), 0);
  EXPECT_EQ(contents(q), (std::vector<std::pair<int, int>>{{7, 42}, {8, 2}, {9, 33}}));
}

TEST(Queue, PutThatChangesTheKeyKeepsKeyOrder) {
  auto q = registry();
  for (std::uint16_t s : {1, 2, 3, 4}) add_key(q, s, s);
  ASSERT_EQ(RT_GETqueueptr(q, 1), 0);
  q.buffer.SOCKETID = 9;
  ASSERT_EQ(RT_PUTqueuekey(q), 0);
  EXPECT_EQ(contents(q), (std::vector<std::pair<int, int>>{{2, 2}, {3, 3}, {4, 4}, {9, 1}}));
  EXPECT_EQ(q.pointer(), 4u);  // still the entry last got
  q.buffer = {9, 0};
  EXPECT_EQ(RT_GETqueuekey(q), 0);
  EXPECT_EQ(q.buffer.THREADID, 1);
}

TEST(Queue, DeleteRemovesTheEntryLastGotOnlyOnce) {
  auto q = registry();
  for (std::uint16_t s : {1, 2, 3}) add_key(q, s, s);
  q.buffer = {2, 0};
  ASSERT_EQ(RT_GETqueuekey(q), 0);
  EXPECT_EQ(RT_DELETEqueue(q), 0);
  EXPECT_EQ(q.buffer.THREADID, 2);  // the buffer keeps its copy
  EXPECT_EQ(contents(q), (std::vector<std::pair<int, int>>{{1, 1}, {3, 3}}));
  // Nothing is "last got" any more: a second delete or a put must not hit a neighbour.
  EXPECT_EQ(RT_DELETEqueue(q), 30);
  EXPECT_EQ(RT_PUTqueuekey(q), 30);
  EXPECT_EQ(contents(q), (std::vector<std::pair<int, int>>{{1, 1}, {3, 3}}));
}

TEST(Queue, PutOrDeleteBeforeAnyGetSets30) {
  vx::Queue<Conn> q;
  EXPECT_EQ(RT_PUTqueuekey(q), 30);
  EXPECT_EQ(RT_DELETEqueue(q), 30);
  EXPECT_EQ(RT_RECORDSqueue(q), 0);
}

TEST(Queue, FreeEmptiesAndForgetsTheEntryLastGot) {
  auto q = registry();
  for (std::uint16_t s : {1, 2, 3}) add_key(q, s, s);
  ASSERT_EQ(RT_GETqueueptr(q, 2), 0);
  RT_seterror(30);
  RT_FREEqueue(q);
  EXPECT_EQ(RT_ERRCODE(), 0);
  EXPECT_EQ(RT_RECORDSqueue(q), 0);
  EXPECT_EQ(q.buffer.SOCKETID, 2);
  EXPECT_EQ(RT_DELETEqueue(q), 30);
  q.buffer = {2, 0};
  EXPECT_EQ(RT_GETqueuekey(q), 30);
  add_key(q, 5, 5);  // usable again
  EXPECT_EQ(RT_RECORDSqueue(q), 1);
}

TEST(Queue, KeyOperationsWithoutAKeyAreRefused) {
  vx::Queue<Conn> q;
  q.buffer = {1, 1};
  EXPECT_EQ(RT_ADDqueuekey(q), vx::kBadRequest);
  EXPECT_EQ(RT_GETqueuekey(q), vx::kBadRequest);
  EXPECT_EQ(RT_RECORDSqueue(q), 0);
}

// The activity log's shape: a text and a descending counter, ordered ascending, so the
// newest line is always first; a comparator instead of a key extractor.
struct LogLine {
  char DATALINE[8];
  std::int16_t DATAORDER;
};

TEST(Queue, ComparatorKeyAndNewestFirstLog) {
  vx::Queue<LogLine> log([](const LogLine& a, const LogLine& b) {
    return static_cast<int>(a.DATAORDER) - static_cast<int>(b.DATAORDER);
  });
  for (const char* text : {"one", "two", "three"}) {
    std::memset(log.buffer.DATALINE, ' ', sizeof log.buffer.DATALINE);
    std::memcpy(log.buffer.DATALINE, text, std::strlen(text));
    log.buffer.DATAORDER = static_cast<std::int16_t>(1024 - RT_RECORDSqueue(log));
    ASSERT_EQ(RT_ADDqueuekey(log), 0);
  }
  std::vector<std::string> got;
  for (std::int64_t i = 1; i <= RT_RECORDSqueue(log); ++i) {
    ASSERT_EQ(RT_GETqueueptr(log, i), 0);
    got.emplace_back(log.buffer.DATALINE, 8);
    EXPECT_EQ(log.buffer.DATAORDER, 1021 + i);  // 1022, 1023, 1024
  }
  EXPECT_EQ(got, (std::vector<std::string>{"three   ", "two     ", "one     "}));
}

TEST(Queue, AppendOutOfKeyOrderStillFindsByKey) {
  auto q = registry();
  for (std::uint16_t s : {5, 1, 3}) {
    q.buffer = {s, s};
    ASSERT_EQ(RT_ADDqueue(q), 0);
  }
  add_key(q, 2, 2);  // before the first greater entry
  EXPECT_EQ(contents(q), (std::vector<std::pair<int, int>>{{2, 2}, {5, 5}, {1, 1}, {3, 3}}));
  for (std::uint16_t s : {1, 2, 3, 5}) {
    q.buffer = {s, 0};
    EXPECT_EQ(RT_GETqueuekey(q), 0) << s;
    EXPECT_EQ(q.buffer.THREADID, s);
  }
  q.buffer = {4, 0};
  EXPECT_EQ(RT_GETqueuekey(q), 30);
}

TEST(Queue, LargeKeyedTableAgreesWithItsOrder) {
  auto q = registry();
  std::uint32_t x = 12345;
  for (int i = 0; i < 2000; ++i) {
    x = x * 1103515245u + 12345u;
    add_key(q, static_cast<std::uint16_t>(x >> 20), i);
  }
  ASSERT_EQ(q.size(), 2000u);
  for (std::size_t i = 2; i <= q.size(); ++i) ASSERT_LE(q.at(i - 1).SOCKETID, q.at(i).SOCKETID);
  for (std::size_t i = 1; i <= q.size(); ++i) {
    q.buffer = {q.at(i).SOCKETID, -1};
    ASSERT_EQ(RT_GETqueuekey(q), 0);
    ASSERT_EQ(q.buffer.SOCKETID, q.at(i).SOCKETID);
    ASSERT_LE(q.pointer(), i);  // the first of equal keys
  }
}

}  // namespace
