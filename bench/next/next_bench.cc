// NEXT over demo subjects: RT_FILE_NEXT through the runtime, VEXGATE and the real
// driver, beside raw sqlite3_step over the same rows of the same data file, in file
// order and in SUB:BYLASTNAME order. The baseline steps the query the driver's order
// stands for and copies each row's record image and memo out, as a driver must.
//
//   vx_bench_next [N] [--dir DIR] [--runs R]
//     N subjects (default 100000) in DIR (default a fresh temporary folder, removed
//     afterwards; an existing DIR/subject.tps with N subjects is reused).
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/subject.h"
#include "relay/vex32.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "tools/demo_data.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Pass {
  long long rows = 0;
  std::uint64_t order_hash = 0;  // the sequence of MASTERC and subject codes seen
  double seconds = 0;
};

void mix(std::uint64_t& h, const SUBRecord& r) {
  h = h * 1099511628211ull + static_cast<std::uint32_t>(r.MASTERC);
  h = h * 1099511628211ull + static_cast<std::uint64_t>(vx::app::subject_code(r));
}

Pass through_runtime(std::int32_t key) {
  Pass p;
  if (RT_FILE_OPEN(&SUBJECT, vx::kOpenShared) != 0) {
    std::fprintf(stderr, "open failed: %d\n", RT_ERRCODE());
    std::exit(1);
  }
  auto start = Clock::now();
  std::int32_t rc = key == 0 ? RT_FILE_SETf(&SUBJECT) : RT_FILE_SETk(&SUBJECT, key);
  while (rc == 0 && RT_FILE_NEXT(&SUBJECT) == 0) {
    ++p.rows;
    mix(p.order_hash, SUB);
  }
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (RT_ERRCODE() != vx::kRecordNotAvailable) {
    std::fprintf(stderr, "next failed: %d\n", RT_ERRCODE());
    std::exit(1);
  }
  RT_FILE_CLOSE(&SUBJECT);
  return p;
}

Pass raw_sqlite(std::int32_t key) {
  Pass p;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2("subject.tps", &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK) {
    std::fprintf(stderr, "sqlite3_open_v2: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
  const char* sql = key == 0 ? "SELECT id, image, m1 FROM rec ORDER BY id"
                             : "SELECT id, image, m1 FROM rec ORDER BY k4_1, k4_2, id";
  auto start = Clock::now();
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "prepare: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
  SUBRecord record;
  std::vector<char> memo(kSubjectCommentSize);
  while (sqlite3_step(s) == SQLITE_ROW) {
    const void* image = sqlite3_column_blob(s, 1);
    int n = sqlite3_column_bytes(s, 1);
    std::memcpy(&record, image, std::min<std::size_t>(n, sizeof record));
    const void* m = sqlite3_column_blob(s, 2);
    int mn = sqlite3_column_bytes(s, 2);
    std::memset(memo.data(), ' ', memo.size());
    if (m) std::memcpy(memo.data(), m, std::min<std::size_t>(mn, memo.size()));
    ++p.rows;
    mix(p.order_hash, record);
  }
  sqlite3_finalize(s);
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  sqlite3_close(db);
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  long long n = 100000;
  int runs = 3;
  std::string dir;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
      dir = argv[++i];
    } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      n = std::atoll(argv[i]);
    }
  }
  bool temporary = dir.empty();
  if (temporary) {
    char tmpl[] = "/tmp/vx-bench-next-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) return 1;
    dir = tmpl;
  }
  std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  bool reuse = false;
  if (std::filesystem::exists("subject.tps") && RT_FILE_OPEN(&SUBJECT, vx::kOpenShared) == 0) {
    reuse = RT_FILE_RECORDS(&SUBJECT) == n;
    RT_FILE_CLOSE(&SUBJECT);
  }
  if (!reuse) {
    std::fprintf(stderr, "creating %lld demo subjects in %s ...\n", n, dir.c_str());
    std::string error;
    if (vx::tools::create_demo_file(dir, n, 1, nullptr, &error) != 0) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
  }

  struct Order {
    const char* name;
    std::int32_t key;
  } orders[] = {{"file order", 0}, {"SUB:BYLASTNAME", kByLastName}};
  std::printf("NEXT over %lld subjects, best of %d runs\n", n, runs);
  std::printf("%-16s %18s %18s %8s\n", "order", "RT_FILE_NEXT/s", "sqlite3_step/s", "ratio");
  bool ok = true;
  for (const Order& o : orders) {
    Pass best_rt, best_raw;
    for (int r = 0; r < runs; ++r) {
      Pass raw = raw_sqlite(o.key);
      Pass rt = through_runtime(o.key);
      if (rt.rows != n || raw.rows != n || rt.order_hash != raw.order_hash) {
        std::fprintf(stderr, "%s: rows %lld (runtime) vs %lld (raw), same order: %s\n", o.name,
                     rt.rows, raw.rows, rt.order_hash == raw.order_hash ? "yes" : "no");
        ok = false;
      }
      if (r == 0 || rt.seconds < best_rt.seconds) best_rt = rt;
      if (r == 0 || raw.seconds < best_raw.seconds) best_raw = raw;
    }
    double rt_rate = best_rt.rows / best_rt.seconds;
    double raw_rate = best_raw.rows / best_raw.seconds;
    std::printf("%-16s %18.0f %18.0f %7.2fx\n", o.name, rt_rate, raw_rate, rt_rate / raw_rate);
  }
  VX_SHUTDOWN();
  std::filesystem::current_path(old);
  if (temporary) std::filesystem::remove_all(dir);
  return ok ? 0 : 1;
}
