// The record layout a file is opened with, taken from the FCB's descriptors.
//
// A Layout is a checked copy of TDESC/KDESC/MDESC: every field lies inside RECORDLEN,
// every key component names a field, sizes fit their types. It derives the sort
// values of each key from a record image, and it renders itself as a canonical text
// that the data file stores, so that a file is never read through another declaration.
#ifndef VX_DRIVER_LAYOUT_H_
#define VX_DRIVER_LAYOUT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/fcb.h"

namespace vx::driver {

struct Field {
  std::string label;
  FieldType type;
  std::uint32_t offset;
  std::uint32_t size;
  std::uint8_t places;
};

struct Key {
  std::uint8_t attr;
  std::vector<std::uint16_t> components;  // field indexes from 0
  bool unique() const { return (attr & kKeyDuplicates) == 0; }
  bool no_case() const { return (attr & kKeyNoCase) != 0; }
};

struct Memo {
  std::uint32_t size;
};

// One sort value of a key component: an integer, or bytes compared by memcmp.
struct SortValue {
  bool is_int = false;
  std::int64_t i = 0;
  std::string bytes;
};

class Layout {
 public:
  // Builds the layout from the FCB; false when the descriptors are missing or
  // inconsistent (a field outside the record, a component naming no field, ...).
  bool load(const FCB& fcb);

  std::uint32_t record_len() const { return record_len_; }
  const std::vector<Field>& fields() const { return fields_; }
  const std::vector<Key>& keys() const { return keys_; }
  const std::vector<Memo>& memos() const { return memos_; }

  // The canonical text of the declaration: record length, fields (type, offset,
  // size, places, label), keys (attribute byte, components) and memo sizes.
  std::string declaration() const;

  // The sort values of key `k` (from 0) for a record image of record_len() bytes.
  void sort_values(std::size_t k, const char* image, std::vector<SortValue>* out) const;

 private:
  std::uint32_t record_len_ = 0;
  std::vector<Field> fields_;
  std::vector<Key> keys_;
  std::vector<Memo> memos_;
};

// Sort value of one field: signed integers by value, the unsigned byte by value,
// packed decimal by value (as bytes that memcmp orders), doubles by value (likewise),
// text by its bytes, or upper-cased with trailing blanks and NULs ignored.
void field_sort_value(const Field& f, const char* image, bool no_case, SortValue* out);

}  // namespace vx::driver

#endif  // VX_DRIVER_LAYOUT_H_
