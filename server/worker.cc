#include "server/worker.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/thread.h"
#include "runtime/window.h"
#include "server/activity_log.h"
#include "server/served_file.h"
#include "server/window_upkeep.h"
#include "server/worker_ready.h"
#include "wire/server_build.h"
#include "wire/wire.h"

namespace vx::server {
namespace {

// Sends all of `data` on the non-blocking socket, waiting a bounded time whenever the
// peer's window is full, so a client that stops reading cannot hold the file's lock
// for ever. False when the bytes could not all go.
bool send_all(SOCKET s, const char* data, int n) {
  int sent = 0;
  while (sent < n) {
    int r = winsock::send(s, data + sent, n - sent, 0);
    if (r > 0) {
      sent += r;
      continue;
    }
    if (r == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK &&
        vx::platform::wait_writable(s, 10000)) {
      continue;
    }
    return false;
  }
  return true;
}

void send_status_reply(WorkerState& w) {
  std::fill(w.receive.begin(), w.receive.end(), ' ');
  std::string code = vx::wire::LONGTOSTRING(w.result_code);
  std::memcpy(w.receive.data(), code.data(), 4);
  std::memcpy(w.receive.data() + 4, kEndMarker, kEndMarkerSize);
  send_all(w.socket, w.receive.data(), 4 + static_cast<int>(kEndMarkerSize));
}

// Ends the conversation from this side: the peer reads end-of-stream, and the close
// it answers with reaches the server window as FD_CLOSE, which closes the socket and
// ends this worker. The worker itself never closes its socket.
void shut_down(WorkerState& w) {
  w.broken = true;
  int fd = vx::platform::socket_descriptor(w.socket);
  if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

// A record reply for a 24 that cannot be executed: the code in the header, no values,
// so a client waiting in record mode gets the failure and then the status reply.
void send_refused_record_reply(WorkerState& w, std::int32_t code) {
  std::string reply = vx::wire::LONGTOSTRING(code) + vx::wire::LONGTOSTRING(1) +
                      std::string(12, ' ') + std::string(kEndMarker, kEndMarkerSize);
  send_all(w.socket, reply.data(), static_cast<int>(reply.size()));
}

class Corked {
 public:
  Corked(SOCKET s, bool on) : fd_(on ? vx::platform::socket_descriptor(s) : -1) { set(1); }
  ~Corked() { set(0); }

 private:
  void set(int value) {
    if (fd_ >= 0) ::setsockopt(fd_, IPPROTO_TCP, TCP_CORK, &value, sizeof value);
  }
  int fd_;
};

}  // namespace

bool take_bytes(WorkerState& w, int count) {
  if (w.broken) return false;
  if (count <= 0) return true;
  RequestGatherer::State state =
      w.gatherer.append(w.receive.data(), static_cast<std::size_t>(count));
  if (state == RequestGatherer::State::kPartial) return true;
  if (state == RequestGatherer::State::kOverflow) {
    {
      std::lock_guard<std::recursive_mutex> lock(RT_FILE_LOCK(served_file()));
      w.result_code = kBadRequest;
      send_status_reply(w);
    }
    AddLogLine(std::to_string(w.socket) + "-(" + std::to_string(w.gatherer.length() + count) +
               ") too long, connection shut down");
    w.gatherer.reset();
    shut_down(w);
    return false;
  }
  w.request.assign(w.gatherer.request());
  {
    // A NEXT is answered by two messages: hold them back until both are written, so
    // they leave together and the client wakes once for its answer.
    Corked corked(w.socket, request_action(w.request) == kOpNext);
    std::lock_guard<std::recursive_mutex> lock(RT_FILE_LOCK(served_file()));
    w.result_code = 0;
    ExecuteRequest(w);
    // Logged before the answer goes out: once the client has its answer it may close,
    // and the log must not show that close above the request it answered.
    AddLogLine(request_log_line(w.socket, w.request));
    send_status_reply(w);
  }
  std::fill(w.receive.begin(), w.receive.end(), ' ');
  w.gatherer.reset();
  w.request.clear();
  return true;
}

bool read_step(WorkerState& w) {
  int n = winsock::recv(w.socket, w.receive.data(), kReadSize, 0);
  auto count = static_cast<std::int16_t>(n);
  if (w.broken) return false;  // drop what comes after a shut-down
  if (count == 0) {
    vx::wire::SocketError();
    return true;
  }
  if (count < 0) return true;  // nothing read: the request gathered so far stays
  return take_bytes(w, count);
}

}  // namespace vx::server

using vx::server::WorkerState;

bool LoadRequestValues(WorkerState& w) {
  bool ok = vx::server::parse_request_values(w.request, &w.values);
  if (ok && vx::server::request_file(w.request) == 1) {
    vx::FCB* file = vx::server::served_file();
    w.selected_file = file;
    if (w.values.size() >= 1) {
      char* record = vx::record_buffer(*file);
      std::size_t size = static_cast<std::size_t>(file->RECORDLEN);
      std::size_t n = std::min(w.values[0].size(), size);
      std::memcpy(record, w.values[0].data(), n);
      std::memset(record + n, ' ', size - n);
    }
    if (w.values.size() >= 2 && vx::server::served_memo() != nullptr) {
      char* memo = vx::server::served_memo();
      std::size_t size = vx::server::served_memo_size();
      std::size_t n = std::min(w.values[1].size(), size);
      std::memcpy(memo, w.values[1].data(), n);
      std::memset(memo + n, ' ', size - n);
    }
  }
  w.values.clear();
  return ok;
}

void ExecuteRequest(WorkerState& w) {
  const std::int32_t op = vx::server::request_action(w.request);
  if (vx::server::request_file(w.request) == 1) w.selected_file = vx::server::served_file();
  vx::server::set_served_driver_string(vx::server::kServerDriverString);

  auto refuse = [&] {
    RT_seterror(vx::kBadRequest);
    if (op == vx::kOpNext) vx::server::send_refused_record_reply(w, vx::kBadRequest);
  };
  const bool needs_file = op == vx::kOpClose || op == vx::kOpNext || op == vx::kOpOpen ||
                          op == vx::kOpSetFile || op == vx::kOpSetKey || op == vx::kOpSetKeyValue;
  if (needs_file && w.selected_file == nullptr) {
    refuse();
  } else if (op == vx::kOpSetKey || op == vx::kOpSetKeyValue) {
    if (vx::server::request_key(w.request) == 1) w.selected_key = vx::server::kByMasterKey;
    if (w.selected_key == 0) {
      refuse();
    } else if (op == vx::kOpSetKey) {
      RT_FILE_SETk(w.selected_file, w.selected_key);
    } else if (!LoadRequestValues(w)) {
      RT_seterror(vx::kBadRequest);
    } else {
      RT_FILE_SETkk(w.selected_file, w.selected_key);
    }
  } else {
    switch (op) {
      case vx::kOpClose:
        RT_FILE_CLOSE(w.selected_file);
        break;
      case vx::kOpNext:
        RT_FILE_NEXT(w.selected_file);
        // The record reply; the routine sends and returns without reading, so the
        // client's next request stays for the next read step.
        vx::wire::server_build::VX_SENDREQUEST(w.socket, RT_ERRCODE(), w.selected_file, "", true,
                                               false, /*READ_REPLY=*/false);
        break;
      case vx::kOpOpen:
        RT_FILE_OPEN(w.selected_file, vx::kOpenDenyWrite);
        break;
      case vx::kOpLoadValues:
        if (!LoadRequestValues(w)) RT_seterror(vx::kBadRequest);
        break;
      case vx::kOpSetFile:
        RT_FILE_SETf(w.selected_file);
        break;
      default:
        break;  // answered with the code the last operation left
    }
  }
  w.result_code = RT_ERRCODE();
}

void ConnectionWorker(const char* text) {
  WorkerState w(static_cast<SOCKET>(std::strtoul(text, nullptr, 10) & 0xFFFF));
  vx::WindowDef def;
  def.label = "ConnectionWorker";
  def.title = "Caption";
  def.width = 185;
  def.height = 92;
  RT_OPENwindow(def);
  RT_SetPropS(0, vx::kPropText, "Skt: " + std::to_string(w.socket));
  // From here on events posted to this thread reach the window.
  vx::server::worker_window_open(RT_THREAD());
  bool initialised = false;
  while (RT_ACCEPT()) {
    if (vx::server::window_upkeep(RT_EVENT(), &initialised)) continue;
    switch (RT_EVENT()) {
      case vx::server::kEventDataWaiting:
        vx::server::read_step(w);
        break;
      case vx::server::kEventConnectionClosed:
        RT_EndEventLoop();
        break;
      default:
        break;
    }
  }
  RT_CLOSEwindow();
}
