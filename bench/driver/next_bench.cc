// driver_next_bench [records]: fills a file of records the size of a subject (602
// bytes, a 1000-byte memo, an integer key and a case-insensitive text key), then
// reads it with RT_FILE_NEXT in file order and in the text key's order, and with
// raw sqlite3_step over the same rows in the same order. Prints rates and ratios.
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "runtime/error.h"
#include "runtime/files.h"

extern "C" std::int32_t ordinal_2(std::int32_t op, vx::FCB* fcb, void* args);

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vx;
  long n = argc > 1 ? std::atol(argv[1]) : 100000;
  std::string dir_template = (std::filesystem::temp_directory_path() / "vxbenchXXXXXX").string();
  std::string dir = mkdtemp(dir_template.data());
  std::string path = dir + "/bench.tps";

  static char rec[602], memo[1000];
  FieldDesc fields[3] = {{"B:ID", FieldType::kLong, 0, 4, 0, "@n-14"},
                         {"B:LNAME", FieldType::kString, 4, 20, 0, "@s20"},
                         {"B:REST", FieldType::kString, 24, 578, 0, "@s578"}};
  std::uint16_t by_id[1] = {1}, by_name[1] = {2};
  KeyDesc keys[2] = {{"B:BYID", nullptr, 0x14, 1, by_id}, {"B:BYLNAME", nullptr, 0x07, 1, by_name}};
  MemoDesc memo_desc = {"B:COMMENT", nullptr, 0x01, sizeof memo, memo};
  TypeDesc type{3, fields};
  KeyTable key_table{2, keys};
  MemoTable memo_table{1, &memo_desc};
  FCB f{};
  f.PIPE = reinterpret_cast<std::uintptr_t>(&ordinal_2);
  f.PHYNAME = {reinterpret_cast<std::uintptr_t>(path.c_str()), -1};
  f.TDESC = reinterpret_cast<std::uintptr_t>(&type);
  f.KDESC = reinterpret_cast<std::uintptr_t>(&key_table);
  f.MDESC = reinterpret_cast<std::uintptr_t>(&memo_table);
  f.KEYCOUNT = 2;
  f.MEMOCOUNT = 1;
  f.RECORDLEN = sizeof rec;
  f.RECORDBUF = reinterpret_cast<std::uintptr_t>(rec);

  if (RT_FILE_CREATE(&f) != 0 || RT_FILE_OPEN(&f) != 0) {
    std::fprintf(stderr, "cannot set up %s: %d\n", path.c_str(), RT_ERRCODE());
    return 1;
  }
  auto t0 = Clock::now();
  for (long i = 0; i < n; ++i) {
    std::memset(rec, ' ', sizeof rec);
    std::int32_t id = static_cast<std::int32_t>(i);
    std::memcpy(rec, &id, 4);
    char name[24];
    int len = std::snprintf(name, sizeof name, "name%07ld", (i * 7919) % n);
    std::memcpy(rec + 4, name, len);
    std::memset(memo, ' ', sizeof memo);
    std::snprintf(memo, 64, "comment on subject %ld", i);
    if (RT_FILE_ADD(&f) != 0) {
      std::fprintf(stderr, "add failed: %d\n", RT_ERRCODE());
      return 1;
    }
  }
  std::printf("added %ld records: %.0f adds/s\n", n, n / seconds_since(t0));

  const struct {
    const char* name;
    std::int32_t key;
    const char* raw_sql;
  } orders[] = {{"file order", 0, "SELECT id, image, m1 FROM rec ORDER BY id"},
                {"text key order", 2, "SELECT id, image, m1 FROM rec ORDER BY k2_1, id"}};
  for (const auto& o : orders) {
    sqlite3* db = nullptr;
    sqlite3_stmt* s = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_prepare_v2(db, o.raw_sql, -1, &s, nullptr);
    for (int round = 0; round < 3; ++round) {
      t0 = Clock::now();
      o.key ? RT_FILE_SETk(&f, o.key) : RT_FILE_SETf(&f);
      long read = 0;
      while (RT_FILE_NEXT(&f) == 0) ++read;
      double driver_rate = read / seconds_since(t0);

      t0 = Clock::now();
      long raw = 0;
      std::size_t bytes = 0;
      while (sqlite3_step(s) == SQLITE_ROW) {
        bytes += static_cast<std::size_t>(sqlite3_column_bytes(s, 1) + sqlite3_column_bytes(s, 2));
        ++raw;
      }
      sqlite3_reset(s);
      double raw_rate = raw / seconds_since(t0);
      std::printf(
          "%-15s driver %8.0f rows/s  raw %8.0f rows/s  ratio %.2f (%ld/%ld rows, %zu bytes)\n",
          o.name, driver_rate, raw_rate, driver_rate / raw_rate, read, raw, bytes);
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
  }
  RT_FILE_CLOSE(&f);
  std::filesystem::remove_all(dir);
  return 0;
}
