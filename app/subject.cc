#include "app/subject.h"

#include "app/packed_decimal.h"
#include "relay/vex32.h"

using vx::FieldType;

namespace {

const vx::FieldDesc kFields[] = {
    {"SUB:MASTERC", FieldType::kLong, 0, 4, 0, "@n-14"},
    {"SUB:SUBJECTC", FieldType::kDecimal, 4, 6, 2, "@n-15.2"},
    {"SUB:SITE", FieldType::kString, 10, 2, 0, "@s2"},
    {"SUB:INACTIVE", FieldType::kByte, 12, 1, 0, "@n3"},
    {"SUB:FNAME", FieldType::kString, 13, 15, 0, "@s15"},
    {"SUB:MNAME", FieldType::kString, 28, 15, 0, "@s15"},
    {"SUB:LNAME", FieldType::kString, 43, 20, 0, "@s20"},
    {"SUB:ADD1", FieldType::kString, 63, 30, 0, "@s30"},
    {"SUB:CITY1", FieldType::kString, 93, 25, 0, "@s25"},
    {"SUB:STATE1", FieldType::kString, 118, 2, 0, "@s2"},
    {"SUB:ZIPCODE1", FieldType::kString, 120, 10, 0, "@s10"},
    {"SUB:PHONE1", FieldType::kString, 130, 13, 0, "@s13"},
    {"SUB:ADD2", FieldType::kString, 143, 30, 0, "@s30"},
    {"SUB:CITY2", FieldType::kString, 173, 25, 0, "@s25"},
    {"SUB:STATE2", FieldType::kString, 198, 2, 0, "@s2"},
    {"SUB:ZIPCODE2", FieldType::kString, 200, 10, 0, "@s10"},
    {"SUB:PHONE2", FieldType::kString, 210, 13, 0, "@s13"},
    {"SUB:RADD", FieldType::kString, 223, 30, 0, "@s30"},
    {"SUB:RCITY", FieldType::kString, 253, 25, 0, "@s25"},
    {"SUB:RSTATE", FieldType::kString, 278, 2, 0, "@s2"},
    {"SUB:RZIPCODE", FieldType::kString, 280, 10, 0, "@s10"},
    {"SUB:RPHONE", FieldType::kString, 290, 13, 0, "@s13"},
    {"SUB:RELATION", FieldType::kString, 303, 10, 0, "@s10"},
    {"SUB:RNAME", FieldType::kString, 313, 40, 0, "@s40"},
    {"SUB:SSNUM", FieldType::kString, 353, 11, 0, "@s11"},
    {"SUB:BDATE", FieldType::kLong, 364, 4, 0, "@n-14"},
    {"SUB:CLIENTNUM", FieldType::kString, 368, 20, 0, "@s20"},
    {"SUB:PROBOFF", FieldType::kString, 388, 40, 0, "@s40"},
    {"SUB:SUPERFEE", FieldType::kReal, 428, 8, 0, "@n10.2"},
    {"SUB:FEESTDATE", FieldType::kLong, 436, 4, 0, "@n-14"},
    {"SUB:FEEENDDATE", FieldType::kLong, 440, 4, 0, "@n-14"},
    {"SUB:COMMSRV", FieldType::kReal, 444, 8, 0, "@n10.2"},
    {"SUB:RACE", FieldType::kString, 452, 15, 0, "@s15"},
    {"SUB:SEX", FieldType::kString, 467, 1, 0, "@s1"},
    {"SUB:HGT", FieldType::kString, 468, 10, 0, "@s10"},
    {"SUB:WHT", FieldType::kString, 478, 10, 0, "@s10"},
    {"SUB:HAIR", FieldType::kString, 488, 10, 0, "@s10"},
    {"SUB:EYES", FieldType::kString, 498, 10, 0, "@s10"},
    {"SUB:COMPLEXION", FieldType::kString, 508, 15, 0, "@s15"},
    {"SUB:SCARS", FieldType::kString, 523, 30, 0, "@s30"},
    {"SUB:FBI", FieldType::kString, 553, 20, 0, "@s20"},
    {"SUB:DRIVERSLIC", FieldType::kString, 573, 10, 0, "@s10"},
    {"SUB:JAILRELEASE", FieldType::kLong, 583, 4, 0, "@n-14"},
    {"SUB:STATUSTYPE", FieldType::kString, 587, 15, 0, "@s15"},
};
static_assert(std::size(kFields) == kSubjectFields);

const std::uint16_t kBySubjectCParts[] = {2};
const std::uint16_t kByMasterCParts[] = {1};
const std::uint16_t kBySiteParts[] = {3};
const std::uint16_t kByLastNameParts[] = {7, 5};
const std::uint16_t kBySSNumParts[] = {25};
const std::uint16_t kBySubNumParts[] = {27};
const std::uint16_t kByProbOffParts[] = {28, 7, 5};

const vx::KeyDesc kKeys[] = {
    {"SUB:BYSUBJECTC", "By Subject code", 0x16, 1, kBySubjectCParts},
    {"SUB:BYMASTERC", nullptr, 0x05, 1, kByMasterCParts},
    {"SUB:BYSITE", nullptr, 0x05, 1, kBySiteParts},
    {"SUB:BYLASTNAME", "By Last Name", 0x07, 2, kByLastNameParts},
    {"SUB:BYSSNUM", "BySSNUM", 0x07, 1, kBySSNumParts},
    {"SUB:BYSUBNUM", "By Subject Number", 0x07, 1, kBySubNumParts},
    {"SUB:BYPROBOFFLNAMEFNAME", nullptr, 0x07, 3, kByProbOffParts},
};
static_assert(std::size(kKeys) == kSubjectKeys);

const char* const kKeyDescriptions[] = {
    "sub:BYSUBJECTC", "sub:BYMASTERC",           "sub:BYSITE", "sub:BYLASTNAME", "sub:BYSSNUM",
    "sub:BYSUBNUM",   "sub:BYPROBOFFLNAMEFNAME",
};

vx::MemoDesc kMemos[] = {
    {"SUB:COMMENT", nullptr, 0x01, kSubjectCommentSize, nullptr},
};

const char kPhysicalName[] = "subject.tps";

}  // namespace

