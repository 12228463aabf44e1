#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "app/subject.h"
#include "relay/vex32.h"
#include "runtime/files.h"

namespace {

// The declaration's field list must describe the C++ record exactly.
TEST(SubjectDeclaration, FieldListMatchesTheRecord) {
#define FIELD(name) \
  { offsetof(SUBRecord, name), sizeof(SUBRecord::name) }
  const struct {
    std::size_t offset, size;
  } record[] = {
      FIELD(MASTERC),    FIELD(SUBJECTC),   FIELD(SITE),        FIELD(INACTIVE),   FIELD(FNAME),
      FIELD(MNAME),      FIELD(LNAME),      FIELD(ADD1),        FIELD(CITY1),      FIELD(STATE1),
      FIELD(ZIPCODE1),   FIELD(PHONE1),     FIELD(ADD2),        FIELD(CITY2),      FIELD(STATE2),
      FIELD(ZIPCODE2),   FIELD(PHONE2),     FIELD(RADD),        FIELD(RCITY),      FIELD(RSTATE),
      FIELD(RZIPCODE),   FIELD(RPHONE),     FIELD(RELATION),    FIELD(RNAME),      FIELD(SSNUM),
      FIELD(BDATE),      FIELD(CLIENTNUM),  FIELD(PROBOFF),     FIELD(SUPERFEE),   FIELD(FEESTDATE),
      FIELD(FEEENDDATE), FIELD(COMMSRV),    FIELD(RACE),        FIELD(SEX),        FIELD(HGT),
      FIELD(WHT),        FIELD(HAIR),       FIELD(EYES),        FIELD(COMPLEXION), FIELD(SCARS),
      FIELD(FBI),        FIELD(DRIVERSLIC), FIELD(JAILRELEASE), FIELD(STATUSTYPE),
  };
#undef FIELD
  ASSERT_EQ(kSubjectTypeDesc.count, std::size(record));
  std::uint32_t next = 0;
  for (std::uint32_t i = 0; i < kSubjectTypeDesc.count; ++i) {
    const vx::FieldDesc& f = kSubjectTypeDesc.fields[i];
    EXPECT_EQ(f.offset, record[i].offset) << f.label;
    EXPECT_EQ(f.size, record[i].size) << f.label;
    EXPECT_EQ(f.offset, next) << f.label << ": no gaps";
    next = f.offset + f.size;
    EXPECT_EQ(std::string(f.label).rfind("SUB:", 0), 0u) << f.label;
  }
  EXPECT_EQ(next, 602u);

  // A sample of labels, kinds and pictures, one per kind.
  struct Sample {
    int number;
    const char* label;
    vx::FieldType type;
    std::uint8_t places;
    const char* picture;
  } samples[] = {
      {1, "SUB:MASTERC", vx::FieldType::kLong, 0, "@n-14"},
      {2, "SUB:SUBJECTC", vx::FieldType::kDecimal, 2, "@n-15.2"},
      {4, "SUB:INACTIVE", vx::FieldType::kByte, 0, "@n3"},
      {7, "SUB:LNAME", vx::FieldType::kString, 0, "@s20"},
      {26, "SUB:BDATE", vx::FieldType::kLong, 0, "@n-14"},
      {29, "SUB:SUPERFEE", vx::FieldType::kReal, 0, "@n10.2"},
      {44, "SUB:STATUSTYPE", vx::FieldType::kString, 0, "@s15"},
  };
  for (const Sample& s : samples) {
    const vx::FieldDesc& f = kSubjectTypeDesc.fields[s.number - 1];
    EXPECT_STREQ(f.label, s.label);
    EXPECT_EQ(f.type, s.type) << s.label;
    EXPECT_EQ(f.places, s.places) << s.label;
    EXPECT_STREQ(f.picture, s.picture);
    EXPECT_EQ(RT_FILE_GET_PROPERTY(&SUBJECT, kPropFieldLabel, s.number), s.label);
  }
}

TEST(SubjectDeclaration, KeysInOrderWithTheirAttributes) {
  struct Key {
    const char* label;
    const char* ext_name;
    const char* description;
    std::uint8_t attr;
    std::vector<std::uint16_t> parts;
  } keys[] = {
      {"SUB:BYSUBJECTC", "By Subject code", "sub:BYSUBJECTC", 0x16, {2}},
      {"SUB:BYMASTERC", nullptr, "sub:BYMASTERC", 0x05, {1}},
      {"SUB:BYSITE", nullptr, "sub:BYSITE", 0x05, {3}},
      {"SUB:BYLASTNAME", "By Last Name", "sub:BYLASTNAME", 0x07, {7, 5}},
      {"SUB:BYSSNUM", "BySSNUM", "sub:BYSSNUM", 0x07, {25}},
      {"SUB:BYSUBNUM", "By Subject Number", "sub:BYSUBNUM", 0x07, {27}},
      {"SUB:BYPROBOFFLNAMEFNAME", nullptr, "sub:BYPROBOFFLNAMEFNAME", 0x07, {28, 7, 5}},
  };
  ASSERT_EQ(kSubjectKeyTable.count, std::size(keys));
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    const vx::KeyDesc& k = kSubjectKeyTable.keys[i];
    EXPECT_STREQ(k.label, keys[i].label);
    if (keys[i].ext_name) {
      EXPECT_STREQ(k.ext_name, keys[i].ext_name);
    } else {
      EXPECT_EQ(k.ext_name, nullptr) << k.label;
    }
    EXPECT_STREQ(subject_key_description(static_cast<std::int32_t>(i + 1)), keys[i].description);
    EXPECT_EQ(k.attr, keys[i].attr) << k.label;
    ASSERT_EQ(k.component_count, keys[i].parts.size()) << k.label;
    for (std::size_t c = 0; c < keys[i].parts.size(); ++c) {
      EXPECT_EQ(k.components[c], keys[i].parts[c]) << k.label;
    }
  }
  EXPECT_STREQ(subject_key_description(0), "");
  EXPECT_STREQ(subject_key_description(8), "");
}

