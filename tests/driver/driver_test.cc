// The record-file driver through the runtime's record-file calls: orders, key rules,
// end of file, memos, positions, declarations and damaged files.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <thread>

#include "platform/kernel32.h"
#include "runtime/error.h"
#include "tests/driver/test_file.h"

namespace vx::testing {
namespace {

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RT_FILE_CREATE(&f.fcb), 0);
    ASSERT_EQ(RT_FILE_OPEN(&f.fcb, kOpenShared), 0);
  }
  void fill() {
    for (const Subject& s : kSubjects) ASSERT_EQ(f.add(s), 0) << s.id;
  }

  TempDir dir;
  std::string path = dir.path("t.tps");
  TestFile f{path};
};

TEST_F(DriverTest, EachOrderForwardAndBackward) {
  fill();
  struct Case {
    std::int32_t key;  // 0: file order
    std::vector<std::int32_t> ids;
  } cases[] = {
      {0, {3, 1, 5, 2, -4}},
      {kById, {-4, 1, 2, 3, 5}},         // signed integers
      {kByName, {5, 2, -4, 3, 1}},       // no case; equal names by record number
      {kByGroupName, {2, 3, -4, 1, 5}},  // by bytes: "A" < "B" < "a"
      {kByCode, {-4, 2, 3, 5, 1}},       // packed decimal by value
      {kByAmount, {2, -4, 1, 5, 3}},     // doubles by value
      {kByFlag, {-4, 2, 1, 5, 3}},       // unsigned byte
      {kByTag, {1, 2, 3, -4, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    ASSERT_EQ(c.key ? RT_FILE_SETk(&f.fcb, c.key) : RT_FILE_SETf(&f.fcb), 0);
    std::int32_t end = 0;
    EXPECT_EQ(f.read_all(kOpNext, &end), c.ids);
    EXPECT_EQ(end, kRecordNotAvailable);
    ASSERT_EQ(c.key ? RT_FILE_SETk(&f.fcb, c.key) : RT_FILE_SETf(&f.fcb), 0);
    std::vector<std::int32_t> back(c.ids.rbegin(), c.ids.rend());
    EXPECT_EQ(f.read_all(kOpPrevious), back);
  }
  EXPECT_EQ(RT_FILE_RECORDS(&f.fcb), 5);
}

TEST_F(DriverTest, PreviousAfterNextTurnsAroundAtTheRecordRead) {
  fill();
  RT_FILE_SETk(&f.fcb, kById);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(RT_FILE_NEXT(&f.fcb), 0);
  EXPECT_EQ(f.id(), 3);
  ASSERT_EQ(RT_FILE_PREVIOUS(&f.fcb), 0);
  EXPECT_EQ(f.id(), 2);
  ASSERT_EQ(RT_FILE_NEXT(&f.fcb), 0);
  EXPECT_EQ(f.id(), 3);
}

TEST_F(DriverTest, SetFromKeyValueStartsAtTheFirstEqualOrGreater) {
  fill();
  struct Case {
    std::int32_t key;
    Subject probe;
    std::vector<std::int32_t> next, previous;
  } cases[] = {
      {kByName, {0, "SMITH", 0, 0, 0, "", "", ""}, {3, 1}, {1, 3, -4, 2, 5}},
      {kByName, {0, "b", 0, 0, 0, "", "", ""}, {-4, 3, 1}, {2, 5}},
      {kById, {2, "", 0, 0, 0, "", "", ""}, {2, 3, 5}, {2, 1, -4}},
      {kByCode, {0, "", -301, 0, 0, "", "", ""}, {2, 3, 5, 1}, {-4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.probe.name);
    f.set(c.probe);
    ASSERT_EQ(RT_FILE_SETkk(&f.fcb, c.key), 0);
    EXPECT_EQ(f.read_all(kOpNext), c.next);
    f.set(c.probe);
    ASSERT_EQ(RT_FILE_SETkk(&f.fcb, c.key), 0);
    EXPECT_EQ(f.read_all(kOpPrevious), c.previous);
  }
}

TEST_F(DriverTest, UniqueKeysRefuseDuplicatesOnAddAndPut) {
  fill();
  struct Case {
    const char* what;
    Subject s;
    std::int32_t code;
  } cases[] = {
      {"same ID", {1, "new", 999, 9, 9, "Z", "t9", ""}, kDuplicateKey},
      {"same CODE", {9, "new", 725, 9, 9, "Z", "t9", ""}, kDuplicateKey},
      {"TAG in other case", {9, "new", 999, 9, 9, "Z", "T1", ""}, kDuplicateKey},
      {"same NAME, duplicates allowed", {9, "smith", 999, 9, 9, "B", "t9", ""}, kNoError},
  };
  std::int64_t count = 5;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(f.add(c.s), c.code);
    EXPECT_EQ(RT_ERRCODE(), c.code);
    if (c.code == 0) ++count;
    EXPECT_EQ(RT_FILE_RECORDS(&f.fcb), count);
  }
  // Keys compare numbers by value: -0.00 is the 0.00 already there.
  ASSERT_EQ(f.add({20, "zero", 0, 0, 0.0, "", "t20", ""}), 0);
  f.set({21, "minus zero", 0, 0, 0.0, "", "t21", ""});
  f.rec[14] = static_cast<char>(0xD0);
  EXPECT_EQ(RT_FILE_ADD(&f.fcb), kDuplicateKey);
  // A put that would duplicate ID 2 leaves the record as it was.
  f.set({5, "", 0, 0, 0, "", "", ""});
  ASSERT_EQ(RT_FILE_GET_KEY(&f.fcb, kById), 0);
  std::memcpy(f.rec, "\x02\0\0\0", 4);
  EXPECT_EQ(RT_FILE_PUT(&f.fcb), kDuplicateKey);
  f.set({5, "", 0, 0, 0, "", "", ""});
  ASSERT_EQ(RT_FILE_GET_KEY(&f.fcb, kById), 0);
  EXPECT_EQ(f.name(), "adams     ");
}

TEST_F(DriverTest, NoCaseKeysIgnoreCaseAndTrailingPadding) {
  fill();
  struct Case {
    const char* name;
    std::int32_t id;  // 0: not found
  } cases[] = {{"sMiTh", 3}, {"ADAMS", 5}, {"Baker", -4}, {"bake", 0}, {"smith x", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    f.set({0, c.name, 0, 0, 0, "", "", ""});
    EXPECT_EQ(RT_FILE_GET_KEY(&f.fcb, kByName), c.id ? 0 : kRecordNotFound);
    if (c.id) {
      EXPECT_EQ(f.id(), c.id);
    }
  }
  // Padding with NULs instead of blanks is the same key value.
  f.set({0, "", 0, 0, 0, "", "", ""});
  std::memset(f.rec + 4, 0, 10);
  std::memcpy(f.rec + 4, "BAKER", 5);
  ASSERT_EQ(RT_FILE_GET_KEY(&f.fcb, kByName), 0);
  EXPECT_EQ(f.id(), -4);
  // A key by bytes tells the cases apart.
  f.set({0, "adams", 0, 0, 0, "A", "", ""});
  EXPECT_EQ(RT_FILE_GET_KEY(&f.fcb, kByGroupName), kRecordNotFound);
  f.set({0, "adams", 0, 0, 0, "a", "", ""});
  EXPECT_EQ(RT_FILE_GET_KEY(&f.fcb, kByGroupName), 0);
}

TEST_F(DriverTest, EndOfFileLeavesBufferAndMemoAlone) {
  // Empty file first, then the ends of a full one, in both directions.
  std::memset(f.rec, 'x', sizeof f.rec);
  std::memset(f.note, 'y', sizeof f.note);
  EXPECT_EQ(RT_FILE_NEXT(&f.fcb), kRecordNotAvailable);
  EXPECT_EQ(RT_ERRCODE(), kRecordNotAvailable);
  EXPECT_EQ(std::string(f.rec, sizeof f.rec), std::string(sizeof f.rec, 'x'));
  fill();
  for (std::int32_t op : {kOpNext, kOpPrevious}) {
    RT_FILE_SETk(&f.fcb, kById);
    f.read_all(op);
    std::memset(f.rec, 'x', sizeof f.rec);
    std::memset(f.note, 'y', sizeof f.note);
    EXPECT_EQ(RT_FILE_CALL(&f.fcb, op, nullptr), kRecordNotAvailable);
    EXPECT_EQ(RT_FILE_CALL(&f.fcb, op, nullptr), kRecordNotAvailable);
    EXPECT_EQ(std::string(f.rec, sizeof f.rec), std::string(sizeof f.rec, 'x'));
    EXPECT_EQ(f.note_text(), std::string(kNoteSize, 'y'));
  }
}

TEST_F(DriverTest, MemoTravelsWithItsRecord) {
  fill();
  std::string full(kNoteSize, 'm');
  full[0] = ' ';
  f.set({7, "memo", 1, 1, 1, "M", "t7", ""});
  std::memcpy(f.note, full.data(), kNoteSize);  // a full memo, no trailing blank
  ASSERT_EQ(RT_FILE_ADD(&f.fcb), 0);
  struct Case {
    std::int32_t id;
    std::string note;
  } cases[] = {{1, "first subject"}, {5, ""}, {7, full}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    std::memset(f.note, 'z', sizeof f.note);
    f.set({c.id, "", 0, 0, 0, "", "", ""});
    std::memset(f.note, 'z', sizeof f.note);
    ASSERT_EQ(RT_FILE_GET_KEY(&f.fcb, kById), 0);
    std::string want = c.note + std::string(kNoteSize - c.note.size(), ' ');
    EXPECT_EQ(f.note_text(), want);
  }
  // Put replaces the memo; a shorter one leaves no trace of the longer.
  std::memset(f.note, ' ', sizeof f.note);
  std::memcpy(f.note, "short", 5);
  ASSERT_EQ(RT_FILE_PUT(&f.fcb), 0);
  RT_FILE_SETf(&f.fcb);
  f.read_all();
  f.set({7, "", 0, 0, 0, "", "", ""});
  ASSERT_EQ(RT_FILE_GET_KEY(&f.fcb, kById), 0);
  EXPECT_EQ(f.note_text(), "short" + std::string(kNoteSize - 5, ' '));
  EXPECT_EQ(f.rec[kRecordLen], ' ');  // nothing written past the record
}

TEST_F(DriverTest, RecordImageRoundTripsByteForByte) {
  for (int i = 0; i < kRecordLen; ++i) f.rec[i] = static_cast<char>(i * 37 + 11);
  std::string image(f.rec, kRecordLen);
  ASSERT_EQ(RT_FILE_ADD(&f.fcb), 0);
  std::int64_t pos = RT_FILE_POSITION(&f.fcb);
  std::memset(f.rec, 0, kRecordLen);
  ASSERT_EQ(RT_FILE_GET_POSITION(&f.fcb, pos), 0);
  EXPECT_EQ(std::string(f.rec, kRecordLen), image);
}

TEST_F(DriverTest, PositionsSurviveOtherRecordsChanging) {
  fill();
  f.set({2, "", 0, 0, 0, "", "", ""});
  ASSERT_EQ(RT_FILE_GET_KEY(&f.fcb, kById), 0);
  std::int64_t pos = RT_FILE_POSITION(&f.fcb);
  ASSERT_NE(pos, 0);
  // Others come and go.
  f.set({1, "", 0, 0, 0, "", "", ""});
  ASSERT_EQ(RT_FILE_GET_KEY(&f.fcb, kById), 0);
  ASSERT_EQ(RT_FILE_DELETE(&f.fcb), 0);
  ASSERT_EQ(f.add({0, "aaron", 1, 0, 0, "A", "t0", ""}), 0);
  ASSERT_EQ(f.add({4, "adam", 2, 0, 0, "A", "t6", ""}), 0);

  ASSERT_EQ(RT_FILE_GET_POSITION(&f.fcb, pos), 0);
  EXPECT_EQ(f.id(), 2);
  // Reset starts the current order at that record, in both directions.
  ASSERT_EQ(RT_FILE_SETk(&f.fcb, kByName), 0);
  ASSERT_EQ(RT_FILE_RESET(&f.fcb, pos), 0);
  EXPECT_EQ(f.read_all(), (std::vector<std::int32_t>{2, -4, 3}));
  ASSERT_EQ(RT_FILE_RESET(&f.fcb, pos), 0);
  EXPECT_EQ(f.read_all(kOpPrevious), (std::vector<std::int32_t>{2, 5, 4, 0}));
  // A deleted record's position finds nothing.
  ASSERT_EQ(RT_FILE_GET_POSITION(&f.fcb, pos), 0);
  ASSERT_EQ(RT_FILE_DELETE(&f.fcb), 0);
  EXPECT_EQ(RT_FILE_GET_POSITION(&f.fcb, pos), kRecordNotFound);
  EXPECT_EQ(RT_FILE_RESET(&f.fcb, pos), kRecordNotFound);
  // Record numbers are not reused.
  ASSERT_EQ(f.add({8, "new", 8, 0, 0, "", "t8", ""}), 0);
  EXPECT_GT(RT_FILE_POSITION(&f.fcb), pos);
}

TEST_F(DriverTest, SequenceSeesWritesMadeWhileReading) {
  for (int i = 1; i <= 12; ++i) {
    std::string tag = "t" + std::to_string(i);
    ASSERT_EQ(f.add({i, "n", i, 0, 0, "", tag.c_str(), ""}), 0);
  }
  TestFile other(path);
  ASSERT_EQ(RT_FILE_OPEN(&other.fcb, kOpenShared), 0);
  RT_FILE_SETf(&f.fcb);
  for (int i = 1; i <= 4; ++i) ASSERT_EQ(RT_FILE_NEXT(&f.fcb), 0);
  // Another FCB deletes the next record and changes the one after it; this FCB
  // deletes a later one.
  for (std::int32_t id : {5, 6}) {
    other.set({id, "", 0, 0, 0, "", "", ""});
    ASSERT_EQ(RT_FILE_GET_KEY(&other.fcb, kById), 0);
    if (id == 5) {
      ASSERT_EQ(RT_FILE_DELETE(&other.fcb), 0);
    } else {
      std::memcpy(other.rec + 4, "changed   ", 10);
      ASSERT_EQ(RT_FILE_PUT(&other.fcb), 0);
    }
  }
  ASSERT_EQ(RT_FILE_NEXT(&f.fcb), 0);
  EXPECT_EQ(f.id(), 6);
  EXPECT_EQ(f.name(), "changed   ");
  ASSERT_EQ(RT_FILE_NEXT(&f.fcb), 0);
  ASSERT_EQ(RT_FILE_DELETE(&f.fcb), 0);  // 7
  f.set({9, "", 0, 0, 0, "", "", ""});
  ASSERT_EQ(RT_FILE_GET_KEY(&f.fcb, kById), 0);
  ASSERT_EQ(RT_FILE_DELETE(&f.fcb), 0);
  EXPECT_EQ(f.read_all(), (std::vector<std::int32_t>{8, 10, 11, 12}));
}

TEST_F(DriverTest, OperationsNeedAnOpenFileOnce) {
  EXPECT_EQ(RT_FILE_OPEN(&f.fcb, kOpenShared), kFileAlreadyOpen);
  EXPECT_EQ(RT_FILE_CREATE(&f.fcb), kFileAlreadyOpen);
  EXPECT_EQ(RT_FILE_CALL(&f.fcb, 99, nullptr), kBadRequest);
  EXPECT_EQ(RT_FILE_CALL(&f.fcb, kOpLoadValues, nullptr), kBadRequest);
  EXPECT_EQ(RT_FILE_SETk(&f.fcb, 8), kBadRequest);
  EXPECT_EQ(RT_FILE_SETk(&f.fcb, 0), kBadRequest);
  EXPECT_EQ(RT_FILE_SETkk(&f.fcb, 0), kBadRequest);
  EXPECT_EQ(RT_FILE_PUT(&f.fcb), kRecordNotAvailable);
  EXPECT_EQ(RT_FILE_DELETE(&f.fcb), kRecordNotAvailable);
  ASSERT_EQ(RT_FILE_CLOSE(&f.fcb), 0);
  for (std::int32_t op : {kOpClose, kOpNext, kOpPrevious, kOpAdd, kOpPut, kOpDelete, kOpSetFile}) {
    EXPECT_EQ(RT_FILE_CALL(&f.fcb, op, nullptr), kFileNotOpen) << op;
  }
  EXPECT_EQ(RT_FILE_RECORDS(&f.fcb), 0);
  EXPECT_EQ(RT_ERRCODE(), kFileNotOpen);
}

TEST_F(DriverTest, CreateEmptiesRemoveDeletes) {
  fill();
  ASSERT_EQ(RT_FILE_CLOSE(&f.fcb), 0);
  ASSERT_EQ(RT_FILE_CREATE(&f.fcb), 0);
  ASSERT_EQ(RT_FILE_OPEN(&f.fcb, kOpenShared), 0);
  EXPECT_EQ(RT_FILE_RECORDS(&f.fcb), 0);
  EXPECT_EQ(RT_FILE_REMOVE(&f.fcb), kFileAlreadyOpen);
  ASSERT_EQ(RT_FILE_CLOSE(&f.fcb), 0);
  ASSERT_EQ(RT_FILE_REMOVE(&f.fcb), 0);
  EXPECT_EQ(RT_FILE_OPEN(&f.fcb, kOpenShared), kFileNotFound);
  EXPECT_EQ(RT_FILE_REMOVE(&f.fcb), kFileNotFound);
  // Nothing is left beside the data file.
  EXPECT_FALSE(std::filesystem::exists(path + ".lck"));
  EXPECT_FALSE(std::filesystem::exists(path + "-wal"));
}

TEST_F(DriverTest, ADifferentDeclarationIsRefusedAndTouchesNothing) {
  fill();
  ASSERT_EQ(RT_FILE_CLOSE(&f.fcb), 0);
  std::string before = read_bytes(path);
  struct Case {
    const char* what;
    void (*change)(Declaration&);
  } cases[] = {
      {"record length", [](Declaration& d) { d.record_len = kRecordLen + 1; }},
      {"field type", [](Declaration& d) { d.fields[3].type = FieldType::kString; }},
      {"field offset", [](Declaration& d) { d.fields[6].offset = 29; }},
      {"field label", [](Declaration& d) { d.fields[1].label = "T:NAME2"; }},
      {"decimal places", [](Declaration& d) { d.fields[2].places = 3; }},
      {"key attributes", [](Declaration& d) { d.keys[0].attr = 0x05; }},
      {"key components", [](Declaration& d) { d.c_grpname[1] = 7; }},
      {"one key less", [](Declaration& d) { d.key_table.count = 6; }},
      {"memo size", [](Declaration& d) { d.memo.size = kNoteSize - 1; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestFile g(path);
    c.change(g.decl);
    g.rebind();
    EXPECT_EQ(RT_FILE_OPEN(&g.fcb, kOpenShared), kInvalidDeclaration);
    EXPECT_EQ(std::uintptr_t{g.fcb.RBLOCK}, 0u);
    EXPECT_EQ(read_bytes(path), before);
  }
  // An FCB whose descriptors contradict themselves is refused before the file.
  struct Bad {
    const char* what;
    void (*change)(Declaration&);
  } bad[] = {
      {"field past the record", [](Declaration& d) { d.fields[6].size = 6; }},
      {"component names no field", [](Declaration& d) { d.c_tag[0] = 8; }},
      {"long of 3 bytes", [](Declaration& d) { d.fields[0].size = 3; }},
  };
  for (const Bad& c : bad) {
    SCOPED_TRACE(c.what);
    TestFile g(path);
    c.change(g.decl);
    g.rebind();
    EXPECT_EQ(RT_FILE_OPEN(&g.fcb, kOpenShared), kInvalidDeclaration);
    EXPECT_EQ(RT_FILE_CREATE(&g.fcb), kInvalidDeclaration);
  }
  EXPECT_EQ(read_bytes(path), before);
  ASSERT_EQ(RT_FILE_OPEN(&f.fcb, kOpenShared), 0);
  EXPECT_EQ(RT_FILE_RECORDS(&f.fcb), 5);
}

TEST_F(DriverTest, ARefusedOpenReplaysNoPendingLogIntoTheFile) {
  fill();
  // A copy taken while the file is open is what a crash leaves: records still in
  // the write-ahead log beside the file.
  std::string copy = dir.path("crashed.tps");
  ASSERT_TRUE(std::filesystem::exists(path + "-wal"));
  std::filesystem::copy_file(path, copy);
  std::filesystem::copy_file(path + "-wal", copy + "-wal");
  std::string before = read_bytes(copy);
  {
    TestFile g(copy);
    g.decl.keys[0].attr = 0x05;
    g.rebind();
    EXPECT_EQ(RT_FILE_OPEN(&g.fcb, kOpenShared), kInvalidDeclaration);
  }
  EXPECT_EQ(read_bytes(copy), before);
  TestFile h(copy);
  ASSERT_EQ(RT_FILE_OPEN(&h.fcb, kOpenShared), 0);
  EXPECT_EQ(RT_FILE_RECORDS(&h.fcb), 5);
}

TEST(DriverFiles, DamagedOrForeignFilesGiveACodeAndStayAsTheyWere) {
  TempDir dir;
  std::string good_path = dir.path("good.tps");
  {
    TestFile g(good_path);
    ASSERT_EQ(RT_FILE_CREATE(&g.fcb), 0);
    ASSERT_EQ(RT_FILE_OPEN(&g.fcb, kOpenShared), 0);
    for (int i = 0; i < 200; ++i) {
      std::string tag = std::to_string(i);
      ASSERT_EQ(g.add({i, "name", i, 0, 0, "", tag.c_str(), "a note of some length"}), 0);
    }
  }
  std::string good = read_bytes(good_path);
  ASSERT_GT(good.size(), 8192u);
  std::string foreign_path = dir.path("foreign.db");
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(foreign_path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE people(name TEXT); INSERT INTO people VALUES('x');", nullptr,
                 nullptr, nullptr);
    sqlite3_close(db);
  }
  struct Case {
    const char* what;
    std::string bytes;  // written as the data file; empty with `missing`
    bool missing;
    std::int32_t code;
  } cases[] = {
      {"missing", "", true, kFileNotFound},
      {"not a database", std::string(5000, 'q'), false, kFileSystemError},
      {"empty", "", false, kFileSystemError},
      {"header only", good.substr(0, 60), false, kFileSystemError},
      {"truncated", good.substr(0, good.size() / 2), false, kFileSystemError},
      {"foreign database", read_bytes(foreign_path), false, kInvalidDeclaration},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string p = dir.path("case.tps");
    std::filesystem::remove(p);
    if (!c.missing) write_bytes(p, c.bytes);
    TestFile g(p);
    EXPECT_EQ(RT_FILE_OPEN(&g.fcb, kOpenShared), c.code);
    EXPECT_EQ(std::uintptr_t{g.fcb.RBLOCK}, 0u);
    if (!c.missing) {
      EXPECT_EQ(read_bytes(p), c.bytes);
    }
    EXPECT_FALSE(std::filesystem::exists(p + ".lck"));
  }
}

TEST(DriverThreads, TwoFcbsOfOneFileWriteFromTwoThreads) {
  TempDir dir;
  std::string path = dir.path("shared.tps");
  {
    TestFile g(path);
    ASSERT_EQ(RT_FILE_CREATE(&g.fcb), 0);
  }
  auto work = [&](int n, bool* ok) {
    TestFile g(path);
    *ok = RT_FILE_OPEN(&g.fcb, kOpenShared) == 0;
    for (int i = 0; i < 200 && *ok; ++i) {
      std::int32_t id = n * 1000 + i;
      std::string tag = std::to_string(id);
      *ok = g.add({id, "n", id, 0, 0, "", tag.c_str(), ""}) == 0;
      // Reading between writes keeps the other FCB's records in view.
      *ok = *ok && RT_FILE_RECORDS(&g.fcb) > i;
    }
  };
  bool ok[2] = {};
  std::thread t0(work, 1, &ok[0]), t1(work, 2, &ok[1]);
  t0.join();
  t1.join();
  EXPECT_TRUE(ok[0] && ok[1]);
  TestFile g(path);
  ASSERT_EQ(RT_FILE_OPEN(&g.fcb, kOpenShared), 0);
  RT_FILE_SETk(&g.fcb, kById);
  std::vector<std::int32_t> ids = g.read_all();
  ASSERT_EQ(ids.size(), 400u);
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
}

TEST(DriverLibrary, LoadedByItsNameTheEntryIsOrdinal2) {
  HMODULE h = LoadLibraryA("C4TPSX.DLL");
  ASSERT_GT(h, 32);
  EXPECT_EQ(GetProcAddress(h, MAKEINTRESOURCEA(2)), reinterpret_cast<FARPROC>(&ordinal_2));
  FreeLibrary(h);
}

TEST(DriverThreads, FilesOnDifferentThreadsWorkAtOnce) {
  TempDir dir;
  auto work = [&](int n, bool* ok) {
    TestFile g(dir.path("thread" + std::to_string(n) + ".tps"));
    *ok = RT_FILE_CREATE(&g.fcb) == 0 && RT_FILE_OPEN(&g.fcb, kOpenShared) == 0;
    for (int i = 0; i < 300 && *ok; ++i) {
      std::string tag = std::to_string(i);
      *ok = g.add({i, "n", i, 0, 0, "", tag.c_str(), ""}) == 0;
    }
    RT_FILE_SETk(&g.fcb, kById);
    *ok = *ok && g.read_all().size() == 300 && RT_ERRCODE() == kRecordNotAvailable;
  };
  bool ok[3] = {};
  std::thread t0(work, 0, &ok[0]), t1(work, 1, &ok[1]), t2(work, 2, &ok[2]);
  t0.join();
  t1.join();
  t2.join();
  EXPECT_TRUE(ok[0] && ok[1] && ok[2]);
}

}  // namespace
}  // namespace vx::testing
