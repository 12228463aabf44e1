#include "runtime/command.h"

#include <mutex>
#include <string_view>
#include <vector>

namespace {

std::mutex g_mutex;
std::vector<std::string>* g_args = new std::vector<std::string>;  // never destroyed

bool same_blind(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

void RT_set_command_line(int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc && argv != nullptr; ++i) {
    if (argv[i] != nullptr) args.emplace_back(argv[i]);
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  *g_args = std::move(args);
}

std::string RT_COMMAND(const char* name) {
  std::string_view want = name ? name : "";
  while (!want.empty() && want.front() == ' ') want.remove_prefix(1);
  while (!want.empty() && want.back() == ' ') want.remove_suffix(1);
  if (!want.empty() && want.front() == '/') want.remove_prefix(1);

  std::lock_guard<std::mutex> lock(g_mutex);
  if (want.empty()) {
    std::string line;
    for (const std::string& a : *g_args) {
      if (!line.empty()) line += ' ';
      line += a;
    }
    return line;
  }
  for (const std::string& arg : *g_args) {
    std::string_view a = arg;
    bool slash = !a.empty() && a.front() == '/';
    if (slash) a.remove_prefix(1);
    std::size_t eq = a.find('=');
    if (eq != std::string_view::npos) {
      if (same_blind(a.substr(0, eq), want)) return std::string(a.substr(eq + 1));
    } else if (slash && same_blind(a, want)) {
      return std::string(a);
    }
  }
  return {};
}
