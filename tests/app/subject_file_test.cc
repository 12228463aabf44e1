// SUBJECT through the whole stack: RT_FILE_* -> VEXGATE -> the real driver.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/subject.h"
#include "relay/vex32.h"
#include "runtime/error.h"
#include "runtime/files.h"

namespace {

using vx::app::set_text;

// Each test works in a fresh folder of its own, as the programs do: "subject.tps" is
// found relative to the current directory.
class SubjectFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vx-subject-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    std::strcpy(SubjectDriverString, "/DRIVER=C4TPSX.DLL");
    subject_module_setup();
  }
  void TearDown() override {
    RT_FILE_CLOSE(&SUBJECT);
    VX_SHUTDOWN();
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }

  void create_and_open() {
    ASSERT_EQ(RT_FILE_CREATE(&SUBJECT), 0);
    ASSERT_EQ(RT_FILE_OPEN(&SUBJECT, vx::kOpenShared), 0);
  }

  std::filesystem::path dir_, old_;
};

struct Person {
  std::int32_t master;
  std::int64_t code;  // hundredths
  const char* site;
  const char* first;
  const char* last;
  const char* ssn;
  const char* number;
  const char* officer;
};

void fill(const Person& p) {
  subject_module_setup();
  SUB.MASTERC = p.master;
  ASSERT_TRUE(vx::app::set_subject_code(SUB, p.code));
  set_text(SUB.SITE, p.site);
  set_text(SUB.FNAME, p.first);
  set_text(SUB.LNAME, p.last);
  set_text(SUB.SSNUM, p.ssn);
  set_text(SUB.CLIENTNUM, p.number);
  set_text(SUB.PROBOFF, p.officer);
}

TEST_F(SubjectFile, RecordAndMemoComeBackByteForByte) {
  create_and_open();
  subject_module_setup();
  SUB.MASTERC = -7;
  ASSERT_TRUE(vx::app::set_subject_code(SUB, -98765432110));  // -987654321.10
  set_text(SUB.SITE, "NW");
  SUB.INACTIVE = 255;
  set_text(SUB.FNAME, "Mary");
  set_text(SUB.MNAME, "Ellen");
  set_text(SUB.LNAME, "O'Connor");
  set_text(SUB.ADD1, "12 Harbour Road");
  set_text(SUB.CITY1, "Springfield");
  set_text(SUB.PHONE1, "(555)010-2233");
  set_text(SUB.RNAME, std::string(40, 'R'));  // full width, no padding
  set_text(SUB.SSNUM, "123-45-6789");
  SUB.BDATE = INT32_MIN;
  SUB.FEESTDATE = -1;
  SUB.FEEENDDATE = INT32_MAX;
  SUB.JAILRELEASE = -36524;
  set_text(SUB.CLIENTNUM, "S-000042");
  SUB.SUPERFEE = 1234.56;
  SUB.COMMSRV = -0.25;
  set_text(SUB.SEX, "F");
  set_text(SUB.STATUSTYPE, "Active");
  const SUBRecord written = SUB;
  std::string comment = "Reports monthly.\r\nSecond line.";
  std::memset(subject_comment(), ' ', kSubjectCommentSize);
  std::memcpy(subject_comment(), comment.data(), comment.size());
  const std::string written_memo(subject_comment(), kSubjectCommentSize);
  ASSERT_EQ(RT_FILE_ADD(&SUBJECT), 0);

  for (int pass = 0; pass < 2; ++pass) {  // as added, then after closing and opening again
    subject_module_setup();
    ASSERT_EQ(RT_FILE_SETf(&SUBJECT), 0);
    ASSERT_EQ(RT_FILE_NEXT(&SUBJECT), 0);
    EXPECT_EQ(std::memcmp(&SUB, &written, sizeof SUB), 0);
    EXPECT_EQ(std::string(subject_comment(), kSubjectCommentSize), written_memo);
    EXPECT_EQ(vx::app::subject_code(SUB), -98765432110);
    EXPECT_EQ(+SUB.BDATE, INT32_MIN);
    EXPECT_EQ(+SUB.FEESTDATE, -1);
    EXPECT_EQ(+SUB.JAILRELEASE, -36524);
    // End of file: code 33, the buffer stays as it was.
    EXPECT_EQ(RT_FILE_NEXT(&SUBJECT), vx::kRecordNotAvailable);
    EXPECT_EQ(std::memcmp(&SUB, &written, sizeof SUB), 0);
    ASSERT_EQ(RT_FILE_CLOSE(&SUBJECT), 0);
    ASSERT_EQ(RT_FILE_OPEN(&SUBJECT, vx::kOpenShared), 0);
  }
  EXPECT_TRUE(std::filesystem::exists(dir_ / "subject.tps"));
}

