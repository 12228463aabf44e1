// The relay's own pieces, for the relay's modules and its tests. Programs use
// relay/vex32.h only.
#ifndef VX_RELAY_VEX32_INTERNAL_H_
#define VX_RELAY_VEX32_INTERNAL_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/kernel32.h"
#include "runtime/fcb.h"

namespace vx::relay {

// Only the first this many characters of a driver string are examined.
constexpr std::size_t kDriverStringChars = 256;
constexpr std::size_t kPathSize = 256;        // DRVPATH: at most 255 characters
constexpr std::size_t kHostSize = 20;         // THISHOSTIP, HOSTIP: at most 19 characters
constexpr std::uint16_t kServerPort = 10025;  // where the record server listens

// One control data entry of TANDEMFCB, kept per runtime FCB.
struct ControlEntry {
  std::uintptr_t DRVFCB = 0;    // the runtime's FCB address; the key
  HMODULE DRVHND = 0;           // the real driver library loaded for this FCB
  std::uintptr_t DRVPIPE = 0;   // its entry (export ordinal 2)
  char HOSTIP[kHostSize] = {};  // reserved; left empty
};

// "/DRIVER=" of the copy's driver string into PATH: the text after the keyword up to
// the next blank, cut to 255 characters; "C4TPSX.DLL" when the keyword is absent.
// An empty value ends the program with "No driver specified".
void GETDRIVER(const vx::FCB& FCB, char (&PATH)[kPathSize]);

// "/HOST=" of the copy's driver string into HOST, the same way, cut to 19 characters;
// "127.0.0.1" when absent. An empty value ends the program with "No Host specified".
void GETHOST(const vx::FCB& FCB, char (&HOST)[kHostSize]);

// Shows S + " (" + GetLastError() + ")" in a "Tandem Driver Error" box (information
// icon, one OK button) and halts the program with exit code 0.
[[noreturn]] void TANDEMERROR(const char* S);

// Whether the exact text "/CLIENT" occurs in the first 256 characters of the copy's
// driver string (letter case matters; a longer word that begins with it counts).
bool client_option(const vx::FCB& FCB);

// A consistent view of the relay's process-wide state, for tests.
struct StateView {
  std::int32_t CLIENT = 0;
  std::int32_t WASSHUTDOWN = 0;
  std::uint16_t LOC_CLIENT_SOCKET = 0;
  std::vector<ControlEntry> entries;  // TANDEMFCB, in key order
};
StateView state_view();

}  // namespace vx::relay

#endif  // VX_RELAY_VEX32_INTERNAL_H_
