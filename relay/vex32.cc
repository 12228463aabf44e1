// VEXGATE, the control table TANDEMFCB, driver-string options, loading of the real
// driver and VX_SHUTDOWN.
//
// Locking: one mutex guards TANDEMFCB, its entry buffer and the flags. It is held only
// while the relay reads or changes that state, never across the forwarded call, so
// threads working on different files reach their real drivers at the same time. What a
// call needs after the lock is released (the entry's DRVPIPE, CLIENT, WASSHUTDOWN) is
// taken into locals while the lock is held.
//
// Client mode: requests and replies on the one client socket must strictly alternate,
// so a second mutex (the exchange lock) is held across each connection attempt and
// each exchange on that socket, and nothing else. Lock order: exchange lock, then the
// state lock.
#include "relay/vex32.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "platform/kernel32.h"
#include "platform/winsock.h"
#include "relay/tandemthnk.h"
#include "relay/vex32_internal.h"
#include "runtime/driver_ops.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"
#include "wire/relay_build.h"
#include "wire/wire.h"

namespace vx::relay {
namespace {

// TANDEMFCB: control entries in ascending DRVFCB, reached through one entry buffer.
// Its misses are the relay's own business: they never touch the runtime's error code,
// which belongs to the file operation in progress.
class ControlTable {
 public:
  ControlEntry buffer;

  // Looks up buffer.DRVFCB; on a hit the buffer then holds the entry.
  bool get() {
    auto it = find(buffer.DRVFCB);
    if (it == entries_.end() || it->DRVFCB != buffer.DRVFCB) return false;
    buffer = *it;
    return true;
  }

