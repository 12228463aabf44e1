// Packed decimal numbers as records hold them (SUB:SUBJECTC: 6 bytes, 2 places).
//
// Layout of an n-byte value: 2n nibbles, most significant first. The first nibble
// (the high half of byte 0) is the sign: 0 for zero and positive values, 0xF for
// negative ones (readers take any non-zero sign nibble as negative). The other 2n-1
// nibbles are the decimal digits of the value scaled by 10^places, most significant
// first. So 6 bytes hold 11 digits: -999999999.99 to 999999999.99 with 2 places.
// The record-file driver orders keys by this layout's value, and the record crosses
// the wire unchanged, so every build must keep it.
#ifndef VX_APP_PACKED_DECIMAL_H_
#define VX_APP_PACKED_DECIMAL_H_

#include <cstddef>
#include <cstdint>

namespace vx::app {

// Largest magnitude an n-byte value holds (as a scaled integer): 10^(2n-1) - 1.
std::int64_t packed_max(std::size_t size);

// Writes `scaled` (the value times 10^places) into `size` bytes at `out`. Returns false
// and writes nothing when it does not fit. Sizes from 1 to 9 bytes.
bool packed_encode(std::int64_t scaled, std::size_t size, unsigned char* out);

// Reads `size` bytes at `in` as a scaled integer. A nibble above 9 in a digit place
// reads as 9, so damaged bytes still give a value in range; -0 reads as 0.
std::int64_t packed_decode(const unsigned char* in, std::size_t size);

}  // namespace vx::app

#endif  // VX_APP_PACKED_DECIMAL_H_
