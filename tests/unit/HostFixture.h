// Shared set-up for tests of the script host and its binding: fake platform components,
// a scratch folder for script files, debug mode off again after each test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <lua.hpp>
#include <stdexcept>
#include <string>

#include "base/IniSettingsS.h"
#include "lua/LuaUtilityC.h"
#include "platform/Platform.h"
#include "platform/clock/fake/FakeClock.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/text/Text.h"
#include "platform/window/fake/FakeWindow.h"

namespace hinoki_test {

// CP932 bytes of a UTF-8 literal: engine texts are compared byte for byte.
inline std::string Sjis(const char* utf8) {
  return platform::text::Utf8ToCp932(utf8);
}

inline std::string MakeScratchFolder() {
  char pattern[] = "/tmp/hinoki-host-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// The process-wide host runs system\loset.lat from the current folder the first time it
// is reached; give it a settings script that succeeds, then go back.
inline void EnsureProcessHost() {
  static bool created = false;
  if (created) return;
  created = true;
  const std::filesystem::path previous = std::filesystem::current_path();
  const std::string folder = MakeScratchFolder();
  WriteFile(folder + "/system/loset.lat", "return true\n");
  std::filesystem::current_path(folder);
  LuaN::LuaUtilityC::GetInstance();
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
}

class HostFixture : public ::testing::Test {
 protected:
  // The fakes live as long as the process: the frame-rate meter and the process-wide
  // host keep what was installed when they were first used.
  static platform::FakeClock& Clock() { return clock_; }
  static platform::FakeDialog& Dialog() { return dialog_; }
  static platform::FakeWindow& Window() { return window_; }

  void SetUp() override {
    previous_ = platform::Installed();
    Dialog().Clear();
    Dialog().SetResponder(nullptr);
    Window().mQuitPosted = false;
    platform::Install({&Clock(), &Dialog(), &Window()});
    folder_ = MakeScratchFolder();
  }

  void TearDown() override {
    BaseN::GetIniSettings().mDebugMode = false;
    Dialog().SetResponder(nullptr);
    platform::Install(previous_);
    std::filesystem::remove_all(folder_);
  }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  void Write(const std::string& name, const std::string& content) const {
    WriteFile(Path(name), content);
  }

  // Runs `code` in `L`: its error text, or "ok" followed by its results as text.
  static std::string Outcome(lua_State* L, const std::string& code) {
    const int top = lua_gettop(L);
    std::string outcome = "ok";
    if (luaL_loadbuffer(L, code.data(), code.size(), "=snippet") != 0 ||
        lua_pcall(L, 0, LUA_MULTRET, 0) != 0) {
      outcome = lua_isstring(L, -1) ? lua_tostring(L, -1) : "<error without text>";
    } else {
      for (int i = top + 1; i <= lua_gettop(L); ++i) {
        const char* text =
            lua_isboolean(L, i) ? (lua_toboolean(L, i) ? "true" : "false") : lua_tostring(L, i);
        outcome += std::string(" ") + (text ? text : luaL_typename(L, i));
      }
    }
    lua_settop(L, top);
    return outcome;
  }

  // Answers every box through `respond`; a retry loop that never ends fails the test.
  template <typename F>
  void Respond(F respond) {
    Dialog().SetResponder([respond](const platform::DialogRequest& request, int number) {
      if (number > 20) throw std::runtime_error("the retry loop does not end");
      respond(request, number);
      return platform::DialogAnswer::kOk;
    });
  }

  inline static platform::FakeClock clock_{1000};
  inline static platform::FakeDialog dialog_;
  inline static platform::FakeWindow window_;
  std::string folder_;
  platform::Components previous_;
};

}  // namespace hinoki_test
