#include "driver/record_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include "runtime/error.h"

namespace vx::driver {

namespace {

constexpr const char* kFormat = "vx record file 1";
constexpr std::size_t kMaxBatch = 256;
constexpr int kBusyTimeoutMs = 10000;

// Write generations per data file (device, inode), shared by the FCBs of this
// process that have it open, so that one FCB's write drops another's read-ahead.
std::shared_ptr<std::atomic<std::uint64_t>> generation_of(const struct stat& st) {
  static std::mutex mu;
  static auto* table =
      new std::map<std::pair<dev_t, ino_t>, std::weak_ptr<std::atomic<std::uint64_t>>>;
  std::lock_guard<std::mutex> guard(mu);
  for (auto it = table->begin(); it != table->end();) {
    it = it->second.expired() ? table->erase(it) : std::next(it);
  }
  auto& slot = (*table)[{st.st_dev, st.st_ino}];
  auto g = slot.lock();
  if (!g) {
    g = std::make_shared<std::atomic<std::uint64_t>>(0);
    slot = g;
  }
  return g;
}

std::int32_t map_sql(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return kNoError;
    case SQLITE_CONSTRAINT:
      return kDuplicateKey;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return kAccessDenied;
    default:
      return kFileSystemError;
  }
}

// A file that cannot be looked at: busy with another program's write, or damaged
// (which includes a log it would take writing to replay).
std::int32_t unreadable(int rc) {
  int primary = rc & 0xFF;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED ? kAccessDenied : kFileSystemError;
}

std::string key_columns(std::size_t k, std::size_t n) {
  std::string s;
  for (std::size_t c = 0; c < n; ++c) {
    if (c) s += ", ";
    s += "k" + std::to_string(k + 1) + "_" + std::to_string(c + 1);
  }
  return s;
}

void bind_value(sqlite3_stmt* s, int i, const SortValue& v) {
  if (v.is_int) {
    sqlite3_bind_int64(s, i, v.i);
  } else {
    sqlite3_bind_blob(s, i, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
  }
}

std::int32_t exec(sqlite3* db, const std::string& sql) {
  return map_sql(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr));
}

std::string schema_sql(const Layout& layout) {
  std::string sql =
      "CREATE TABLE vx_file(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
      "CREATE TABLE rec(id INTEGER PRIMARY KEY AUTOINCREMENT, image BLOB NOT NULL";
  for (std::size_t m = 0; m < layout.memos().size(); ++m)
    sql += ", m" + std::to_string(m + 1) + " BLOB";
  for (std::size_t k = 0; k < layout.keys().size(); ++k) {
    for (std::size_t c = 0; c < layout.keys()[k].components.size(); ++c)
      sql += ", k" + std::to_string(k + 1) + "_" + std::to_string(c + 1) + " BLOB";
  }
  sql += ");";
  for (std::size_t k = 0; k < layout.keys().size(); ++k) {
    const Key& key = layout.keys()[k];
    sql += std::string("CREATE ") + (key.unique() ? "UNIQUE " : "") + "INDEX rec_k" +
           std::to_string(k + 1) + " ON rec(" + key_columns(k, key.components.size()) + ");";
  }
  return sql;
}

}  // namespace

std::string physical_name(const FCB& fcb) {
  const char* s = reinterpret_cast<const char*>(fcb.PHYNAME.STR);
  if (s == nullptr) return {};
  std::size_t n =
      fcb.PHYNAME.LEN < 0 ? std::strlen(s) : strnlen(s, static_cast<std::size_t>(fcb.PHYNAME.LEN));
  while (n > 0 && s[n - 1] == ' ') --n;
  return std::string(s, n);
}

