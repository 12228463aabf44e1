// The SUBJECT file: the demo application's register of probation subjects.
//
// One record buffer (SUB, 602 bytes), one memo (SUB:COMMENT, 1000 bytes) and one file
// control block (SUBJECT) per process, declared with the relay VEX32 as the file's
// driver: every operation on SUBJECT reaches VEXGATE, which follows the driver string
// SubjectDriverString ("/DRIVER=C4TPSX.DLL" until someone changes it).
//
// The physical name is "subject.tps", relative to the current directory: a program
// that works on another folder changes into it before it opens the file.
//
// subject_module_setup() runs when this library is loaded (before main): it clears the
// record buffer field by field (blanks for text, zero for numbers), allocates the memo
// buffer and points PIPE at VEXGATE. Calling it again clears the buffers again.
//
// Field numbers (from 1; the memo counts as 45) and key numbers (from 1) are stable;
// other modules refer to fields and keys by them.
#ifndef VX_APP_SUBJECT_H_
#define VX_APP_SUBJECT_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/fcb.h"

#pragma pack(push, 1)
struct SUBRecord {
  std::int32_t MASTERC;
  unsigned char SUBJECTC[6];
  char SITE[2];
  std::uint8_t INACTIVE;
  char FNAME[15];
  char MNAME[15];
  char LNAME[20];
  char ADD1[30];
  char CITY1[25];
  char STATE1[2];
  char ZIPCODE1[10];
  char PHONE1[13];
  char ADD2[30];
  char CITY2[25];
  char STATE2[2];
  char ZIPCODE2[10];
  char PHONE2[13];
  char RADD[30];
  char RCITY[25];
  char RSTATE[2];
  char RZIPCODE[10];
  char RPHONE[13];
  char RELATION[10];
  char RNAME[40];
  char SSNUM[11];
  std::int32_t BDATE;
  char CLIENTNUM[20];
  char PROBOFF[40];
  double SUPERFEE;
  std::int32_t FEESTDATE;
  std::int32_t FEEENDDATE;
  double COMMSRV;
  char RACE[15];
  char SEX[1];
  char HGT[10];
  char WHT[10];
  char HAIR[10];
  char EYES[10];
  char COMPLEXION[15];
  char SCARS[30];
  char FBI[20];
  char DRIVERSLIC[10];
  std::int32_t JAILRELEASE;
  char STATUSTYPE[15];
};
#pragma pack(pop)

