// List formats: for each column its width in dialog units, an alignment letter (L, R,
// C, D) with an optional indent in brackets, "|" for a divider on its right, "M" when
// the user may resize it, the header between tildes with its own alignment and indent,
// then the picture between "@" signs. Example: "277L(1)~Data Line~L(0)@s199@".
#ifndef VX_RUNTIME_WINDOW_FORMAT_H_
#define VX_RUNTIME_WINDOW_FORMAT_H_

#include <optional>
#include <string>
#include <vector>

namespace vx {

enum class Align : char { kLeft = 'L', kRight = 'R', kCenter = 'C', kDecimal = 'D' };

struct ListColumn {
  int width = 0;  // dialog units
  Align align = Align::kLeft;
  int indent = 0;
  bool divider = false;
  bool resizable = false;
  std::string header;
  Align header_align = Align::kLeft;
  int header_indent = 0;
  std::string picture;  // without the "@" signs, e.g. "s199", "n-15.2"
};

// The columns of `format`; nullopt when the text is not a list format (a column
// without a width, an unknown alignment, an unclosed header or picture, a bad indent).
std::optional<std::vector<ListColumn>> parse_list_format(const std::string& format);

}  // namespace vx

#endif  // VX_RUNTIME_WINDOW_FORMAT_H_