std::int32_t create_file(const FCB& fcb) {
  Layout layout;
  if (!layout.load(fcb)) return kInvalidDeclaration;
  std::string path = physical_name(fcb);
  if (path.empty()) return kFileNotFound;
  // Creating replaces the file, so nobody may have it open meanwhile: the gate is
  // held from the check to the rename.
  AccessLock lock;
  std::int32_t rc = lock.acquire_exclusive(path);
  if (rc != kNoError) return rc;
  // The new file is built aside and renamed over the old one, so a failure leaves
  // the old file as it was.
  static std::atomic<unsigned> counter{0};
  std::string temp = path + ".new-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  sqlite3* db = nullptr;
  int src = sqlite3_open_v2(
      temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (src == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    rc = exec(db, "PRAGMA journal_mode=WAL; BEGIN; " + schema_sql(layout));
    if (rc == kNoError &&
        sqlite3_prepare_v2(db, "INSERT INTO vx_file VALUES(?, ?)", -1, &s, nullptr) == SQLITE_OK) {
      std::string decl = layout.declaration();
      const std::pair<const char*, const std::string> rows[] = {{"format", kFormat},
                                                                {"declaration", decl}};
      for (const auto& [name, value] : rows) {
        sqlite3_bind_text(s, 1, name, -1, SQLITE_STATIC);
        sqlite3_bind_text(s, 2, value.c_str(), -1, SQLITE_STATIC);
        if (sqlite3_step(s) != SQLITE_DONE) rc = kFileSystemError;
        sqlite3_reset(s);
      }
    } else if (rc == kNoError) {
      rc = kFileSystemError;
    }
    sqlite3_finalize(s);
    if (rc == kNoError) rc = exec(db, "COMMIT");
  } else {
    rc = errno == ENOENT ? kFileNotFound : map_sql(src);
    if (rc == kNoError || rc == kDuplicateKey) rc = kFileSystemError;
  }
  if (sqlite3_close(db) != SQLITE_OK && rc == kNoError) rc = kFileSystemError;
  if (rc == kNoError) {
    // The old file's write-ahead log must not meet the new file.
    unlink((path + "-wal").c_str());
    unlink((path + "-shm").c_str());
    if (rename(temp.c_str(), path.c_str()) != 0) rc = kFileSystemError;
  }
  if (rc != kNoError) {
    unlink(temp.c_str());
    unlink((temp + "-wal").c_str());
    unlink((temp + "-shm").c_str());
  }
  return rc;
}

std::int32_t remove_file(const FCB& fcb) {
  std::string path = physical_name(fcb);
  if (path.empty()) return kFileNotFound;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno == ENOENT ? kFileNotFound : kFileSystemError;
  AccessLock lock;
  std::int32_t rc = lock.acquire_exclusive(path);
  if (rc != kNoError) return rc;
  if (unlink(path.c_str()) != 0) return errno == ENOENT ? kFileNotFound : kAccessDenied;
  unlink((path + "-wal").c_str());
  unlink((path + "-shm").c_str());
  return kNoError;
}

RecordFile::~RecordFile() {
  for (sqlite3_stmt* s : sequence_) sqlite3_finalize(s);
  for (sqlite3_stmt* s : by_key_) sqlite3_finalize(s);
  for (sqlite3_stmt* s : {by_id_, insert_, update_, delete_, count_}) sqlite3_finalize(s);
  if (db_) sqlite3_close(db_);
  lock_.release();
}

std::int32_t RecordFile::sql_error(int rc) const {
  std::int32_t code = map_sql(rc);
  return code == kNoError ? kFileSystemError : code;
}

std::int32_t RecordFile::open(const FCB& fcb, std::int32_t mode, int wait_ms) {
  int access = mode & 0x0F, share = mode & 0xF0;
  if (access > 2 || share > 0x40 || (mode & ~0xFF) != 0) return kBadRequest;
  if (!layout_.load(fcb) || fcb.RECORDBUF == 0) return kInvalidDeclaration;
  path_ = physical_name(fcb);
  if (path_.empty()) return kFileNotFound;
  struct stat st;
  if (stat(path_.c_str(), &st) != 0) return errno == ENOENT ? kFileNotFound : kFileSystemError;
  // Nothing shorter than one smallest page can be a database, ours least of all.
  if (!S_ISREG(st.st_mode) || st.st_size < 512) return kFileSystemError;

  std::int32_t rc = lock_.acquire(path_, mode, wait_ms);
  if (rc != kNoError) return rc;
  writable_ = access != 0;
  // The file is looked at through a read-only connection first: nothing is written
  // (no log replayed into it, no checkpoint when closing) before it is known to be
  // ours and declared alike, so a foreign or damaged file stays exactly as it was.
  int src =
      sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  if (src != SQLITE_OK) return src == SQLITE_CANTOPEN ? kFileNotFound : sql_error(src);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  sqlite3_stmt* s = nullptr;
  src = sqlite3_prepare_v2(db_, "SELECT name, value FROM vx_file", -1, &s, nullptr);
  if (src != SQLITE_OK) {
    // A readable database without our table is some other program's file.
    return (src & 0xFF) == SQLITE_ERROR ? kInvalidDeclaration : unreadable(src);
  }
  std::string format, declaration;
  while ((src = sqlite3_step(s)) == SQLITE_ROW) {
    const char* name = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    const char* value = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
    if (name && value && std::strcmp(name, "format") == 0) format = value;
    if (name && value && std::strcmp(name, "declaration") == 0) declaration = value;
  }
  sqlite3_finalize(s);
  if (src != SQLITE_DONE) return unreadable(src);
  if (format != kFormat || declaration != layout_.declaration()) return kInvalidDeclaration;
  if (writable_) {
    sqlite3_close(db_);
    db_ = nullptr;
    src =
        sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (src != SQLITE_OK) return sql_error(src);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  }
  sqlite3_extended_result_codes(db_, 1);
  if (exec(db_, "PRAGMA synchronous=NORMAL") != kNoError) return kFileSystemError;

  // Statements: the select list, then the ones every file uses.
  select_list_ = "id, image";
  for (std::size_t m = 0; m < layout_.memos().size(); ++m)
    select_list_ += ", m" + std::to_string(m + 1);
  std::size_t n_keys = layout_.keys().size();
  sequence_.assign((n_keys + 1) * 2 * kVariants, nullptr);
  by_key_.assign(n_keys, nullptr);
  rows_.resize(kMaxBatch);
  generation_ = generation_of(st);
  return kNoError;
}

sqlite3_stmt* RecordFile::statement(const std::string& sql, sqlite3_stmt** slot) {
  if (*slot == nullptr && sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, slot,
                                             nullptr) != SQLITE_OK) {
    sqlite3_finalize(*slot);
    *slot = nullptr;
  }
  return *slot;
}

