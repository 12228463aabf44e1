// WSAAsyncSelect over real loopback sockets: which notifications come, and when the
// next one may come.
#include "platform/asyncselect.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

namespace {

namespace ws = winsock;
using ws::SOCKADDR;
using ws::SOCKADDR_IN;

constexpr UINT kMessage = 1125;

struct Note {
  SOCKET s;
  std::uint16_t event;
  std::uint16_t error;
};

// A window whose posted messages land in a queue the test reads.
class NoteWindow {
 public:
  NoteWindow() {
    window_ = vx::user32::create_window(nullptr, [this](HWND, UINT m, WPARAM w, LPARAM l) {
      std::lock_guard<std::mutex> lock(mu_);
      if (m == kMessage) {
        notes_.push_back(Note{static_cast<SOCKET>(w), WSAGETSELECTEVENT(l), WSAGETSELECTERROR(l)});
      }
      cv_.notify_all();
    });
  }
  ~NoteWindow() { vx::user32::destroy_window(window_); }
  HWND handle() const { return window_; }

  // The next note; fails the test when none comes within a generous bound.
  Note next() {
    std::unique_lock<std::mutex> lock(mu_);
    bool got = cv_.wait_for(lock, std::chrono::seconds(10), [&] { return !notes_.empty(); });
    EXPECT_TRUE(got) << "no notification";
    if (!got) return Note{0, 0, 0};
    Note n = notes_.front();
    notes_.pop_front();
    return n;
  }
  // True when no note arrives for a short while (only ever gives false passes).
  bool quiet() {
    std::unique_lock<std::mutex> lock(mu_);
    return !cv_.wait_for(lock, std::chrono::milliseconds(150), [&] { return !notes_.empty(); });
  }

 private:
  HWND window_;
  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<Note> notes_;
};

class AsyncSelectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(0x0101, &data), 0);
    listener_ = ws::socket(ws::kAfInet, ws::kSockStream, 0);
    ASSERT_NE(listener_, INVALID_SOCKET);
    SOCKADDR_IN addr{};
    addr.sin_family = ws::kAfInet;
    addr.sin_addr.s_addr = ws::inet_addr("127.0.0.1");
    addr.sin_port = 0;
    ASSERT_EQ(ws::bind(listener_, reinterpret_cast<SOCKADDR*>(&addr), sizeof addr), 0);
    ASSERT_EQ(ws::listen(listener_, 5), 0);
    int len = sizeof addr;
    ASSERT_EQ(ws::getsockname(listener_, reinterpret_cast<SOCKADDR*>(&addr), &len), 0);
    address_ = addr;
    ASSERT_EQ(WSAAsyncSelect(listener_, window_.handle(), kMessage, FD_READ | FD_ACCEPT | FD_CLOSE),
              0);
  }
  void TearDown() override {
    ws::closesocket(listener_);
    WSACleanup();
  }

  SOCKET connect_client() {
    SOCKET c = ws::socket(ws::kAfInet, ws::kSockStream, 0);
    EXPECT_EQ(ws::connect(c, reinterpret_cast<SOCKADDR*>(&address_), sizeof address_), 0);
    return c;
  }
  // Accepts the connection the next FD_ACCEPT announces.
  SOCKET accept_next() {
    Note n = window_.next();
    EXPECT_EQ(n.s, listener_);
    EXPECT_EQ(n.event, FD_ACCEPT);
    return ws::accept(listener_, nullptr, nullptr);
  }

  NoteWindow window_;
  SOCKET listener_ = INVALID_SOCKET;
  SOCKADDR_IN address_{};
};