  // Inserts the buffer in key order.
  bool add() {
    try {
      entries_.insert(find(buffer.DRVFCB), buffer);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

  bool empty() const { return entries_.empty(); }
  const ControlEntry& first() const { return entries_.front(); }
  void delete_first() { entries_.erase(entries_.begin()); }
  void free() { entries_.clear(); }
  const std::vector<ControlEntry>& entries() const { return entries_; }

 private:
  std::vector<ControlEntry>::iterator find(std::uintptr_t key) {
    return std::lower_bound(entries_.begin(), entries_.end(), key,
                            [](const ControlEntry& e, std::uintptr_t k) { return e.DRVFCB < k; });
  }

  std::vector<ControlEntry> entries_;
};

struct Globals {
  std::mutex exchange_mutex;  // one connection attempt or exchange at a time
  std::mutex mutex;
  ControlTable TANDEMFCB;
  std::int32_t CLIENT = 0;
  std::int32_t WASSHUTDOWN = 0;
  std::uint16_t LOC_CLIENT_SOCKET = 0;  // 0: no socket
  // Libraries the relay keeps mapped for the life of the process (see INITTCB).
  std::vector<HMODULE> pinned;
};

// Allocated once and never destroyed: the library's end procedure and late callers
// on other threads may still reach it while static objects are being torn down.
Globals& globals() {
  static Globals* g = new Globals;
  return *g;
}

void copy_fcb(const vx::FCB* from, vx::FCB& to) {
  std::memcpy(&to, from, sizeof(vx::FCB));
}

// STR: the driver string as the relay examines it, at most its first 256 characters.
std::string_view driver_string(const vx::FCB& FCB, char (&STR)[kDriverStringChars + 1]) {
  const char* text = reinterpret_cast<const char*>(FCB.DRVSTR.STR);
  std::size_t n = text ? strnlen(text, kDriverStringChars) : 0;
  std::memcpy(STR, text ? text : "", n);
  STR[n] = '\0';
  return std::string_view(STR, n);
}

// Option value extraction shared by GETDRIVER and GETHOST.
void option_value(const vx::FCB& FCB, std::string_view keyword, std::string_view fallback,
                  char* out, std::size_t out_size) {
  char STR[kDriverStringChars + 1];
  std::string_view s = driver_string(FCB, STR);
  std::string_view value = fallback;
  std::size_t at = s.find(keyword);
  if (at != std::string_view::npos) {
    std::size_t start = at + keyword.size();
    std::size_t blank = s.find(' ', at + 1);
    value =
        s.substr(start, blank == std::string_view::npos ? std::string_view::npos : blank - start);
  }
  std::size_t n = std::min(value.size(), out_size - 1);
  std::memcpy(out, value.data(), n);
  out[n] = '\0';
}

// Loads the real driver named by "/DRIVER=" and puts its handle and entry into the
// entry buffer. Returns only on success. The caller holds the relay's lock.
//
// The first time a library is loaded the relay takes one more reference of its own and
// never gives it back, so the library's code stays mapped after VX_SHUTDOWN releases the
// entries' references: files still open through it, and calls in flight on other
// threads, never run into an unmapped library. VX_SHUTDOWN still releases exactly one
// reference per entry, and the next call after it loads (references) the library anew.
void INITTCB(Globals& g, const vx::FCB& FCB) {
  char DRVPATH[kPathSize];
  GETDRIVER(FCB, DRVPATH);
  HMODULE DRVHND = LoadLibraryA(DRVPATH);
  g.TANDEMFCB.buffer.DRVHND = DRVHND;
  if (static_cast<std::int32_t>(DRVHND) <= 32) TANDEMERROR("Can't load driver");
  FARPROC entry = GetProcAddress(DRVHND, MAKEINTRESOURCEA(2));
  g.TANDEMFCB.buffer.DRVPIPE = reinterpret_cast<std::uintptr_t>(entry);
  if (entry == nullptr) TANDEMERROR("Can't get driver entry point");
  if (std::find(g.pinned.begin(), g.pinned.end(), DRVHND) == g.pinned.end()) {
    if (LoadLibraryA(DRVPATH) == DRVHND) g.pinned.push_back(DRVHND);
  }
}

// Connects LOC:CLIENT_SOCKET to THISHOSTIP:10025. On failure reports it (the WinSock
// error, then the hint to start the server) and sets WASSHUTDOWN. The caller holds the
// exchange lock, not the state lock: the boxes wait for the user.
bool VX_LOGIN(Globals& g, const char* THISHOSTIP) {
  auto set_socket = [&g](std::uint16_t s) {
    std::lock_guard<std::mutex> lock(g.mutex);
    g.LOC_CLIENT_SOCKET = s;
  };
  bool ok = false;
  SOCKET s = 0;
  WSADATA WSDATA;
  int WSRETURNCODE = WSAStartup(0x0101, &WSDATA);
  if (WSRETURNCODE == 0) {
    s = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
    set_socket(s);
    if (s != INVALID_SOCKET) {
      winsock::SOCKADDR_IN CLIENT_SOCKADDR{};
      CLIENT_SOCKADDR.sin_family = winsock::kAfInet;
      CLIENT_SOCKADDR.sin_port = 0;
      CLIENT_SOCKADDR.sin_addr.s_addr = winsock::kInaddrAny;
      if (winsock::bind(s, reinterpret_cast<winsock::SOCKADDR*>(&CLIENT_SOCKADDR),
                        sizeof CLIENT_SOCKADDR) == 0) {
        winsock::SOCKADDR_IN SERVER_SOCKADDR{};
        SERVER_SOCKADDR.sin_family = winsock::kAfInet;
        SERVER_SOCKADDR.sin_addr.s_addr = winsock::inet_addr(THISHOSTIP);
        SERVER_SOCKADDR.sin_port = (winsock::htons)(kServerPort);
        ok = winsock::connect(s, reinterpret_cast<winsock::SOCKADDR*>(&SERVER_SOCKADDR),
                              sizeof SERVER_SOCKADDR) == 0;
      }
    }
  } else {
    WSASetLastError(WSRETURNCODE);
  }
  if (ok) {
    // Requests are small: without this each one could wait for the previous reply's
    // delayed acknowledgement.
    int one = 1;
    winsock::setsockopt(s, winsock::kIpProtoTcp, winsock::kTcpNoDelay,
                        reinterpret_cast<const char*>(&one), sizeof one);
    return true;
  }
  vx::wire::SocketError();
  RT_MessageBox("Did you run the demo with the /Server command first?");
  std::lock_guard<std::mutex> lock(g.mutex);
  g.WASSHUTDOWN = 1;
  return false;
}

}  // namespace

void GETDRIVER(const vx::FCB& FCB, char (&PATH)[kPathSize]) {
  option_value(FCB, "/DRIVER=", "C4TPSX.DLL", PATH, kPathSize);
  if (PATH[0] == '\0') TANDEMERROR("No driver specified");
}

void GETHOST(const vx::FCB& FCB, char (&HOST)[kHostSize]) {
  option_value(FCB, "/HOST=", "127.0.0.1", HOST, kHostSize);
  if (HOST[0] == '\0') TANDEMERROR("No Host specified");
}

void TANDEMERROR(const char* S) {
  std::string text = std::string(S) + " (" + std::to_string(GetLastError()) + ")";
  RT_MessageBox(text.c_str(), "Tandem Driver Error", vx::kIconAsterisk, vx::kButtonOk);
  RT_HALT(0);
}

bool client_option(const vx::FCB& FCB) {
  char STR[kDriverStringChars + 1];
  return driver_string(FCB, STR).find("/CLIENT") != std::string_view::npos;
}

StateView state_view() {
  Globals& g = globals();
  std::lock_guard<std::mutex> lock(g.mutex);
  return StateView{g.CLIENT, g.WASSHUTDOWN, g.LOC_CLIENT_SOCKET, g.TANDEMFCB.entries()};
}

}  // namespace vx::relay

using vx::relay::CallPipe;

extern "C" std::int32_t VEXGATE(std::int32_t OP, vx::FCB* FCBPTR, void* ARGS) {
  // A call without a control block can name no driver; refuse it instead of reading
  // through a null address.
  if (FCBPTR == nullptr) {
    RT_seterror(vx::kBadRequest);
    return vx::kBadRequest;
  }
  vx::relay::Globals& g = vx::relay::globals();
  std::uintptr_t DRVPIPE = 0;
  std::int32_t CLIENT = 0;
  std::int32_t WASSHUTDOWN = 0;
  {
    std::lock_guard<std::mutex> lock(g.mutex);
    vx::FCB FCB;
    // 1. Look up the control entry of this FCB.
    g.TANDEMFCB.buffer.DRVFCB = reinterpret_cast<std::uintptr_t>(FCBPTR);
    if (!g.TANDEMFCB.get()) {
      // 2. First call for this FCB: load its real driver and make the entry.
      vx::relay::copy_fcb(FCBPTR, FCB);
      vx::relay::INITTCB(g, FCB);
      if (!g.TANDEMFCB.add()) vx::relay::TANDEMERROR("Can't create control data entry");
      g.WASSHUTDOWN = 0;
    }
    // 3. The driver string is read on every call.
    vx::relay::copy_fcb(FCBPTR, FCB);
    g.CLIENT = vx::relay::client_option(FCB) ? 1 : 0;
    DRVPIPE = g.TANDEMFCB.buffer.DRVPIPE;
    CLIENT = g.CLIENT;
    WASSHUTDOWN = g.WASSHUTDOWN;
  }

  if (CLIENT == 1 && WASSHUTDOWN == 0) {
    std::unique_lock<std::mutex> exchange(g.exchange_mutex);
    std::uint16_t socket = 0;
    {
      std::lock_guard<std::mutex> lock(g.mutex);
      socket = g.LOC_CLIENT_SOCKET;
      WASSHUTDOWN = g.WASSHUTDOWN;  // a connection attempt may have failed meanwhile
    }
    // 4. Connect once per process, whatever the operation.
    if (WASSHUTDOWN == 0 && socket == 0) {
      vx::FCB FCB;
      vx::relay::copy_fcb(FCBPTR, FCB);
      char THISHOSTIP[vx::relay::kHostSize];
      vx::relay::GETHOST(FCB, THISHOSTIP);
      if (!vx::relay::VX_LOGIN(g, THISHOSTIP)) {
        // The call is neither sent nor served locally; say so rather than return as
        // if it had been carried out.
        RT_seterror(vx::kFileSystemError);
        return vx::kFileSystemError;
      }
      std::lock_guard<std::mutex> lock(g.mutex);
      socket = g.LOC_CLIENT_SOCKET;
    }
    if (WASSHUTDOWN == 0) {
      // 5. Open, set to file order, next and close go to the server.
      vx::FCB FCB;
      vx::relay::copy_fcb(FCBPTR, FCB);
      switch (OP) {
        case vx::kOpClose:
        case vx::kOpOpen:
        case vx::kOpSetFile: {
          RT_seterror(vx::kNoError);
          std::int32_t RET = vx::wire::relay_build::VX_SENDREQUEST(FCB, socket, OP, "", "SUBJECT");
          // The server's status code is the caller's error code: a failed remote open
          // must not look like an open file.
          if (RET != 0 && RT_ERRCODE() == vx::kNoError) RT_seterror(RET);
          return RT_ERRCODE();
        }
        case vx::kOpNext:
          RT_seterror(vx::kNoError);
          vx::wire::relay_build::VX_SENDREQUEST(FCB, socket, OP, "", "SUBJECT", false, true);
          return RT_ERRCODE();
        default:
          break;  // every other operation stays with the local driver
      }
    }
    exchange.unlock();
    return CallPipe(DRVPIPE, OP, FCBPTR, ARGS);
  }
  // local mode (or client service suspended): forward unchanged.
  return CallPipe(DRVPIPE, OP, FCBPTR, ARGS);
}

extern "C" void VX_SHUTDOWN() {
  vx::relay::Globals& g = vx::relay::globals();
  // An exchange in progress on the client socket finishes before the socket goes.
  std::lock_guard<std::mutex> exchange(g.exchange_mutex);
  std::lock_guard<std::mutex> lock(g.mutex);
  // Close the client socket, if one was ever made; the result is not examined.
  if (g.LOC_CLIENT_SOCKET != 0) winsock::closesocket(g.LOC_CLIENT_SOCKET);
  g.LOC_CLIENT_SOCKET = 0;
  // Release each entry's library once and drop the entry.
  while (!g.TANDEMFCB.empty()) {
    FreeLibrary(g.TANDEMFCB.first().DRVHND);
    g.TANDEMFCB.delete_first();
  }
  g.WASSHUTDOWN = 1;
}

namespace {

// Library start: make the relay's state before the first call.
__attribute__((constructor)) void vex32_library_start() {
  vx::relay::globals();
}

// Library end: drop the control entries without freeing their libraries (the process
// or the library is going away). A thread still inside the relay keeps the lock; then
// there is nothing left to tidy for, and waiting for it could hang the exit.
__attribute__((destructor)) void vex32_library_end() {
  vx::relay::Globals& g = vx::relay::globals();
  std::unique_lock<std::mutex> lock(g.mutex, std::try_to_lock);
  if (lock.owns_lock()) g.TANDEMFCB.free();
}

}  // namespace
