// Runs the project's real programs as child processes for tests: with extra
// environment, stderr captured, a time limit, and a kill for crash tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace process {

struct Result {
  int exitStatus = -1;  // -1 when it did not exit by itself within the limit
  int signal = 0;       // the signal that ended it, if any
  std::string stdErr;
};

class Child {
 public:
  // env: "NAME=value" entries added to (or replacing in) this environment;
  // "NAME=" with nothing after it removes NAME.
  Child(const std::vector<std::string> &argv, const std::vector<std::string> &env);
  ~Child();
  Child(const Child &) = delete;
  Child &operator=(const Child &) = delete;
  pid_t Pid() const { return pid_; }
  // Waits up to timeoutMs; kills it with SIGKILL past that.
  Result Wait(int timeoutMs);

 private:
  pid_t pid_ = -1;
  std::string errPath_;
  bool reaped_ = false;
};

Result Run(const std::vector<std::string> &argv, const std::vector<std::string> &env, int timeoutMs);

// The build folder, where the programs and libqv_card are.
std::string BuildDir();
// Runs a shell command line and returns its standard output.
std::string Capture(const std::string &command);

}  // namespace process
