#include "driver/access_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "runtime/error.h"

namespace vx::driver {

namespace {

// Bytes of the lock file.
constexpr off_t kGate = 0;
constexpr off_t kOpen = 1;
constexpr off_t kHasRead = 2;
constexpr off_t kHasWrite = 3;
constexpr off_t kDeniesRead = 4;
constexpr off_t kDeniesWrite = 5;

bool set_lock(int fd, short type, off_t start, off_t len, bool wait) {
  struct flock fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = len;
  for (;;) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// Whether another open file description holds a lock on the byte.
bool others_hold(int fd, off_t byte) {
  struct flock fl = {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = byte;
  fl.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return true;  // unknown: assume the worst
  return fl.l_type != F_UNLCK;
}

std::int32_t open_error(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return kFileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return kAccessDenied;
    default:
      return kFileSystemError;
  }
}

}  // namespace

std::int32_t AccessLock::open_gated(const std::string& data_path) {
  path_ = data_path + ".lck";
  // The last opener removes the lock file while holding the gate; whoever opened
  // the old file meanwhile sees it is no longer at the path and starts over.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return open_error(errno);
    if (!set_lock(fd, F_WRLCK, kGate, 1, true)) {
      int err = errno;
      close(fd);
      return err == ENOLCK ? kFileSystemError : open_error(err);
    }
    struct stat by_fd, by_path;
    if (fstat(fd, &by_fd) == 0 && stat(path_.c_str(), &by_path) == 0 &&
        by_fd.st_dev == by_path.st_dev && by_fd.st_ino == by_path.st_ino) {
      fd_ = fd;
      gated_ = true;
      return kNoError;
    }
    close(fd);
  }
  return kFileSystemError;
}

void AccessLock::drop_gate() {
  if (gated_) set_lock(fd_, F_UNLCK, kGate, 1, false);
  gated_ = false;
}

std::int32_t AccessLock::acquire(const std::string& data_path, std::int32_t mode, int wait_ms) {
  release();
  int access = mode & 0x0F;
  int share = mode & 0xF0;
  bool want_read = access == 0 || access == 2;
  bool want_write = access == 1 || access == 2;
  bool deny_read = share == 0x10 || share == 0x30;
  bool deny_write = share == 0x00 || share == 0x10 || share == 0x20;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  for (;;) {
    std::int32_t rc = open_gated(data_path);
    if (rc != kNoError) return rc;
    bool conflict = (want_write && others_hold(fd_, kDeniesWrite)) ||
                    (want_read && others_hold(fd_, kDeniesRead)) ||
                    (deny_write && others_hold(fd_, kHasWrite)) ||
                    (deny_read && others_hold(fd_, kHasRead));
    if (!conflict) {
      // Others hold only shared locks on these bytes, so taking them cannot fail
      // for a conflict; it still can for a lack of lock memory.
      bool ok = set_lock(fd_, F_RDLCK, kOpen, 1, false) &&
                (!want_read || set_lock(fd_, F_RDLCK, kHasRead, 1, false)) &&
                (!want_write || set_lock(fd_, F_RDLCK, kHasWrite, 1, false)) &&
                (!deny_read || set_lock(fd_, F_RDLCK, kDeniesRead, 1, false)) &&
                (!deny_write || set_lock(fd_, F_RDLCK, kDeniesWrite, 1, false));
      if (!ok) {
        release();
        return kFileSystemError;
      }
      drop_gate();
      return kNoError;
    }
    release();
    if (std::chrono::steady_clock::now() >= deadline) return kAccessDenied;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::int32_t AccessLock::acquire_exclusive(const std::string& data_path) {
  release();
  std::int32_t rc = open_gated(data_path);
  if (rc != kNoError) return rc;
  if (others_hold(fd_, kOpen)) {
    release();
    return kAccessDenied;
  }
  return kNoError;
}

void AccessLock::release() {
  if (fd_ < 0) return;
  if (!gated_) gated_ = set_lock(fd_, F_WRLCK, kGate, 1, true);
  set_lock(fd_, F_UNLCK, kOpen, kDeniesWrite - kOpen + 1, false);
  if (gated_ && !others_hold(fd_, kOpen)) {
    struct stat by_fd, by_path;
    if (fstat(fd_, &by_fd) == 0 && stat(path_.c_str(), &by_path) == 0 &&
        by_fd.st_dev == by_path.st_dev && by_fd.st_ino == by_path.st_ino) {
      unlink(path_.c_str());
    }
  }
  close(fd_);  // drops every lock of this descriptor, the gate with them
  fd_ = -1;
  gated_ = false;
}

}  // namespace vx::driver
