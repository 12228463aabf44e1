#include "classlib/relationmanager.h"

#include "runtime/error.h"

namespace vx {

void RelationManager::Init(FileManager* primary, std::uint8_t flag) {
  primary_ = primary;
  flag_ = flag;
}

std::int32_t RelationManager::Open() {
  if (primary_ == nullptr) {
    RT_seterror(kBadRequest);
    return kBadRequest;
  }
  return primary_->Open();
}

std::int32_t RelationManager::Close() {
  if (primary_ == nullptr) return kNoError;
  return primary_->Close();
}

void RelationManager::Kill() {
  if (primary_ != nullptr && flag_ != 0) primary_->Kill();
  primary_ = nullptr;
}

}  // namespace vx
