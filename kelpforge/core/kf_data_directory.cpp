#include "kelpforge/core/kf_data_directory.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace Kelpforge::Core {

namespace fs = std::filesystem;

std::vector<fs::path> DataDirectoryCandidates(const fs::path& workingDirectory, const fs::path& executablePath,
                                              const std::string& packageName) {
  std::vector<fs::path> candidates{workingDirectory};
  if (!executablePath.empty()) {
    const fs::path executableDirectory = executablePath.parent_path();
    candidates.push_back(executableDirectory);
    // Relative to the executable, so the installed tree may be moved to another prefix.
    candidates.push_back((executableDirectory / ".." / "share" / packageName).lexically_normal());
  }
  return candidates;
}

std::optional<fs::path> FindDataDirectory(const std::vector<fs::path>& candidates,
                                          const std::vector<std::string>& requiredFiles,
                                          const std::function<bool(const fs::path&)>& isFile) {
  for (const fs::path& candidate : candidates) {
    bool holdsAll = true;
    for (const std::string& file : requiredFiles) {
      if (!isFile(candidate / fs::path(file))) {
        holdsAll = false;
        break;
      }
    }
    if (holdsAll) {
      return candidate;
    }
  }
  return std::nullopt;
}

fs::path ExecutablePath() {
#ifdef _WIN32
  // The path may be longer than MAX_PATH; a full buffer means it was cut, so grow and ask again.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      return {};
    }
    if (length < buffer.size()) {
      buffer.resize(length);
      return fs::path(buffer);
    }
    if (buffer.size() >= 32768) {
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
#else
  std::error_code error;
  const fs::path path = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : path;
#endif
}

bool ChangeToDataDirectory(const std::vector<std::string>& requiredFiles, const std::string& packageName) {
  std::error_code error;
  const fs::path workingDirectory = fs::current_path(error);
  if (error) {
    return false;
  }
  const auto isFile = [](const fs::path& path) {
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
  };
  const auto found = FindDataDirectory(DataDirectoryCandidates(workingDirectory, ExecutablePath(), packageName),
                                       requiredFiles, isFile);
  if (!found) {
    return false;
  }
  if (*found != workingDirectory) {
    fs::current_path(*found, error);
  }
  return !error;
}

}  // namespace Kelpforge::Core
