// The report of a failed socket call: the same table and text at both ends.
#include <string>

#include "platform/winsock.h"
#include "runtime/msgbox.h"
#include "wire/wire.h"

namespace vx::wire {

namespace {

struct ErrorName {
  std::uint16_t code;
  const char* name;
};

constexpr ErrorName kErrorNames[] = {
    {10004, "WSAEINTR"},           {10009, "WSAEBADF"},          {10013, "WSAEACCES"},
    {10014, "WSAEFAULT"},          {10022, "WSAEINVAL"},         {10024, "WSAEMFILE"},
    {10035, "WSAEWOULDBLOCK"},     {10036, "WSAEINPROGRESS"},    {10037, "WSAEALREADY"},
    {10038, "WSAENOTSOCK"},        {10039, "WSAEDESTADDRREQ"},   {10040, "WSAEMSGSIZE"},
    {10041, "WSAEPROTOTYPE"},      {10042, "WSAENOPROTOOPT"},    {10043, "WSAEPROTONOSUPPORT"},
    {10044, "WSAESOCKTNOSUPPORT"}, {10045, "WSAEOPNOTSUPP"},     {10046, "WSAEPFNOSUPPORT"},
    {10047, "WSAEAFNOSUPPORT"},    {10048, "WSAEADDRINUSE"},     {10049, "WSAEADDRNOTAVAIL"},
    {10050, "WSAENETDOWN"},        {10051, "WSAENETUNREACH"},    {10052, "WSAENETRESET"},
    {10053, "WSAECONNABORTED"},    {10054, "WSAECONNRESET"},     {10055, "WSAENOBUFS"},
    {10056, "WSAEISCONN"},         {10057, "WSAENOTCONN"},       {10058, "WSAESHUTDOWN"},
    {10059, "WSAETOOMANYREFS"},    {10060, "WSAETIMEDOUT"},      {10061, "WSAECONNREFUSED"},
    {10062, "WSAELOOP"},           {10063, "WSAENAMETOOLONG"},   {10064, "WSAEHOSTDOWN"},
    {10065, "WSAEHOSTUNREACH"},    {10066, "WSAENOTEMPTY"},      {10067, "WSAEPROCLIM"},
    {10068, "WSAEUSERS"},          {10069, "WSAEDQUOT"},         {10070, "WSAESTALE"},
    {10071, "WSAEREMOTE"},         {10091, "WSASYSNOTREADY"},    {10092, "WSAVERNOTSUPPORTED"},
    {10093, "WSANOTINITIALISED"},  {11001, "WSAHOST_NOT_FOUND"}, {11002, "WSATRY_AGAIN"},
    {11003, "WSANO_RECOVERY"},     {11004, "WSANO_DATA"},
};
static_assert(sizeof kErrorNames / sizeof kErrorNames[0] == 50);

constexpr std::size_t kErrStringSize = 40;

}  // namespace

std::string socket_error_text(std::int32_t code) {
  auto low = static_cast<std::uint16_t>(static_cast<std::uint32_t>(code) & 0xFFFF);
  auto ERRCODE = static_cast<std::int16_t>(low);
  const char* name = "Unknown Error Code";
  for (const ErrorName& e : kErrorNames) {
    if (e.code == low) {
      name = e.name;
      break;
    }
  }
  return "Server: " + std::to_string(ERRCODE) + ": " + text_field(name, kErrStringSize);
}

void SocketError() {
  std::string text = socket_error_text(WSAGetLastError());
  RT_MessageBox(text.c_str(), "WinSock Error", vx::kIconAsterisk);
}

}  // namespace vx::wire
