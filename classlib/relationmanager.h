// The relation manager: windows open and close a file and its related files through
// it. The demo's files have no related files, so it hands opens and closes to its
// primary file manager, whose open counting lets several windows share one open.
#ifndef VX_CLASSLIB_RELATIONMANAGER_H_
#define VX_CLASSLIB_RELATIONMANAGER_H_

#include <cstdint>

#include "classlib/filemanager.h"

namespace vx {

class RelationManager {
 public:
  // `flag` 1: the relation manager owns the file manager's take-down.
  void Init(FileManager* primary, std::uint8_t flag);
  std::int32_t Open();
  std::int32_t Close();
  // Takes the file manager down first (when owned), then forgets it.
  void Kill();
  FileManager* primary() const { return primary_; }

 private:
  FileManager* primary_ = nullptr;
  std::uint8_t flag_ = 0;
};

}  // namespace vx

#endif  // VX_CLASSLIB_RELATIONMANAGER_H_
