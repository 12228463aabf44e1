// Access modes between openers of one data file, in this and other processes.
//
// Each opener holds open-file-description (OFD) locks on bytes of a lock file
// "<data file>.lck": one byte says "open", two say which access it has (read,
// write), two say what it denies others (read, write). A gate byte, held briefly and
// exclusively, makes checking and taking those bytes one step. The kernel drops OFD
// locks with their descriptor, so an opener that dies leaves no stale lock, and two
// descriptors in one process conflict exactly as two processes do. The lock file is
// removed by the last opener; a waiter that finds it replaced starts over.
#ifndef VX_DRIVER_ACCESS_LOCK_H_
#define VX_DRIVER_ACCESS_LOCK_H_

#include <cstdint>
#include <string>

namespace vx::driver {

class AccessLock {
 public:
  AccessLock() = default;
  AccessLock(const AccessLock&) = delete;
  AccessLock& operator=(const AccessLock&) = delete;
  ~AccessLock() { release(); }

  // Takes the locks of an open with `mode` (access in the low nibble: 0 read, 1
  // write, 2 both; sharing in the high one: 0x10 deny all, 0x20 deny write, 0x30 deny
  // read, 0x40 deny none, 0x00 taken as deny write). While another opener's locks
  // conflict it retries until `wait_ms` has passed. Returns 0, 5 (a conflict), or the
  // code of a lock file that cannot be made (2, 5, 90).
  std::int32_t acquire(const std::string& data_path, std::int32_t mode, int wait_ms);

  // Takes the gate and checks that nobody has the file open: for create and remove,
  // which then run while holding the gate. Returns 0, 5 or a lock-file code.
  std::int32_t acquire_exclusive(const std::string& data_path);

  // Drops the locks; the last opener removes the lock file.
  void release();

  bool held() const { return fd_ >= 0; }

 private:
  std::int32_t open_gated(const std::string& data_path);
  void drop_gate();

  int fd_ = -1;
  bool gated_ = false;
  std::string path_;
};

}  // namespace vx::driver

#endif  // VX_DRIVER_ACCESS_LOCK_H_