// The read queries of the current order in one direction: from the start, strictly
// past a bound (sort values, id), or from a bound on. The index of a key gives its
// order; ids break ties, so duplicates come in record number order.
sqlite3_stmt* RecordFile::sequence_statement(int dir, Variant v) {
  std::size_t slot = (static_cast<std::size_t>(order_) * 2 + (dir > 0 ? 0 : 1)) * kVariants + v;
  if (sequence_[slot]) return sequence_[slot];
  std::string cols;
  std::size_t n = 0;
  if (order_ > 0) {
    n = layout_.keys()[order_ - 1].components.size();
    cols = key_columns(order_ - 1, n) + ", ";
  }
  cols += "id";
  std::string sql = "SELECT " + select_list_ + " FROM rec";
  if (v != kAll) {
    std::string op = dir > 0 ? (v == kStrict ? ">" : ">=") : (v == kStrict ? "<" : "<=");
    std::string params;
    for (std::size_t i = 0; i <= n; ++i) params += i ? ", ?" : "?";
    sql += n == 0 ? " WHERE id " + op + " ?" : " WHERE (" + cols + ") " + op + " (" + params + ")";
  }
  const char* dirword = dir > 0 ? " ASC" : " DESC";
  sql += " ORDER BY ";
  if (order_ > 0) {
    for (std::size_t c = 0; c < n; ++c)
      sql += "k" + std::to_string(order_) + "_" + std::to_string(c + 1) + dirword + ", ";
  }
  sql += std::string("id") + dirword;
  return statement(sql, &sequence_[slot]);
}