TEST_F(AsyncSelectTest, AcceptIsAnnouncedOnceUntilAcceptIsCalled) {
  SOCKET a = connect_client();
  SOCKET b = connect_client();
  Note first = window_.next();
  EXPECT_EQ(first.event, FD_ACCEPT);
  EXPECT_TRUE(window_.quiet()) << "a second FD_ACCEPT before accept";
  SOCKET s1 = ws::accept(listener_, nullptr, nullptr);
  ASSERT_NE(s1, INVALID_SOCKET);
  SOCKET s2 = accept_next();  // the second waiting connection
  ASSERT_NE(s2, INVALID_SOCKET);
  // Accepted sockets are non-blocking: a recv with nothing there fails at once.
  EXPECT_TRUE(vx::platform::socket_nonblocking(s1));
  char c;
  EXPECT_EQ(ws::recv(s1, &c, 1, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  for (SOCKET s : {a, b, s1, s2}) ws::closesocket(s);
}

TEST_F(AsyncSelectTest, ReadIsReEnabledByRecvAndCloseComesAfterTheData) {
  SOCKET client = connect_client();
  SOCKET s = accept_next();
  ASSERT_NE(s, INVALID_SOCKET);
  ASSERT_EQ(ws::send(client, "abcdef", 6, 0), 6);
  Note n = window_.next();
  EXPECT_EQ(n.s, s);
  EXPECT_EQ(n.event, FD_READ);
  ASSERT_EQ(ws::send(client, "gh", 2, 0), 2);
  EXPECT_TRUE(window_.quiet()) << "a second FD_READ before recv";
  char buf[16];
  ASSERT_EQ(ws::recv(s, buf, 3, 0), 3);  // leaves data behind: announced again
  n = window_.next();
  EXPECT_EQ(n.event, FD_READ);
  // The peer closes with data still unread: the data first, then one FD_CLOSE.
  ws::closesocket(client);
  EXPECT_TRUE(window_.quiet()) << "FD_CLOSE while data is unread";
  ASSERT_EQ(ws::recv(s, buf, static_cast<int>(sizeof buf), 0), 5);
  n = window_.next();
  EXPECT_EQ(n.s, s);
  EXPECT_EQ(n.event, FD_CLOSE);
  EXPECT_EQ(n.error, 0);
  EXPECT_EQ(ws::recv(s, buf, static_cast<int>(sizeof buf), 0), 0);
  EXPECT_TRUE(window_.quiet()) << "FD_CLOSE twice";
  ws::closesocket(s);
}

TEST_F(AsyncSelectTest, ResetConnectionClosesWithAnError) {
  SOCKET client = connect_client();
  SOCKET s = accept_next();
  ASSERT_NE(s, INVALID_SOCKET);
  linger l{1, 0};  // close with a reset
  ASSERT_EQ(
      ::setsockopt(vx::platform::socket_descriptor(client), SOL_SOCKET, SO_LINGER, &l, sizeof l),
      0);
  ws::closesocket(client);
  Note n = window_.next();
  EXPECT_EQ(n.s, s);
  EXPECT_EQ(n.event, FD_CLOSE);
  EXPECT_EQ(n.error, WSAECONNRESET);
  ws::closesocket(s);
}

TEST_F(AsyncSelectTest, ClosedSocketIsForgotten) {
  SOCKET client = connect_client();
  SOCKET s = accept_next();
  ASSERT_NE(s, INVALID_SOCKET);
  int watched = vx::platform::async_select_count();
  ws::closesocket(s);
  EXPECT_EQ(vx::platform::async_select_count(), watched - 1);
  ws::send(client, "x", 1, 0);
  ws::closesocket(client);
  EXPECT_TRUE(window_.quiet()) << "a notification for a closed socket";
}

TEST_F(AsyncSelectTest, CancelAndBadArguments) {
  EXPECT_EQ(WSAAsyncSelect(listener_, window_.handle(), kMessage, 0), 0);
  SOCKET client = connect_client();
  EXPECT_TRUE(window_.quiet()) << "notified after cancel";
  EXPECT_EQ(WSAAsyncSelect(4321, window_.handle(), kMessage, FD_READ), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  EXPECT_EQ(WSAAsyncSelect(listener_, nullptr, kMessage, FD_READ), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
  ws::closesocket(client);
}

}  // namespace
