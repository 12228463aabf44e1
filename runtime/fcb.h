// The file control block and the descriptors it points at.
//
// The FCB is a packed block the runtime keeps for each declared file; drivers (the
// relay and the real record-file driver) read it. Address fields are pointer-sized,
// lengths and RECORDLEN are 32-bit little-endian, attribute bytes are bytes: 57
// bytes on a 32-bit target, 93 on a 64-bit one. Drivers copy the whole block and
// must depend on nothing but these offsets.
#ifndef VX_RUNTIME_FCB_H_
#define VX_RUNTIME_FCB_H_

#include <cstddef>
#include <cstdint>

namespace vx {

#pragma pack(push, 1)
struct TextRef {
  std::uintptr_t STR;  // address of the text
  std::int32_t LEN;    // its length; -1 for a NUL-terminated text
};

struct FCB {
  std::uintptr_t PIPE;  // the driver entry the runtime calls for this file
  TextRef PHYNAME;      // physical file name
  TextRef DRVSTR;       // driver string (NUL-terminated, LEN -1)
  TextRef OWNERNAME;    // owner password; none for our files
  std::uint8_t FILEATTR;
  std::uint8_t KEYCOUNT;
  std::uint8_t MEMOCOUNT;
  std::int32_t RECORDLEN;
  std::uintptr_t TDESC;  // const TypeDesc*
  std::uintptr_t KDESC;  // const KeyTable*
  std::uintptr_t MDESC;  // const MemoTable*
  std::uintptr_t RECORDBUF;
  std::uintptr_t RBLOCK;  // driver's private state for this file
  std::uint8_t TID;
  std::uint8_t TFLAGS;
};
#pragma pack(pop)

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(FCB) == 57);
static_assert(offsetof(FCB, PIPE) == 0 && offsetof(FCB, PHYNAME) == 4 &&
              offsetof(FCB, DRVSTR) == 12 && offsetof(FCB, OWNERNAME) == 20);
static_assert(offsetof(FCB, FILEATTR) == 28 && offsetof(FCB, KEYCOUNT) == 29 &&
              offsetof(FCB, MEMOCOUNT) == 30 && offsetof(FCB, RECORDLEN) == 31);
static_assert(offsetof(FCB, TDESC) == 35 && offsetof(FCB, KDESC) == 39 &&
              offsetof(FCB, MDESC) == 43 && offsetof(FCB, RECORDBUF) == 47 &&
              offsetof(FCB, RBLOCK) == 51 && offsetof(FCB, TID) == 55 &&
              offsetof(FCB, TFLAGS) == 56);
#else
static_assert(sizeof(FCB) == 93);
static_assert(offsetof(FCB, PIPE) == 0 && offsetof(FCB, PHYNAME) == 8 &&
              offsetof(FCB, DRVSTR) == 20 && offsetof(FCB, OWNERNAME) == 32);
static_assert(offsetof(FCB, FILEATTR) == 44 && offsetof(FCB, KEYCOUNT) == 45 &&
              offsetof(FCB, MEMOCOUNT) == 46 && offsetof(FCB, RECORDLEN) == 47);
static_assert(offsetof(FCB, TDESC) == 51 && offsetof(FCB, KDESC) == 59 &&
              offsetof(FCB, MDESC) == 67 && offsetof(FCB, RECORDBUF) == 75 &&
              offsetof(FCB, RBLOCK) == 83 && offsetof(FCB, TID) == 91 &&
              offsetof(FCB, TFLAGS) == 92);
#endif
static_assert(offsetof(TextRef, LEN) == sizeof(std::uintptr_t));

// Field kinds of a record. Numbers are little-endian; text is fixed-width, blank-padded.
enum class FieldType : std::uint8_t {
  kLong = 1,     // 4-byte signed integer
  kByte = 2,     // 1-byte unsigned integer
  kDecimal = 3,  // packed decimal: `size` bytes, `places` implied decimals
  kReal = 4,     // 8-byte IEEE 754 double
  kString = 5,   // fixed-width text
  kShort = 6,    // 2-byte signed integer
};

struct FieldDesc {
  const char* label;  // e.g. "SUB:MASTERC"
  FieldType type;
  std::uint32_t offset;
  std::uint32_t size;
  std::uint8_t places;  // decimals of a kDecimal
  const char* picture;  // display picture, e.g. "@n-14"
};

// TDESC: the record's fields in order; field numbers count from 1.
struct TypeDesc {
  std::uint32_t count;
  const FieldDesc* fields;
};

// Key attribute bits.
constexpr std::uint8_t kKeyDuplicates = 0x01;
constexpr std::uint8_t kKeyNoCase = 0x02;
constexpr std::uint8_t kKeyPrimary = 0x10;

struct KeyDesc {
  const char* label;     // e.g. "SUB:BYLASTNAME"
  const char* ext_name;  // external name, or nullptr
  std::uint8_t attr;
  std::uint8_t component_count;
  const std::uint16_t* components;  // field numbers (from 1), ascending components
};

// KDESC: the keys in declaration order; key numbers count from 1.
struct KeyTable {
  std::uint32_t count;
  const KeyDesc* keys;
};

struct MemoDesc {
  const char* label;
  const char* ext_name;
  std::uint8_t attr;
  std::uint32_t size;
  char* buffer;  // set when the file is set up at run time
};

// MDESC: the memos in declaration order.
struct MemoTable {
  std::uint32_t count;
  MemoDesc* memos;
};

inline const TypeDesc* type_desc(const FCB& f) { return reinterpret_cast<const TypeDesc*>(f.TDESC); }
inline const KeyTable* key_table(const FCB& f) { return reinterpret_cast<const KeyTable*>(f.KDESC); }
inline const MemoTable* memo_table(const FCB& f) { return reinterpret_cast<const MemoTable*>(f.MDESC); }
inline char* record_buffer(const FCB& f) { return reinterpret_cast<char*>(f.RECORDBUF); }

}  // namespace vx

#endif  // VX_RUNTIME_FCB_H_
