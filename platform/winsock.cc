#include "platform/winsock.h"

#include "platform/asyncselect.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

constexpr int kMaxSocketNumber = 0xFFFE;  // 0xFFFF is INVALID_SOCKET

struct SocketInfo {
  bool nonblocking = false;
};

std::mutex g_mutex;
std::unordered_map<SOCKET, SocketInfo> g_sockets;    // guarded by g_mutex
int g_startups = 0;                                  // guarded by g_mutex
vx::platform::SocketCloseObserver g_close_observer;  // guarded by g_mutex
thread_local int t_last_error = 0;

int fail(int wsa_error) {
  t_last_error = wsa_error;
  return SOCKET_ERROR;
}

int fail_errno() {
  return fail(vx::platform::wsa_error_from_errno(errno));
}

// Descriptors 0-2 must stay occupied: a socket there would read as "no socket" (0) to
// callers, or collide with the standard streams a program expects to write to.
void fill_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      int null_fd = open("/dev/null", O_RDWR);
      if (null_fd >= 0 && null_fd != fd) {
        dup2(null_fd, fd);
        close(null_fd);
      }
    }
  }
}

// Takes a fresh descriptor into the registry, moving it above 2 first. Returns the
// socket, or INVALID_SOCKET (descriptor closed) with the last error set.
SOCKET adopt(int fd) {
  if (fd <= 2) {
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    int saved = errno;
    // Keep the low slot occupied so the next descriptor does not land there again.
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
      dup2(null_fd, fd);
      if (null_fd != fd) close(null_fd);
    } else {
      close(fd);
    }
    if (moved < 0) {
      fail(vx::platform::wsa_error_from_errno(saved));
      return INVALID_SOCKET;
    }
    fd = moved;
  }
  if (fd > kMaxSocketNumber) {
    close(fd);
    fail(WSAEMFILE);
    return INVALID_SOCKET;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  g_sockets[static_cast<SOCKET>(fd)] = SocketInfo{};
  return static_cast<SOCKET>(fd);
}

// The descriptor of an open socket, or -1 with WSAENOTSOCK set.
int fd_of(SOCKET s, bool* nonblocking = nullptr) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_sockets.find(s);
  if (it == g_sockets.end()) {
    t_last_error = WSAENOTSOCK;
    return -1;
  }
  if (nonblocking) *nonblocking = it->second.nonblocking;
  return s;
}

bool to_posix_address(const winsock::SOCKADDR* name, int namelen, sockaddr_in* out) {
  if (name == nullptr || namelen < static_cast<int>(sizeof(winsock::SOCKADDR_IN))) return false;
  winsock::SOCKADDR_IN in;
  std::memcpy(&in, name, sizeof in);
  std::memset(out, 0, sizeof *out);
  out->sin_family = static_cast<sa_family_t>(in.sin_family);
  out->sin_port = in.sin_port;
  out->sin_addr.s_addr = in.sin_addr.s_addr;
  return true;
}

void from_posix_address(const sockaddr_in& in, winsock::SOCKADDR* name, int* namelen) {
  if (name == nullptr || namelen == nullptr) return;
  winsock::SOCKADDR_IN out{};
  out.sin_family = static_cast<std::int16_t>(in.sin_family);
  out.sin_port = in.sin_port;
  out.sin_addr.s_addr = in.sin_addr.s_addr;
  int n = *namelen < static_cast<int>(sizeof out) ? *namelen : static_cast<int>(sizeof out);
  if (n > 0) std::memcpy(name, &out, static_cast<std::size_t>(n));
  *namelen = static_cast<int>(sizeof out);
}

}  // namespace

