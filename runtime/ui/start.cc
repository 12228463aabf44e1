#include "runtime/ui/start.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>
#include <vector>

#include "runtime/command.h"
#include "runtime/thread.h"
#include "runtime/ui/headless.h"

namespace vx::ui {

#ifdef VX_WITH_QT
void run_qt_program(int argc, char** argv, const std::function<void()>& program);
#endif

namespace {

bool parse_kind(const std::string& name, BackendKind* kind) {
  if (name == "headless") {
    *kind = BackendKind::kHeadless;
    return true;
  }
  if (name == "qt") {
    *kind = BackendKind::kQt;
    return true;
  }
  return false;
}

void run_script(const std::string& source) {
  std::ifstream file;
  std::istream* in = &std::cin;
  if (source != "-") {
    file.open(source);
    in = &file;
  }
  std::string line;
  while (std::getline(*in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (!run_script_line(line)) {
      std::string msg = "[script] failed: " + line + "\n";
      std::fwrite(msg.data(), 1, msg.size(), stderr);
    }
  }
}

void start_script_reader() {
  const char* script = std::getenv("VX_UI_SCRIPT");
  if (script == nullptr || *script == '\0') return;
  std::thread(run_script, std::string(script)).detach();
}

}  // namespace

BackendKind choose_backend(const std::string& option, const char* env, bool display, bool qt) {
  // Qt needs a display: asked for without one, it would only abort the program.
  BackendKind qt_or_not = display && qt ? BackendKind::kQt : BackendKind::kHeadless;
  BackendKind kind;
  if (parse_kind(option, &kind)) return kind == BackendKind::kQt ? qt_or_not : kind;
  if (env != nullptr && parse_kind(env, &kind)) {
    return kind == BackendKind::kQt ? qt_or_not : kind;
  }
  return qt_or_not;
}

bool display_available() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && *v != '\0') return true;
  }
  return false;
}

bool qt_built() {
#ifdef VX_WITH_QT
  return true;
#else
  return false;
#endif
}

bool run_script_line(const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  std::int32_t thread = 0;
  in >> verb >> thread;
  if (!in) return false;
  std::string rest;
  std::getline(in, rest);
  if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
  std::istringstream args(rest);
  if (verb == "wait") return wait_window(thread, rest).has_value();
  if (verb == "activate") return wait_window(thread) && activate(thread);
  if (verb == "close") return wait_window(thread) && close_window(thread);
  std::int32_t control = 0;
  args >> control;
  if (!args) return false;
  if (!wait_window(thread)) return false;
  if (verb == "press") return press(thread, control);
  if (verb == "select") {
    std::int32_t row = 0;
    args >> row;
    return args && select(thread, control, row);
  }
  if (verb == "type") {
    std::string text;
    std::getline(args, text);
    if (!text.empty() && text[0] == ' ') text.erase(0, 1);
    return type(thread, control, text);
  }
  return false;
}

void run_program(int argc, char** argv, const std::function<void()>& program) {
  std::string option;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (i > 0 && std::strncmp(argv[i], "--ui=", 5) == 0) {
      option = argv[i] + 5;
      continue;
    }
    args.push_back(argv[i]);
  }
  RT_set_command_line(static_cast<int>(args.size()), args.data());
  args.push_back(nullptr);
  BackendKind kind = choose_backend(option, std::getenv("VX_UI"), display_available(), qt_built());
  start_script_reader();
#ifdef VX_WITH_QT
  if (kind == BackendKind::kQt) {
    int qt_argc = static_cast<int>(args.size()) - 1;
    run_qt_program(qt_argc, args.data(), program);
    return;
  }
#endif
  (void)kind;
  set_backend(make_headless_backend());
  RT_THREAD();  // this thread is thread 1
  program();
}

}  // namespace vx::ui
