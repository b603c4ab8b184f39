// Where a game looks for its data: the order of the places, the choice of the first complete
// one, and Rally Court's list of the files it reads.
#include "kelpforge/core/kf_data_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "rally_court/data_files.h"

namespace {

namespace fs = std::filesystem;
using Kelpforge::Core::DataDirectoryCandidates;
using Kelpforge::Core::FindDataDirectory;

TEST(DataDirectory, LooksInTheWorkingDirectoryThenBesideTheExecutableThenInItsShare) {
  EXPECT_EQ(DataDirectoryCandidates("/home/player", "/opt/games/bin/rally_court", "rally-court"),
            (std::vector<fs::path>{"/home/player", "/opt/games/bin", "/opt/games/share/rally-court"}));
  EXPECT_EQ(DataDirectoryCandidates("/home/player", "", "rally-court"), std::vector<fs::path>{"/home/player"});

  // The running program is this test program, wherever it was started from.
  EXPECT_EQ(Kelpforge::Core::ExecutablePath().stem(), "kelpforge_tests");
  EXPECT_TRUE(fs::is_regular_file(Kelpforge::Core::ExecutablePath()));
}

TEST(DataDirectory, TakesTheFirstPlaceThatHoldsEveryFile) {
  const std::set<fs::path> files = {"/work/data/sheet.txt", "/zip/data/sheet.txt", "/zip/data/font.ttf",
                                    "/usr/share/game/data/sheet.txt", "/usr/share/game/data/font.ttf"};
  const auto isFile = [&](const fs::path& path) { return files.contains(path); };
  const std::vector<std::string> required = {"data/sheet.txt", "data/font.ttf"};

  // /work lacks the font, so a complete copy further on wins over it.
  EXPECT_EQ(FindDataDirectory({"/work", "/zip", "/usr/share/game"}, required, isFile), fs::path("/zip"));
  EXPECT_EQ(FindDataDirectory({"/usr/share/game", "/zip"}, required, isFile), fs::path("/usr/share/game"));
  EXPECT_EQ(FindDataDirectory({"/work", "/elsewhere"}, required, isFile), std::nullopt);
  EXPECT_EQ(FindDataDirectory({"/work", "/zip"}, {"data/sheet.txt"}, isFile), fs::path("/work"));
}

TEST(DataDirectory, RallyCourtListsEveryFileItReadsAndTheRepositoryHoldsThemAll) {
  const auto isFile = [](const fs::path& path) { return fs::is_regular_file(path); };
  EXPECT_EQ(FindDataDirectory({KF_SOURCE_DIR}, RallyCourt::kDataFiles, isFile), fs::path(KF_SOURCE_DIR));

  // The image is named by the sheet's description file, not by the program.
  std::ifstream sheet(fs::path(KF_SOURCE_DIR) / RallyCourt::kSpriteSheetPath);
  std::string imagePath;
  sheet >> imagePath;
  EXPECT_NE(std::ranges::find(RallyCourt::kDataFiles, imagePath), RallyCourt::kDataFiles.end()) << imagePath;
}

}  // namespace
