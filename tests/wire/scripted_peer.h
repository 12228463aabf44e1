// A scripted TCP peer on loopback for byte-exact tests of the link. It stands in for
// the record server when the relay's end is under test (and for the relay when the
// server's end is): it accepts one connection, then for each step reads exactly the
// bytes it expects, records them, and answers with fixed bytes.
#ifndef VX_TESTS_WIRE_SCRIPTED_PEER_H_
#define VX_TESTS_WIRE_SCRIPTED_PEER_H_

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/winsock.h"

namespace vx::testing {

// Bytes from a list of values ("\x18\0\0\0" is awkward to write inline).
inline std::string bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s.push_back(static_cast<char>(b));
  return s;
}

inline const std::string kEnd = bytes({0x09, 0x09, 0x05, 0x09, 0x02, 0x02, 0x07});

inline std::string le32(std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  return bytes({static_cast<int>(u & 0xFF), static_cast<int>((u >> 8) & 0xFF),
                static_cast<int>((u >> 16) & 0xFF), static_cast<int>(u >> 24)});
}

// A request or record reply header: action/code, file number, 12 spaces.
inline std::string header(std::int32_t action, std::int32_t file = 1) {
  return le32(action) + le32(file) + std::string(12, ' ');
}
inline std::string request(std::int32_t action) {
  return header(action) + kEnd;
}
inline std::string status_reply(std::int32_t code) {
  return le32(code) + kEnd;
}
inline std::string value(const std::string& v) {
  return le32(static_cast<std::int32_t>(v.size())) + v;
}
inline std::string record_reply(std::int32_t code, const std::string& record,
                                const std::string& memo = "") {
  return header(code) + value(record) + value(memo) + kEnd;
}

class ScriptedPeer {
 public:
  struct Step {
    std::size_t expect = 0;           // bytes to read before answering
    std::vector<std::string> answer;  // written in order, one write each
    bool drip = false;                // write the answer one byte at a time
    bool close_after = false;         // close the connection after this step
  };

  // Listens on 127.0.0.1:`port` (0: any free port).
  explicit ScriptedPeer(std::uint16_t port = 0) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ok_ = ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
          ::listen(listen_fd_, 4) == 0;
    socklen_t len = sizeof a;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~ScriptedPeer() {
    join();
    if (conn_fd_ >= 0) ::close(conn_fd_);
    ::close(listen_fd_);
  }

  bool listening() const { return ok_; }
  std::uint16_t port() const { return port_; }

  // Plays the steps on a thread of its own. `client_fd`, when given, is the other
  // end's descriptor in this process: a dripped answer then waits for each byte to be
  // read before it writes the next, so the reader sees one byte per read.
  void play(std::vector<Step> steps, int client_fd = -1) {
    thread_ = std::thread([this, steps = std::move(steps), client_fd] { run(steps, client_fd); });
  }
  void join() {
    if (thread_.joinable()) thread_.join();
  }
  // Everything read from the connection so far (call after join).
  std::string received() const { return received_; }
  // Whether every step was played (after join).
  bool script_completed() const { return completed_; }
  // Reads whatever else arrives until the other end closes (after join).
  std::string drain() {
    std::string rest;
    char buf[4096];
    for (;;) {
      pollfd p{conn_fd_, POLLIN, 0};
      if (::poll(&p, 1, 2000) <= 0) break;
      ssize_t n = ::recv(conn_fd_, buf, sizeof buf, 0);
      if (n <= 0) break;
      rest.append(buf, static_cast<std::size_t>(n));
    }
    return rest;
  }

 private:
  static constexpr int kWaitMs = 10000;  // a test that stalls fails instead of hanging

  bool read_exact(std::size_t n) {
    char buf[4096];
    while (n > 0) {
      pollfd p{conn_fd_, POLLIN, 0};
      if (::poll(&p, 1, kWaitMs) <= 0) return false;
      ssize_t got = ::recv(conn_fd_, buf, n < sizeof buf ? n : sizeof buf, 0);
      if (got <= 0) return false;
      received_.append(buf, static_cast<std::size_t>(got));
      n -= static_cast<std::size_t>(got);
    }
    return true;
  }

  void wait_drained(int client_fd) {
    for (int i = 0; i < kWaitMs * 10; ++i) {
      int queued = 0;
      if (::ioctl(client_fd, FIONREAD, &queued) != 0 || queued == 0) return;
      ::usleep(100);
    }
  }

  void run(const std::vector<Step>& steps, int client_fd) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (::poll(&p, 1, kWaitMs) <= 0) return;
    conn_fd_ = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (conn_fd_ < 0) return;
    int one = 1;
    ::setsockopt(conn_fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (const Step& step : steps) {
      if (!read_exact(step.expect)) return;
      for (const std::string& piece : step.answer) {
        if (!step.drip) {
          ::send(conn_fd_, piece.data(), piece.size(), MSG_NOSIGNAL);
          continue;
        }
        for (char c : piece) {
          ::send(conn_fd_, &c, 1, MSG_NOSIGNAL);
          if (client_fd >= 0) wait_drained(client_fd);
        }
      }
      if (step.close_after) {
        ::close(conn_fd_);
        conn_fd_ = -1;
        break;
      }
    }
    completed_ = true;
  }

  int listen_fd_ = -1;
  int conn_fd_ = -1;
  bool ok_ = false;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::string received_;
  bool completed_ = false;
};

// A client socket of the WinSock layer connected to 127.0.0.1:`port`.
inline SOCKET connect_client(std::uint16_t port) {
  SOCKET s = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
  if (s == INVALID_SOCKET) return s;
  winsock::SOCKADDR_IN a{};
  a.sin_family = winsock::kAfInet;
  a.sin_port = (winsock::htons)(port);
  a.sin_addr.s_addr = winsock::inet_addr("127.0.0.1");
  if (winsock::connect(s, reinterpret_cast<winsock::SOCKADDR*>(&a), sizeof a) != 0) {
    winsock::closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

}  // namespace vx::testing

#endif  // VX_TESTS_WIRE_SCRIPTED_PEER_H_