// Key order as the declaration says: components in order, SUB:SUBJECTC by value,
// SUB:MASTERC as a signed number, SUB:SITE by bytes (0x05: case matters), the name and
// number keys (0x07) without regard to case or trailing blanks.
std::string folded(const char* field, std::size_t n) {
  while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == '\0')) --n;
  std::string s(field, n);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}
#define NOCASE(r, f) folded((r).f, sizeof((r).f))
#define BYTES(r, f) std::string((r).f, sizeof((r).f))

int compare_by_key(int key, const SUBRecord& a, const SUBRecord& b) {
  auto cmp = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
  switch (key) {
    case kBySubjectC:
      return cmp(vx::app::subject_code(a), vx::app::subject_code(b));
    case kByMasterC:
      return cmp(a.MASTERC, b.MASTERC);
    case kBySite:
      return cmp(BYTES(a, SITE), BYTES(b, SITE));
    case kByLastName:
      if (int c = cmp(NOCASE(a, LNAME), NOCASE(b, LNAME))) return c;
      return cmp(NOCASE(a, FNAME), NOCASE(b, FNAME));
    case kBySSNum:
      return cmp(NOCASE(a, SSNUM), NOCASE(b, SSNUM));
    case kBySubNum:
      return cmp(NOCASE(a, CLIENTNUM), NOCASE(b, CLIENTNUM));
    case kByProbOffLNameFName:
      if (int c = cmp(NOCASE(a, PROBOFF), NOCASE(b, PROBOFF))) return c;
      if (int c = cmp(NOCASE(a, LNAME), NOCASE(b, LNAME))) return c;
      return cmp(NOCASE(a, FNAME), NOCASE(b, FNAME));
  }
  return 0;
}

TEST_F(SubjectFile, SevenOrdersSortAsTheirKeysSay) {
  create_and_open();
  // Chosen so that every key's rule matters: negative codes and master numbers below
  // positive ones, sites differing only in case, names differing only in case, a
  // second component deciding ties, duplicates on the keys that allow them.
  const Person people[] = {
      {5, 150, "nw", "Zoe", "smith", "555-00-0003", "s-0003", "Baker"},
      {-3, -20000, "NW", "adam", "Smith", "555-00-0001", "S-0010", "baker"},
      {5, 9999, "SE", "Bob", "Adams", "111-22-3333", "S-0002", "Cole"},
      {0, -1, "Nw", "Carl", "SMITH", "999-99-9999", "s-0001", "Abbot"},
      {-100, 0, "AA", "amy", "adams", "000-00-0001", "S-0100", "ABBOT"},
      {12, 99999999999, "se", "Eve", "Young", "555-00-0002", "S-0099", "Cole"},
      {7, -99999999999, "SE", "Dan", "Brown", "222-33-4444", "S-0050", "Baker"},
  };
  for (const Person& p : people) {
    fill(p);
    ASSERT_EQ(RT_FILE_ADD(&SUBJECT), 0) << p.last;
  }
  // SUB:BYSUBJECTC has no duplicates bit: a second record with a taken code is refused.
  fill(people[0]);
  EXPECT_EQ(RT_FILE_ADD(&SUBJECT), vx::kDuplicateKey);

  for (int key = 1; key <= kSubjectKeys; ++key) {
    ASSERT_EQ(RT_FILE_SETk(&SUBJECT, key), 0) << key;
    std::vector<SUBRecord> seen;
    while (RT_FILE_NEXT(&SUBJECT) == 0) seen.push_back(SUB);
    EXPECT_EQ(RT_ERRCODE(), vx::kRecordNotAvailable);
    ASSERT_EQ(seen.size(), std::size(people)) << subject_key_description(key);
    for (std::size_t i = 1; i < seen.size(); ++i) {
      EXPECT_LE(compare_by_key(key, seen[i - 1], seen[i]), 0)
          << subject_key_description(key) << " at " << i << ": "
          << vx::app::get_text(seen[i - 1].LNAME) << " before " << vx::app::get_text(seen[i].LNAME);
    }
    // Every record once.
    std::vector<std::int64_t> codes;
    for (const SUBRecord& r : seen) codes.push_back(vx::app::subject_code(r));
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(std::adjacent_find(codes.begin(), codes.end()), codes.end());
  }
  // Spot checks that pin the rules beyond sortedness.
  ASSERT_EQ(RT_FILE_SETk(&SUBJECT, kBySubjectC), 0);
  ASSERT_EQ(RT_FILE_NEXT(&SUBJECT), 0);
  EXPECT_EQ(vx::app::get_text(SUB.LNAME), "Brown");  // -999999999.99 first
  ASSERT_EQ(RT_FILE_SETk(&SUBJECT, kBySite), 0);
  std::string sites;
  while (RT_FILE_NEXT(&SUBJECT) == 0) sites += BYTES(SUB, SITE) + ",";
  EXPECT_EQ(sites, "AA,NW,Nw,SE,SE,nw,se,");
}

}  // namespace
