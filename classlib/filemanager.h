// The file manager: one per declared file, shared by every window that uses it.
//
// Contract:
//  - open() opens the file on the first call (access mode open_mode, 0x42 unless set)
//    and only counts the later ones; close() counts down and closes on the last. So
//    windows on several threads share one open, and a window closing never closes
//    the file under another one. Both run under the file's lock (RT_FILE_LOCK).
//  - With create-if-missing on, an open that finds no data file (code 2) creates it
//    and opens again.
//  - With a lock-recovery value N > 0, an open refused as access denied (code 5)
//    sends the driver "Recover=N" and opens again, once.
//  - A failure that remains is reported through the error reporter (when one is set)
//    and returned as the runtime's error code; the count stays unchanged.
//  - Keys are registered in key-number order with their descriptions, for windows
//    that list them (the browse tabs).
#ifndef VX_CLASSLIB_FILEMANAGER_H_
#define VX_CLASSLIB_FILEMANAGER_H_

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/fcb.h"

namespace vx {

class FileManager {
 public:
  // Receives the text of an error the manager reports.
  using ErrorReporter = std::function<void(std::int32_t code, const std::string& text)>;

  struct Key {
    std::int32_t number;  // from 1, the key's position in the file's key table
    std::string description;
    bool auto_number;
  };

  void Init(FCB* file, ErrorReporter errors);
  void UseFile(const TypeDesc* desc, std::int32_t size, char* buffer);
  void SetCreate(bool create) { create_ = create; }
  void SetLockRecover(std::int32_t value) { lock_recover_ = value; }
  void AddKey(std::int32_t number, const std::string& description, bool auto_number = false);
  void SetOpenMode(std::int32_t mode) { open_mode_ = mode; }

  std::int32_t Open();   // 0 or the error code
  std::int32_t Close();  // 0 or the error code
  // Closes the file if it is still open, forgets the settings.
  void Kill();

  FCB* file() const { return file_; }
  std::int32_t open_mode() const { return open_mode_; }
  std::int32_t lock_recover() const { return lock_recover_; }
  bool create() const { return create_; }
  int opened() const;
  const std::vector<Key>& keys() const { return keys_; }
  const TypeDesc* buffer_desc() const { return desc_; }
  std::int32_t buffer_size() const { return size_; }
  char* buffer() const { return buffer_; }

 private:
  void report(std::int32_t code, const std::string& what);

  FCB* file_ = nullptr;
  ErrorReporter errors_;
  const TypeDesc* desc_ = nullptr;
  std::int32_t size_ = 0;
  char* buffer_ = nullptr;
  bool create_ = false;
  std::int32_t lock_recover_ = 0;
  std::int32_t open_mode_ = 0x42;
  std::vector<Key> keys_;
  int open_count_ = 0;  // guarded by the file's lock
};

}  // namespace vx

#endif  // VX_CLASSLIB_FILEMANAGER_H_