std::int32_t RecordFile::fill_row(sqlite3_stmt* s, Row* row) {
  row->id = sqlite3_column_int64(s, 0);
  const void* image = sqlite3_column_blob(s, 1);
  int len = sqlite3_column_bytes(s, 1);
  if (image == nullptr || static_cast<std::uint32_t>(len) != layout_.record_len())
    return kFileSystemError;
  row->image.assign(static_cast<const char*>(image), len);
  row->memos.resize(layout_.memos().size());
  for (std::size_t m = 0; m < layout_.memos().size(); ++m) {
    const char* p = static_cast<const char*>(sqlite3_column_blob(s, static_cast<int>(2 + m)));
    std::size_t n = static_cast<std::size_t>(sqlite3_column_bytes(s, static_cast<int>(2 + m)));
    row->memos[m].assign(p ? p : "", p ? std::min<std::size_t>(n, layout_.memos()[m].size) : 0);
  }
  return kNoError;
}

void RecordFile::deliver(const Row& row, const FCB& fcb) const {
  std::memcpy(record_buffer(fcb), row.image.data(), row.image.size());
  const MemoTable* mt = memo_table(fcb);
  for (std::size_t m = 0; m < row.memos.size(); ++m) {
    char* buf = mt->memos[m].buffer;
    if (buf == nullptr) continue;
    std::size_t size = layout_.memos()[m].size;
    std::memcpy(buf, row.memos[m].data(), row.memos[m].size());
    std::memset(buf + row.memos[m].size(), ' ', size - row.memos[m].size());
  }
}

void RecordFile::settle_bound() {
  if (dir_ != 0 && served_ > 0) {
    const Row& last = rows_[served_ - 1];
    bound_.kind = BoundKind::kAfter;
    bound_.id = last.id;
    bound_.image = last.image;
  }
  drop_readahead();
}

void RecordFile::drop_readahead() {
  dir_ = 0;
  filled_ = served_ = 0;
}

void RecordFile::changed() {
  settle_bound();
  generation_->fetch_add(1, std::memory_order_relaxed);
}

std::int32_t RecordFile::set_order(std::int32_t key) {
  if (key < 0 || static_cast<std::size_t>(key) > layout_.keys().size()) return kBadRequest;
  drop_readahead();
  order_ = key;
  bound_ = Bound{};
  return kNoError;
}

std::int32_t RecordFile::set_order_from(std::int32_t key, const FCB& fcb) {
  if (key < 1 || static_cast<std::size_t>(key) > layout_.keys().size()) return kBadRequest;
  drop_readahead();
  order_ = key;
  bound_.kind = BoundKind::kValue;
  bound_.id = 0;
  bound_.image.assign(record_buffer(fcb), layout_.record_len());
  return kNoError;
}

std::int32_t RecordFile::fetch_by_id(std::int64_t id, Row* row) {
  sqlite3_stmt* s = statement("SELECT " + select_list_ + " FROM rec WHERE id = ?", &by_id_);
  if (s == nullptr) return kFileSystemError;
  sqlite3_bind_int64(s, 1, id);
  int src = sqlite3_step(s);
  std::int32_t rc = src == SQLITE_ROW    ? fill_row(s, row)
                    : src == SQLITE_DONE ? kRecordNotFound
                                         : sql_error(src);
  sqlite3_reset(s);
  return rc;
}

std::int32_t RecordFile::reset_to(std::int64_t position) {
  Row row;
  std::int32_t rc = fetch_by_id(position, &row);
  if (rc != kNoError) return rc;
  drop_readahead();
  bound_.kind = BoundKind::kAt;
  bound_.id = row.id;
  bound_.image = std::move(row.image);
  return kNoError;
}

