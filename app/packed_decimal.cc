#include "app/packed_decimal.h"

#include <cstring>

namespace vx::app {

std::int64_t packed_max(std::size_t size) {
  std::int64_t max = 1;
  for (std::size_t i = 0; i + 1 < 2 * size; ++i) max *= 10;
  return max - 1;
}

bool packed_encode(std::int64_t scaled, std::size_t size, unsigned char* out) {
  if (size < 1 || size > 9) return false;
  std::int64_t max = packed_max(size);
  if (scaled > max || scaled < -max) return false;
  bool negative = scaled < 0;
  std::uint64_t magnitude =
      negative ? static_cast<std::uint64_t>(-scaled) : static_cast<std::uint64_t>(scaled);
  unsigned char bytes[9] = {};
  // Digits fill the nibbles from the last one backwards; nibble 0 is the sign.
  for (std::size_t nib = 2 * size - 1; nib >= 1; --nib) {
    unsigned digit = static_cast<unsigned>(magnitude % 10);
    magnitude /= 10;
    bytes[nib / 2] |= static_cast<unsigned char>(nib % 2 ? digit : digit << 4);
  }
  if (negative) bytes[0] |= 0xF0;
  std::memcpy(out, bytes, size);
  return true;
}

std::int64_t packed_decode(const unsigned char* in, std::size_t size) {
  if (size < 1 || size > 9) return 0;
  std::int64_t value = 0;
  for (std::size_t nib = 1; nib < 2 * size; ++nib) {
    unsigned b = in[nib / 2];
    unsigned digit = nib % 2 ? (b & 0x0F) : (b >> 4);
    value = value * 10 + (digit > 9 ? 9 : digit);
  }
  return (in[0] >> 4) != 0 ? -value : value;
}

}  // namespace vx::app
