// Operation numbers and argument blocks of the record-file driver interface.
//
// The runtime calls a file's driver entry (FCB.PIPE) as entry(op, fcb, args) for every
// file operation. A driver sets the runtime's error code (RT_seterror) and returns 0
// on success or the same error code on failure. The numbers 7, 24, 25, 30, 41, 44
// and 45 are fixed by the wire protocol; the others are this runtime's own.
//
// What the record-file driver (libc4tpsx.so, entry "ordinal_2") does with them:
// - Per-FCB state lives behind FCB.RBLOCK while the file is open (0 when closed).
//   Every operation except create, remove, open and send needs an open file (37).
//   Open on an FCB that is open: 52; create or remove on it: 52.
// - Open: 2 when the data file is missing, 47 when it is another program's database
//   or was created with a different declaration (record length, fields with type,
//   offset, size, places and label, keys with attribute byte and components, memo
//   sizes), 90 when it is no database or damaged, 5 when another opener's access
//   mode conflicts (in this or another process), 75 for an unknown mode. A refused
//   open changes nothing in the data file.
// - Create makes an empty data file, replacing an existing one (5 while anyone has
//   it open); remove deletes it (5 while open, 2 if missing).
// - Sequences: set (41, 44, 45, 12) only places the start; next and previous read
//   from there in the current order and move past the record read, so previous
//   after next reads the record before it. At either end: 33, and the record buffer
//   and memos stay as they were. 45 starts at the first record whose key is equal
//   or greater (previous: equal or less) than the record buffer's key value; 12
//   starts at the record of a position, inclusive (35 if it is gone).
// - Keys order by their components: signed integers, the unsigned byte, packed
//   decimal and doubles by value; text by its bytes, or with key attribute 0x02
//   upper-cased with trailing blanks and NULs ignored. Without attribute 0x01 a key
//   is unique: add or put of a duplicate sets 40 and changes nothing. Records with
//   equal keys follow in record number order.
// - Packed decimal of n bytes: the first nibble is the sign (0 positive, anything
//   else negative), then 2n-1 digit nibbles, most significant first.
// - Positions (6, 11, 12) are record numbers: they stay valid while other records are
//   added, changed or deleted, and are never reused. Get by key (5) and get by
//   position (6) read one record and make it the current one for put, delete and
//   position (11) without moving the sequence; add makes the new record current.
//   Put or delete with no current record: 33; of a record deleted meanwhile: 35.
// - Memos travel with their record: read fills each MemoDesc.buffer blank-padded to
//   its size, add and put store it. A null buffer is skipped.
// - Send: "Recover=N" (0..3600 seconds) makes the next open of that FCB wait up to N
//   seconds for a conflicting opener to close before giving 5; the reply is the
//   setting taken ("Recover=N"). Other texts: 75.
// - Callers serialise the operations of one FCB (RT_FILE_LOCK); different FCBs may
//   be used on different threads at once.
#ifndef VX_RUNTIME_DRIVER_OPS_H_
#define VX_RUNTIME_DRIVER_OPS_H_

#include <cstdint>

#include "runtime/fcb.h"

namespace vx {

using DriverEntry = std::int32_t (*)(std::int32_t op, FCB* fcb, void* args);

enum DriverOp : std::int32_t {
  kOpCreate = 1,       // CreateArgs (may be null): create the data file, empty
  kOpAdd = 2,          // add the record buffer (+ memos) as a new record
  kOpPut = 3,          // rewrite the record last read
  kOpDelete = 4,       // delete the record last read
  kOpGetKey = 5,       // GetKeyArgs: read the record whose key equals the buffer's key value
  kOpGetPosition = 6,  // PositionArgs: read the record at a position
  kOpClose = 7,        // close the file
  kOpPrevious = 8,     // read the previous record in the current order
  kOpRecords = 9,      // RecordsArgs: number of records
  kOpSend = 10,        // SendArgs: a text for the driver ("Recover=N", ...)
  kOpPosition = 11,    // PositionArgs (out): position of the record last read
  kOpResetPosition = 12,  // PositionArgs: current order, start at a position
  kOpRemove = 13,      // delete the data file (must not be open)
  kOpNext = 24,        // read the next record in the current order
  kOpOpen = 25,        // OpenArgs: open with an access mode
  kOpLoadValues = 30,  // server-side request only; a driver answers it as unknown
  kOpSetFile = 41,     // process in file (physical) order
  kOpSetKey = 44,      // SetKeyArgs: process in a key's order, from the start
  kOpSetKeyValue = 45, // SetKeyArgs: a key's order, from the buffer's key value
};

// Access modes of kOpOpen.
constexpr std::int32_t kAccessReadWrite = 0x02;
constexpr std::int32_t kDenyWrite = 0x20;
constexpr std::int32_t kDenyNone = 0x40;
constexpr std::int32_t kOpenDenyWrite = 0x22;  // 34
constexpr std::int32_t kOpenShared = 0x42;     // 66

struct OpenArgs {
  std::int32_t mode;
};

struct SetKeyArgs {
  std::int32_t key;  // key number, from 1
};

struct GetKeyArgs {
  std::int32_t key;
};

// A record's position: stable while other records are added, changed or deleted.
struct PositionArgs {
  std::int64_t position;
};

struct RecordsArgs {
  std::int64_t count;  // out
};

struct SendArgs {
  const char* text;  // NUL-terminated
  char* reply;       // may be null
  std::int32_t reply_size;
};

}  // namespace vx

#endif  // VX_RUNTIME_DRIVER_OPS_H_
