// Arbitrary bytes into a connection worker: the read step's gathering, the request's
// execution on a real data file (through VEXGATE and the record-file driver) and the
// replies, over a real loopback connection whose client end is drained as it goes.
// The first byte of an input picks the size of the reads the bytes arrive in.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/subject.h"
#include "platform/winsock.h"
#include "runtime/files.h"
#include "server/served_file.h"
#include "server/worker.h"

namespace {

namespace ws = winsock;

SOCKET g_listener = INVALID_SOCKET;
ws::SOCKADDR_IN g_address{};

void setup() {
  std::string dir = (std::filesystem::temp_directory_path() / "vxfuzzXXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) std::abort();
  std::filesystem::current_path(dir);
  vx::server::serve_file(&SUBJECT, [](const char* text) {
    std::strncpy(SubjectDriverString, text, sizeof SubjectDriverString - 1);
  });
  RT_FILE_CREATE(&SUBJECT);
  RT_FILE_OPEN(&SUBJECT, vx::kOpenShared);
  for (int i = 1; i <= 5; ++i) {
    SUB.MASTERC = i;
    vx::app::set_text(SUB.LNAME, "Last" + std::to_string(i));
    std::memset(subject_comment(), 'c', 10);
    RT_FILE_ADD(&SUBJECT);
  }
  RT_FILE_CLOSE(&SUBJECT);

  WSADATA data;
  WSAStartup(0x0101, &data);
  g_listener = ws::socket(ws::kAfInet, ws::kSockStream, 0);
  g_address.sin_family = ws::kAfInet;
  g_address.sin_addr.s_addr = ws::inet_addr("127.0.0.1");
  ws::bind(g_listener, reinterpret_cast<ws::SOCKADDR*>(&g_address), sizeof g_address);
  ws::listen(g_listener, 4);
  int len = sizeof g_address;
  ws::getsockname(g_listener, reinterpret_cast<ws::SOCKADDR*>(&g_address), &len);
}

void drain(SOCKET client) {
  char buf[4096];
  while (ws::recv(client, buf, sizeof buf, 0) > 0) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool ready = (setup(), true);
  (void)ready;
  if (size == 0) return 0;
  SOCKET client = ws::socket(ws::kAfInet, ws::kSockStream, 0);
  ws::connect(client, reinterpret_cast<ws::SOCKADDR*>(&g_address), sizeof g_address);
  SOCKET server = ws::accept(g_listener, nullptr, nullptr);
  unsigned long on = 1;
  ws::ioctlsocket(server, ws::kFionbio, &on);
  ws::ioctlsocket(client, ws::kFionbio, &on);

  vx::server::WorkerState w(server);
  const std::size_t piece = 1 + data[0] % vx::server::kReadSize;
  for (std::size_t at = 1; at < size;) {
    std::size_t n = std::min(piece, size - at);
    std::memcpy(w.receive.data(), data + at, n);
    at += n;
    if (!vx::server::take_bytes(w, static_cast<int>(n))) break;
    drain(client);
  }
  ws::closesocket(server);
  ws::closesocket(client);
  // Each input starts with the file closed, as a fresh server's does.
  RT_FILE_CLOSE(&SUBJECT);
  return 0;
}