TEST(SubjectDeclaration, ControlBlockAndMemo) {
  EXPECT_EQ(+SUBJECT.PIPE, reinterpret_cast<std::uintptr_t>(&VEXGATE));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(SUBJECT.PHYNAME.STR),
                        static_cast<std::size_t>(SUBJECT.PHYNAME.LEN)),
            "subject.tps");
  EXPECT_EQ(+SUBJECT.PHYNAME.LEN, 11);
  EXPECT_EQ(+SUBJECT.DRVSTR.STR, reinterpret_cast<std::uintptr_t>(SubjectDriverString));
  EXPECT_EQ(+SUBJECT.DRVSTR.LEN, -1);
  EXPECT_STREQ(SubjectDriverString, "/DRIVER=C4TPSX.DLL");
  EXPECT_EQ(+SUBJECT.OWNERNAME.STR, 0u);
  EXPECT_EQ(+SUBJECT.OWNERNAME.LEN, 0);
  EXPECT_EQ(+SUBJECT.FILEATTR, 0x14);
  EXPECT_EQ(+SUBJECT.KEYCOUNT, 7);
  EXPECT_EQ(+SUBJECT.MEMOCOUNT, 1);
  EXPECT_EQ(+SUBJECT.RECORDLEN, 602);
  EXPECT_EQ(+SUBJECT.TDESC, reinterpret_cast<std::uintptr_t>(&kSubjectTypeDesc));
  EXPECT_EQ(+SUBJECT.KDESC, reinterpret_cast<std::uintptr_t>(&kSubjectKeyTable));
  EXPECT_EQ(+SUBJECT.MDESC, reinterpret_cast<std::uintptr_t>(&kSubjectMemoTable));
  EXPECT_EQ(+SUBJECT.RECORDBUF, reinterpret_cast<std::uintptr_t>(&SUB));
  EXPECT_EQ(+SUBJECT.RBLOCK, 0u);
  EXPECT_EQ(+SUBJECT.TID, 0);
  EXPECT_EQ(+SUBJECT.TFLAGS, 0);

  const vx::MemoTable* memos = vx::memo_table(SUBJECT);
  ASSERT_EQ(memos->count, 1u);
  EXPECT_STREQ(memos->memos[0].label, "SUB:COMMENT");
  EXPECT_EQ(memos->memos[0].ext_name, nullptr);
  EXPECT_EQ(memos->memos[0].attr, 0x01);
  EXPECT_EQ(memos->memos[0].size, 1000u);
  ASSERT_NE(memos->memos[0].buffer, nullptr);
  EXPECT_EQ(subject_comment(), memos->memos[0].buffer);
}

TEST(SubjectDeclaration, SetUpClearsEveryFieldByItsKind) {
  std::memset(&SUB, 0x5A, sizeof SUB);
  subject_module_setup();
  const char* image = reinterpret_cast<const char*>(&SUB);
  for (std::uint32_t i = 0; i < kSubjectTypeDesc.count; ++i) {
    const vx::FieldDesc& f = kSubjectTypeDesc.fields[i];
    char expected = f.type == vx::FieldType::kString ? ' ' : '\0';
    for (std::uint32_t b = 0; b < f.size; ++b) {
      ASSERT_EQ(image[f.offset + b], expected) << f.label << " byte " << b;
    }
  }
  EXPECT_EQ(+SUB.SUPERFEE, 0.0);
  EXPECT_EQ(vx::app::subject_code(SUB), 0);
  EXPECT_EQ(vx::app::get_text(SUB.LNAME), "");
}

TEST(SubjectDeclaration, TextFieldsArePaddedAndJoinWithoutBlanks) {
  subject_module_setup();
  vx::app::set_text(SUB.FNAME, "Ann");
  vx::app::set_text(SUB.LNAME, "Lee");
  EXPECT_EQ(std::string(SUB.FNAME, sizeof SUB.FNAME), "Ann            ");
  EXPECT_EQ(vx::app::get_text(SUB.FNAME) + vx::app::get_text(SUB.LNAME), "AnnLee");
  vx::app::set_text(SUB.SITE, "ABCD");  // cut to the width
  EXPECT_EQ(std::string(SUB.SITE, 2), "AB");
  EXPECT_EQ(+SUB.INACTIVE, 0);  // the neighbour is untouched
}

}  // namespace
