#include "tools/demo_data.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>

#include "runtime/error.h"
#include "runtime/files.h"

namespace vx::tools {
namespace {

// splitmix64: fixed arithmetic, so a seed gives the same data on every platform and
// library (the standard distributions do not promise that).
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::int64_t below(std::int64_t n) { return static_cast<std::int64_t>(next() % n); }
  template <std::size_t N>
  const char* pick(const char* const (&list)[N]) {
    return list[below(static_cast<std::int64_t>(N))];
  }

 private:
  std::uint64_t state_;
};

const char* const kFirst[] = {
    "James",   "Mary",    "Robert",  "Patricia", "John",    "Jennifer", "Michael", "Linda",
    "David",   "Susan",   "William", "Karen",    "Richard", "Nancy",    "Joseph",  "Lisa",
    "Thomas",  "Betty",   "Charles", "Sandra",   "Daniel",  "Ashley",   "Matthew", "Donna",
    "Anthony", "Carol",   "Mark",    "Michelle", "Paul",    "Emily",    "Steven",  "Amanda",
    "Andrew",  "Melissa", "Kenneth", "Deborah",  "Joshua",  "Laura",    "Kevin",   "Rebecca"};
const char* const kLast[] = {
    "Smith",    "Johnson",   "Williams", "Brown",     "Jones",      "Garcia",   "Miller",
    "Davis",    "Rodriguez", "Martinez", "Hernandez", "Lopez",      "Gonzalez", "Wilson",
    "Anderson", "Thomas",    "Taylor",   "Moore",     "Jackson",    "Martin",   "Lee",
    "Perez",    "Thompson",  "White",    "Harris",    "Sanchez",    "Clark",    "Ramirez",
    "Lewis",    "Robinson",  "Walker",   "Young",     "Allen",      "King",     "Wright",
    "Scott",    "Torres",    "Nguyen",   "Hill",      "Flores",     "Green",    "Adams",
    "Nelson",   "Baker",     "Hall",     "Rivera",    "Campbell",   "Mitchell", "Carter",
    "Roberts",  "O'Brien",   "McDonald", "Van Dyke",  "de la Cruz", "MacLeod",  "Fitzgerald"};
const char* const kStreets[] = {"Main St",   "Oak Ave",         "Maple Dr",    "Cedar Ln",
                                "Elm St",    "Washington Blvd", "Lake Rd",     "Hillcrest Ct",
                                "Park Pl",   "River Rd",        "Sunset Blvd", "Mill St",
                                "Church St", "Highland Ave",    "Pine St",     "2nd St"};
struct Place {
  const char* city;
  const char* state;
  int zip;
};
const Place kPlaces[] = {
    {"Springfield", "IL", 62701}, {"Columbus", "OH", 43004},   {"Austin", "TX", 73301},
    {"Sacramento", "CA", 94203},  {"Madison", "WI", 53701},    {"Albany", "NY", 12201},
    {"Salem", "OR", 97301},       {"Richmond", "VA", 23218},   {"Phoenix", "AZ", 85001},
    {"Raleigh", "NC", 27601},     {"Denver", "CO", 80201},     {"Boise", "ID", 83701},
    {"Tallahassee", "FL", 32301}, {"Harrisburg", "PA", 17101}, {"Lansing", "MI", 48901},
    {"Santa Fe", "NM", 87501}};
const char* const kSites[] = {"NW", "NE", "SW", "SE", "CE", "WE", "EA", "NO"};
const char* const kRelations[] = {"Mother", "Father", "Spouse", "Sister",   "Brother",
                                  "Aunt",   "Uncle",  "Friend", "Employer", "Pastor"};
const char* const kOfficers[] = {
    "Alvarez, Maria",  "Bennett, Thomas", "Chen, Linda",   "Douglas, Ray",   "Evans, Patricia",
    "Foster, Gregory", "Gupta, Anil",     "Hughes, Karen", "Ibrahim, Samir", "Jensen, Carl"};
const char* const kRaces[] = {"White", "Black", "Hispanic", "Asian", "Native American", "Other"};
const char* const kHair[] = {"Black", "Brown", "Blond", "Red", "Gray", "Bald", "Auburn"};
const char* const kEyes[] = {"Brown", "Blue", "Green", "Hazel", "Gray"};
const char* const kComplexions[] = {"Fair", "Light", "Medium",  "Olive",
                                    "Dark", "Ruddy", "Freckled"};
const char* const kScars[] = {"",
                              "",
                              "",
                              "Scar left cheek",
                              "Tattoo right arm",
                              "Tattoo neck",
                              "Scar over right eye",
                              "Burn mark left hand",
                              "Birthmark forehead"};
const char* const kStatuses[] = {"Active",  "Active",    "Active", "Pending",
                                 "Warrant", "Absconded", "Closed", "Transferred"};
const char* const kRemarks[] = {"Reports monthly as required. ",
                                "Employed full time at a local warehouse. ",
                                "Completed anger management course. ",
                                "Missed one appointment; rescheduled. ",
                                "Enrolled in GED classes. ",
                                "Drug screen negative. ",
                                "Community service hours on track. ",
                                "Living with family; stable address. ",
                                "Requested travel permit for a family funeral. ",
                                "Fees in arrears; payment plan agreed. ",
                                "Attends outpatient treatment weekly. ",
                                "Curfew check satisfactory. "};

// Days from 1970-01-01 to the given date (proleptic Gregorian).
std::int32_t days_from_civil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

template <std::size_t N>
void set_format(char (&field)[N], const char* fmt, long long a, long long b = 0, long long c = 0) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, a, b, c);
  vx::app::set_text(field, buf);
}

