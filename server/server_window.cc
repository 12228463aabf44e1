#include "server/server_window.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "platform/asyncselect.h"
#include "platform/user32.h"
#include "platform/winsock.h"
#include "runtime/event.h"
#include "runtime/thread.h"
#include "runtime/window.h"
#include "server/activity_log.h"
#include "server/connection_queue.h"
#include "server/console.h"
#include "server/socket_events.h"
#include "server/window_upkeep.h"
#include "server/worker.h"
#include "wire/wire.h"

std::atomic<std::int32_t> WinSockStarted{0};

namespace vx::server {
namespace {

std::int16_t g_step = 0;  // touched on the server window's thread only
WSADATA g_wsadata;

constexpr std::int32_t kStatusField = 2;
constexpr std::int32_t kStepField = 4;
constexpr std::int32_t kLogList = 6;
constexpr std::int32_t kCloseButton = 7;
constexpr std::int32_t kCloseSocketButton = 8;

ListSource log_source() {
  ListSource src;
  src.count = [] { return DataQueue().records(); };
  src.row = [](std::size_t n) {
    DataLine line = DataQueue().get(n);
    return std::vector<std::string>{std::string(line.DATALINE, kLogLineWidth)};
  };
  return src;
}

WindowDef server_window_def(char* status) {
  WindowDef def;
  def.label = "ServerWindow";
  def.title = "Server TCP Socket";
  def.width = 289;
  def.height = 182;
  def.font = "MS Sans Serif";
  def.font_size = 8;
  auto add = [&](ControlDef c) { def.controls.push_back(std::move(c)); };
  ControlDef c;
  c = {};
  c.number = 1, c.kind = ControlKind::kPrompt, c.text = "Current Status:", c.x = 28, c.y = 10;
  add(c);
  c = {};
  c.number = kStatusField, c.kind = ControlKind::kString, c.picture = "@s20";
  c.hint = "Current Status of Connectio", c.x = 78, c.y = 9, c.use = bind_text(status, 20);
  add(c);
  c = {};
  c.number = 3, c.kind = ControlKind::kPrompt, c.text = "Current Step:", c.x = 29, c.y = 28;
  add(c);
  c = {};
  c.number = kStepField, c.kind = ControlKind::kString, c.picture = "@n3";
  c.hint = "Current Step in serving socket", c.x = 78, c.y = 26, c.use = bind_number(&g_step);
  add(c);
  c = {};
  c.number = 5, c.kind = ControlKind::kLine, c.x = 18, c.y = 51, c.width = 158;
  add(c);
  c = {};
  c.number = kLogList, c.kind = ControlKind::kList, c.format = "277L(1)~Data Line~L(0)@s199@";
  c.x = 33, c.y = 59, c.width = 249, c.height = 91, c.from = log_source();
  add(c);
  c = {};
  c.number = kCloseButton, c.kind = ControlKind::kButton, c.text = "Cl&ose", c.x = 13, c.y = 159;
  c.width = 45, c.height = 14;
  add(c);
  c = {};
  c.number = kCloseSocketButton, c.kind = ControlKind::kButton, c.text = "&Close Socket";
  c.x = 117, c.y = 159, c.width = 67, c.height = 14, c.disabled = true;
  add(c);
  return def;
}

// Posts kEventLogChanged to the window's thread when the log has changed since the
// last look, every kLogRedrawMs at most.
class LogTicker {
 public:
  explicit LogTicker(std::int32_t thread)
      : thread_([this, thread] {
          std::uint64_t seen = DataQueue().version();
          std::unique_lock<std::mutex> lock(mu_);
          while (!cv_.wait_for(lock, std::chrono::milliseconds(kLogRedrawMs),
                               [this] { return stop_; })) {
            std::uint64_t now = DataQueue().version();
            if (now != seen) {
              seen = now;
              RT_POST(kEventLogChanged, 0, thread);
            }
          }
        }) {}
  ~LogTicker() { stop(); }
  void stop() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

