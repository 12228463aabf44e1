#include "platform/winsock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

namespace {

class WinsockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(0x0101, &data), 0);
  }
  void TearDown() override { WSACleanup(); }

  // A listening socket on 127.0.0.1 and an ephemeral port; fills `addr` with it.
  SOCKET listener(winsock::SOCKADDR_IN* addr) {
    SOCKET s = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
    EXPECT_NE(s, INVALID_SOCKET);
    winsock::SOCKADDR_IN a{};
    a.sin_family = winsock::kAfInet;
    a.sin_addr.s_addr = winsock::inet_addr("127.0.0.1");
    EXPECT_EQ(winsock::bind(s, reinterpret_cast<winsock::SOCKADDR*>(&a), sizeof a), 0);
    EXPECT_EQ(winsock::listen(s, 5), 0);
    int len = sizeof *addr;
    EXPECT_EQ(winsock::getsockname(s, reinterpret_cast<winsock::SOCKADDR*>(addr), &len), 0);
    return s;
  }

  SOCKET connect_to(const winsock::SOCKADDR_IN& addr) {
    SOCKET s = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
    EXPECT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(winsock::connect(s, reinterpret_cast<const winsock::SOCKADDR*>(&addr), sizeof addr),
              0)
        << WSAGetLastError();
    return s;
  }
};

TEST(WinsockStartup, FillsVersionOneOne) {
  WSADATA data;
  std::memset(&data, 0x5A, sizeof data);
  ASSERT_EQ(WSAStartup(0x0101, &data), 0);
  EXPECT_EQ(data.wVersion, 0x0101);
  EXPECT_EQ(data.wHighVersion, 0x0101);
  EXPECT_GT(std::strlen(data.szDescription), 0u);
  EXPECT_LT(std::strlen(data.szDescription), sizeof data.szDescription);
  EXPECT_EQ(data.lpVendorInfo, nullptr);
  EXPECT_EQ(WSACleanup(), 0);
  EXPECT_EQ(WSAStartup(0x0001, &data), WSAVERNOTSUPPORTED);
}

TEST(WinsockStartup, SocketNeedsStartup) {
  // No start-up is outstanding here: each test cleans up after itself.
  EXPECT_EQ(winsock::socket(winsock::kAfInet, winsock::kSockStream, 0), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
}

TEST(WinsockConversions, InetAddrTakesDottedAddressesOnly) {
  struct Case {
    const char* text;
    std::uint32_t bytes;  // in memory order, as on the wire
  } cases[] = {
      {"127.0.0.1", 0x0100007Fu},          {"10.1.2.3", 0x0302010Au},
      {"127.0.0.1 ", 0x0100007Fu},  // a blank-padded host field
      {"localhost", winsock::kInaddrNone}, {"my-server", winsock::kInaddrNone},
      {"", winsock::kInaddrNone},          {"1.2.3.256", winsock::kInaddrNone},
  };
  for (const Case& c : cases) {
    std::uint32_t got = winsock::inet_addr(c.text);
    unsigned char b[4];
    std::memcpy(b, &got, 4);
    std::uint32_t as_bytes = b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t{b[3]} << 24);
    EXPECT_EQ(as_bytes, c.bytes) << '"' << c.text << '"';
  }
  std::uint16_t port = (winsock::htons)(10025);
  unsigned char p[2];
  std::memcpy(p, &port, 2);
  EXPECT_EQ(p[0], 0x27);
  EXPECT_EQ(p[1], 0x29);
  EXPECT_EQ((winsock::ntohs)(port), 10025);
}

TEST(WinsockErrors, ErrnoMapsToWinsockNumbers) {
  struct Case {
    int err;
    int wsa;
  } cases[] = {
      {ECONNREFUSED, WSAECONNREFUSED},
      {EWOULDBLOCK, WSAEWOULDBLOCK},
      {EADDRINUSE, WSAEADDRINUSE},
      {ECONNRESET, WSAECONNRESET},
      {ENOTCONN, WSAENOTCONN},
      {ETIMEDOUT, WSAETIMEDOUT},
      {EINTR, WSAEINTR},
      {EMFILE, WSAEMFILE},
      {EHOSTUNREACH, WSAEHOSTUNREACH},
      {0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vx::platform::wsa_error_from_errno(c.err), c.wsa) << std::strerror(c.err);
  }
}

