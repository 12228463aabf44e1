// One open data file of one FCB: the state that FCB.RBLOCK points at.
//
// The data file is an SQLite database:
//   vx_file(name, value)   'format' and 'declaration' (the Layout's canonical text)
//   rec(id, image, m1.., k<key>_<component>..)
//     id     record number: physical order, never reused (AUTOINCREMENT), and the
//            position the position operations hand out
//     image  the record, RECORDLEN bytes
//     m<n>   memo n without its trailing blanks
//     k<k>_<c> sort value of component c of key k, indexed per key (UNIQUE unless the
//            key allows duplicates), so that the index gives the key's order and
//            duplicates follow record numbers
//
// Sequential reads go through a read-ahead: a read query fetches a batch of rows
// (1, 2, 4, ... up to 256 while reads continue in one direction) and is reset at
// once, so no read transaction stays open between calls and the next read costs a
// copy. The batch is dropped when this process writes the file through any FCB;
// writes of other processes are seen at the next batch.
#ifndef VX_DRIVER_RECORD_FILE_H_
#define VX_DRIVER_RECORD_FILE_H_

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver/access_lock.h"
#include "driver/layout.h"
#include "runtime/fcb.h"

namespace vx::driver {

// The physical name of the FCB, without trailing blanks; empty if there is none.
std::string physical_name(const FCB& fcb);

// Creates (or recreates, empty) the data file of the FCB. Returns an error code.
std::int32_t create_file(const FCB& fcb);
// Deletes the data file of the FCB. Returns an error code.
std::int32_t remove_file(const FCB& fcb);

class RecordFile {
 public:
  ~RecordFile();

  // Opens the data file; on failure returns the code and the object is unusable.
  std::int32_t open(const FCB& fcb, std::int32_t mode, int wait_ms);

  std::int32_t set_order(std::int32_t key);                       // 0: file order
  std::int32_t set_order_from(std::int32_t key, const FCB& fcb);  // from the buffer's key value
  std::int32_t reset_to(std::int64_t position);
  std::int32_t read(int dir, const FCB& fcb);  // +1 next, -1 previous
  std::int32_t get_key(std::int32_t key, const FCB& fcb);
  std::int32_t get_position(std::int64_t position, const FCB& fcb);
  std::int32_t position(std::int64_t* out) const;
  std::int32_t add(const FCB& fcb);
  std::int32_t put(const FCB& fcb);
  std::int32_t erase();
  std::int32_t records(std::int64_t* out);

 private:
  struct Row {
    std::int64_t id = 0;
    std::string image;
    std::vector<std::string> memos;
  };
  enum class BoundKind { kStart, kValue, kAt, kAfter };
  // Where the current order's next read starts: the first (or last) record, a key
  // value (inclusive), a record (inclusive) or just past a record.
  struct Bound {
    BoundKind kind = BoundKind::kStart;
    std::int64_t id = 0;
    std::string image;  // whose key values the bound takes
  };
  enum Variant { kAll, kStrict, kInclusive, kVariants };

  sqlite3_stmt* statement(const std::string& sql, sqlite3_stmt** slot);
  sqlite3_stmt* sequence_statement(int dir, Variant v);
  std::int32_t fill_row(sqlite3_stmt* s, Row* row);
  void deliver(const Row& row, const FCB& fcb) const;
  void bind_record(sqlite3_stmt* s, int first, const FCB& fcb);
  void settle_bound();  // turns "past the last row served" into a stored bound
  void drop_readahead();
  void changed();  // after a write through this FCB
  std::int32_t fetch_by_id(std::int64_t id, Row* row);
  std::int32_t sql_error(int rc) const;

  Layout layout_;
  std::string path_;
  sqlite3* db_ = nullptr;
  AccessLock lock_;
  bool writable_ = false;
  std::shared_ptr<std::atomic<std::uint64_t>> generation_;  // this process's writes

  std::string select_list_;
  std::vector<sqlite3_stmt*> sequence_;  // (order, dir, variant)
  std::vector<sqlite3_stmt*> by_key_;
  sqlite3_stmt* by_id_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* update_ = nullptr;
  sqlite3_stmt* delete_ = nullptr;
  sqlite3_stmt* count_ = nullptr;

  std::int32_t order_ = 0;
  Bound bound_;
  std::int64_t current_ = 0;  // record last read or written; 0 for none

  std::vector<Row> rows_;
  std::size_t filled_ = 0, served_ = 0;
  int dir_ = 0;
  std::size_t batch_ = 0;
  std::uint64_t seen_generation_ = 0;
  std::vector<SortValue> values_;  // scratch
};

}  // namespace vx::driver

#endif  // VX_DRIVER_RECORD_FILE_H_