const vx::TypeDesc kSubjectTypeDesc = {kSubjectFields, kFields};
const vx::KeyTable kSubjectKeyTable = {kSubjectKeys, kKeys};
vx::MemoTable kSubjectMemoTable = {1, kMemos};

SUBRecord SUB;
char SubjectDriverString[256] = "/DRIVER=C4TPSX.DLL";

vx::FCB SUBJECT = {
    0,  // PIPE: VEXGATE, set by subject_module_setup()
    {reinterpret_cast<std::uintptr_t>(kPhysicalName), 11},
    {reinterpret_cast<std::uintptr_t>(SubjectDriverString), -1},
    {0, 0},
    0x14,
    kSubjectKeys,
    1,
    kSubjectRecordLen,
    reinterpret_cast<std::uintptr_t>(&kSubjectTypeDesc),
    reinterpret_cast<std::uintptr_t>(&kSubjectKeyTable),
    reinterpret_cast<std::uintptr_t>(&kSubjectMemoTable),
    reinterpret_cast<std::uintptr_t>(&SUB),
    0,
    0,
    0,
};

const char* subject_key_description(std::int32_t key) {
  return key >= 1 && key <= kSubjectKeys ? kKeyDescriptions[key - 1] : "";
}

char* subject_comment() {
  return kSubjectMemoTable.memos[0].buffer;
}

void subject_module_setup() {
  char* record = reinterpret_cast<char*>(&SUB);
  for (std::uint32_t i = 0; i < kSubjectTypeDesc.count; ++i) {
    const vx::FieldDesc& f = kSubjectTypeDesc.fields[i];
    std::memset(record + f.offset, f.type == FieldType::kString ? ' ' : 0, f.size);
  }
  // The memo's buffer is the process's for its whole life: threads still using it
  // while the program ends must not find it freed.
  if (kMemos[0].buffer == nullptr) kMemos[0].buffer = new char[kSubjectCommentSize];
  std::memset(kMemos[0].buffer, ' ', kSubjectCommentSize);
  SUBJECT.PIPE = reinterpret_cast<std::uintptr_t>(&VEXGATE);
}

namespace vx::app {

bool set_subject_code(SUBRecord& r, std::int64_t hundredths) {
  return packed_encode(hundredths, sizeof r.SUBJECTC, r.SUBJECTC);
}

std::int64_t subject_code(const SUBRecord& r) {
  return packed_decode(r.SUBJECTC, sizeof r.SUBJECTC);
}

}  // namespace vx::app

namespace {
// Module start-up: the buffers are clear and PIPE is set before main runs. Defined
// after SUBJECT, so it runs after SUBJECT's own initialisation.
const bool kSetUp = (subject_module_setup(), true);
}  // namespace
