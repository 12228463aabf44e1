// The settings-file manager: reads a plain INI file ("[section]" lines, "key=value"
// lines, ";" comments) from the current folder. It never creates or writes a file:
// a missing file simply has no settings.
#ifndef VX_CLASSLIB_INIMANAGER_H_
#define VX_CLASSLIB_INIMANAGER_H_

#include <map>
#include <string>

namespace vx {

class IniClass {
 public:
  // Reads `file_name`; false when it could not be read (the manager is still usable).
  bool Init(const std::string& file_name);
  void Kill();

  const std::string& file_name() const { return file_name_; }
  // The value of `key` in `section` (both case-blind); `fallback` when absent.
  std::string TryFetch(const std::string& section, const std::string& key,
                       const std::string& fallback = "") const;

 private:
  std::string file_name_;
  std::map<std::string, std::string> values_;  // "section\nkey", upper case
};

}  // namespace vx

#endif  // VX_CLASSLIB_INIMANAGER_H_
