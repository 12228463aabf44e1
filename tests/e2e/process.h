// Starting the project's programs as real processes: arguments, folder, extra
// environment, standard output and error into files; stopping them with a signal.
#ifndef VX_TESTS_E2E_PROCESS_H_
#define VX_TESTS_E2E_PROCESS_H_

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vx::testing {

// The build's programs sit beside this one (VX_BUILD_DIR/bin when that is set).
inline std::string program_path(const std::string& name) {
  if (const char* dir = std::getenv("VX_BUILD_DIR")) return std::string(dir) + "/bin/" + name;
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string path = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : std::string("./x");
  return path.substr(0, path.rfind('/')) + "/" + name;
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline std::vector<std::string> read_lines(const std::string& path) {
  std::vector<std::string> out;
  std::istringstream in(read_file(path));
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

class Process {
 public:
  // Starts `program` with `args` in folder `dir`; output goes to dir/<tag>.out/.err.
  // With `piped_input` its standard input is a pipe this side writes with input().
  Process(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
          const std::vector<std::string>& env, const std::string& tag, bool piped_input = false)
      : out_(dir + "/" + tag + ".out"), err_(dir + "/" + tag + ".err") {
    int in[2] = {-1, -1};
    if (piped_input && pipe(in) != 0) in[0] = in[1] = -1;
    std::vector<std::string> argv_s{program_path(program)};
    argv_s.insert(argv_s.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_s) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_s;
    for (char** e = environ; *e; ++e) env_s.emplace_back(*e);
    env_s.insert(env_s.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (auto& e : env_s) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (in[0] >= 0) {
      posix_spawn_file_actions_adddup2(&fa, in[0], 0);
      posix_spawn_file_actions_addclose(&fa, in[1]);
    } else {
      posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&fa, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&fa, dir.c_str());
    if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&fa);
    if (in[0] >= 0) {
      close(in[0]);
      input_ = in[1];
    }
  }
  void input(const std::string& text) {
    if (input_ >= 0) {
      ssize_t ignored = ::write(input_, text.data(), text.size());
      (void)ignored;
    }
  }
  ~Process() {
    if (input_ >= 0) close(input_);
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool started() const { return pid_ > 0; }
  // Sends `sig` and waits for the exit; the exit status, or -1 when it had to be killed.
  int stop(int sig = SIGTERM) {
    if (pid_ <= 0) return -1;
    if (!exited_) kill(pid_, sig);
    return wait(20000);
  }
  // Waits for the process to end by itself; its exit code, or -1 (killed) on timeout.
  int wait(int timeout_ms = 30000) {
    if (exited_) return code_;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      int status = 0;
      pid_t r = waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        exited_ = true;
        code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return code_;
      }
      if (std::chrono::steady_clock::now() > end) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        exited_ = true;
        code_ = -1;
        return code_;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  std::vector<std::string> out_lines() const { return read_lines(out_); }
  std::string err() const { return read_file(err_); }

 private:
  std::string out_, err_;
  pid_t pid_ = -1;
  int input_ = -1;
  bool exited_ = false;
  int code_ = -1;
};

}  // namespace vx::testing

#endif  // VX_TESTS_E2E_PROCESS_H_
