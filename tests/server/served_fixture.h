// A small file declared like SUBJECT where the server relies on it (first field
// SUB:MASTERC, SUB:BYMASTERC second in the key table, the memo SUB:COMMENT of 1000
// bytes), reached through VEXGATE and the real record-file driver, in a temporary
// folder; and a raw client of the wire protocol.
#ifndef VX_TESTS_SERVER_SERVED_FIXTURE_H_
#define VX_TESTS_SERVER_SERVED_FIXTURE_H_

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "platform/winsock.h"
#include "relay/vex32.h"
#include "runtime/driver_ops.h"
#include "runtime/fcb.h"
#include "runtime/files.h"
#include "server/served_file.h"

namespace vx::testing {

// Record: MASTERC long @0, FNAME text 15 @4, LNAME text 20 @19; 39 bytes.
constexpr std::int32_t kRecordLen = 39;
constexpr std::uint32_t kMemoSize = 1000;

struct ServedDeclaration {
  FieldDesc fields[3] = {
      {"SUB:MASTERC", FieldType::kLong, 0, 4, 0, "@n-14"},
      {"SUB:FNAME", FieldType::kString, 4, 15, 0, "@s15"},
      {"SUB:LNAME", FieldType::kString, 19, 20, 0, "@s20"},
  };
  std::uint16_t c_lname[2] = {3, 2}, c_master[1] = {1};
  KeyDesc keys[2] = {
      {"SUB:BYLASTNAME", nullptr, 0x07, 2, c_lname},
      {"SUB:BYMASTERC", nullptr, 0x05, 1, c_master},
  };
  MemoDesc memo = {"SUB:COMMENT", nullptr, 0x01, kMemoSize, nullptr};
  TypeDesc type = {3, fields};
  KeyTable key_table = {2, keys};
  MemoTable memo_table = {1, &memo};
};

struct ServedFile {
  ServedDeclaration decl;
  char record[kRecordLen];
  char memo[kMemoSize];
  char driver_string[256] = "/DRIVER=C4TPSX.DLL";
  const char* name = "subject.tps";
  FCB fcb{};

  ServedFile() {
    decl.memo.buffer = memo;
    fcb.PIPE = reinterpret_cast<std::uintptr_t>(&VEXGATE);
    fcb.PHYNAME = {reinterpret_cast<std::uintptr_t>(name), 11};
    fcb.DRVSTR = {reinterpret_cast<std::uintptr_t>(driver_string), -1};
    fcb.FILEATTR = 0x14;
    fcb.KEYCOUNT = 2;
    fcb.MEMOCOUNT = 1;
    fcb.RECORDLEN = kRecordLen;
    fcb.TDESC = reinterpret_cast<std::uintptr_t>(&decl.type);
    fcb.KDESC = reinterpret_cast<std::uintptr_t>(&decl.key_table);
    fcb.MDESC = reinterpret_cast<std::uintptr_t>(&decl.memo_table);
    fcb.RECORDBUF = reinterpret_cast<std::uintptr_t>(record);
    std::memset(record, ' ', sizeof record);
    std::memset(memo, ' ', sizeof memo);
  }

  void serve() {
    server::serve_file(&fcb, [this](const char* text) {
      std::strncpy(driver_string, text, sizeof driver_string - 1);
    });
  }

  void set(std::int32_t master, const std::string& first, const std::string& last,
           const std::string& comment) {
    std::memcpy(record, &master, 4);
    std::memset(record + 4, ' ', 35);
    std::memcpy(record + 4, first.data(), std::min<std::size_t>(first.size(), 15));
    std::memcpy(record + 19, last.data(), std::min<std::size_t>(last.size(), 20));
    std::memset(memo, ' ', sizeof memo);
    std::memcpy(memo, comment.data(), std::min<std::size_t>(comment.size(), kMemoSize));
  }

