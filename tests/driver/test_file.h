// A small record file for the driver's tests: seven fields of every kind, seven keys
// covering the key rules, one memo. The FCB calls the driver's entry directly.
#ifndef VX_TESTS_DRIVER_TEST_FILE_H_
#define VX_TESTS_DRIVER_TEST_FILE_H_

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/driver_ops.h"
#include "runtime/fcb.h"
#include "runtime/files.h"

extern "C" std::int32_t ordinal_2(std::int32_t op, vx::FCB* fcb, void* args);

namespace vx::testing {

// Record: ID long @0, NAME text 10 @4, CODE decimal 4 bytes 2 places @14, FLAG byte
// @18, AMOUNT real @19, GRP text 3 @27, TAG text 5 @30; 35 bytes.
constexpr std::int32_t kRecordLen = 35;
constexpr std::uint32_t kNoteSize = 40;

enum Key : std::int32_t {
  kById = 1,     // ID, unique, primary
  kByName,       // NAME, duplicates, no case
  kByGroupName,  // GRP, NAME: duplicates, by bytes
  kByCode,       // CODE, unique
  kByAmount,     // AMOUNT, duplicates
  kByFlag,       // FLAG, duplicates
  kByTag,        // TAG, unique, no case
};

inline std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A fresh folder per test, removed at the end.
class TempDir {
 public:
  TempDir() {
    std::string t = (std::filesystem::temp_directory_path() / "vxdrvXXXXXX").string();
    dir_ = mkdtemp(t.data());
  }
  ~TempDir() { std::filesystem::remove_all(dir_); }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

struct Declaration {
  FieldDesc fields[7] = {
      {"T:ID", FieldType::kLong, 0, 4, 0, "@n-14"},
      {"T:NAME", FieldType::kString, 4, 10, 0, "@s10"},
      {"T:CODE", FieldType::kDecimal, 14, 4, 2, "@n-9.2"},
      {"T:FLAG", FieldType::kByte, 18, 1, 0, "@n3"},
      {"T:AMOUNT", FieldType::kReal, 19, 8, 0, "@n10.2"},
      {"T:GRP", FieldType::kString, 27, 3, 0, "@s3"},
      {"T:TAG", FieldType::kString, 30, 5, 0, "@s5"},
  };
  std::uint16_t c_id[1] = {1}, c_name[1] = {2}, c_grpname[2] = {6, 2}, c_code[1] = {3},
                c_amount[1] = {5}, c_flag[1] = {4}, c_tag[1] = {7};
  KeyDesc keys[7] = {
      {"T:BYID", nullptr, 0x14, 1, c_id},           {"T:BYNAME", nullptr, 0x07, 1, c_name},
      {"T:BYGRPNAME", nullptr, 0x05, 2, c_grpname}, {"T:BYCODE", nullptr, 0x04, 1, c_code},
      {"T:BYAMOUNT", nullptr, 0x05, 1, c_amount},   {"T:BYFLAG", nullptr, 0x05, 1, c_flag},
      {"T:BYTAG", nullptr, 0x06, 1, c_tag},
  };
  MemoDesc memo = {"T:NOTE", nullptr, 0x01, kNoteSize, nullptr};
  TypeDesc type = {7, fields};
  KeyTable key_table = {7, keys};
  MemoTable memo_table = {1, &memo};
  std::int32_t record_len = kRecordLen;
};

struct Subject {
  std::int32_t id;
  const char* name;
  std::int64_t code_cents;
  std::uint8_t flag;
  double amount;
  const char* grp;
  const char* tag;
  const char* note;
};

class TestFile {
 public:
  explicit TestFile(const std::string& path) : path_(path) {
    fcb.PIPE = reinterpret_cast<std::uintptr_t>(&ordinal_2);
    fcb.PHYNAME = {reinterpret_cast<std::uintptr_t>(path_.c_str()), -1};
    rebind();
    clear();
  }
  TestFile(const TestFile&) = delete;
  ~TestFile() {
    if (fcb.RBLOCK) RT_FILE_CLOSE(&fcb);
  }

  // Points the FCB at `decl` (after a test changed it).
  void rebind() {
    decl.memo.buffer = note;
    fcb.TDESC = reinterpret_cast<std::uintptr_t>(&decl.type);
    fcb.KDESC = reinterpret_cast<std::uintptr_t>(&decl.key_table);
    fcb.MDESC = reinterpret_cast<std::uintptr_t>(&decl.memo_table);
    fcb.KEYCOUNT = static_cast<std::uint8_t>(decl.key_table.count);
    fcb.MEMOCOUNT = static_cast<std::uint8_t>(decl.memo_table.count);
    fcb.RECORDLEN = decl.record_len;
    fcb.RECORDBUF = reinterpret_cast<std::uintptr_t>(rec);
  }

  void clear() {
    std::memset(rec, ' ', sizeof rec);
    std::memset(note, ' ', sizeof note);
  }

  void set(const Subject& s) {
    clear();
    std::memcpy(rec, &s.id, 4);
    text(4, 10, s.name);
    // Packed decimal: sign nibble, then 7 digits.
    std::uint64_t v = s.code_cents < 0 ? -s.code_cents : s.code_cents;
    std::uint8_t nib[8] = {static_cast<std::uint8_t>(s.code_cents < 0 ? 0xD : 0)};
    for (int i = 7; i >= 1; --i, v /= 10) nib[i] = v % 10;
    for (int i = 0; i < 4; ++i) rec[14 + i] = static_cast<char>(nib[2 * i] << 4 | nib[2 * i + 1]);
    rec[18] = static_cast<char>(s.flag);
    std::memcpy(rec + 19, &s.amount, 8);
    text(27, 3, s.grp);
    text(30, 5, s.tag);
    std::memcpy(note, s.note, std::min<std::size_t>(std::strlen(s.note), kNoteSize));
  }

  std::int32_t id() const {
    std::int32_t v;
    std::memcpy(&v, rec, 4);
    return v;
  }
  std::string name() const { return std::string(rec + 4, 10); }
  std::string note_text() const { return std::string(note, kNoteSize); }

  std::int32_t add(const Subject& s) {
    set(s);
    return RT_FILE_ADD(&fcb);
  }

  // Record IDs read by `op` (NEXT or PREVIOUS) until it fails; `end` gets the code.
  std::vector<std::int32_t> read_all(std::int32_t op = kOpNext, std::int32_t* end = nullptr) {
    std::vector<std::int32_t> ids;
    std::int32_t rc;
    while ((rc = RT_FILE_CALL(&fcb, op, nullptr)) == 0) ids.push_back(id());
    if (end) *end = rc;
    return ids;
  }

  Declaration decl;
  FCB fcb{};
  char rec[kRecordLen + 1];  // one spare byte that must never be written
  char note[kNoteSize];

 private:
  void text(int off, int width, const char* s) {
    std::memcpy(rec + off, s, std::min<std::size_t>(std::strlen(s), width));
  }
  std::string path_;
};

// Five subjects; added in this order they get record numbers 1 to 5.
inline const Subject kSubjects[] = {
    {3, "SMITH", 5, 255, 100.0, "A", "t3", "third"},
    {1, "smith", 1250, 3, 2.5, "B", "t1", "first subject"},
    {5, "adams", 725, 128, 3.75, "a", "t5", ""},
    {2, "Adams", -300, 1, -1.0, "A", "t2", "second"},
    {-4, "baker", -1200, 0, -0.5, "B", "t4", "negative id"},
};

}  // namespace vx::testing

#endif  // VX_TESTS_DRIVER_TEST_FILE_H_