namespace vx::platform {

int wsa_error_from_errno(int err) {
  switch (err) {
    case 0:
      return 0;
    case EINTR:
      return WSAEINTR;
    case EBADF:
      return WSAEBADF;
    case EACCES:
    case EPERM:
      return WSAEACCES;
    case EFAULT:
      return WSAEFAULT;
    case EINVAL:
      return WSAEINVAL;
    case EMFILE:
    case ENFILE:
      return WSAEMFILE;
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EAGAIN:
      return WSAEWOULDBLOCK;
    case EINPROGRESS:
      return WSAEWOULDBLOCK;  // a non-blocking connect under way
    case EALREADY:
      return WSAEALREADY;
    case ENOTSOCK:
      return WSAENOTSOCK;
    case EDESTADDRREQ:
      return WSAEDESTADDRREQ;
    case EMSGSIZE:
      return WSAEMSGSIZE;
    case EPROTOTYPE:
      return WSAEPROTOTYPE;
    case ENOPROTOOPT:
      return WSAENOPROTOOPT;
    case EPROTONOSUPPORT:
      return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT:
      return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP:
      return WSAEOPNOTSUPP;
    case EPFNOSUPPORT:
      return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT:
      return WSAEAFNOSUPPORT;
    case EADDRINUSE:
      return WSAEADDRINUSE;
    case EADDRNOTAVAIL:
      return WSAEADDRNOTAVAIL;
    case ENETDOWN:
      return WSAENETDOWN;
    case ENETUNREACH:
      return WSAENETUNREACH;
    case ENETRESET:
      return WSAENETRESET;
    case ECONNABORTED:
      return WSAECONNABORTED;
    // A send after the peer has gone: WinSock reports the reset connection.
    case ECONNRESET:
    case EPIPE:
      return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM:
      return WSAENOBUFS;
    case EISCONN:
      return WSAEISCONN;
    case ENOTCONN:
      return WSAENOTCONN;
    case ESHUTDOWN:
      return WSAESHUTDOWN;
    case ETOOMANYREFS:
      return WSAETOOMANYREFS;
    case ETIMEDOUT:
      return WSAETIMEDOUT;
    case ECONNREFUSED:
      return WSAECONNREFUSED;
    case ELOOP:
      return WSAELOOP;
    case ENAMETOOLONG:
      return WSAENAMETOOLONG;
    case EHOSTDOWN:
      return WSAEHOSTDOWN;
    case EHOSTUNREACH:
      return WSAEHOSTUNREACH;
    case ENOTEMPTY:
      return WSAENOTEMPTY;
    case EUSERS:
      return WSAEUSERS;
    case EDQUOT:
      return WSAEDQUOT;
    case ESTALE:
      return WSAESTALE;
    case EREMOTE:
      return WSAEREMOTE;
    default:
      return WSASYSCALLFAILURE;
  }
}

int socket_descriptor(SOCKET s) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_sockets.count(s) ? static_cast<int>(s) : -1;
}

bool socket_nonblocking(SOCKET s) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_sockets.find(s);
  return it != g_sockets.end() && it->second.nonblocking;
}

bool wait_writable(SOCKET s, int timeout_ms) {
  int fd = fd_of(s);
  if (fd < 0) return false;
  pollfd p{fd, POLLOUT, 0};
  int n;
  do {
    n = poll(&p, 1, timeout_ms);
  } while (n < 0 && errno == EINTR);
  return n > 0 && (p.revents & POLLOUT) != 0;
}

void set_socket_close_observer(SocketCloseObserver observer) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_close_observer = std::move(observer);
}

int open_socket_count() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return static_cast<int>(g_sockets.size());
}

}  // namespace vx::platform

int WSAStartup(std::uint16_t version_requested, WSADATA* data) {
  std::uint8_t major = version_requested & 0xFF;
  std::uint8_t minor = version_requested >> 8;
  if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
  if (data == nullptr) return WSAEFAULT;
  fill_standard_descriptors();
  std::memset(data, 0, sizeof *data);
  data->wVersion = 0x0101;
  data->wHighVersion = 0x0101;
  std::strcpy(data->szDescription, "WinSock 1.1 over POSIX sockets");
  std::strcpy(data->szSystemStatus, "Running");
  data->iMaxSockets = kMaxSocketNumber;
  data->iMaxUdpDg = 65467;
  data->lpVendorInfo = nullptr;
  std::lock_guard<std::mutex> lock(g_mutex);
  ++g_startups;
  return 0;
}

int WSACleanup() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_startups == 0) return fail(WSANOTINITIALISED);
  --g_startups;
  return 0;
}

int WSAGetLastError() {
  return t_last_error;
}
void WSASetLastError(int error) {
  t_last_error = error;
}

namespace winsock {

SOCKET socket(int af, int type, int protocol) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_startups == 0) {
      fail(WSANOTINITIALISED);
      return INVALID_SOCKET;
    }
  }
  if (af != kAfInet) {
    fail(WSAEAFNOSUPPORT);
    return INVALID_SOCKET;
  }
  if (type != kSockStream) {
    fail(WSAESOCKTNOSUPPORT);
    return INVALID_SOCKET;
  }
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, protocol);
  if (fd < 0) {
    fail_errno();
    return INVALID_SOCKET;
  }
  return adopt(fd);
}

