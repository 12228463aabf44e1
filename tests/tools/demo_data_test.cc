#include "tools/demo_data.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "relay/vex32.h"
#include "runtime/error.h"
#include "runtime/files.h"

namespace {

TEST(DemoSubjects, SameSeedSameSubjectsAndCodesUnique) {
  SUBRecord a, b;
  std::vector<char> ca(kSubjectCommentSize), cb(kSubjectCommentSize);
  std::set<std::int64_t> codes;
  int negative_codes = 0, negative_births = 0;
  for (std::int64_t i = 0; i < 5000; ++i) {
    vx::tools::make_demo_subject(42, i, a, ca.data());
    vx::tools::make_demo_subject(42, i, b, cb.data());
    ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << i;
    ASSERT_EQ(ca, cb);
    std::int64_t code = vx::app::subject_code(a);
    EXPECT_LE(code < 0 ? -code : code, 99999999999);  // fits the field
    EXPECT_TRUE(codes.insert(code).second) << "duplicate code at " << i;
    negative_codes += code < 0;
    negative_births += a.BDATE < 0;
    EXPECT_FALSE(vx::app::get_text(a.LNAME).empty());
    EXPECT_NE(ca[0], ' ');  // every subject has a comment
  }
  EXPECT_GT(negative_codes, 0);
  EXPECT_GT(negative_births, 0);
  vx::tools::make_demo_subject(43, 0, b, cb.data());
  EXPECT_NE(std::memcmp(&a, &b, sizeof a), 0);
  // The far end of the range still makes distinct codes that fit the field.
  vx::tools::make_demo_subject(1, vx::tools::kMaxDemoSubjects - 1, a, ca.data());
  vx::tools::make_demo_subject(1, 0, b, cb.data());
  EXPECT_NE(vx::app::subject_code(a), vx::app::subject_code(b));
  EXPECT_NE(vx::app::subject_code(a), 0);
}

TEST(DemoSubjects, OrderNames) {
  struct Case {
    const char* name;
    std::int32_t order;
  } cases[] = {
      {"file", 0},
      {"FILE", 0},
      {"SUB:BYSUBJECTC", 1},
      {"sub:BYLASTNAME", 4},
      {"bylastname", 4},
      {"SUB:BYPROBOFFLNAMEFNAME", 7},
      {"7", 7},
      {"0", -1},
      {"8", -1},
      {"BYNOTHING", -1},
      {"", -1},
      {"SUB:", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(vx::tools::order_by_name(c.name), c.order) << c.name;
}

class DemoFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vx-demo-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    old_ = std::filesystem::current_path();
  }
  void TearDown() override {
    RT_FILE_CLOSE(&SUBJECT);
    VX_SHUTDOWN();
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_, old_;
};

TEST_F(DemoFile, FileHoldsTheGeneratedSubjectsInOrder) {
  std::string error;
  std::vector<std::int64_t> progress;
  ASSERT_EQ(vx::tools::create_demo_file((dir_ / "sub").string(), 120, 5,
                                        [&](std::int64_t done, std::int64_t total) {
                                          EXPECT_EQ(total, 120);
                                          progress.push_back(done);
                                        },
                                        &error),
            0)
      << error;
  ASSERT_EQ(progress.size(), 120u);
  EXPECT_EQ(progress.back(), 120);
  ASSERT_EQ(RT_FILE_OPEN(&SUBJECT, vx::kOpenShared), 0);
  ASSERT_EQ(RT_FILE_SETf(&SUBJECT), 0);
  SUBRecord expected;
  std::vector<char> comment(kSubjectCommentSize);
  for (std::int64_t i = 0; i < 120; ++i) {
    ASSERT_EQ(RT_FILE_NEXT(&SUBJECT), 0) << i;
    vx::tools::make_demo_subject(5, i, expected, comment.data());
    ASSERT_EQ(std::memcmp(&SUB, &expected, sizeof SUB), 0) << i;
    ASSERT_EQ(std::memcmp(subject_comment(), comment.data(), kSubjectCommentSize), 0) << i;
  }
  EXPECT_EQ(RT_FILE_NEXT(&SUBJECT), vx::kRecordNotAvailable);
}

}  // namespace
