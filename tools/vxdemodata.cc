// vxdemodata: demo subjects for SUBJECT, through the runtime, VEXGATE and the real
// driver.
//
//   vxdemodata create DIR N [--seed S]
//       replaces DIR/subject.tps with N demo subjects (progress on standard error)
//   vxdemodata list DIR [--order KEYNAME|file] [--limit K]
//       lists the subjects of DIR/subject.tps in a key's order (default: file order)
//
// Exit codes: 0 done, 1 a file operation failed (its runtime error code is shown),
// 2 bad command line.
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/subject.h"
#include "runtime/error.h"
#include "runtime/files.h"
#include "runtime/picture.h"
#include "tools/demo_data.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: vxdemodata create DIR N [--seed S]\n"
               "       vxdemodata list DIR [--order KEYNAME|file] [--limit K]\n"
               "KEYNAME: SUB:BYSUBJECTC, SUB:BYMASTERC, SUB:BYSITE, SUB:BYLASTNAME,\n"
               "         SUB:BYSSNUM, SUB:BYSUBNUM, SUB:BYPROBOFFLNAMEFNAME (or 1..7)\n");
  return 2;
}

bool parse_count(const char* text, long long min, long long max, long long* out) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text, &end, 10);
  if (*end != '\0' || errno != 0 || v < min || v > max) return false;
  *out = v;
  return true;
}

int fail(const std::string& what) {
  std::int32_t code = RT_ERRCODE();
  std::fprintf(stderr, "vxdemodata: %s: %s (%d)\n", what.c_str(), RT_ERROR(code), code);
  return 1;
}

int create(const std::string& dir, long long count, unsigned long long seed) {
  int last_step = -1;
  auto progress = [&](std::int64_t done, std::int64_t total) {
    if (total < 1000) return;
    int step = static_cast<int>(done * 20 / total);  // a line every 5%
    if (step != last_step) {
      last_step = step;
      std::fprintf(stderr, "vxdemodata: %3d%% (%lld of %lld)\n", step * 5,
                   static_cast<long long>(done), static_cast<long long>(total));
    }
  };
  std::string error;
  std::int32_t rc = vx::tools::create_demo_file(dir, count, seed, progress, &error);
  if (rc != 0) {
    RT_seterror(rc);
    return fail(error);
  }
  std::fprintf(stderr, "vxdemodata: %lld subjects in %s/subject.tps\n", count, dir.c_str());
  return 0;
}

int list(const std::string& dir, std::int32_t order, long long limit) {
  if (chdir(dir.c_str()) != 0) {
    std::fprintf(stderr, "vxdemodata: cannot use folder %s: %s\n", dir.c_str(),
                 std::strerror(errno));
    return 1;
  }
  if (access("subject.tps", F_OK) != 0) {
    // Opening would create an empty file; listing must not change the folder.
    std::fprintf(stderr, "vxdemodata: no subject.tps in %s\n", dir.c_str());
    return 1;
  }
  if (RT_FILE_OPEN(&SUBJECT, vx::kOpenShared) != 0) return fail("cannot open subject.tps");
  std::int32_t rc = order == 0 ? RT_FILE_SETf(&SUBJECT) : RT_FILE_SETk(&SUBJECT, order);
  if (rc != 0) {
    fail("cannot set the order");
    RT_FILE_CLOSE(&SUBJECT);
    return 1;
  }
  std::printf("%-11s %15s %-2s %-20s %-15s %-11s %-10s %-20s %s\n", "MASTERC", "SUBJECTC", "ST",
              "LNAME", "FNAME", "SSNUM", "BDATE", "PROBOFF", "CLIENTNUM");
  long long shown = 0;
  while (limit < 0 || shown < limit) {
    if (RT_FILE_NEXT(&SUBJECT) != 0) break;
    using vx::app::get_text;
    std::string code =
        vx::format_picture(static_cast<double>(vx::app::subject_code(SUB)) / 100.0, "@n-15.2");
    std::printf("%11d %s %-2s %-20s %-15s %-11s %10d %-20s %s\n", SUB.MASTERC, code.c_str(),
                get_text(SUB.SITE).c_str(), get_text(SUB.LNAME).c_str(),
                get_text(SUB.FNAME).c_str(), get_text(SUB.SSNUM).c_str(), SUB.BDATE,
                get_text(SUB.PROBOFF).c_str(), get_text(SUB.CLIENTNUM).c_str());
    ++shown;
  }
  bool ended_well = RT_ERRCODE() == 0 || RT_ERRCODE() == vx::kRecordNotAvailable;
  int result = ended_well ? 0 : fail("cannot read the next subject");
  RT_FILE_CLOSE(&SUBJECT);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  std::string command = argv[1];
  std::string dir = argv[2];
  if (command == "create") {
    long long count = 0;
    unsigned long long seed = 1;
    if (argc < 4 || !parse_count(argv[3], 0, vx::tools::kMaxDemoSubjects, &count)) {
      return usage();
    }
    for (int i = 4; i < argc; ++i) {
      long long s = 0;
      if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc &&
          parse_count(argv[i + 1], 0, INT64_MAX, &s)) {
        seed = static_cast<unsigned long long>(s);
        ++i;
      } else {
        return usage();
      }
    }
    return create(dir, count, seed);
  }
  if (command == "list") {
    std::int32_t order = 0;
    long long limit = -1;
    for (int i = 3; i < argc; ++i) {
      if (std::strcmp(argv[i], "--order") == 0 && i + 1 < argc) {
        order = vx::tools::order_by_name(argv[++i]);
        if (order < 0) return usage();
      } else if (std::strcmp(argv[i], "--limit") == 0 && i + 1 < argc &&
                 parse_count(argv[i + 1], 0, INT64_MAX, &limit)) {
        ++i;
      } else {
        return usage();
      }
    }
    return list(dir, order, limit);
  }
  return usage();
}
