// Checks the script host: the error reports of failed calls and files, byte for byte, the
// error box, the retry loops that let a user fix a script while its box is open, the
// results of CallFunction, and what the host writes to standard output in debug mode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <lua.hpp>
#include <string>

#include "unit/HostFixture.h"

using hinoki_test::Sjis;
using LuaN::LuaArgumentC;
using LuaN::LuaUtilityC;

namespace {

// Report layouts up to the detail, which the caller adds; no line end follows it.
std::string Report(const std::string& place, const char* kindUtf8) {
  return Sjis("*** エラー ***\n") + place + "\n" + Sjis(" 要因：") + Sjis(kindUtf8) + "\n" +
         Sjis(" 詳細：");
}
std::string CallReport(const std::string& name, const char* kindUtf8) {
  return Report(Sjis(" 場所：関数<") + name + Sjis(">を呼び出し。"), kindUtf8);
}
std::string LoadReport(const std::string& file, const char* kindUtf8) {
  return Report(Sjis(" 場所：ファイル<") + file + Sjis(">を読み込み。"), kindUtf8);
}
std::string UndefinedReport(const std::string& name) {
  return Sjis("*** エラー ***\n 場所：関数<") + name +
         Sjis(">を呼びだそうとしました。\n 要因：Lua内にこの名前の関数は定義されていません。");
}
std::string Traceback(const std::string& at, const std::string& where) {
  return "\nstack traceback:\n\t[C]: in function 'error'\n\t" + at + ": in " + where;
}

// Fails allocations over a megabyte: a script runs out of memory, the test process does not.
lua_Alloc gInner = nullptr;
void* gInnerData = nullptr;
void* FailBigAllocations(void*, void* block, size_t oldSize, size_t newSize) {
  if (newSize > (1u << 20) && newSize > oldSize) return nullptr;
  return gInner(gInnerData, block, oldSize, newSize);
}

// A hook that makes the traceback handler itself overflow the C stack: Lua then gives up
// on handling the error, the one way a script can end in an error in the error handler.
lua_CFunction gTraceback = nullptr;

int NestForever(lua_State* L) {
  lua_pushcfunction(L, NestForever);
  lua_call(L, 0, 0);
  return 0;
}

void OverflowInsideHandler(lua_State* L, lua_Debug* ar) {
  if (ar->event != LUA_HOOKCALL) return;
  lua_getinfo(L, "f", ar);
  const bool inHandler = lua_tocfunction(L, -1) == gTraceback;
  lua_pop(L, 1);
  if (inHandler) NestForever(L);
}

}  // namespace

class ScriptHost : public hinoki_test::HostFixture {
 protected:
  LuaUtilityC host_;
  lua_State* L() { return host_.GetState(); }
  std::string Error() { return host_.GetLuaErrorMessage(); }
  std::string Run(const std::string& code) { return Outcome(L(), code); }
  std::string Stdout(const std::function<void()>& run) {
    testing::internal::CaptureStdout();
    run();
    return testing::internal::GetCapturedStdout();
  }
};

TEST_F(ScriptHost, ReportsFailedCallsOfEveryKind) {
  ASSERT_EQ(Run("NotAFunction = 3 function Fine() end\n"
                "function Boom()\n  error('bad thing')\nend\n"
                "function Big() return string.rep('x', 4 * 1024 * 1024) end\n"
                "function Deep() return tostring(setmetatable({}, {__tostring = Deep})) end"),
            "ok");
  EXPECT_TRUE(host_.CallFunction("Missing").mValues.empty());
  EXPECT_EQ(Error(), UndefinedReport("Missing"));
  host_.CallFunction("NotAFunction");
  EXPECT_EQ(Error(), UndefinedReport("NotAFunction"));
  host_.CallFunction("Boom");
  EXPECT_EQ(Error(), CallReport("Boom", "実行時エラー！") + "snippet:3: bad thing" +
                         Traceback("snippet:3", "function <snippet:2>"));
  host_.CallFunction("Fine");
  EXPECT_EQ(Error(), "");

  // Nested C calls overflow; the handler overflowing too makes Lua give up (no kind text).
  lua_getglobal(L(), "debug");
  lua_getfield(L(), -1, "traceback");
  gTraceback = lua_tocfunction(L(), -1);
  lua_pop(L(), 2);
  lua_sethook(L(), OverflowInsideHandler, LUA_MASKCALL, 0);
  host_.CallFunction("Deep");
  lua_sethook(L(), nullptr, 0, 0);
  EXPECT_EQ(Error(), CallReport("Deep", "") + "error in error handling");

  gInner = lua_getallocf(L(), &gInnerData);
  lua_setallocf(L(), FailBigAllocations, nullptr);
  host_.CallFunction("Big");
  lua_setallocf(L(), gInner, gInnerData);
  EXPECT_EQ(Error(), CallReport("Big", "メモリエラー！") + "not enough memory");
  EXPECT_TRUE(Dialog().Shown().empty());
}