void make_phone(Rng& rng, char (&field)[13]) {
  set_format(field, "(%03lld)%03lld-%04lld", 200 + rng.below(800), 200 + rng.below(800),
             rng.below(10000));
}

}  // namespace

void make_demo_subject(std::uint64_t seed, std::int64_t index, SUBRecord& r, char* comment) {
  // One generator per subject, so any subject can be made alone, in any order.
  Rng rng(seed * 0x100000001B3ull ^ static_cast<std::uint64_t>(index) * 0x9E3779B97F4A7C15ull);
  std::memset(&r, ' ', sizeof r);

  r.MASTERC = static_cast<std::int32_t>(1 + rng.below(99999));
  // Unique codes: a stride through 9-digit numbers that is coprime to their count.
  std::int64_t base = 100000000 + (index * 7919) % kMaxDemoSubjects;
  std::int64_t code = base * 100 + (base * 37) % 100;
  if (index % 20 == 7) code = -code;
  vx::app::set_subject_code(r, code);
  vx::app::set_text(r.SITE, rng.pick(kSites));
  r.INACTIVE = rng.below(10) == 0 ? 1 : 0;

  vx::app::set_text(r.FNAME, rng.pick(kFirst));
  vx::app::set_text(r.MNAME, rng.below(3) == 0 ? "" : rng.pick(kFirst));
  vx::app::set_text(r.LNAME, rng.pick(kLast));

  const Place& home = kPlaces[rng.below(std::size(kPlaces))];
  vx::app::set_text(r.ADD1, std::to_string(1 + rng.below(9899)) + " " + rng.pick(kStreets));
  vx::app::set_text(r.CITY1, home.city);
  vx::app::set_text(r.STATE1, home.state);
  set_format(r.ZIPCODE1, "%05lld", home.zip + rng.below(90));
  make_phone(rng, r.PHONE1);

  if (rng.below(3) == 0) {
    const Place& work = kPlaces[rng.below(std::size(kPlaces))];
    vx::app::set_text(r.ADD2, std::to_string(1 + rng.below(9899)) + " " + rng.pick(kStreets));
    vx::app::set_text(r.CITY2, work.city);
    vx::app::set_text(r.STATE2, work.state);
    set_format(r.ZIPCODE2, "%05lld", work.zip + rng.below(90));
    make_phone(rng, r.PHONE2);
  } else {
    vx::app::set_text(r.ADD2, "");
    vx::app::set_text(r.CITY2, "");
    vx::app::set_text(r.STATE2, "");
    vx::app::set_text(r.ZIPCODE2, "");
    vx::app::set_text(r.PHONE2, "");
  }

  vx::app::set_text(r.RADD, std::to_string(1 + rng.below(9899)) + " " + rng.pick(kStreets));
  vx::app::set_text(r.RCITY, home.city);
  vx::app::set_text(r.RSTATE, home.state);
  set_format(r.RZIPCODE, "%05lld", home.zip + rng.below(90));
  make_phone(rng, r.RPHONE);
  vx::app::set_text(r.RELATION, rng.pick(kRelations));
  vx::app::set_text(r.RNAME, std::string(rng.pick(kFirst)) + " " + rng.pick(kLast));

  set_format(r.SSNUM, "%03lld-%02lld-%04lld", 100 + rng.below(800), 10 + rng.below(90),
             1000 + rng.below(9000));
  int birth_year = 1940 + static_cast<int>(rng.below(66));
  r.BDATE = days_from_civil(birth_year, 1 + static_cast<int>(rng.below(12)),
                            1 + static_cast<int>(rng.below(28)));
  set_format(r.CLIENTNUM, "S-%08lld", 10000000 + index);
  vx::app::set_text(r.PROBOFF, rng.pick(kOfficers));

  r.SUPERFEE = static_cast<double>(2500 + rng.below(3501)) / 100.0;  // 25.00 .. 60.00
  std::int32_t fee_start = days_from_civil(2018 + static_cast<int>(rng.below(7)),
                                           1 + static_cast<int>(rng.below(12)), 1);
  r.FEESTDATE = fee_start;
  r.FEEENDDATE = fee_start + 365 * static_cast<std::int32_t>(1 + rng.below(5));
  r.COMMSRV = static_cast<double>(rng.below(401)) / 2.0;  // hours, in halves
  vx::app::set_text(r.RACE, rng.pick(kRaces));
  vx::app::set_text(r.SEX, rng.below(4) == 0 ? "F" : "M");
  set_format(r.HGT, "%lld'%lld\"", 5 + rng.below(2), rng.below(12));
  set_format(r.WHT, "%lld lb", 110 + rng.below(170));
  vx::app::set_text(r.HAIR, rng.pick(kHair));
  vx::app::set_text(r.EYES, rng.pick(kEyes));
  vx::app::set_text(r.COMPLEXION, rng.pick(kComplexions));
  vx::app::set_text(r.SCARS, rng.pick(kScars));
  set_format(r.FBI, "%lldAB%lld", 100000 + rng.below(900000), rng.below(10));
  char letter = static_cast<char>('A' + rng.below(26));
  set_format(r.DRIVERSLIC, "%08lld", rng.below(100000000));
  std::memmove(r.DRIVERSLIC + 1, r.DRIVERSLIC, sizeof r.DRIVERSLIC - 1);
  r.DRIVERSLIC[0] = letter;
  r.JAILRELEASE = rng.below(3) == 0 ? 0 : fee_start - static_cast<std::int32_t>(rng.below(60));
  vx::app::set_text(r.STATUSTYPE, rng.pick(kStatuses));

  std::string text;
  for (std::int64_t n = 1 + rng.below(3); n > 0; --n) text += rng.pick(kRemarks);
  std::memset(comment, ' ', kSubjectCommentSize);
  std::memcpy(comment, text.data(), std::min<std::size_t>(text.size(), kSubjectCommentSize));
}

