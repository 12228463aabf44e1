#include "classlib/filemanager.h"

#include "runtime/error.h"
#include "runtime/files.h"

namespace vx {

void FileManager::Init(FCB* file, ErrorReporter errors) {
  file_ = file;
  errors_ = std::move(errors);
}

void FileManager::UseFile(const TypeDesc* desc, std::int32_t size, char* buffer) {
  desc_ = desc;
  size_ = size;
  buffer_ = buffer;
}

void FileManager::AddKey(std::int32_t number, const std::string& description, bool auto_number) {
  keys_.push_back(Key{number, description, auto_number});
}

int FileManager::opened() const {
  if (file_ == nullptr) return 0;
  std::lock_guard<std::recursive_mutex> lock(RT_FILE_LOCK(file_));
  return open_count_;
}

void FileManager::report(std::int32_t code, const std::string& what) {
  if (!errors_) return;
  std::string name;
  if (file_ != nullptr && file_->PHYNAME.STR != 0) {
    const char* s = reinterpret_cast<const char*>(file_->PHYNAME.STR);
    name = file_->PHYNAME.LEN >= 0 ? std::string(s, file_->PHYNAME.LEN) : std::string(s);
  }
  errors_(code, what + " " + name + ": " + RT_ERROR(code) + " (" + std::to_string(code) + ")");
}

std::int32_t FileManager::Open() {
  if (file_ == nullptr) {
    RT_seterror(kBadRequest);
    return kBadRequest;
  }
  std::lock_guard<std::recursive_mutex> lock(RT_FILE_LOCK(file_));
  if (open_count_ > 0) {
    ++open_count_;
    RT_seterror(kNoError);
    return kNoError;
  }
  std::int32_t code = RT_FILE_OPEN(file_, open_mode_);
  if (code == kFileNotFound && create_) {
    if (RT_FILE_CREATE(file_) == kNoError) code = RT_FILE_OPEN(file_, open_mode_);
  }
  if (code == kAccessDenied && lock_recover_ > 0) {
    RT_FILE_SEND(file_, ("Recover=" + std::to_string(lock_recover_)).c_str());
    code = RT_FILE_OPEN(file_, open_mode_);
  }
  if (code != kNoError) {
    report(code, "Error opening");
    RT_seterror(code);
    return code;
  }
  open_count_ = 1;
  return kNoError;
}

std::int32_t FileManager::Close() {
  if (file_ == nullptr) return kNoError;
  std::lock_guard<std::recursive_mutex> lock(RT_FILE_LOCK(file_));
  if (open_count_ == 0) {
    RT_seterror(kNoError);
    return kNoError;
  }
  if (--open_count_ > 0) {
    RT_seterror(kNoError);
    return kNoError;
  }
  return RT_FILE_CLOSE(file_);
}

void FileManager::Kill() {
  if (file_ != nullptr) {
    std::lock_guard<std::recursive_mutex> lock(RT_FILE_LOCK(file_));
    if (open_count_ > 0) {
      open_count_ = 1;
      Close();
    }
  }
  keys_.clear();
  errors_ = nullptr;
  file_ = nullptr;
}

}  // namespace vx
