#include "server/request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vx::server::RequestGatherer;
using State = RequestGatherer::State;

std::string le(std::int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i)
    s[i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xff);
  return s;
}
const std::string kMarker(vx::server::kEndMarker, 7);
std::string header(std::int32_t op, std::int32_t file = 1,
                   std::string info = std::string(12, ' ')) {
  return le(op) + le(file) + info;
}

// Feeds `chunks` in order and returns the state after each.
std::vector<State> feed(RequestGatherer& g, const std::vector<std::string>& chunks) {
  std::vector<State> out;
  for (const auto& c : chunks) out.push_back(g.append(c.data(), c.size()));
  return out;
}

TEST(RequestGatherer, CompletesOnlyWhenTheMarkerIsWhole) {
  struct Case {
    const char* name;
    std::vector<std::string> chunks;
    std::string request;
  };
  const std::string h = header(25);
  const std::vector<Case> cases = {
      {"one read", {h + kMarker}, h},
      {"header in pieces", {h.substr(0, 3), h.substr(3, 10), h.substr(13) + kMarker}, h},
      {"marker split", {h + kMarker.substr(0, 3), kMarker.substr(3)}, h},
      {"marker byte by byte",
       {h, kMarker.substr(0, 1), kMarker.substr(1, 1), kMarker.substr(2, 1), kMarker.substr(3, 1),
        kMarker.substr(4, 1), kMarker.substr(5, 1), kMarker.substr(6, 1)},
       h},
      // Bytes after the marker become part of the request: up to the last non-blank
      // byte, less seven.
      {"bytes after the marker", {h + kMarker + "XY"}, h + kMarker.substr(0, 2)},
      {"blanks after the marker", {h + kMarker + "   "}, h},
  };
  for (const auto& c : cases) {
    RequestGatherer g;
    auto states = feed(g, c.chunks);
    for (std::size_t i = 0; i + 1 < states.size(); ++i)
      EXPECT_EQ(states[i], State::kPartial) << c.name;
    ASSERT_EQ(states.back(), State::kComplete) << c.name;
    EXPECT_EQ(std::string(g.request()), c.request) << c.name;
  }
}

TEST(RequestGatherer, OverflowAppendsNothing) {
  RequestGatherer g;
  std::string big(vx::server::kRequestBufferSize - 10, 'a');
  EXPECT_EQ(g.append(big.data(), big.size()), State::kPartial);
  std::string more(11, 'b');
  EXPECT_EQ(g.append(more.data(), more.size()), State::kOverflow);
  EXPECT_EQ(g.length(), big.size());
  std::string fits(10, 'c');
  EXPECT_EQ(g.append(fits.data(), fits.size()), State::kPartial);
  EXPECT_EQ(g.length(), vx::server::kRequestBufferSize);
}

TEST(RequestGatherer, ResetStartsAFreshRequest) {
  RequestGatherer g;
  std::string a = header(41) + kMarker;
  ASSERT_EQ(g.append(a.data(), a.size()), State::kComplete);
  g.reset();
  EXPECT_EQ(g.length(), 0u);
  std::string b = header(7) + kMarker;
  ASSERT_EQ(g.append(b.data(), b.size()), State::kComplete);
  EXPECT_EQ(vx::server::request_action(g.request()), 7);
}

TEST(RequestFields, HeaderAndLogLine) {
  std::string r = header(45, 1, le(1) + std::string(8, ' '));
  EXPECT_EQ(vx::server::request_action(r), 45);
  EXPECT_EQ(vx::server::request_file(r), 1);
  EXPECT_EQ(vx::server::request_key(r), 1);
  // A blank header text is not counted: "128-(8) 25".
  EXPECT_EQ(vx::server::request_log_line(128, header(25)), "128-(8) 25");
  // Fields past a short request read as blanks.
  EXPECT_EQ(vx::server::request_file("ab"), 0x20202020);
}

TEST(RequestValues, ParsesOrRefusesWhole) {
  struct Case {
    const char* name;
    std::string tail;
    bool ok;
    std::vector<std::string> values;
  };
  const std::vector<Case> cases = {
      {"none", "", true, {}},
      {"one", le(3) + "abc", true, {"abc"}},
      {"two, second empty", le(2) + "ab" + le(0), true, {"ab", ""}},
      {"negative length", le(-1) + "abc", false, {}},
      {"runs past the end", le(3) + "abc" + le(50) + "xy", false, {}},
      {"huge length", le(0x7fffffff) + "x", false, {}},
      {"truncated length", le(1) + "a" + "zz", false, {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> values{"stale"};
    EXPECT_EQ(vx::server::parse_request_values(header(30) + c.tail, &values), c.ok) << c.name;
    EXPECT_EQ(values, c.values) << c.name;
  }
}

}  // namespace
