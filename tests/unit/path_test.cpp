// Checks that Windows-style names from scripts find the files a case-sensitive disk holds.
// Builds a small game tree in a temporary directory and resolves names against it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/path/Path.h"

using platform::path::Resolve;
using platform::path::SameNameIgnoringCase;
namespace fs = std::filesystem;

class WindowsPath : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/hinoki-path-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        for (const char* file : {"Data/Images/Player.PNG", "Save/slot.dat", "Save/SLOT.DAT",
                                 "画像/Title.bmp"}) {
            fs::create_directories(fs::path(root_ + "/" + file).parent_path());
            std::ofstream(root_ + "/" + file) << "x";
        }
        previous_ = fs::current_path();
        fs::current_path(root_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(root_);
    }
    std::string root_;
    fs::path previous_;
};

TEST_F(WindowsPath, MatchesComponentsIgnoringCase) {
    EXPECT_EQ(Resolve("data\\images\\player.png"), "Data/Images/Player.PNG");
    EXPECT_EQ(Resolve(".\\DATA\\\\Images\\PLAYER.png"), "./Data/Images/Player.PNG");
    EXPECT_EQ(Resolve("data\\..\\data\\IMAGES\\"), "Data/../Data/Images/");
    EXPECT_EQ(Resolve(root_ + "\\DATA\\images\\player.PNG"), root_ + "/Data/Images/Player.PNG");
}

TEST_F(WindowsPath, PrefersExactNames) {
    EXPECT_EQ(Resolve("Save\\SLOT.DAT"), "Save/SLOT.DAT");
    EXPECT_EQ(Resolve("save\\slot.dat"), "Save/slot.dat");
    EXPECT_EQ(Resolve("Data/Images/Player.PNG"), "Data/Images/Player.PNG");
}

TEST_F(WindowsPath, ConvertsCp932NamesToTheUtf8OnDisk) {
    EXPECT_EQ(Resolve("\x89\xE6\x91\x9C\\TITLE.BMP"), "画像/Title.bmp");
}

TEST_F(WindowsPath, KeepsTheUnmatchedTailAsWritten) {
    EXPECT_EQ(Resolve("data\\Sounds\\IMAGES\\x.ogg"), "Data/Sounds/IMAGES/x.ogg");
    EXPECT_EQ(Resolve("nothing\\..\\data"), "nothing/../data");
    EXPECT_EQ(Resolve(root_ + "\\data\\missing.png"), root_ + "/Data/missing.png");
}

TEST(FileNameCase, FoldsTheScriptsFileNamesUse) {
    EXPECT_TRUE(SameNameIgnoringCase("Readme.TXT", "readme.txt"));
    EXPECT_TRUE(SameNameIgnoringCase("ÉTÉ À", "été à"));
    EXPECT_TRUE(SameNameIgnoringCase("ＤＡＴＡ", "ｄａｔａ"));
    EXPECT_TRUE(SameNameIgnoringCase("ΣΟΦΙΑ", "σοφια"));
    EXPECT_TRUE(SameNameIgnoringCase("ЁЖИК", "ёжик"));
    EXPECT_TRUE(SameNameIgnoringCase("a\xFF", "A\xFF"));
    EXPECT_FALSE(SameNameIgnoringCase("×", "÷"));
    EXPECT_FALSE(SameNameIgnoringCase("ß", "SS"));
    EXPECT_FALSE(SameNameIgnoringCase("a\xFF", "a\xFE"));
    EXPECT_FALSE(SameNameIgnoringCase("画像", "画像2"));
}
