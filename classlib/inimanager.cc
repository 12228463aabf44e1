#include "classlib/inimanager.h"

#include <cctype>
#include <fstream>

namespace vx {
namespace {

std::string trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

bool IniClass::Init(const std::string& file_name) {
  file_name_ = file_name;
  values_.clear();
  std::ifstream in(file_name);
  if (!in) return false;
  std::string line, section;
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      std::size_t close = line.find(']');
      if (close != std::string::npos) section = upper(trim(line.substr(1, close - 1)));
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    values_[section + "\n" + upper(trim(line.substr(0, eq)))] = trim(line.substr(eq + 1));
  }
  return true;
}

void IniClass::Kill() {
  values_.clear();
}

std::string IniClass::TryFetch(const std::string& section, const std::string& key,
                               const std::string& fallback) const {
  auto it = values_.find(upper(section) + "\n" + upper(key));
  return it == values_.end() ? fallback : it->second;
}

}  // namespace vx
