// What both ends of the record link share: the integer and text encodings of a
// message, the end marker, the limits, and the report of a failed socket call.
//
// A message is a 20-byte header (action or code, file number, 12 bytes of text),
// then length-prefixed values, then the 7-byte end marker. Integers are 32-bit,
// least significant byte first, whatever the host.
#ifndef VX_WIRE_WIRE_H_
#define VX_WIRE_WIRE_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vx::wire {

inline constexpr char kEndMarker[7] = {0x09, 0x09, 0x05, 0x09, 0x02, 0x02, 0x07};
constexpr std::size_t kEndMarkerSize = sizeof kEndMarker;
constexpr std::size_t kHeaderSize = 20;
constexpr std::size_t kAddlInfoSize = 12;
constexpr std::size_t kPieceSize = 1500;      // bytes of a value per send
constexpr int kReadSize = 2000;               // bytes asked for per read
constexpr std::size_t kMaxMessage = 100000;   // a reply, end markers included
constexpr std::size_t kStatusReplySize = 11;  // code + end marker
constexpr std::int32_t kSubjectFileId = 1;    // the only file number in the system

// The label of the first field of the file that file number 1 stands for, compared
// upper-cased.
inline constexpr char SUB_MASTERC[] = "SUB:MasterC";

// The 4 wire bytes of an integer, least significant first.
std::string LONGTOSTRING(std::int32_t LVAR);
// The integer of a text taken as a 4-byte field: cut after 4 bytes, or padded with
// spaces.
std::int32_t STRINGTOLONG(std::string_view SVAR);

// A fixed-width text field: cut at `width`, or padded with spaces.
std::string text_field(std::string_view text, std::size_t width);
// The length of a value without its trailing spaces (0x20 only).
std::size_t trimmed_length(std::string_view value);

// The code of the last record reply the relay read (0 until one is read).
extern std::atomic<std::int32_t> VX_LASTERRORCODE;

// The text SocketError shows for a WinSock error code: "Server: " + the low 16 bits
// as a signed number + ": " + the code's name, blank-padded to 40 characters.
std::string socket_error_text(std::int32_t code);

// Shows the calling thread's last WinSock error in a "WinSock Error" box with the
// information icon and one OK button, and returns when the user closes it. Call it
// right after the failed call, on the same thread.
void SocketError();

}  // namespace vx::wire

#endif  // VX_WIRE_WIRE_H_
