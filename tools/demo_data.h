// Demo subjects for the SUBJECT file: a seeded generator and the file-level steps the
// vxdemodata tool and the benchmarks share. Everything goes through the runtime's
// record-file calls, so through VEXGATE and whatever driver SubjectDriverString names.
#ifndef VX_TOOLS_DEMO_DATA_H_
#define VX_TOOLS_DEMO_DATA_H_

#include <cstdint>
#include <functional>
#include <string>

#include "app/subject.h"

namespace vx::tools {

// Largest number of subjects one file can take: subject codes are unique (the key
// SUB:BYSUBJECTC allows no duplicates) and derived from the subject's index.
constexpr std::int64_t kMaxDemoSubjects = 900000000;

// Fills `r` and the `comment` buffer (kSubjectCommentSize bytes) with subject number
// `index` (from 0) of the demo set for `seed`. The same seed and index always give the
// same subject on every platform. Subject codes carry two decimals and are unique per
// index; about one in twenty is negative. Birth dates are day numbers from 1970-01-01,
// so earlier births are negative.
void make_demo_subject(std::uint64_t seed, std::int64_t index, SUBRecord& r, char* comment);

// Replaces `dir`/subject.tps with `count` demo subjects. `progress(done, count)` is
// called after each record. Returns 0 or the runtime error code of the step that failed,
// with `error` naming it. The process's current directory is `dir` afterwards.
std::int32_t create_demo_file(const std::string& dir, std::int64_t count, std::uint64_t seed,
                              const std::function<void(std::int64_t, std::int64_t)>& progress,
                              std::string* error);

// The key number for a name: "SUB:BYLASTNAME", "BYLASTNAME", "sub:bylastname", or
// "1".."7"; 0 for "file" (file order); -1 for anything else.
std::int32_t order_by_name(const std::string& name);

}  // namespace vx::tools

#endif  // VX_TOOLS_DEMO_DATA_H_
