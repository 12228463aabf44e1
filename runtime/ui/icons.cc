#include "runtime/ui/icons.h"

#include <map>
#include <mutex>

namespace vx::ui {
namespace {

struct Resources {
  std::mutex mutex;
  std::map<std::string, const char* const*> icons;
  std::string help_title;
  std::string help_page;
};

Resources& resources() {
  static auto* r = new Resources();
  return *r;
}

}  // namespace

void register_icon(const std::string& name, const char* const* xpm) {
  std::lock_guard<std::mutex> lock(resources().mutex);
  resources().icons[name] = xpm;
}

const char* const* find_icon(const std::string& name) {
  std::lock_guard<std::mutex> lock(resources().mutex);
  auto it = resources().icons.find(name);
  return it == resources().icons.end() ? nullptr : it->second;
}

void set_help_page(const std::string& title, const std::string& html) {
  std::lock_guard<std::mutex> lock(resources().mutex);
  resources().help_title = title;
  resources().help_page = html;
}

std::string help_title() {
  std::lock_guard<std::mutex> lock(resources().mutex);
  return resources().help_title;
}

std::string help_page() {
  std::lock_guard<std::mutex> lock(resources().mutex);
  return resources().help_page;
}

}  // namespace vx::ui