std::int32_t RecordFile::read(int dir, const FCB& fcb) {
  std::uint64_t generation = generation_->load(std::memory_order_relaxed);
  bool continuing = dir_ == dir && seen_generation_ == generation;
  if (continuing && served_ < filled_) {
    const Row& row = rows_[served_++];
    deliver(row, fcb);
    current_ = row.id;
    return kNoError;
  }
  // A scan that keeps going in one direction reads ahead further each time.
  std::size_t want = continuing ? std::min(batch_ * 2, kMaxBatch) : 1;
  settle_bound();

  Variant v = bound_.kind == BoundKind::kStart   ? kAll
              : bound_.kind == BoundKind::kAfter ? kStrict
                                                 : kInclusive;
  sqlite3_stmt* s = sequence_statement(dir, v);
  if (s == nullptr) return kFileSystemError;
  if (v != kAll) {
    int i = 1;
    if (order_ > 0) {
      layout_.sort_values(order_ - 1, bound_.image.data(), &values_);
      for (const SortValue& value : values_) bind_value(s, i++, value);
    }
    std::int64_t id = bound_.id;
    // A key value alone takes in every record with that value.
    if (bound_.kind == BoundKind::kValue) id = dir > 0 ? INT64_MIN : INT64_MAX;
    sqlite3_bind_int64(s, i, id);
  }
  std::size_t n = 0;
  int src = SQLITE_DONE;
  std::int32_t rc = kNoError;
  while (n < want && (src = sqlite3_step(s)) == SQLITE_ROW) {
    rc = fill_row(s, &rows_[n]);
    if (rc != kNoError) break;
    ++n;
  }
  if (rc == kNoError && n < want && src != SQLITE_DONE) rc = sql_error(src);
  sqlite3_reset(s);
  if (rc != kNoError) return rc;
  if (n == 0) return kRecordNotAvailable;  // the buffer and the bound stay as they were
  dir_ = dir;
  batch_ = want;
  filled_ = n;
  served_ = 1;
  seen_generation_ = generation;
  deliver(rows_[0], fcb);
  current_ = rows_[0].id;
  return kNoError;
}

std::int32_t RecordFile::get_key(std::int32_t key, const FCB& fcb) {
  if (key < 1 || static_cast<std::size_t>(key) > layout_.keys().size()) return kBadRequest;
  std::size_t k = key - 1;
  if (by_key_[k] == nullptr) {
    std::string sql = "SELECT " + select_list_ + " FROM rec WHERE ";
    for (std::size_t c = 0; c < layout_.keys()[k].components.size(); ++c) {
      if (c) sql += " AND ";
      sql += "k" + std::to_string(key) + "_" + std::to_string(c + 1) + " = ?";
    }
    sql += " ORDER BY id LIMIT 1";
    if (statement(sql, &by_key_[k]) == nullptr) return kFileSystemError;
  }
  sqlite3_stmt* s = by_key_[k];
  layout_.sort_values(k, record_buffer(fcb), &values_);
  for (std::size_t i = 0; i < values_.size(); ++i)
    bind_value(s, static_cast<int>(i + 1), values_[i]);
  Row row;
  int src = sqlite3_step(s);
  std::int32_t rc = src == SQLITE_ROW    ? fill_row(s, &row)
                    : src == SQLITE_DONE ? kRecordNotFound
                                         : sql_error(src);
  sqlite3_reset(s);
  if (rc != kNoError) return rc;
  deliver(row, fcb);
  current_ = row.id;
  return kNoError;
}

std::int32_t RecordFile::get_position(std::int64_t position, const FCB& fcb) {
  Row row;
  std::int32_t rc = fetch_by_id(position, &row);
  if (rc != kNoError) return rc;
  deliver(row, fcb);
  current_ = row.id;
  return kNoError;
}

std::int32_t RecordFile::position(std::int64_t* out) const {
  if (current_ == 0) return kRecordNotAvailable;
  *out = current_;
  return kNoError;
}

