// WinSock 1.1 in the shape the relay, the wire code and the server expect, over POSIX
// sockets.
//
// Contract:
//  - A SOCKET is a 16-bit unsigned number, never 0 (0 means "no socket" to callers);
//    INVALID_SOCKET (0xFFFF) is the failure value. Descriptors 0 to 2 are never handed
//    out as sockets, even when the process started with them closed: the layer keeps
//    them occupied (by /dev/null) from its first use on. A socket whose descriptor
//    would be above 65534 is closed again and the call fails with WSAEMFILE.
//  - Every call that fails returns SOCKET_ERROR (or INVALID_SOCKET) and sets the
//    calling thread's last error to a WSA number (WSAGetLastError); the errno values
//    of the system map onto the WinSock numbers (ECONNREFUSED -> WSAECONNREFUSED ...).
//    A call on a number that is not an open socket of this layer fails with
//    WSAENOTSOCK, so a stray 0 never reads standard input.
//  - send never raises SIGPIPE; a send to a closed connection fails with an error.
//    On a blocking socket send returns only when every byte is queued (or on error).
//  - Names that POSIX headers define as macros (AF_INET, TCP_NODELAY, ...) are given
//    here as k-constants in namespace winsock with the WinSock values, so the header can
//    be included beside <sys/socket.h>. The calls themselves live in namespace winsock
//    (winsock::socket, winsock::send, ...); WSA* names are global.
//  - The asynchronous selection (WSAAsyncSelect) is built on the registry hooks in
//    vx::platform below: the descriptor behind a socket, its blocking state, and an
//    observer told before a socket is closed.
#ifndef VX_PLATFORM_WINSOCK_H_
#define VX_PLATFORM_WINSOCK_H_

#include <cstdint>
#include <functional>

using SOCKET = std::uint16_t;
constexpr SOCKET INVALID_SOCKET = 0xFFFF;
constexpr int SOCKET_ERROR = -1;

// WSA error numbers.
constexpr int WSAEINTR = 10004;
constexpr int WSAEBADF = 10009;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAEALREADY = 10037;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEDESTADDRREQ = 10039;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAEPROTOTYPE = 10041;
constexpr int WSAENOPROTOOPT = 10042;
constexpr int WSAEPROTONOSUPPORT = 10043;
constexpr int WSAESOCKTNOSUPPORT = 10044;
constexpr int WSAEOPNOTSUPP = 10045;
constexpr int WSAEPFNOSUPPORT = 10046;
constexpr int WSAEAFNOSUPPORT = 10047;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAENETRESET = 10052;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAEISCONN = 10056;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETOOMANYREFS = 10059;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAELOOP = 10062;
constexpr int WSAENAMETOOLONG = 10063;
constexpr int WSAEHOSTDOWN = 10064;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSAENOTEMPTY = 10066;
constexpr int WSAEPROCLIM = 10067;
constexpr int WSAEUSERS = 10068;
constexpr int WSAEDQUOT = 10069;
constexpr int WSAESTALE = 10070;
constexpr int WSAEREMOTE = 10071;
constexpr int WSASYSNOTREADY = 10091;
constexpr int WSAVERNOTSUPPORTED = 10092;
constexpr int WSANOTINITIALISED = 10093;
constexpr int WSASYSCALLFAILURE = 10107;  // a system error with no WinSock counterpart

constexpr int WSADESCRIPTION_LEN = 256;
constexpr int WSASYS_STATUS_LEN = 128;

struct WSADATA {
  std::uint16_t wVersion;
  std::uint16_t wHighVersion;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
  std::uint16_t iMaxSockets;
  std::uint16_t iMaxUdpDg;
  char* lpVendorInfo;
};

// Starts the layer for the caller; only version 1.1 (0x0101) and above are accepted and
// 1.1 is what the caller gets. Returns 0, or WSAVERNOTSUPPORTED. Counted: each
// successful start wants one WSACleanup.
int WSAStartup(std::uint16_t version_requested, WSADATA* data);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);

