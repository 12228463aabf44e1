#include "runtime/picture.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "runtime/clock.h"

namespace vx {
namespace {

// Reads a decimal count of at most `max`; false if absent or larger.
bool read_count(std::string_view& s, int max, int* out) {
  long n = 0;
  int digits = 0;
  while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
    n = n * 10 + (s.front() - '0');
    if (n > max) return false;
    ++digits;
    s.remove_prefix(1);
  }
  if (digits == 0) return false;
  *out = static_cast<int>(n);
  return true;
}

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string fill(int width, char c) {
  return std::string(static_cast<std::size_t>(width), c);
}

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

std::string fit_text(std::string_view text, int width) {
  std::string out(text.substr(0, static_cast<std::size_t>(width)));
  out.resize(static_cast<std::size_t>(width), ' ');
  return out;
}

std::string format_number(double value, const Picture& p) {
  static const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9, 1e10,
                                  1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20};
  double scaled = std::round(value * kPow10[p.decimals]);  // half away from zero
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 1e300) return fill(p.width, '#');
  bool negative = scaled < 0;  // a value that rounds to zero shows no sign
  if (negative && !p.minus) return fill(p.width, '#');
  // Whole digits only ("%.0f" of an integral value): no locale decimal point involved.
  char digits[400];
  int n = std::snprintf(digits, sizeof digits, "%.0f", std::fabs(scaled));
  if (n <= 0 || n >= static_cast<int>(sizeof digits)) return fill(p.width, '#');
  std::string s(digits, static_cast<std::size_t>(n));
  if (p.decimals > 0) {
    if (s.size() < static_cast<std::size_t>(p.decimals) + 1) {
      s.insert(0, static_cast<std::size_t>(p.decimals) + 1 - s.size(), '0');
    }
    s.insert(s.size() - static_cast<std::size_t>(p.decimals), 1, '.');
  }
  if (negative) s.insert(0, 1, '-');
  if (s.size() > static_cast<std::size_t>(p.width)) return fill(p.width, '#');
  s.insert(0, static_cast<std::size_t>(p.width) - s.size(), ' ');
  return s;
}

PictureInput parse_number(std::string_view typed, const Picture& p) {
  PictureInput in;
  std::string_view s = trim_blanks(typed);
  if (s.empty()) {
    in.ok = true;
    return in;
  }
  bool negative = false;
  if (s.front() == '-' || s.front() == '+') {
    negative = s.front() == '-';
    s.remove_prefix(1);
    if (negative && !p.minus) return {};
  }
  std::string_view whole = s.substr(0, s.find('.'));
  std::string_view frac;
  if (whole.size() < s.size()) frac = s.substr(whole.size() + 1);
  if (whole.empty() && frac.empty()) return {};
  for (char c : whole) {
    if (c < '0' || c > '9') return {};
  }
  for (std::size_t i = 0; i < frac.size(); ++i) {
    if (frac[i] < '0' || frac[i] > '9') return {};
    if (i >= static_cast<std::size_t>(p.decimals) && frac[i] != '0') return {};
  }
  if (frac.size() > static_cast<std::size_t>(p.decimals)) {
    frac = frac.substr(0, static_cast<std::size_t>(p.decimals));
  }
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  bool zero = whole.find_first_not_of('0') == std::string_view::npos &&
              frac.find_first_not_of('0') == std::string_view::npos;
  // Must show again in the picture: sign, at least one whole digit, point and decimals.
  std::size_t shown = (negative && !zero ? 1 : 0) + (whole.empty() ? 1 : whole.size()) +
                      (p.decimals > 0 ? 1 + static_cast<std::size_t>(p.decimals) : 0);
  if (shown > static_cast<std::size_t>(p.width)) return {};
  std::string number = negative ? "-" : "";
  number += whole.empty() ? "0" : std::string(whole);
  if (!frac.empty()) number += "." + std::string(frac);
  double value = 0;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec != std::errc() || end != number.data() + number.size()) return {};
  in.ok = true;
  in.number = zero ? 0.0 : value;
  return in;
}

}  // namespace