int bind(SOCKET s, const SOCKADDR* name, int namelen) {
  int fd = fd_of(s);
  if (fd < 0) return SOCKET_ERROR;
  sockaddr_in addr;
  if (!to_posix_address(name, namelen, &addr)) return fail(WSAEFAULT);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return fail_errno();
  return 0;
}

int listen(SOCKET s, int backlog) {
  int fd = fd_of(s);
  if (fd < 0) return SOCKET_ERROR;
  if (::listen(fd, backlog > SOMAXCONN ? SOMAXCONN : backlog) != 0) return fail_errno();
  return 0;
}

SOCKET accept(SOCKET s, SOCKADDR* addr, int* addrlen) {
  int fd = fd_of(s);
  if (fd < 0) return INVALID_SOCKET;
  sockaddr_in peer{};
  socklen_t len = sizeof peer;
  int c;
  do {
    c = ::accept4(fd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
  } while (c < 0 && errno == EINTR);
  if (c < 0) {
    fail_errno();
    vx::platform::async_select_accept_called(s, INVALID_SOCKET);
    return INVALID_SOCKET;
  }
  SOCKET accepted = adopt(c);
  if (accepted != INVALID_SOCKET) from_posix_address(peer, addr, addrlen);
  // Re-enables FD_ACCEPT and lets the new socket inherit the listener's selection.
  vx::platform::async_select_accept_called(s, accepted);
  return accepted;
}

int connect(SOCKET s, const SOCKADDR* name, int namelen) {
  bool nonblocking = false;
  int fd = fd_of(s, &nonblocking);
  if (fd < 0) return SOCKET_ERROR;
  sockaddr_in addr;
  if (!to_posix_address(name, namelen, &addr)) return fail(WSAEFAULT);
  // No connection to "any" or to the all-ones address (what a host name that is not a
  // dotted address converts to): WinSock refuses both as not available.
  if (addr.sin_addr.s_addr == kInaddrAny || addr.sin_addr.s_addr == kInaddrNone) {
    return fail(WSAEADDRNOTAVAIL);
  }
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return 0;
  if (errno == EINTR && !nonblocking) {
    // The connection goes on in the background; wait for its outcome.
    pollfd p{fd, POLLOUT, 0};
    while (poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
    int err = 0;
    socklen_t len = sizeof err;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
    return err == 0 ? 0 : fail(vx::platform::wsa_error_from_errno(err));
  }
  return fail_errno();
}

int recv(SOCKET s, char* buf, int len, int flags) {
  int fd = fd_of(s);
  if (fd < 0) return SOCKET_ERROR;
  if (len < 0 || (buf == nullptr && len > 0)) return fail(WSAEFAULT);
  if ((flags & ~kMsgPeek) != 0) return fail(WSAEOPNOTSUPP);
  int posix_flags = (flags & kMsgPeek) ? MSG_PEEK : 0;
  ssize_t n;
  do {
    n = ::recv(fd, buf, static_cast<std::size_t>(len), posix_flags);
  } while (n < 0 && errno == EINTR);
  int saved = errno;
  // Re-enables FD_READ, whatever the outcome, as WinSock does.
  vx::platform::async_select_recv_called(s);
  if (n < 0) return fail(vx::platform::wsa_error_from_errno(saved));
  return static_cast<int>(n);
}

int send(SOCKET s, const char* buf, int len, int flags) {
  bool nonblocking = false;
  int fd = fd_of(s, &nonblocking);
  if (fd < 0) return SOCKET_ERROR;
  if (len < 0 || (buf == nullptr && len > 0)) return fail(WSAEFAULT);
  if ((flags & ~kMsgMore) != 0) return fail(WSAEOPNOTSUPP);
  int posix_flags = MSG_NOSIGNAL | ((flags & kMsgMore) ? MSG_MORE : 0);
  int sent = 0;
  while (sent < len || len == 0) {
    ssize_t n = ::send(fd, buf + sent, static_cast<std::size_t>(len - sent), posix_flags);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (sent > 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      return fail_errno();
    }
    sent += static_cast<int>(n);
    // A non-blocking socket takes what fits; a blocking one queues everything.
    if (nonblocking || len == 0) break;
  }
  return sent;
}

int shutdown(SOCKET s, int how) {
  int fd = fd_of(s);
  if (fd < 0) return SOCKET_ERROR;
  int posix_how = how == kSdReceive ? SHUT_RD : how == kSdSend ? SHUT_WR : SHUT_RDWR;
  if (how < kSdReceive || how > kSdBoth) return fail(WSAEINVAL);
  if (::shutdown(fd, posix_how) != 0) return fail_errno();
  return 0;
}

int closesocket(SOCKET s) {
  vx::platform::SocketCloseObserver observer;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_sockets.count(s) == 0) return fail(WSAENOTSOCK);
    observer = g_close_observer;
  }
  if (observer) observer(s);
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    // Another thread may have closed it while the observer ran.
    if (g_sockets.erase(s) == 0) return fail(WSAENOTSOCK);
  }
  if (::close(s) != 0 && errno != EINTR) return fail_errno();
  return 0;
}

