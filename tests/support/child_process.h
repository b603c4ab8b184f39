// A program started by a test that never outlives it: the child is killed when the test process
// dies, however it dies (PR_SET_PDEATHSIG), and when the ChildProcess goes out of scope. Its
// standard output and error go to files in its working directory, never to the test's pipes, so
// a runner waiting on those pipes is never held up by a child. POSIX only.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace KelpforgeTests {

class ChildProcess {
public:
  // Starts `program` with `arguments` in `workingDirectory`, with the test's environment plus the
  // NAME=value pairs of `environment`; standard output to stdout.txt and standard error to
  // stderr.txt there, standard input from /dev/null.
  ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& workingDirectory, const std::vector<std::string>& environment = {});
  // Kills the child if it still runs, and reaps it.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit status (128 + the signal for a killed child) once it has ended, or nothing after
  // `timeout`.
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
  void Kill();
  bool HasExited() const { return exitStatus.has_value(); }
  pid_t Pid() const { return pid; }

  std::string StandardOutput() const;
  std::string StandardError() const;

private:
  std::filesystem::path directory;
  pid_t pid = -1;
  std::optional<int> exitStatus;
};

// A fresh, empty folder under the temporary directory named after `stem`, the process and the
// running test, removed with everything in it when the ScratchDirectory goes.
class ScratchDirectory {
public:
  explicit ScratchDirectory(const std::string& stem);
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& Path() const { return path; }

private:
  std::filesystem::path path;
};

}  // namespace KelpforgeTests
