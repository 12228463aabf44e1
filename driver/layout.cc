#include "driver/layout.h"

#include <cmath>
#include <cstring>

namespace vx::driver {

namespace {

bool size_fits(FieldType t, std::uint32_t size, std::uint8_t places) {
  switch (t) {
    case FieldType::kLong:
      return size == 4;
    case FieldType::kByte:
      return size == 1;
    case FieldType::kShort:
      return size == 2;
    case FieldType::kReal:
      return size == 8;
    case FieldType::kDecimal:
      return size >= 1 && size <= 16 && places < 2 * size;
    case FieldType::kString:
      return size >= 1;
  }
  return false;
}

std::uint8_t fold(std::uint8_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  // Latin-1 small letters (the record's texts are one byte a character).
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  return c;
}

template <typename T>
T load_le(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);  // the targets are little-endian, as the records are
  return v;
}

}  // namespace

bool Layout::load(const FCB& fcb) {
  fields_.clear();
  keys_.clear();
  memos_.clear();
  const TypeDesc* t = type_desc(fcb);
  if (fcb.RECORDLEN <= 0 || t == nullptr || t->count == 0 || t->fields == nullptr) return false;
  record_len_ = static_cast<std::uint32_t>(fcb.RECORDLEN);
  for (std::uint32_t i = 0; i < t->count; ++i) {
    const FieldDesc& d = t->fields[i];
    if (!size_fits(d.type, d.size, d.places)) return false;
    if (d.offset > record_len_ || d.size > record_len_ - d.offset) return false;
    fields_.push_back({d.label ? d.label : "", d.type, d.offset, d.size, d.places});
  }
  const KeyTable* k = key_table(fcb);
  std::uint32_t key_count = k ? k->count : 0;
  if (key_count != fcb.KEYCOUNT || (key_count > 0 && k->keys == nullptr)) return false;
  for (std::uint32_t i = 0; i < key_count; ++i) {
    const KeyDesc& d = k->keys[i];
    if (d.component_count == 0 || d.components == nullptr) return false;
    Key key{d.attr, {}};
    for (std::uint32_t c = 0; c < d.component_count; ++c) {
      std::uint16_t n = d.components[c];
      if (n < 1 || n > fields_.size()) return false;
      key.components.push_back(static_cast<std::uint16_t>(n - 1));
    }
    keys_.push_back(std::move(key));
  }
  const MemoTable* m = memo_table(fcb);
  std::uint32_t memo_count = m ? m->count : 0;
  if (memo_count != fcb.MEMOCOUNT || (memo_count > 0 && m->memos == nullptr)) return false;
  for (std::uint32_t i = 0; i < memo_count; ++i) {
    if (m->memos[i].size == 0) return false;
    memos_.push_back({m->memos[i].size});
  }
  return true;
}

std::string Layout::declaration() const {
  std::string s = "record " + std::to_string(record_len_) + "\n";
  for (const Field& f : fields_) {
    s += "field " + std::to_string(static_cast<int>(f.type)) + " " + std::to_string(f.offset) +
         " " + std::to_string(f.size) + " " + std::to_string(f.places) + " " +
         std::to_string(f.label.size()) + ":" + f.label + "\n";
  }
  for (const Key& k : keys_) {
    s += "key " + std::to_string(k.attr);
    for (std::uint16_t c : k.components) s += " " + std::to_string(c + 1);
    s += "\n";
  }
  for (const Memo& m : memos_) s += "memo " + std::to_string(m.size) + "\n";
  return s;
}

void field_sort_value(const Field& f, const char* image, bool no_case, SortValue* out) {
  const char* p = image + f.offset;
  out->is_int = false;
  out->bytes.clear();
  switch (f.type) {
    case FieldType::kLong:
      out->is_int = true;
      out->i = load_le<std::int32_t>(p);
      return;
    case FieldType::kShort:
      out->is_int = true;
      out->i = load_le<std::int16_t>(p);
      return;
    case FieldType::kByte:
      out->is_int = true;
      out->i = static_cast<std::uint8_t>(*p);
      return;
    case FieldType::kReal: {
      double d = load_le<double>(p);
      if (d == 0) d = 0;  // -0 and +0 are one value
      std::uint64_t bits;
      if (std::isnan(d)) {
        bits = 0x7FF8000000000000ull;  // every NaN is one value, after +infinity
      } else {
        std::memcpy(&bits, &d, sizeof bits);
      }
      // Flipping makes the unsigned big-endian bytes order as the doubles do.
      bits = (bits >> 63) ? ~bits : bits | 0x8000000000000000ull;
      out->bytes.resize(8);
      for (int i = 0; i < 8; ++i) out->bytes[i] = static_cast<char>(bits >> (56 - 8 * i));
      return;
    }
    case FieldType::kDecimal: {
      // Packed decimal: the first nibble is the sign (0 positive, anything else
      // negative), the other 2*size-1 nibbles are digits, most significant first.
      // Sorted as a sign byte then one byte a digit, negatives complemented, so that
      // memcmp orders by value; -0 is 0.
      std::uint32_t ndigits = 2 * f.size - 1;
      std::string digits(ndigits, 0);
      bool nonzero = false;
      for (std::uint32_t i = 0; i < ndigits; ++i) {
        std::uint32_t nib = i + 1;
        std::uint8_t b = static_cast<std::uint8_t>(p[nib / 2]);
        std::uint8_t d = (nib % 2) ? (b & 0x0F) : (b >> 4);
        if (d > 9) d = 9;
        digits[i] = static_cast<char>(d);
        nonzero |= d != 0;
      }
      bool negative = nonzero && (static_cast<std::uint8_t>(p[0]) >> 4) != 0;
      out->bytes.reserve(ndigits + 1);
      out->bytes.push_back(negative ? 0 : 1);
      for (char d : digits) out->bytes.push_back(negative ? static_cast<char>(9 - d) : d);
      return;
    }
    case FieldType::kString: {
      if (!no_case) {
        out->bytes.assign(p, f.size);
        return;
      }
      std::uint32_t n = f.size;
      while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0')) --n;
      out->bytes.resize(n);
      for (std::uint32_t i = 0; i < n; ++i)
        out->bytes[i] = static_cast<char>(fold(static_cast<std::uint8_t>(p[i])));
      return;
    }
  }
}

void Layout::sort_values(std::size_t k, const char* image, std::vector<SortValue>* out) const {
  const Key& key = keys_[k];
  out->resize(key.components.size());
  for (std::size_t c = 0; c < key.components.size(); ++c)
    field_sort_value(fields_[key.components[c]], image, key.no_case(), &(*out)[c]);
}

}  // namespace vx::driver