namespace winsock {

// The WinSock values of names POSIX headers take as macros.
constexpr int kAfInet = 2;
constexpr int kSockStream = 1;
constexpr int kIpProtoTcp = 6;
constexpr int kSolSocket = 0xFFFF;
constexpr int kTcpNoDelay = 0x0001;
constexpr int kSoReuseAddr = 0x0004;
constexpr int kSoKeepAlive = 0x0008;
constexpr int kSoSndBuf = 0x1001;
constexpr int kSoRcvBuf = 0x1002;
constexpr int kMsgPeek = 0x2;
// Not WinSock: more pieces of the same message follow this send, so the stack may hold
// it back and send the pieces together (cleared by the last piece's send).
constexpr int kMsgMore = 0x10000;
constexpr long kFionbio = static_cast<long>(0x8004667Eu);
constexpr std::uint32_t kInaddrAny = 0x00000000u;
constexpr std::uint32_t kInaddrNone = 0xFFFFFFFFu;
constexpr int kSomaxconn = 0x7FFFFFFF;
constexpr int kSdReceive = 0;
constexpr int kSdSend = 1;
constexpr int kSdBoth = 2;

// The IPv4 socket address, 16 bytes, port and address in network byte order.
struct IN_ADDR {
  std::uint32_t s_addr;
};
struct SOCKADDR {
  std::uint16_t sa_family;
  char sa_data[14];
};
struct SOCKADDR_IN {
  std::int16_t sin_family;
  std::uint16_t sin_port;
  IN_ADDR sin_addr;
  char sin_zero[8];
};
static_assert(sizeof(SOCKADDR_IN) == 16 && sizeof(SOCKADDR) == 16);

SOCKET socket(int af, int type, int protocol);
int bind(SOCKET s, const SOCKADDR* name, int namelen);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, SOCKADDR* addr, int* addrlen);
int connect(SOCKET s, const SOCKADDR* name, int namelen);
// flags: 0 or kMsgPeek. Returns the bytes read, 0 when the peer has closed, or
// SOCKET_ERROR.
int recv(SOCKET s, char* buf, int len, int flags);
// flags: 0 or kMsgMore.
int send(SOCKET s, const char* buf, int len, int flags);
int closesocket(SOCKET s);
// how: kSdReceive, kSdSend or kSdBoth.
int shutdown(SOCKET s, int how);
int getsockname(SOCKET s, SOCKADDR* name, int* namelen);
int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen);
// Only kFionbio: *argp non-zero makes the socket non-blocking.
int ioctlsocket(SOCKET s, long cmd, unsigned long* argp);
// Dotted IPv4 text to an address in network byte order; kInaddrNone when the text is
// not an address. Host names are not looked up.
std::uint32_t inet_addr(const char* cp);
// Parenthesised so a POSIX htons macro, where one is defined, does not rewrite them.
std::uint16_t(htons)(std::uint16_t hostshort);
std::uint16_t(ntohs)(std::uint16_t netshort);

}  // namespace winsock

namespace vx::platform {

// The system descriptor behind an open socket of this layer; -1 otherwise.
int socket_descriptor(SOCKET s);
// Whether the socket is non-blocking (false for a socket that is not open).
bool socket_nonblocking(SOCKET s);
// Blocks until the socket can take more bytes or `timeout_ms` passes (-1: no limit).
// True when it can.
bool wait_writable(SOCKET s, int timeout_ms);
// Called with a socket just before closesocket releases it (outside the registry's
// lock), so a layer that watches sockets can forget it first. One observer per process.
using SocketCloseObserver = std::function<void(SOCKET)>;
void set_socket_close_observer(SocketCloseObserver observer);
// Number of open sockets (for tests).
int open_socket_count();
// The WSA number for a system errno value.
int wsa_error_from_errno(int err);

}  // namespace vx::platform

#endif  // VX_PLATFORM_WINSOCK_H_
