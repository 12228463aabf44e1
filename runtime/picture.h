// Display pictures: how a value is shown in a control or a list cell, and how what a
// user types is read back.
//
//   "@n" ["-"] width ["." decimals]   a number, right-aligned in `width` characters,
//                                     rounded half away from zero to `decimals` places
//                                     ("@n-14", "@n-15.2", "@n10.2", "@n3")
//   "@s" width                        text of exactly `width` characters
//   "d2" (or "@d2")                   a date (runtime/clock.h) as mm/dd/yyyy
//   "t6" (or "@t6")                   a time of day (runtime/clock.h) as hh:mm:ss
// The letters may be either case. No thousands separators are shown or accepted.
//
// Numbers:
//  - A leading minus sign is shown only under a picture with "-". A negative value
//    under a picture without it cannot be shown truthfully, so it is shown like a
//    value that does not fit: the whole width filled with '#'. Typing a minus sign
//    into such a picture is invalid input.
//  - A value whose digits, sign and decimals do not fit the width (or that is not a
//    finite number) shows as `width` '#' characters.
//  - Input: optional blanks, an optional sign, digits with an optional decimal point,
//    optional blanks. More decimals than the picture has are accepted only as zeros
//    (nothing the user typed is rounded away silently); a value that would not fit
//    the picture is invalid. Blank input is 0.
// Text: cut to the width or padded with blanks; input longer than the width is cut.
// Dates and times: as format_d2/parse_d2 and format_t6/parse_t6 say.
// A malformed picture formats as "" and reads no input.
//
// Nothing here depends on the C locale: a program whose toolkit sets LC_NUMERIC
// still shows and reads "." as the decimal point.
#ifndef VX_RUNTIME_PICTURE_H_
#define VX_RUNTIME_PICTURE_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

struct Picture {
  enum class Kind : std::uint8_t { kInvalid, kNumber, kText, kDate, kTime };

  static constexpr int kMaxNumberWidth = 64;
  static constexpr int kMaxDecimals = 20;
  static constexpr int kMaxTextWidth = 65535;

  Kind kind = Kind::kInvalid;
  int width = 0;  // characters shown: 10 for a date, 8 for a time
  int decimals = 0;
  bool minus = false;

  // Reads a picture; kind kInvalid when it is malformed or its width out of range.
  static Picture parse(std::string_view text);
};

// Shows a number (date, time) under a picture. Under "@s" the number's shortest
// decimal text is cut or padded to the width.
std::string format_picture(double value, const Picture& picture);
std::string format_picture(double value, std::string_view picture);

// Shows text under a picture. Under a number, date or time picture the text is read
// as input first; text that is not valid input there shows as '#'.
std::string format_picture_text(std::string_view text, const Picture& picture);
std::string format_picture_text(std::string_view text, std::string_view picture);

// What a user typed, read under a picture.
struct PictureInput {
  bool ok = false;    // false: invalid input, the other fields are 0 / empty
  double number = 0;  // number, date or time (a text picture leaves 0)
  std::string text;   // a text picture: the text, cut to the width
};
PictureInput parse_picture_input(std::string_view typed, const Picture& picture);
PictureInput parse_picture_input(std::string_view typed, std::string_view picture);

}  // namespace vx

#endif  // VX_RUNTIME_PICTURE_H_