 private:
  static constexpr int kLogRedrawMs = 200;
  std::mutex mu_;
  std::condition_variable cv_;
  bool stop_ = false;
  std::thread thread_;
};

// Closes what the server accepted and tells the workers to end: with the window gone
// no notification would reach them again.
void close_connections() {
  for (const ConnectionEntry& e : open_connections()) {
    winsock::closesocket(e.SOCKETID);
    connection_closed(e.SOCKETID);
    RT_POST(kEventConnectionClosed, 0, e.THREADID);
  }
}

}  // namespace

std::int16_t server_step() {
  return g_step;
}

}  // namespace vx::server

void ServerWindow() {
  using namespace vx::server;
  char status[20];
  std::memset(status, ' ', sizeof status);
  vx::WindowDef def = server_window_def(status);
  if (DataQueue().records() > 0) DataQueue().clear();
  if (WSAStartup(0x0101, &g_wsadata) != 0) {
    vx::wire::SocketError();
    return;
  }
  WinSockStarted = 1;
  RT_OPENwindow(def);
  const std::int32_t self = RT_THREAD();
  attach_console_if_headless(self);

  // The list is redrawn at most a few times a second: workers may log far faster than
  // a list of thousands of lines can be redrawn, and a redraw per line would cost every
  // request a pass over the whole log.
  LogTicker ticker(self);

  SOCKET listener = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
  if (listener == INVALID_SOCKET) {
    vx::wire::SocketError();
  } else {
    RT_SetPropS(0, vx::kPropText, "Server TCP Socket #" + std::to_string(listener));
    RT_DISPLAY();
  }
  // A restarted server must not wait for the previous one's closed connections to
  // time out; a second live listener on the port is still refused.
  int reuse = 1;
  winsock::setsockopt(listener, winsock::kSolSocket, winsock::kSoReuseAddr,
                      reinterpret_cast<const char*>(&reuse), sizeof reuse);
  winsock::SOCKADDR_IN address{};
  address.sin_family = winsock::kAfInet;
  address.sin_addr.s_addr = winsock::kInaddrAny;
  address.sin_port = (winsock::htons)(kServerPort);
  if (winsock::bind(listener, reinterpret_cast<winsock::SOCKADDR*>(&address), 16) != 0) {
    vx::wire::SocketError();
  }
  if (winsock::listen(listener, 1) != 0) vx::wire::SocketError();
  HWND handle = vx::window_handle();
  set_previous_window_proc(reinterpret_cast<WNDPROC>(
      SetWindowLongA(handle, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&SocketEventProc))));
  if (WSAAsyncSelect(listener, handle, kSocketMessage, FD_READ | FD_ACCEPT | FD_CLOSE) != 0) {
    vx::wire::SocketError();
  }
  ++g_step;
  RT_DISABLE(kCloseButton);
  RT_ENABLE(kCloseSocketButton);
  RT_DISPLAY();

  bool initialised = false;
  bool listener_closed = false;
  while (RT_ACCEPT()) {
    // Upkeep and the server's own events never overlap; the close check below runs
    // after either.
    vx::server::window_upkeep(RT_EVENT(), &initialised);
    switch (RT_EVENT()) {
      case vx::kEventSized:
        RT_DISPLAY();
        break;
      case kEventLogChanged:
        RT_DISPLAY(kLogList);
        break;
      default:
        break;
    }
    if (RT_ACCEPTED() == kCloseSocketButton) {
      std::memcpy(status, "Closing Socket...   ", sizeof status);
      RT_DISPLAY(kStatusField);
      if (winsock::closesocket(listener) != 0) {
        vx::wire::SocketError();
      } else {
        ++g_step;
        RT_DISPLAY();
      }
      listener_closed = true;
      break;
    }
  }
  ticker.stop();
  if (!listener_closed) winsock::closesocket(listener);
  close_connections();
  RT_CLOSEwindow();
}
