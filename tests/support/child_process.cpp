// Child processes and scratch folders for tests that start real programs.
#include "tests/support/child_process.h"

#ifndef _WIN32

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace KelpforgeTests {

namespace fs = std::filesystem;

namespace {

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

ChildProcess::ChildProcess(const fs::path& program, const std::vector<std::string>& arguments,
                           const fs::path& workingDirectory, const std::vector<std::string>& environment)
    : directory(workingDirectory) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  pid = fork();
  if (pid != 0) {
    return;
  }
  // The death signal is set after the fork: a parent that died in between has left the child
  // to init already, which the check below sees.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent || chdir(directory.c_str()) != 0) {
    _exit(127);
  }
  // Ahead of a busy machine's other work where allowed (timing tests measure the program, not
  // the machine's other load); without the privilege it runs at the usual priority.
  setpriority(PRIO_PROCESS, 0, -15);
  for (const std::string& variable : environment) {
    putenv(const_cast<char*>(variable.c_str()));
  }
  const int input = open("/dev/null", O_RDONLY);
  const int output = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int errors = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(input, STDIN_FILENO);
  dup2(output, STDOUT_FILENO);
  dup2(errors, STDERR_FILENO);
  execv(program.c_str(), argv.data());
  _exit(127);
}

ChildProcess::~ChildProcess() {
  Kill();
}

void ChildProcess::Kill() {
  if (pid > 0 && !exitStatus) {
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    exitStatus = 128 + SIGKILL;
  }
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
  if (exitStatus || pid <= 0) {
    return exitStatus;
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return exitStatus;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

std::string ChildProcess::StandardOutput() const {
  return ReadWholeFile(directory / "stdout.txt");
}

std::string ChildProcess::StandardError() const {
  return ReadWholeFile(directory / "stderr.txt");
}

ScratchDirectory::ScratchDirectory(const std::string& stem) {
  // A test killed outside its control (SIGKILL, a timeout) could not remove its folder: the
  // folders of processes that no longer exist go now.
  std::error_code ignored;
  const std::string prefix = stem + "_";
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::temp_directory_path(), ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    const pid_t owner = static_cast<pid_t>(std::atol(name.c_str() + prefix.size()));
    if (owner > 0 && kill(owner, 0) != 0 && errno == ESRCH) {
      fs::remove_all(entry.path(), ignored);
    }
  }
  std::string test = "outside_a_test";
  if (const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info()) {
    test = std::string(info->test_suite_name()) + "_" + info->name();
  }
  // Parameterised tests are named "Name/Parameter": one folder, not a folder inside another.
  for (char& c : test) {
    if (c == '/') c = '_';
  }
  path = fs::temp_directory_path() / (stem + "_" + std::to_string(getpid()) + "_" + test);
  fs::remove_all(path);
  fs::create_directories(path);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

}  // namespace KelpforgeTests

#endif  // _WIN32