TEST_F(ScriptHost, ReportsFilesThatFailToLoadOrToRun) {
  Write("syntax.lua", "x = = 1\n");
  Write("runtime.lua", "local a = 1\nerror('run failed')\n");
  Write("good.lua", "ran = 'yes'\n");
  const std::string syntax = Path("syntax.lua"), runtime = Path("runtime.lua");
  const std::string missing = Path("missing.lua");

  EXPECT_FALSE(host_.RunLuaFile(syntax.c_str()));
  EXPECT_EQ(Error(),
            LoadReport(syntax, "構文エラー！") + syntax + ":1: unexpected symbol near '='");
  EXPECT_FALSE(host_.RunLuaFile(missing.c_str()));
  EXPECT_EQ(Error(), LoadReport(missing, "ファイルエラー！") + "cannot open " + missing + ": " +
                         std::strerror(ENOENT));
  EXPECT_FALSE(host_.RunLuaFile(runtime.c_str()));
  EXPECT_EQ(Error(),
            Report(Sjis(" 場所：ファイル<") + runtime + Sjis(">を実行。"), "実行時エラー！") +
                runtime + ":2: run failed" + Traceback(runtime + ":2", "main chunk"));
  EXPECT_TRUE(host_.RunLuaFile(Path("good.lua").c_str()));
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(Run("return ran"), "ok yes");

  // No name reads standard input, which the report names in words.
  Write("stdin.lua", "y = = 2\n");
  const int savedInput = dup(0);
  ASSERT_NE(std::freopen(Path("stdin.lua").c_str(), "r", stdin), nullptr);
  const bool ok = host_.RunLuaFile(nullptr);
  dup2(savedInput, 0);
  close(savedInput);
  clearerr(stdin);
  EXPECT_FALSE(ok);
  EXPECT_EQ(Error(),
            LoadReport(Sjis("標準入力"), "構文エラー！") + "stdin:1: unexpected symbol near '='");
  EXPECT_TRUE(Dialog().Shown().empty());
  EXPECT_EQ(lua_gettop(L()), 0);
}

TEST_F(ScriptHost, ErrorBoxIsOneOkBoxCutAtACharacterBoundary) {
  host_.ErrorMessageBox("what failed", Sjis("直して下さい。").c_str());
  ASSERT_EQ(Dialog().Shown().size(), 1u);
  EXPECT_EQ(Dialog().Shown()[0].title, Sjis("スクリプトエラー！"));
  EXPECT_EQ(Dialog().Shown()[0].text, "what failed\r\n\n" + Sjis("直して下さい。"));
  EXPECT_EQ(Dialog().Shown()[0].buttons, platform::DialogButtons::kOk);
  EXPECT_TRUE(Dialog().Shown()[0].ownedByMainWindow);

  std::string wide;  // 600 double-byte characters: the 512th ends at byte 1024
  for (int i = 0; i < 600; ++i) wide += Sjis("あ");
  host_.ErrorMessageBox(wide.c_str(), "");
  host_.ErrorMessageBox(("a" + wide).c_str(), "");
  ASSERT_EQ(Dialog().Shown().size(), 3u);
  EXPECT_EQ(Dialog().Shown()[1].text, wide.substr(0, 1022));
  EXPECT_EQ(Dialog().Shown()[2].text, ("a" + wide).substr(0, 1023));
}

TEST_F(ScriptHost, SettingsScriptIsRetriedUntilItReturnsTrue) {
  const std::string file = Path("loset.lat");
  Write("loset.lat", "return = true\n");
  Respond([&](const platform::DialogRequest& box, int number) {
    if (number == 1) {
      EXPECT_EQ(box.text, LoadReport(file, "構文エラー！") + file +
                              ":1: unexpected symbol near '='\r\n\n" +
                              Sjis("設定ファイルの読み込みスクリプトが不正です！"));
      Write("loset.lat", "attempts = (attempts or 0) + 1\nreturn false, 'msg'\n");
    } else {
      EXPECT_EQ(box.text, "msg\r\n\n" + Sjis("初期設定ファイルを修正して下さい。"));
      Write("loset.lat", "attempts = attempts + 1\nreturn true\n");
    }
  });
  host_.RunSettingsScript(file.c_str());
  EXPECT_EQ(Dialog().Shown().size(), 2u);
  EXPECT_EQ(Run("return attempts"), "ok 2");
}