TEST_F(WinsockTest, RefusedConnectionAndPerThreadLastError) {
  winsock::SOCKADDR_IN addr;
  SOCKET l = listener(&addr);
  ASSERT_EQ(winsock::closesocket(l), 0);  // nothing listens on that port any more

  SOCKET s = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
  ASSERT_NE(s, INVALID_SOCKET);
  EXPECT_EQ(winsock::connect(s, reinterpret_cast<winsock::SOCKADDR*>(&addr), sizeof addr),
            SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
  int other = -1;
  std::thread([&] { other = WSAGetLastError(); }).join();
  EXPECT_EQ(other, 0);
  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
  EXPECT_EQ(winsock::closesocket(s), 0);
}

TEST_F(WinsockTest, ConnectToUnconvertedHostIsNotAvailable) {
  SOCKET s = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
  winsock::SOCKADDR_IN addr{};
  addr.sin_family = winsock::kAfInet;
  addr.sin_port = (winsock::htons)(10025);
  addr.sin_addr.s_addr = winsock::inet_addr("server-by-name");
  EXPECT_EQ(winsock::connect(s, reinterpret_cast<winsock::SOCKADDR*>(&addr), sizeof addr),
            SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEADDRNOTAVAIL);
  winsock::closesocket(s);
}

TEST_F(WinsockTest, PeekLeavesBytesQueued) {
  winsock::SOCKADDR_IN addr;
  SOCKET l = listener(&addr);
  SOCKET c = connect_to(addr);
  SOCKET a = winsock::accept(l, nullptr, nullptr);
  ASSERT_NE(a, INVALID_SOCKET);
  EXPECT_EQ(winsock::send(c, "hello", 5, 0), 5);
  char buf[16] = {};
  EXPECT_EQ(winsock::recv(a, buf, sizeof buf, winsock::kMsgPeek), 5);
  EXPECT_EQ(std::string(buf, 5), "hello");
  std::memset(buf, 0, sizeof buf);
  EXPECT_EQ(winsock::recv(a, buf, 3, 0), 3);
  EXPECT_EQ(std::string(buf, 3), "hel");
  EXPECT_EQ(winsock::recv(a, buf, sizeof buf, 0), 2);
  EXPECT_EQ(winsock::closesocket(c), 0);
  EXPECT_EQ(winsock::recv(a, buf, sizeof buf, winsock::kMsgPeek), 0);  // closed by the peer
  EXPECT_EQ(winsock::closesocket(a), 0);
  EXPECT_EQ(winsock::closesocket(l), 0);
}

TEST_F(WinsockTest, SendToClosedPeerFailsWithoutSignal) {
  winsock::SOCKADDR_IN addr;
  SOCKET l = listener(&addr);
  SOCKET c = connect_to(addr);
  SOCKET a = winsock::accept(l, nullptr, nullptr);
  ASSERT_EQ(winsock::closesocket(a), 0);
  // The first send may still be queued; the peer's reset makes a later one fail. A
  // SIGPIPE here would end the test program.
  std::string block(4096, 'x');
  int result = 0;
  for (int i = 0; i < 50 && result != SOCKET_ERROR; ++i) {
    result = winsock::send(c, block.data(), static_cast<int>(block.size()), 0);
    if (result != SOCKET_ERROR) usleep(2000);
  }
  EXPECT_EQ(result, SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
  winsock::closesocket(c);
  winsock::closesocket(l);
}

TEST_F(WinsockTest, NumbersThatAreNotSocketsAreRefused) {
  char buf[4];
  for (SOCKET s : {SOCKET{0}, SOCKET{1}, SOCKET{2}, INVALID_SOCKET, SOCKET{4000}}) {
    EXPECT_EQ(winsock::recv(s, buf, sizeof buf, 0), SOCKET_ERROR) << s;
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(winsock::send(s, "x", 1, 0), SOCKET_ERROR) << s;
    EXPECT_EQ(winsock::closesocket(s), SOCKET_ERROR) << s;
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  }
}

TEST_F(WinsockTest, NonblockingRecvWouldBlock) {
  winsock::SOCKADDR_IN addr;
  SOCKET l = listener(&addr);
  SOCKET c = connect_to(addr);
  SOCKET a = winsock::accept(l, nullptr, nullptr);
  unsigned long on = 1;
  ASSERT_EQ(winsock::ioctlsocket(a, winsock::kFionbio, &on), 0);
  EXPECT_TRUE(vx::platform::socket_nonblocking(a));
  char buf[4];
  EXPECT_EQ(winsock::recv(a, buf, sizeof buf, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  int one = 1;
  EXPECT_EQ(winsock::setsockopt(c, winsock::kIpProtoTcp, winsock::kTcpNoDelay,
                                reinterpret_cast<const char*>(&one), sizeof one),
            0);
  EXPECT_EQ(winsock::setsockopt(c, winsock::kIpProtoTcp, 0x7777,
                                reinterpret_cast<const char*>(&one), sizeof one),
            SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);
  winsock::closesocket(a);
  winsock::closesocket(c);
  winsock::closesocket(l);
}

TEST_F(WinsockTest, CloseObserverSeesTheSocketFirst) {
  SOCKET s = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
  SOCKET seen = 0;
  int fd_then = -1;
  vx::platform::set_socket_close_observer([&](SOCKET closing) {
    seen = closing;
    fd_then = vx::platform::socket_descriptor(closing);
  });
  EXPECT_EQ(winsock::closesocket(s), 0);
  vx::platform::set_socket_close_observer(nullptr);
  EXPECT_EQ(seen, s);
  EXPECT_EQ(fd_then, static_cast<int>(s));
  EXPECT_EQ(vx::platform::socket_descriptor(s), -1);
}

// A process started with descriptors 0 to 2 closed (as some CI runners start them)
// still never gets a socket numbered 0, 1 or 2.
TEST(WinsockHandles, NeverBelowThreeWithStandardDescriptorsClosed) {
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(0);
    close(1);
    close(2);
    WSADATA data;
    if (WSAStartup(0x0101, &data) != 0) _exit(10);
    for (int i = 0; i < 4; ++i) {
      SOCKET s = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
      if (s == INVALID_SOCKET) _exit(11);
      if (s <= 2) _exit(12);
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(WinsockHandles, LowDescriptorClosedAfterStartIsNotReused) {
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    WSADATA data;
    if (WSAStartup(0x0101, &data) != 0) _exit(10);
    close(0);  // closed after the layer has started
    SOCKET s = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
    if (s == INVALID_SOCKET) _exit(11);
    if (s <= 2) _exit(12);
    SOCKET t = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
    if (t <= 2 || t == INVALID_SOCKET) _exit(13);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A descriptor above 65534 has no 16-bit socket number: the call fails instead of
// handing out a number that names another socket.
TEST(WinsockHandles, DescriptorBeyondSixteenBitsFailsWithTooManySockets) {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // Raising the hard limit needs privilege; without it the test cannot run.
    rlim_t hard =
        limit.rlim_max != RLIM_INFINITY && limit.rlim_max < 65600 ? 65600 : limit.rlim_max;
    rlimit raised{65600, hard};
    if (setrlimit(RLIMIT_NOFILE, &raised) != 0) _exit(20);
    WSADATA data;
    if (WSAStartup(0x0101, &data) != 0) _exit(10);
    // Occupy every descriptor up to 65535, so the next socket lands above it.
    int null_fd = open("/dev/null", O_RDONLY);
    for (int fd = 3; fd <= 0xFFFF; ++fd) {
      if (fd != null_fd && fcntl(fd, F_GETFD) == -1 && dup2(null_fd, fd) != fd) _exit(21);
    }
    SOCKET s = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
    if (s != INVALID_SOCKET) _exit(11);
    if (WSAGetLastError() != WSAEMFILE) _exit(12);
    if (fcntl(0x10000, F_GETFD) != -1) _exit(13);  // the descriptor was closed again
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 20) GTEST_SKIP() << "cannot raise the descriptor limit";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