Picture Picture::parse(std::string_view text) {
  Picture p;
  std::string_view s = text;
  if (!s.empty() && s.front() == '@') s.remove_prefix(1);
  if (s.empty()) return {};
  char kind = lower(s.front());
  s.remove_prefix(1);
  switch (kind) {
    case 'n':
      if (!s.empty() && s.front() == '-') {
        p.minus = true;
        s.remove_prefix(1);
      }
      if (!read_count(s, kMaxNumberWidth, &p.width) || p.width < 1) return {};
      if (!s.empty() && s.front() == '.') {
        s.remove_prefix(1);
        if (!read_count(s, kMaxDecimals, &p.decimals)) return {};
      }
      p.kind = Kind::kNumber;
      break;
    case 's':
      if (!read_count(s, kMaxTextWidth, &p.width) || p.width < 1) return {};
      p.kind = Kind::kText;
      break;
    case 'd':
      if (s != "2") return {};
      s = {};
      p.kind = Kind::kDate;
      p.width = 10;
      break;
    case 't':
      if (s != "6") return {};
      s = {};
      p.kind = Kind::kTime;
      p.width = 8;
      break;
    default:
      return {};
  }
  if (!s.empty()) return {};
  return p;
}

std::string format_picture(double value, const Picture& p) {
  switch (p.kind) {
    case Picture::Kind::kNumber:
      return format_number(value, p);
    case Picture::Kind::kText: {
      char buf[64];
      int n = std::isfinite(value) ? std::snprintf(buf, sizeof buf, "%.15g", value) : 0;
      std::string text(buf, n > 0 && n < static_cast<int>(sizeof buf) ? n : 0);
      // "%g" may use the locale's decimal point; this picture always shows '.'.
      for (char& c : text) {
        if (c == ',') c = '.';
      }
      return fit_text(text, p.width);
    }
    case Picture::Kind::kDate:
    case Picture::Kind::kTime: {
      bool in_range = std::isfinite(value) && value > -1e9 && value < 1e9;
      auto v = static_cast<std::int32_t>(in_range ? std::lround(value) : -1);
      return p.kind == Picture::Kind::kDate ? format_d2(v) : format_t6(v);
    }
    case Picture::Kind::kInvalid:
      break;
  }
  return {};
}

std::string format_picture(double value, std::string_view picture) {
  return format_picture(value, Picture::parse(picture));
}

std::string format_picture_text(std::string_view text, const Picture& p) {
  if (p.kind == Picture::Kind::kInvalid) return {};
  if (p.kind == Picture::Kind::kText) return fit_text(text, p.width);
  PictureInput in = parse_picture_input(text, p);
  return in.ok ? format_picture(in.number, p) : fill(p.width, '#');
}

std::string format_picture_text(std::string_view text, std::string_view picture) {
  return format_picture_text(text, Picture::parse(picture));
}

PictureInput parse_picture_input(std::string_view typed, const Picture& p) {
  PictureInput in;
  std::int32_t v = 0;
  switch (p.kind) {
    case Picture::Kind::kNumber:
      return parse_number(typed, p);
    case Picture::Kind::kText:
      in.ok = true;
      in.text = std::string(typed.substr(0, static_cast<std::size_t>(p.width)));
      return in;
    case Picture::Kind::kDate:
      if (!parse_d2(typed, &v)) return {};
      break;
    case Picture::Kind::kTime:
      if (!parse_t6(typed, &v)) return {};
      break;
    case Picture::Kind::kInvalid:
      return {};
  }
  in.ok = true;
  in.number = v;
  return in;
}

PictureInput parse_picture_input(std::string_view typed, std::string_view picture) {
  return parse_picture_input(typed, Picture::parse(picture));
}

}  // namespace vx
