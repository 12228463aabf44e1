#include "server/console.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "runtime/thread.h"
#include "runtime/ui/backend.h"
#include "runtime/ui/headless.h"
#include "server/activity_log.h"

namespace vx::server {
namespace {

int g_signal_pipe[2] = {-1, -1};

void on_signal(int) {
  char c = 1;
  ssize_t ignored = write(g_signal_pipe[1], &c, 1);
  (void)ignored;
}

void watch_signals(std::int32_t server_thread) {
  if (pipe(g_signal_pipe) != 0) return;
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  std::thread([server_thread] {
    char c;
    while (read(g_signal_pipe[0], &c, 1) < 0) {
    }
    vx::ui::press(server_thread, 8);  // "&Close Socket"
    vx::ui::wait_until([server_thread] { return !vx::thread_alive(server_thread); }, 10000);
    vx::ui::close_window(1);  // the frame; the program then ends as usual
  }).detach();
}

}  // namespace

void attach_console_if_headless(std::int32_t server_thread) {
  if (std::string(vx::ui::backend().name()) != "headless") return;
  DataQueue().set_listener([](const std::string& line) {
    std::string out = line + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
  });
  static std::once_flag once;
  std::call_once(once, [server_thread] { watch_signals(server_thread); });
}

}  // namespace vx::server