// Binds image, memos and key sort values from `first` on, in the column order of
// the insert and update statements.
void RecordFile::bind_record(sqlite3_stmt* s, int first, const FCB& fcb) {
  const char* image = record_buffer(fcb);
  int i = first;
  sqlite3_bind_blob(s, i++, image, static_cast<int>(layout_.record_len()), SQLITE_STATIC);
  const MemoTable* mt = memo_table(fcb);
  for (std::size_t m = 0; m < layout_.memos().size(); ++m) {
    const char* buf = mt->memos[m].buffer;
    std::size_t n = buf ? layout_.memos()[m].size : 0;
    while (n > 0 && buf[n - 1] == ' ') --n;
    sqlite3_bind_blob(s, i++, buf ? buf : "", static_cast<int>(n), SQLITE_STATIC);
  }
  for (std::size_t k = 0; k < layout_.keys().size(); ++k) {
    layout_.sort_values(k, image, &values_);
    for (const SortValue& v : values_) bind_value(s, i++, v);
  }
}

std::int32_t RecordFile::add(const FCB& fcb) {
  if (!writable_) return kAccessDenied;
  if (insert_ == nullptr) {
    std::string cols = "image", params = "?";
    for (std::size_t m = 0; m < layout_.memos().size(); ++m) {
      cols += ", m" + std::to_string(m + 1);
      params += ", ?";
    }
    for (std::size_t k = 0; k < layout_.keys().size(); ++k) {
      cols += ", " + key_columns(k, layout_.keys()[k].components.size());
      for (std::size_t c = 0; c < layout_.keys()[k].components.size(); ++c) params += ", ?";
    }
    if (statement("INSERT INTO rec(" + cols + ") VALUES(" + params + ")", &insert_) == nullptr)
      return kFileSystemError;
  }
  changed();
  bind_record(insert_, 1, fcb);
  int src = sqlite3_step(insert_);
  sqlite3_reset(insert_);
  sqlite3_clear_bindings(insert_);
  if (src != SQLITE_DONE) return sql_error(src);
  current_ = sqlite3_last_insert_rowid(db_);
  return kNoError;
}

std::int32_t RecordFile::put(const FCB& fcb) {
  if (!writable_) return kAccessDenied;
  if (current_ == 0) return kRecordNotAvailable;
  if (update_ == nullptr) {
    std::string sql = "UPDATE rec SET image = ?";
    for (std::size_t m = 0; m < layout_.memos().size(); ++m)
      sql += ", m" + std::to_string(m + 1) + " = ?";
    for (std::size_t k = 0; k < layout_.keys().size(); ++k) {
      for (std::size_t c = 0; c < layout_.keys()[k].components.size(); ++c)
        sql += ", k" + std::to_string(k + 1) + "_" + std::to_string(c + 1) + " = ?";
    }
    sql += " WHERE id = ?";
    if (statement(sql, &update_) == nullptr) return kFileSystemError;
  }
  changed();
  bind_record(update_, 1, fcb);
  sqlite3_bind_int64(update_, sqlite3_bind_parameter_count(update_), current_);
  int src = sqlite3_step(update_);
  sqlite3_reset(update_);
  sqlite3_clear_bindings(update_);
  if (src != SQLITE_DONE) return sql_error(src);
  return sqlite3_changes(db_) == 0 ? kRecordNotFound : kNoError;
}

std::int32_t RecordFile::erase() {
  if (!writable_) return kAccessDenied;
  if (current_ == 0) return kRecordNotAvailable;
  sqlite3_stmt* s = statement("DELETE FROM rec WHERE id = ?", &delete_);
  if (s == nullptr) return kFileSystemError;
  changed();
  sqlite3_bind_int64(s, 1, current_);
  int src = sqlite3_step(s);
  sqlite3_reset(s);
  if (src != SQLITE_DONE) return sql_error(src);
  bool gone = sqlite3_changes(db_) > 0;
  current_ = 0;
  return gone ? kNoError : kRecordNotFound;
}

std::int32_t RecordFile::records(std::int64_t* out) {
  sqlite3_stmt* s = statement("SELECT count(*) FROM rec", &count_);
  if (s == nullptr) return kFileSystemError;
  int src = sqlite3_step(s);
  if (src == SQLITE_ROW) *out = sqlite3_column_int64(s, 0);
  sqlite3_reset(s);
  return src == SQLITE_ROW ? kNoError : sql_error(src);
}

}  // namespace vx::driver
