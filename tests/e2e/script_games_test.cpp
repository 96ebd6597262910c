// Games in tests/e2e/games check the script interface from inside Lua; each prints one
// line per failed check and a closing "checks N failed M".
#include <gtest/gtest.h>

#include <string>

#include "e2e/GameRunner.h"

namespace {

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
  const e2e::RunResult result = e2e::RunHinoki(
      std::string(HINOKI_SOURCE_DIR) + "/tests/e2e/games/fuzz", std::string(10000, '\n'));
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("checks 15 failed 0"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(" calls, "), std::string::npos) << result.out;
}

}  // namespace
