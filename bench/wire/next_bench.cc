// Latency of one remote NEXT through VEXGATE (request out, record reply and status
// reply back, record copied) against a raw ping-pong of the same byte counts on the
// same loopback, measured in the same run. A peer thread on 127.0.0.1:10025 answers
// every request at once. Run it inside scripts/isolated.sh: it listens on the fixed
// port.
//
//   next_bench [exchanges]      default 10000
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "relay/vex32.h"
#include "runtime/error.h"
#include "runtime/files.h"

namespace {

constexpr std::uint16_t kPort = 10025;
constexpr std::size_t kRequestSize = 27;

std::string le32(std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  const char b[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                     static_cast<char>((u >> 16) & 0xFF), static_cast<char>(u >> 24)};
  return std::string(b, 4);
}

const std::string kEnd("\x09\x09\x05\x09\x02\x02\x07", 7);

// The answers of the stand-in record server: a NEXT gets a 72-byte record reply (a
// 37-byte image, an empty memo) and the 11-byte status reply; anything else a status
// reply.
const std::string kRecordAnswer = le32(0) + le32(1) + std::string(12, ' ') + le32(37) +
                                  std::string(37, 'R') + le32(0) + kEnd + le32(0) + kEnd;
const std::string kStatusAnswer = le32(0) + kEnd;

bool read_exact(int fd, char* buf, std::size_t n) {
  while (n > 0) {
    ssize_t got = recv(fd, buf, n, 0);
    if (got <= 0) return false;
    buf += got;
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

void serve(int fd) {
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  char req[kRequestSize];
  while (read_exact(fd, req, sizeof req)) {
    std::int32_t op;
    std::memcpy(&op, req, 4);
    const std::string& answer = op == 24 ? kRecordAnswer : kStatusAnswer;
    send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
  }
  close(fd);
}

// Serves each connection on a thread of its own until told to stop.
void peer(int listen_fd, std::atomic<bool>* stop) {
  std::vector<std::thread> connections;
  while (!stop->load()) {
    int fd = accept(listen_fd, nullptr, nullptr);
    if (fd >= 0) connections.emplace_back(serve, fd);
  }
  for (std::thread& t : connections) t.join();
}

struct Stats {
  double p50, p99, mean;
};

Stats stats(std::vector<double> us) {
  std::sort(us.begin(), us.end());
  double sum = 0;
  for (double v : us) sum += v;
  auto at = [&](double q) { return us[static_cast<std::size_t>(q * (us.size() - 1))]; };
  return {at(0.50), at(0.99), sum / us.size()};
}

using Clock = std::chrono::steady_clock;
double micros(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::micro>(b - a).count();
}

// The baseline's connection: a plain socket, kept for the whole run as the relay keeps
// its own.
int raw_connect() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(kPort);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    std::perror("connect");
    std::exit(1);
  }
  return fd;
}

// The baseline: the same 27 bytes out and 83 bytes back.
std::vector<double> ping_pong(int fd, int count) {
  std::string req = le32(24) + le32(1) + std::string(12, ' ') + kEnd;
  std::vector<char> reply(kRecordAnswer.size());
  std::vector<double> us;
  us.reserve(count);
  for (int i = 0; i < count; ++i) {
    auto t0 = Clock::now();
    send(fd, req.data(), req.size(), MSG_NOSIGNAL);
    if (!read_exact(fd, reply.data(), reply.size())) std::exit(1);
    us.push_back(micros(t0, Clock::now()));
  }
  return us;
}

std::vector<double> through_vexgate(vx::FCB* fcb, const std::string& record, int count) {
  std::vector<double> us;
  us.reserve(count);
  for (int i = 0; i < count; ++i) {
    auto t0 = Clock::now();
    std::int32_t rc = RT_FILE_NEXT(fcb);
    us.push_back(micros(t0, Clock::now()));
    if (rc != 0 || record[0] != 'R') {
      std::fprintf(stderr, "NEXT failed: %d\n", rc);
      std::exit(1);
    }
  }
  return us;
}

}  // namespace

int main(int argc, char** argv) {
  int count = argc > 1 ? std::atoi(argv[1]) : 10000;
  int listen_fd = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(listen_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(kPort);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listen_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listen_fd, 4)) {
    std::perror("listen on 10025");
    return 1;
  }
  std::atomic<bool> stop{false};
  std::thread server(peer, listen_fd, &stop);

  char driver_string[] = "/DRIVER=C4TPSX.DLL /CLIENT";
  std::string record(602, ' ');
  vx::FCB fcb{};
  fcb.PIPE = reinterpret_cast<std::uintptr_t>(&VEXGATE);
  fcb.DRVSTR.STR = reinterpret_cast<std::uintptr_t>(driver_string);
  fcb.DRVSTR.LEN = -1;
  fcb.RECORDBUF = reinterpret_cast<std::uintptr_t>(record.data());
  fcb.RECORDLEN = static_cast<std::int32_t>(record.size());
  if (RT_FILE_OPEN(&fcb) != 0 || RT_FILE_SETf(&fcb) != 0) {
    std::fprintf(stderr, "remote open failed: %d\n", RT_ERRCODE());
    return 1;
  }

  // Alternate blocks of each, so drift in the machine's load touches both alike.
  constexpr int kRounds = 10;
  std::vector<double> base, gate;
  int raw = raw_connect();
  ping_pong(raw, 500);  // warm-up
  through_vexgate(&fcb, record, 500);
  for (int r = 0; r < kRounds; ++r) {
    std::vector<double> a1 = ping_pong(raw, count / kRounds);
    std::vector<double> b1 = through_vexgate(&fcb, record, count / kRounds);
    base.insert(base.end(), a1.begin(), a1.end());
    gate.insert(gate.end(), b1.begin(), b1.end());
  }
  RT_FILE_CLOSE(&fcb);
  VX_SHUTDOWN();
  close(raw);

  Stats s_raw = stats(base), s_gate = stats(gate);
  std::printf("exchanges per kind: %zu (27 bytes out, 72 + 11 bytes back)\n", gate.size());
  std::printf("%-22s %10s %10s %10s\n", "", "p50 us", "p99 us", "mean us");
  std::printf("%-22s %10.1f %10.1f %10.1f\n", "raw ping-pong", s_raw.p50, s_raw.p99, s_raw.mean);
  std::printf("%-22s %10.1f %10.1f %10.1f\n", "NEXT through VEXGATE", s_gate.p50, s_gate.p99,
              s_gate.mean);
  std::printf("ratio VEXGATE / raw:   p50 %.2fx   p99 %.2fx\n", s_gate.p50 / s_raw.p50,
              s_gate.p99 / s_raw.p99);

  stop = true;
  shutdown(listen_fd, SHUT_RDWR);
  close(listen_fd);
  server.join();
  return 0;
}
