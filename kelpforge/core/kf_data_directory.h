// Where a game's run-time files are. A game opens them as "data/..." relative to the working
// directory; at start-up it can look for the directory that holds every one of them (the working
// directory, then the executable's directory, then <executable's directory>/../share/<package>)
// and make that the working directory, so it runs from anywhere once unpacked or installed.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Kelpforge::Core {

// The places to look, in order: the working directory; the executable's directory (a zip
// unpacked anywhere); <executable's directory>/../share/<packageName> (an installed tree, moved
// or not). Without an executable path only the working directory.
std::vector<std::filesystem::path> DataDirectoryCandidates(const std::filesystem::path& workingDirectory,
                                                           const std::filesystem::path& executablePath,
                                                           const std::string& packageName);

// The first candidate under which `isFile` holds for every one of `requiredFiles` (relative
// paths such as "data/font.ttf"), or nothing when none holds them all.
std::optional<std::filesystem::path> FindDataDirectory(
    const std::vector<std::filesystem::path>& candidates, const std::vector<std::string>& requiredFiles,
    const std::function<bool(const std::filesystem::path&)>& isFile);

// The running program's file (/proc/self/exe on Linux, GetModuleFileNameW on Windows); empty
// when the system does not say.
std::filesystem::path ExecutablePath();

// Makes the first candidate that holds every required file the working directory. False, with
// the working directory left as it was, when none does: the game then opens its files where it
// always did, and each missing one is reported under the path it was asked for.
bool ChangeToDataDirectory(const std::vector<std::string>& requiredFiles, const std::string& packageName);

}  // namespace Kelpforge::Core