int getsockname(SOCKET s, SOCKADDR* name, int* namelen) {
  int fd = fd_of(s);
  if (fd < 0) return SOCKET_ERROR;
  if (name == nullptr || namelen == nullptr || *namelen < static_cast<int>(sizeof(SOCKADDR_IN))) {
    return fail(WSAEFAULT);
  }
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return fail_errno();
  from_posix_address(addr, name, namelen);
  return 0;
}

int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
  int fd = fd_of(s);
  if (fd < 0) return SOCKET_ERROR;
  if (optval == nullptr || optlen < static_cast<int>(sizeof(int))) return fail(WSAEFAULT);
  int value;
  std::memcpy(&value, optval, sizeof value);
  int posix_level, posix_name;
  if (level == kIpProtoTcp && optname == kTcpNoDelay) {
    posix_level = IPPROTO_TCP;
    posix_name = TCP_NODELAY;
  } else if (level == kSolSocket && optname == kSoReuseAddr) {
    posix_level = SOL_SOCKET;
    posix_name = SO_REUSEADDR;
  } else if (level == kSolSocket && optname == kSoKeepAlive) {
    posix_level = SOL_SOCKET;
    posix_name = SO_KEEPALIVE;
  } else if (level == kSolSocket && optname == kSoSndBuf) {
    posix_level = SOL_SOCKET;
    posix_name = SO_SNDBUF;
  } else if (level == kSolSocket && optname == kSoRcvBuf) {
    posix_level = SOL_SOCKET;
    posix_name = SO_RCVBUF;
  } else {
    return fail(WSAENOPROTOOPT);
  }
  if (::setsockopt(fd, posix_level, posix_name, &value, sizeof value) != 0) return fail_errno();
  return 0;
}

int ioctlsocket(SOCKET s, long cmd, unsigned long* argp) {
  if (cmd != kFionbio) return fail(WSAEINVAL);
  if (argp == nullptr) return fail(WSAEFAULT);
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_sockets.find(s);
  if (it == g_sockets.end()) return fail(WSAENOTSOCK);
  int flags = fcntl(s, F_GETFL);
  if (flags < 0) return fail_errno();
  flags = *argp ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  if (fcntl(s, F_SETFL, flags) != 0) return fail_errno();
  it->second.nonblocking = *argp != 0;
  return 0;
}

std::uint32_t inet_addr(const char* cp) {
  if (cp == nullptr) return kInaddrNone;
  in_addr addr;
  // inet_aton reads the dotted forms WinSock reads (a.b.c.d, a.b.c, a.b, a; decimal,
  // octal or hex parts) and never looks a name up.
  if (inet_aton(cp, &addr) == 0) return kInaddrNone;
  return addr.s_addr;
}

std::uint16_t(htons)(std::uint16_t hostshort) {
  const unsigned char bytes[2] = {static_cast<unsigned char>(hostshort >> 8),
                                  static_cast<unsigned char>(hostshort & 0xFF)};
  std::uint16_t net;
  std::memcpy(&net, bytes, sizeof net);
  return net;
}
std::uint16_t(ntohs)(std::uint16_t netshort) {
  unsigned char bytes[2];
  std::memcpy(bytes, &netshort, sizeof bytes);
  return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

}  // namespace winsock