static_assert(sizeof(SUBRecord) == 602);
static_assert(offsetof(SUBRecord, MASTERC) == 0);
static_assert(offsetof(SUBRecord, SUBJECTC) == 4);
static_assert(offsetof(SUBRecord, SITE) == 10);
static_assert(offsetof(SUBRecord, INACTIVE) == 12);
static_assert(offsetof(SUBRecord, FNAME) == 13);
static_assert(offsetof(SUBRecord, MNAME) == 28);
static_assert(offsetof(SUBRecord, LNAME) == 43);
static_assert(offsetof(SUBRecord, ADD1) == 63);
static_assert(offsetof(SUBRecord, CITY1) == 93);
static_assert(offsetof(SUBRecord, STATE1) == 118);
static_assert(offsetof(SUBRecord, ZIPCODE1) == 120);
static_assert(offsetof(SUBRecord, PHONE1) == 130);
static_assert(offsetof(SUBRecord, ADD2) == 143);
static_assert(offsetof(SUBRecord, CITY2) == 173);
static_assert(offsetof(SUBRecord, STATE2) == 198);
static_assert(offsetof(SUBRecord, ZIPCODE2) == 200);
static_assert(offsetof(SUBRecord, PHONE2) == 210);
static_assert(offsetof(SUBRecord, RADD) == 223);
static_assert(offsetof(SUBRecord, RCITY) == 253);
static_assert(offsetof(SUBRecord, RSTATE) == 278);
static_assert(offsetof(SUBRecord, RZIPCODE) == 280);
static_assert(offsetof(SUBRecord, RPHONE) == 290);
static_assert(offsetof(SUBRecord, RELATION) == 303);
static_assert(offsetof(SUBRecord, RNAME) == 313);
static_assert(offsetof(SUBRecord, SSNUM) == 353);
static_assert(offsetof(SUBRecord, BDATE) == 364);
static_assert(offsetof(SUBRecord, CLIENTNUM) == 368);
static_assert(offsetof(SUBRecord, PROBOFF) == 388);
static_assert(offsetof(SUBRecord, SUPERFEE) == 428);
static_assert(offsetof(SUBRecord, FEESTDATE) == 436);
static_assert(offsetof(SUBRecord, FEEENDDATE) == 440);
static_assert(offsetof(SUBRecord, COMMSRV) == 444);
static_assert(offsetof(SUBRecord, RACE) == 452);
static_assert(offsetof(SUBRecord, SEX) == 467);
static_assert(offsetof(SUBRecord, HGT) == 468);
static_assert(offsetof(SUBRecord, WHT) == 478);
static_assert(offsetof(SUBRecord, HAIR) == 488);
static_assert(offsetof(SUBRecord, EYES) == 498);
static_assert(offsetof(SUBRecord, COMPLEXION) == 508);
static_assert(offsetof(SUBRecord, SCARS) == 523);
static_assert(offsetof(SUBRecord, FBI) == 553);
static_assert(offsetof(SUBRecord, DRIVERSLIC) == 573);
static_assert(offsetof(SUBRecord, JAILRELEASE) == 583);
static_assert(offsetof(SUBRecord, STATUSTYPE) == 587);
// Keys, in declaration order.
enum SubjectKey : std::int32_t {
  kBySubjectC = 1,       // SUB:BYSUBJECTC
  kByMasterC,            // SUB:BYMASTERC
  kBySite,               // SUB:BYSITE
  kByLastName,           // SUB:BYLASTNAME
  kBySSNum,              // SUB:BYSSNUM
  kBySubNum,             // SUB:BYSUBNUM
  kByProbOffLNameFName,  // SUB:BYPROBOFFLNAMEFNAME
};

constexpr std::int32_t kSubjectFields = 44;
constexpr std::int32_t kSubjectKeys = 7;
constexpr std::int32_t kSubjectRecordLen = 602;
constexpr std::int32_t kSubjectCommentSize = 1000;
constexpr std::int32_t kSubjectCommentField = 45;  // the memo's number among the fields

extern SUBRecord SUB;                  // the record buffer
extern char SubjectDriverString[256];  // NUL-terminated, at most 255 characters
extern vx::FCB SUBJECT;                // the file's control block

// The record's type description, keys and memo as SUBJECT's descriptors hold them.
extern const vx::TypeDesc kSubjectTypeDesc;
extern const vx::KeyTable kSubjectKeyTable;
extern vx::MemoTable kSubjectMemoTable;

// The description the application registers for key n (1..7): "sub:BYSUBJECTC", ...;
// empty for any other n.
const char* subject_key_description(std::int32_t key);

// SUB:COMMENT's buffer (kSubjectCommentSize bytes), through the memo declaration.
char* subject_comment();

void subject_module_setup();

namespace vx::app {

// Fixed-width text: stored blank-padded (cut to the width), read without trailing blanks.
template <std::size_t N>
void set_text(char (&field)[N], std::string_view text) {
  std::size_t n = text.size() < N ? text.size() : N;
  std::memcpy(field, text.data(), n);
  std::memset(field + n, ' ', N - n);
}
template <std::size_t N>
std::string get_text(const char (&field)[N]) {
  std::size_t n = N;
  while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == '\0')) --n;
  return std::string(field, n);
}

// SUB:SUBJECTC in hundredths; set_subject_code returns false (and changes nothing)
// when the value does not fit the field.
bool set_subject_code(SUBRecord& r, std::int64_t hundredths);
std::int64_t subject_code(const SUBRecord& r);

}  // namespace vx::app

#endif  // VX_APP_SUBJECT_H_
