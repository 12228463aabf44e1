#include "platform/asyncselect.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

struct Watch {
  HWND window = nullptr;
  UINT message = 0;
  long events = 0;
  std::uint32_t generation = 0;  // tells a stale epoll event from the current socket's
  bool accept_enabled = true;
  bool read_enabled = true;
  bool close_sent = false;
  bool armed = false;
};

struct Post {
  HWND window;
  UINT message;
  SOCKET s;
  LPARAM lparam;
};

class Poller {
 public:
  Poller() {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    // The poller lives as long as the process: posts may come at any time until exit.
    std::thread([this] { run(); }).detach();
  }

  int select(SOCKET s, HWND window, UINT message, long events) {
    int fd = vx::platform::socket_descriptor(s);
    if (fd < 0) {
      WSASetLastError(WSAENOTSOCK);
      return SOCKET_ERROR;
    }
    if (events != 0 && window == nullptr) {
      WSASetLastError(WSAEINVAL);
      return SOCKET_ERROR;
    }
    unsigned long on = 1;
    if (winsock::ioctlsocket(s, winsock::kFionbio, &on) != 0) return SOCKET_ERROR;
    std::lock_guard<std::mutex> lock(mu_);
    forget_locked(s);
    if (events == 0) return 0;
    Watch& w = watches_[s];
    w.window = window;
    w.message = message;
    w.events = events;
    w.generation = ++next_generation_;
    add_locked(s, w);
    return 0;
  }

  void recv_called(SOCKET s) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = watches_.find(s);
    if (it == watches_.end()) return;
    it->second.read_enabled = true;
    arm_locked(s, it->second);
  }

  void accept_called(SOCKET listener, SOCKET accepted) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = watches_.find(listener);
    if (it == watches_.end()) return;
    it->second.accept_enabled = true;
    Watch inherited;
    inherited.window = it->second.window;
    inherited.message = it->second.message;
    inherited.events = it->second.events;
    arm_locked(listener, it->second);
    if (accepted == INVALID_SOCKET || vx::platform::socket_descriptor(accepted) < 0) return;
    unsigned long on = 1;
    winsock::ioctlsocket(accepted, winsock::kFionbio, &on);
    forget_locked(accepted);
    inherited.generation = ++next_generation_;
    Watch& w = watches_[accepted] = inherited;
    add_locked(accepted, w);
  }

  void closing(SOCKET s) {
    std::lock_guard<std::mutex> lock(mu_);
    forget_locked(s);
  }

  int count() {
    std::lock_guard<std::mutex> lock(mu_);
    return static_cast<int>(watches_.size());
  }

 private:
  static std::uint64_t pack(SOCKET s, std::uint32_t generation) {
    return static_cast<std::uint64_t>(generation) << 16 | s;
  }

  void add_locked(SOCKET s, Watch& w) {
    epoll_event ev{};
    ev.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
    ev.data.u64 = pack(s, w.generation);
    epoll_ctl(epoll_, EPOLL_CTL_ADD, s, &ev);
    w.armed = true;
  }

  // Watches the descriptor for one more event, when one may be reported.
  void arm_locked(SOCKET s, Watch& w) {
    if (w.armed || w.close_sent) return;
    epoll_event ev{};
    ev.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
    ev.data.u64 = pack(s, w.generation);
    if (epoll_ctl(epoll_, EPOLL_CTL_MOD, s, &ev) == 0) w.armed = true;
  }

  void forget_locked(SOCKET s) {
    if (watches_.erase(s) != 0) epoll_ctl(epoll_, EPOLL_CTL_DEL, s, nullptr);
  }

  static bool listening(int fd) {
    int value = 0;
    socklen_t len = sizeof value;
    return getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &value, &len) == 0 && value != 0;
  }

  // Decides what an epoll event on s means; returns the posts to make.
  void handle_locked(SOCKET s, std::uint32_t generation, std::vector<Post>* posts) {
    auto it = watches_.find(s);
    if (it == watches_.end() || it->second.generation != generation) return;
    Watch& w = it->second;
    w.armed = false;
    if (listening(s)) {
      if ((w.events & FD_ACCEPT) && w.accept_enabled) {
        w.accept_enabled = false;
        posts->push_back({w.window, w.message, s, WSAMAKESELECTREPLY(FD_ACCEPT, 0)});
      }
      // Not re-armed until accept is called.
      return;
    }
    char byte;
    ssize_t n;
    do {
      n = ::recv(s, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
      if ((w.events & FD_READ) && w.read_enabled) {
        w.read_enabled = false;
        posts->push_back({w.window, w.message, s, WSAMAKESELECTREPLY(FD_READ, 0)});
      }
      // Data waits for a recv; recv_called re-arms.
      return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      arm_locked(s, w);  // nothing after all
      return;
    }
    if (n < 0 && errno == ENOTCONN) return;  // neither listening nor connected yet
    // The peer has closed (n == 0) or the connection broke; no data is left to announce.
    std::uint16_t error = 0;
    if (n < 0) error = static_cast<std::uint16_t>(vx::platform::wsa_error_from_errno(errno));
    w.close_sent = true;
    if (w.events & FD_CLOSE) {
      posts->push_back({w.window, w.message, s, WSAMAKESELECTREPLY(FD_CLOSE, error)});
    }
  }

  void run() {
    epoll_event events[64];
    std::vector<Post> posts;
    for (;;) {
      int n = epoll_wait(epoll_, events, 64, -1);
      if (n < 0) {
        if (errno == EINTR) continue;
        return;
      }
      posts.clear();
      {
        std::lock_guard<std::mutex> lock(mu_);
        for (int i = 0; i < n; ++i) {
          std::uint64_t d = events[i].data.u64;
          handle_locked(static_cast<SOCKET>(d & 0xFFFF), static_cast<std::uint32_t>(d >> 16),
                        &posts);
        }
      }
      // Outside the lock: posting takes the window owner's queue lock.
      for (const Post& p : posts) {
        PostMessageA(p.window, p.message, static_cast<WPARAM>(p.s), p.lparam);
      }
    }
  }

  std::mutex mu_;
  std::unordered_map<SOCKET, Watch> watches_;
  std::uint32_t next_generation_ = 0;
  int epoll_ = -1;
};

Poller& poller() {
  // Never destroyed: the poller thread may still run while the process exits.
  static Poller* p = [] {
    auto* created = new Poller;
    vx::platform::set_socket_close_observer([created](SOCKET s) { created->closing(s); });
    return created;
  }();
  return *p;
}

std::mutex g_started_mu;
Poller* g_poller = nullptr;  // set once the first selection made the poller

Poller* started_poller() {
  std::lock_guard<std::mutex> lock(g_started_mu);
  return g_poller;
}

}  // namespace

int WSAAsyncSelect(SOCKET s, HWND window, UINT message, long events) {
  Poller& p = poller();
  {
    std::lock_guard<std::mutex> lock(g_started_mu);
    g_poller = &p;
  }
  return p.select(s, window, message, events);
}

namespace vx::platform {

void async_select_recv_called(SOCKET s) {
  if (Poller* p = started_poller()) p->recv_called(s);
}

void async_select_accept_called(SOCKET listener, SOCKET accepted) {
  if (Poller* p = started_poller()) p->accept_called(listener, accepted);
}

int async_select_count() {
  Poller* p = started_poller();
  return p ? p->count() : 0;
}

}  // namespace vx::platform
