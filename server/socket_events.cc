#include "server/socket_events.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "platform/asyncselect.h"
#include "platform/winsock.h"
#include "runtime/clock.h"
#include "runtime/event.h"
#include "runtime/thread.h"
#include "server/activity_log.h"
#include "server/connection_queue.h"
#include "server/worker.h"
#include "server/worker_ready.h"
#include "wire/wire.h"

namespace vx::server {
namespace {
std::atomic<WNDPROC> g_previous{nullptr};

std::string stamp() {
  return vx::format_d2(RT_TODAY()) + vx::format_t6(RT_CLOCK());
}
}  // namespace

void set_previous_window_proc(WNDPROC proc) {
  g_previous = proc;
}

}  // namespace vx::server

LRESULT CALLBACK SocketEventProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  using namespace vx::server;
  if (message == kSocketMessage) {
    const auto s = static_cast<SOCKET>(wparam & 0xFFFF);
    switch (WSAGETSELECTEVENT(lparam)) {
      case FD_ACCEPT: {
        SOCKET accepted = winsock::accept(s, nullptr, nullptr);
        if (accepted == INVALID_SOCKET) {
          vx::wire::SocketError();
          break;
        }
        // Replies leave in several sends (header, values, marker, status reply); none
        // may wait for the client's delayed acknowledgement.
        int one = 1;
        winsock::setsockopt(accepted, winsock::kIpProtoTcp, winsock::kTcpNoDelay,
                            reinterpret_cast<const char*>(&one), sizeof one);
        char text[33];
        std::snprintf(text, sizeof text, "%-32u", static_cast<unsigned>(accepted));
        std::int32_t thread = RT_START1(ConnectionWorker, 25000, text);
        register_connection(accepted, thread);
        // Events posted before the worker's window is open would be lost.
        await_worker_window(thread);
        AddLogLine(std::to_string(accepted) + "-connected-" + stamp());
        break;
      }
      case FD_READ: {
        std::int32_t thread = connection_thread(s);
        if (thread != 0) RT_POST(kEventDataWaiting, 0, thread);
        break;
      }
      case FD_CLOSE: {
        if (winsock::closesocket(s) != 0) vx::wire::SocketError();
        connection_closed(s);
        std::int32_t thread = connection_thread(s);
        if (thread != 0) RT_POST(kEventConnectionClosed, 0, thread);
        AddLogLine(std::to_string(s) + "-disconnected-" + stamp());
        break;
      }
      default:
        break;
    }
  }
  return CallWindowProcA(g_previous.load(), window, message, wparam, lparam);
}