std::int32_t create_demo_file(const std::string& dir, std::int64_t count, std::uint64_t seed,
                              const std::function<void(std::int64_t, std::int64_t)>& progress,
                              std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || chdir(dir.c_str()) != 0) {
    *error = "cannot use folder " + dir;
    return kFileNotFound;
  }
  if (RT_FILE_CREATE(&SUBJECT) != 0) {
    *error = "cannot create subject.tps";
    return RT_ERRCODE();
  }
  if (RT_FILE_OPEN(&SUBJECT, kOpenDenyWrite) != 0) {
    *error = "cannot open subject.tps";
    return RT_ERRCODE();
  }
  std::int32_t rc = 0;
  for (std::int64_t i = 0; i < count; ++i) {
    make_demo_subject(seed, i, SUB, subject_comment());
    if (RT_FILE_ADD(&SUBJECT) != 0) {
      rc = RT_ERRCODE();
      *error = "cannot add subject " + std::to_string(i + 1);
      break;
    }
    if (progress) progress(i + 1, count);
  }
  RT_FILE_CLOSE(&SUBJECT);
  return rc;
}

std::int32_t order_by_name(const std::string& name) {
  if (strcasecmp(name.c_str(), "file") == 0) return 0;
  if (name.size() == 1 && name[0] >= '1' && name[0] <= '7') return name[0] - '0';
  for (std::int32_t k = 1; k <= kSubjectKeys; ++k) {
    const char* label = kSubjectKeyTable.keys[k - 1].label;  // "SUB:BY..."
    if (strcasecmp(name.c_str(), label) == 0 || strcasecmp(name.c_str(), label + 4) == 0) {
      return k;
    }
  }
  return -1;
}

}  // namespace vx::tools
