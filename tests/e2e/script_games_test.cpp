// Games in tests/e2e/games check the script interface from inside Lua; each prints one
// line per failed check and a closing "checks N failed M".
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "e2e/GameRunner.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void ExpectGamePasses(const std::string& name) {
  const e2e::RunResult result =
      e2e::RunHinoki(std::string(HINOKI_SOURCE_DIR) + "/tests/e2e/games/" + name);
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_NE(result.out.find(" failed 0"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find("FAIL"), std::string::npos) << result.out;
}

TEST(ScriptGames, MathValueTypes) { ExpectGamePasses("math"); }

TEST(ScriptGames, DrawablesAndTheirHandles) { ExpectGamePasses("render"); }

// Every engine function called with wrong selves and arguments: script errors only, and
// the game ends normally (a box, should one come, is answered).
TEST(ScriptGames, NothingAScriptCallsCrashesTheEngine) {
  // The calls write files (SavePNG with whatever name): the game runs in a copy.
  const std::string games = std::string(HINOKI_SOURCE_DIR) + "/tests/e2e/games/";
  const e2e::GameFolder copy({{"checks.lua", ReadFile(games + "checks.lua")},
                              {"fuzz/main.lua", ReadFile(games + "fuzz/main.lua")},
                              {"fuzz/system/loset.lat", ReadFile(games + "fuzz/system/loset.lat")},
                              {"fuzz/system/notex.lat", e2e::ShippedSystemFile("notex.lat")},
                              {"fuzz/system/normal.lat", e2e::ShippedSystemFile("normal.lat")},
                              {"fuzz/system/shshmap.lat", e2e::ShippedSystemFile("shshmap.lat")},
                              {"fuzz/system/shshmod.lat", e2e::ShippedSystemFile("shshmod.lat")},
                              {"fuzz/cube.x", ReadFile(games + "cube.x")}});
  const e2e::RunResult result = e2e::RunHinoki(copy.Path() + "/fuzz", std::string(10000, '\n'));
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("checks 15 failed 0"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(" calls, "), std::string::npos) << result.out;
}

}  // namespace