  // Creates the data file with subjects 1..n (n, "First<i>", "Last<i>", "note <i>").
  void create(int n) {
    RT_FILE_CREATE(&fcb);
    RT_FILE_OPEN(&fcb, kOpenShared);
    for (int i = 1; i <= n; ++i) {
      set(i, "First" + std::to_string(i), "Last" + std::to_string(i), "note " + std::to_string(i));
      RT_FILE_ADD(&fcb);
    }
    RT_FILE_CLOSE(&fcb);
  }
};

// A folder of its own for the test process, removed at the end.
class WorkFolder {
 public:
  WorkFolder() {
    std::string t = (std::filesystem::temp_directory_path() / "vxsrvXXXXXX").string();
    dir_ = mkdtemp(t.data());
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  ~WorkFolder() {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }
  const std::string& path() const { return dir_; }

 private:
  std::string dir_;
  std::filesystem::path old_;
};

inline std::string le(std::int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i)
    s[i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xff);
  return s;
}
inline std::int32_t from_le(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + i])) << (8 * i);
  return static_cast<std::int32_t>(v);
}
inline const std::string kMarker("\x09\x09\x05\x09\x02\x02\x07", 7);
inline std::string header(std::int32_t op, std::int32_t file = 1,
                          const std::string& info = std::string(12, ' ')) {
  return le(op) + le(file) + info;
}
inline std::string request(std::int32_t op, std::int32_t file = 1) {
  return header(op, file) + kMarker;
}
inline std::string value(const std::string& bytes) {
  return le(static_cast<std::int32_t>(bytes.size())) + bytes;
}

// Polls until done() holds (a bound only against hanging).
inline bool eventually(const std::function<bool()>& done, int timeout_ms = 20000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// A raw client of the wire protocol on 127.0.0.1:<port>.
class RawClient {
 public:
  explicit RawClient(std::uint16_t port = 10025) {
    WSADATA data;
    WSAStartup(0x0101, &data);
    s_ = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
    winsock::SOCKADDR_IN a{};
    a.sin_family = winsock::kAfInet;
    a.sin_port = (winsock::htons)(port);
    a.sin_addr.s_addr = winsock::inet_addr("127.0.0.1");
    connected_ = winsock::connect(s_, reinterpret_cast<winsock::SOCKADDR*>(&a), sizeof a) == 0;
    int fd = platform::socket_descriptor(s_);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    timeval tv{20, 0};  // a bound only against hanging
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  }
  ~RawClient() {
    close();
    WSACleanup();
  }
  bool connected() const { return connected_; }
  SOCKET socket() const { return s_; }
  void close() {
    if (s_ != INVALID_SOCKET) winsock::closesocket(s_);
    s_ = INVALID_SOCKET;
  }
  bool send(const std::string& bytes) {
    return winsock::send(s_, bytes.data(), static_cast<int>(bytes.size()), 0) ==
           static_cast<int>(bytes.size());
  }
  // The next message, through its end marker; "" when the connection ends first.
  std::string message() {
    for (;;) {
      std::size_t at = pending_.find(kMarker);
      if (at != std::string::npos) {
        std::string m = pending_.substr(0, at + kMarker.size());
        pending_.erase(0, at + kMarker.size());
        return m;
      }
      char buf[4096];
      int n = winsock::recv(s_, buf, sizeof buf, 0);
      if (n <= 0) return "";
      pending_.append(buf, static_cast<std::size_t>(n));
    }
  }
  // The code of the next status reply; -1 when none came (or not 11 bytes).
  std::int32_t status() {
    std::string m = message();
    return m.size() == 11 ? from_le(m, 0) : -1;
  }
  // True when the server ends the connection (after any bytes still pending), by a
  // close or a reset.
  bool ends() {
    char buf[4096];
    for (;;) {
      int n = winsock::recv(s_, buf, sizeof buf, 0);
      if (n == 0) return true;
      if (n < 0) return WSAGetLastError() == WSAECONNRESET;
    }
  }
  std::size_t pending() const { return pending_.size(); }

 private:
  SOCKET s_ = INVALID_SOCKET;
  bool connected_ = false;
  std::string pending_;
};

// A record reply taken apart.
struct RecordReply {
  std::int32_t code = -1;
  std::int32_t file = -1;
  std::string record, memo;
  bool ok = false;  // the layout held
};
inline RecordReply parse_record_reply(const std::string& m) {
  RecordReply r;
  if (m.size() < 20 + 7) return r;
  r.code = from_le(m, 0);
  r.file = from_le(m, 4);
  std::size_t pos = 20, end = m.size() - 7;
  for (int i = 0; pos < end; ++i) {
    if (end - pos < 4) return r;
    std::int32_t n = from_le(m, pos);
    pos += 4;
    if (n < 0 || static_cast<std::size_t>(n) > end - pos) return r;
    (i == 0 ? r.record : r.memo) = m.substr(pos, static_cast<std::size_t>(n));
    pos += static_cast<std::size_t>(n);
  }
  r.ok = true;
  return r;
}

}  // namespace vx::testing

#endif  // VX_TESTS_SERVER_SERVED_FIXTURE_H_
