// The road of one remote read, timed. Run inside scripts/isolated.sh (it listens on
// port 10025):
//   vx_bench_server [subjects=100000] [exchanges_per_run=20000]
// 1. A full scan of the subjects through a headless "vxdemoabc /SERVER" (this process
//    in client mode through VEXGATE), the same scan local through VEXGATE, and a raw
//    ping-pong on loopback that moves exactly the bytes the remote scan moved.
// 2. Aggregate NEXT throughput against the server with 1 and with 32 raw clients.
// Figures are reported as ratios against the baselines measured in the same run.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/subject.h"
#include "relay/vex32.h"
#include "runtime/files.h"
#include "tests/e2e/process.h"
#include "tests/server/served_fixture.h"
#include "tools/demo_data.h"

namespace {

using namespace vx::testing;
namespace ws = winsock;
using Clock = std::chrono::steady_clock;

void note(const char* what) {
  std::fprintf(stderr, "[bench] %s\n", what);
}

double seconds_since(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

// Reads SUBJECT from the start to the end under the current driver string; returns
// the number of records and adds the size of each record reply it implies.
std::int64_t scan(std::vector<int>* reply_sizes) {
  RT_FILE_OPEN(&SUBJECT, vx::kOpenDenyWrite);
  RT_FILE_SETf(&SUBJECT);
  std::int64_t n = 0;
  while (RT_FILE_NEXT(&SUBJECT) == 0) {
    ++n;
    if (reply_sizes) {
      std::string rec(reinterpret_cast<const char*>(&SUB), sizeof SUB);
      std::string memo(subject_comment(), kSubjectCommentSize);
      rec.erase(rec.find_last_not_of(' ') + 1);
      memo.erase(memo.find_last_not_of(' ') + 1);
      reply_sizes->push_back(static_cast<int>(20 + 4 + rec.size() + 4 + memo.size() + 7));
    }
  }
  RT_FILE_CLOSE(&SUBJECT);
  return n;
}

// A raw echo of the protocol's shape: for each 27-byte request, a reply of the given
// size and an 11-byte status reply, on one loopback connection, blocking sockets.
double ping_pong(const std::vector<int>& sizes) {
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(listener, 1);
  socklen_t len = sizeof a;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  std::thread server([&] {
    int s = ::accept(listener, nullptr, nullptr);
    int nodelay = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &nodelay, sizeof nodelay);
    std::string reply(2000, 'r');
    char buf[64];
    for (int size : sizes) {
      int got = 0;
      while (got < 27) got += static_cast<int>(::recv(s, buf, 27 - got, 0));
      ::send(s, reply.data(), static_cast<std::size_t>(size), MSG_NOSIGNAL);
      ::send(s, reply.data(), 11, MSG_NOSIGNAL);
    }
    ::close(s);
  });
  int c = ::socket(AF_INET, SOCK_STREAM, 0);
  ::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int one = 1;
  ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  std::string req(27, 'q');
  char buf[4096];
  auto t = Clock::now();
  for (int size : sizes) {
    ::send(c, req.data(), req.size(), MSG_NOSIGNAL);
    int want = size + 11, got = 0;
    while (got < want) {
      ssize_t n = ::recv(c, buf, sizeof buf, 0);
      if (n <= 0) break;
      got += static_cast<int>(n);
    }
  }
  double secs = seconds_since(t);
  ::close(c);
  server.join();
  ::close(listener);
  return secs;
}

// `clients` raw protocol clients, each doing `per_client` NEXT exchanges; returns the
// aggregate exchanges per second.
double next_throughput(int clients, int per_client) {
  {
    RawClient opener;
    opener.send(request(25));
    opener.status();
    opener.send(request(41));
    opener.status();
  }
  std::vector<std::unique_ptr<RawClient>> cs;
  for (int i = 0; i < clients; ++i) cs.push_back(std::make_unique<RawClient>());
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (auto& c : cs) {
    threads.emplace_back([&go, &c, per_client] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < per_client; ++i) {
        c->send(request(24));
        c->message();
        c->status();
      }
    });
  }
  auto t = Clock::now();
  go = true;
  for (auto& th : threads) th.join();
  double secs = seconds_since(t);
  return clients * per_client / secs;
}

}  // namespace

int main(int argc, char** argv) {
  std::int64_t subjects = argc > 1 ? std::atoll(argv[1]) : 100000;
  int exchanges = argc > 2 ? std::atoi(argv[2]) : 20000;
  WorkFolder folder;
  std::string error;
  std::strcpy(SubjectDriverString, "/DRIVER=C4TPSX.DLL");
  if (vx::tools::create_demo_file(folder.path(), subjects, 1, nullptr, &error) != 0) {
    std::fprintf(stderr, "demo file: %s\n", error.c_str());
    return 1;
  }
  VX_SHUTDOWN();

  // A fresh server whose log goes to a file.
  auto server =
      std::make_unique<Process>("vxdemoabc", std::vector<std::string>{"--ui=headless", "/SERVER"},
                                folder.path(), std::vector<std::string>{}, "server");
  if (!eventually([] { return RawClient().connected(); })) {
    std::fprintf(stderr, "the server did not start: %s\n", server->err().c_str());
    return 1;
  }

  std::strcpy(SubjectDriverString, "/DRIVER=C4TPSX.DLL /CLIENT /HOST=127.0.0.1");
  note("remote scan");
  auto t = Clock::now();
  std::int64_t remote_n = scan(nullptr);
  double remote = seconds_since(t);
  VX_SHUTDOWN();

  std::strcpy(SubjectDriverString, "/DRIVER=C4TPSX.DLL");
  std::vector<int> sizes;
  note("local scan");
  t = Clock::now();
  std::int64_t local_n = scan(&sizes);
  double local = seconds_since(t);
  VX_SHUTDOWN();
  sizes.push_back(20 + 4 + 4 + 7);  // the NEXT past the last record
  note("ping-pong");
  double ping = ping_pong(sizes);

  std::printf("full scan of %lld subjects (remote read %lld, local read %lld)\n",
              static_cast<long long>(subjects), static_cast<long long>(remote_n),
              static_cast<long long>(local_n));
  std::printf("  raw ping-pong, same sizes : %8.3f s  %9.0f exchanges/s  (baseline 1.00x)\n", ping,
              sizes.size() / ping);
  std::printf("  remote through the server : %8.3f s  %9.0f NEXT/s       %.2fx ping-pong\n", remote,
              (remote_n + 1) / remote, remote / ping);
  std::printf("  local through VEXGATE     : %8.3f s  %9.0f NEXT/s       %.2fx ping-pong\n", local,
              (local_n + 1) / local, local / ping);

  note("throughput");
  double one = next_throughput(1, exchanges);
  double many = next_throughput(32, exchanges / 32);
  std::printf("aggregate NEXT throughput\n");
  std::printf("   1 client  : %9.0f NEXT/s  (baseline 1.00x)\n", one);
  std::printf("  32 clients : %9.0f NEXT/s  %.2fx one client\n", many, many / one);

  int code = server->stop(SIGTERM);
  if (code != 0) std::fprintf(stderr, "server exit %d\n", code);
  return 0;
}
