#include "wire/wire.h"

#include <cstring>

namespace vx::wire {

std::atomic<std::int32_t> VX_LASTERRORCODE{0};

std::string LONGTOSTRING(std::int32_t LVAR) {
  auto u = static_cast<std::uint32_t>(LVAR);
  const char bytes[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                         static_cast<char>((u >> 16) & 0xFF), static_cast<char>(u >> 24)};
  return std::string(bytes, 4);
}

std::int32_t STRINGTOLONG(std::string_view SVAR) {
  unsigned char bytes[4] = {' ', ' ', ' ', ' '};
  if (!SVAR.empty()) std::memcpy(bytes, SVAR.data(), SVAR.size() < 4 ? SVAR.size() : 4);
  std::uint32_t u = bytes[0] | (std::uint32_t{bytes[1]} << 8) | (std::uint32_t{bytes[2]} << 16) |
                    (std::uint32_t{bytes[3]} << 24);
  return static_cast<std::int32_t>(u);
}

std::string text_field(std::string_view text, std::size_t width) {
  std::string field(text.substr(0, width));
  field.resize(width, ' ');
  return field;
}

std::size_t trimmed_length(std::string_view value) {
  std::size_t n = value.size();
  while (n > 0 && value[n - 1] == ' ') --n;
  return n;
}

}  // namespace vx::wire
