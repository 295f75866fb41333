#include "tests/support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char **environ;

namespace process {

Child::Child(const std::vector<std::string> &argv, const std::vector<std::string> &env) {
  std::vector<std::string> environment;
  for (char **e = environ; *e; ++e) environment.emplace_back(*e);
  for (const std::string &entry : env) {
    const std::string name = entry.substr(0, entry.find('=') + 1);
    std::erase_if(environment, [&](const std::string &e) { return e.rfind(name, 0) == 0; });
    if (entry.size() > name.size()) environment.push_back(entry);
  }
  char errTemplate[] = "/tmp/coinloft-child-err.XXXXXX";
  const int errFd = mkstemp(errTemplate);
  if (errFd < 0) throw std::runtime_error("mkstemp failed");
  errPath_ = errTemplate;
  std::vector<char *> args, envp;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string &e : environment) envp.push_back(const_cast<char *>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, errFd, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const int rc = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(errFd);
  if (rc != 0) throw std::runtime_error(std::string("cannot start ") + argv[0] + ": " + std::strerror(rc));
}

Child::~Child() {
  if (!reaped_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (!errPath_.empty()) unlink(errPath_.c_str());
}

Result Child::Wait(int timeoutMs) {
  Result result;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      reaped_ = true;
      result.signal = SIGKILL;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  reaped_ = true;
  if (!result.signal) {
    if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  }
  std::ifstream in(errPath_);
  std::stringstream text;
  text << in.rdbuf();
  result.stdErr = text.str();
  return result;
}

Result Run(const std::vector<std::string> &argv, const std::vector<std::string> &env, int timeoutMs) {
  Child child(argv, env);
  return child.Wait(timeoutMs);
}

std::string BuildDir() { return COINLOFT_BUILD_DIR; }

std::string Capture(const std::string &command) {
  std::string out;
  if (FILE *pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

}  // namespace process