TEST_F(ScriptHost, LoadScriptIsRerunUntilScriptInitializeAndScriptFrameRun) {
  const std::string load = Path("load.lua");
  const std::string log = "local what = ...\nlog = (log or '') .. what .. ','\n";
  const std::string init = "function ScriptInitialize() inits = (inits or 0) + 1 end\n";
  const std::string fix = "\r\n\n" + Sjis("スクリプトを修正して下さい。");
  Write("load.lua", log);  // forgets to return true
  host_.SetLoadPath(load);
  Respond([&](const platform::DialogRequest& box, int number) {
    switch (number) {
      case 1:
        EXPECT_EQ(box.text, fix);
        return Write("load.lua", log + "return false, '" + Sjis("まだです") + "'\n");
      case 2:
        EXPECT_EQ(box.text, Sjis("まだです") + fix);
        return Write("load.lua", log + "return true\n");
      case 3:
        EXPECT_EQ(box.text, UndefinedReport("ScriptInitialize") + fix);
        return Write("load.lua",
                     log + init + "function ScriptFrame() error('broke') end\n" + "return true\n");
      default:
        EXPECT_EQ(box.text, CallReport("ScriptFrame", "実行時エラー！") + load + ":4: broke" +
                                Traceback(load + ":4", "function <" + load + ":4>") + fix);
        return Write("load.lua", log + init +
                                     "function ScriptFrame() frames = (frames or 0) + 1 end\n" +
                                     "return true\n");
    }
  });
  host_.Initialize();
  EXPECT_EQ(Run("return log"), "ok init,init,init,init,");
  EXPECT_EQ(Run("return inits"), "ok 1");
  host_.Frame();  // fails, reloads with "all" and runs again
  host_.Frame();
  EXPECT_EQ(Dialog().Shown().size(), 4u);
  EXPECT_EQ(Run("return log"), "ok init,init,init,init,all,");
  EXPECT_EQ(Run("return frames"), "ok 2");
  EXPECT_EQ(lua_gettop(L()), 0);
}

TEST_F(ScriptHost, CallFunctionYieldsTwentyValuesOrNone) {
  ASSERT_EQ(Run("function Some() return 1.5, 'a', true, {}, nil, 7 end\n"
                "function Lots() return 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21 end"),
            "ok");
  const LuaArgumentC some = host_.CallFunction("Some");
  ASSERT_EQ(some.mValues.size(), 20u);
  EXPECT_EQ(some.GetNumber(0), 1.5);
  EXPECT_STREQ(some.GetString(1), "a");
  EXPECT_TRUE(some.GetBool(2));
  EXPECT_EQ(some.mValues[3].mType, LUA_TNIL);  // a table has no engine value
  EXPECT_EQ(some.GetNumber(5), 7.0);
  for (std::size_t i = 6; i < 20; ++i) EXPECT_EQ(some.mValues[i].mType, LUA_TNIL) << i;
  const LuaArgumentC lots = host_.CallFunction("Lots");
  ASSERT_EQ(lots.mValues.size(), 20u);
  EXPECT_EQ(lots.GetNumber(19), 20.0);
  EXPECT_EQ(lua_gettop(L()), 0);  // every call leaves the stack as it found it
}

TEST_F(ScriptHost, AccessorsFallBackToDefaultsAndSayWhyInDebugMode) {
  LuaArgumentC values;
  values.AddString("3");
  values.AddNumber(1);
  const auto readAll = [&] {
    EXPECT_EQ(values.GetNumber(0), 0.0);
    EXPECT_STREQ(values.GetString(2), "");
    EXPECT_FALSE(values.GetBool(1));
    EXPECT_EQ(values.GetNumber(1), 1.0);  // no report for a good index
    EXPECT_STREQ(values.GetString(0), "3");
  };
  EXPECT_EQ(Stdout(readAll), "");
  BaseN::GetIniSettings().mDebugMode = true;
  const auto report = [](const char* method, const char* reason) {
    return std::string("*** エラー ***\n 場所：LuaN::LuaArgumentC::") + method + "()\n 要因：" +
           reason + "\n 行動：デフォルト処理で代用します。\n";
  };
  EXPECT_EQ(Stdout(readAll),
            report("GetNumber", "数値型でないインデックスを数値型として参照しました。") +
                report("GetString", "引数に範囲外インデックス値が指定されました。") +
                report("GetBool", "ブール型でないインデックスをブール型として参照しました。"));
}

// Failed calls and files, a failed ScriptExit and print write nothing outside debug mode.
TEST_F(ScriptHost, FailuresAndPrintAreWrittenOnlyInDebugMode) {
  ASSERT_EQ(Run("function Fails() error('no') end\n"
                "function ScriptExit() error('cannot leave') end"),
            "ok");
  const std::string missing = Path("missing.lua");
  const auto run = [&] {
    host_.CallFunction("Fails");
    host_.CallFunction("Missing");
    host_.RunLuaFile(missing.c_str());
    host_.Exit();
    EXPECT_EQ(Run("print(1, 'a') print() print('\\130\\160', nil, true)"), "ok");
  };
  EXPECT_EQ(Stdout(run), "");

  BaseN::GetIniSettings().mDebugMode = true;
  const std::string fileReport = "*** エラー ***\n 場所：ファイル<" + missing +
                                 ">を読み込み。\n 要因：ファイルエラー！\n 詳細：cannot open " +
                                 missing + ": " + std::strerror(ENOENT) + "\n";
  EXPECT_EQ(Stdout(run),
            "*** Lua関数のコールに失敗しました ***\n"
            "*** Lua関数のコールに失敗しました ***\n" +
                fileReport + "*** ScriptExit() 関数のコールに失敗しました ***\n" +
                "1\ta\t\n\nあ\tnil\ttrue\t\n");
  EXPECT_TRUE(Dialog().Shown().empty());
  EXPECT_EQ(lua_gettop(L()), 0);  // failed calls leave the stack as they found it
}
