#include "runtime/window_format.h"

#include <cctype>

namespace vx {
namespace {

class Reader {
 public:
  explicit Reader(const std::string& s) : s_(s) {}
  bool done() const { return pos_ >= s_.size(); }
  char peek() const { return done() ? '\0' : s_[pos_]; }
  void skip() { ++pos_; }

  // A run of digits as a number; nullopt when there is none or it is absurdly long.
  std::optional<int> number() {
    std::size_t start = pos_;
    long value = 0;
    while (!done() && std::isdigit(static_cast<unsigned char>(peek()))) {
      value = value * 10 + (peek() - '0');
      if (value > 1000000) return std::nullopt;
      skip();
    }
    if (pos_ == start) return std::nullopt;
    return static_cast<int>(value);
  }

  // An alignment letter and its optional "(indent)".
  bool alignment(Align* align, int* indent) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(peek())));
    if (c != 'L' && c != 'R' && c != 'C' && c != 'D') return false;
    *align = static_cast<Align>(c);
    skip();
    *indent = 0;
    if (peek() == '(') {
      skip();
      bool negative = false;
      if (peek() == '-') {
        negative = true;
        skip();
      }
      auto n = number();
      if (!n || peek() != ')') return false;
      skip();
      *indent = negative ? -*n : *n;
    }
    return true;
  }

  // Text up to the next `end`, which is consumed; nullopt when it never comes.
  std::optional<std::string> until(char end) {
    std::size_t close = s_.find(end, pos_);
    if (close == std::string::npos) return std::nullopt;
    std::string out = s_.substr(pos_, close - pos_);
    pos_ = close + 1;
    return out;
  }

 private:
  const std::string& s_;
  std::size_t pos_ = 0;
};

}  // namespace

std::optional<std::vector<ListColumn>> parse_list_format(const std::string& format) {
  std::vector<ListColumn> columns;
  Reader r(format);
  while (!r.done()) {
    ListColumn col;
    auto width = r.number();
    if (!width) return std::nullopt;
    col.width = *width;
    if (!r.alignment(&col.align, &col.indent)) return std::nullopt;
    // Modifiers, the header and the picture, in any order until the picture ends the
    // column. Letters this system does not use are skipped.
    bool have_picture = false;
    while (!r.done() && !have_picture) {
      char c = r.peek();
      if (c == '|') {
        col.divider = true;
        r.skip();
      } else if (c == 'M' || c == 'm') {
        col.resizable = true;
        r.skip();
      } else if (c == '~') {
        r.skip();
        auto header = r.until('~');
        if (!header) return std::nullopt;
        col.header = *header;
        col.header_align = col.align == Align::kDecimal ? Align::kRight : col.align;
        col.header_indent = 0;
        char a = static_cast<char>(std::toupper(static_cast<unsigned char>(r.peek())));
        if (a == 'L' || a == 'R' || a == 'C' || a == 'D') {
          if (!r.alignment(&col.header_align, &col.header_indent)) return std::nullopt;
        }
      } else if (c == '@') {
        r.skip();
        auto picture = r.until('@');
        if (!picture || picture->empty()) return std::nullopt;
        col.picture = *picture;
        have_picture = true;
      } else if (std::isdigit(static_cast<unsigned char>(c))) {
        break;  // the next column starts without a picture for this one
      } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '?' || c == '*' ||
                 c == '#') {
        r.skip();
      } else {
        return std::nullopt;
      }
    }
    columns.push_back(std::move(col));
  }
  if (columns.empty()) return std::nullopt;
  return columns;
}

}  // namespace vx
