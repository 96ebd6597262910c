// Checks the script host: the error reports a failed call or file produces, the error box,
// the retry loops that let a user fix a script while its box is open, the results of
// CallFunction, and what the host writes to standard output in debug mode.
#include <gtest/gtest.h>
#include <lua.hpp>
#include <unistd.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "unit/HostFixture.h"

using hinoki_test::Sjis;
using LuaN::LuaArgumentC;
using LuaN::LuaUtilityC;

namespace {

std::string Join(std::initializer_list<std::string> lines) {
    std::string joined;
    for (const std::string& line : lines) joined += (joined.empty() ? "" : "\n") + line;
    return joined;
}

const std::string kHeader = Sjis("*** エラー ***");

// Layout of a failed call up to the error text.
std::string CallFailureHead(const std::string& name, const char* kindUtf8) {
    return Join({kHeader, Sjis(" 場所：関数<") + name + Sjis(">を呼び出し。"),
                 Sjis(" 要因：") + Sjis(kindUtf8), Sjis(" 詳細：")});
}

std::string FileFailureHead(const std::string& name, const char* closeUtf8, const char* kindUtf8) {
    return Join({kHeader, Sjis(" 場所：ファイル<") + name + Sjis(closeUtf8),
                 Sjis(" 要因：") + Sjis(kindUtf8), Sjis(" 詳細：")});
}

std::string UndefinedReport(const std::string& name) {
    return Join({kHeader, Sjis(" 場所：関数<") + name + Sjis(">を呼びだそうとしました。"),
                 Sjis(" 要因：Lua内にこの名前の関数は定義されていません。")});
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

void RunLua(lua_State* L, const std::string& code) {
    const int top = lua_gettop(L);
    ASSERT_EQ(luaL_loadbuffer(L, code.data(), code.size(), "=test") || lua_pcall(L, 0, 0, 0), 0)
        << lua_tostring(L, -1);
    lua_settop(L, top);
}

std::string GlobalText(lua_State* L, const char* name) {
    lua_getglobal(L, name);
    const std::string value = lua_isstring(L, -1) ? lua_tostring(L, -1) : "<not text>";
    lua_pop(L, 1);
    return value;
}

double GlobalNumber(lua_State* L, const char* name) {
    lua_getglobal(L, name);
    const double value = lua_isnumber(L, -1) ? lua_tonumber(L, -1) : -1.0;
    lua_pop(L, 1);
    return value;
}

// Fails allocations of more than a megabyte while armed, so a script can run out of memory
// without the test process doing so.
struct LimitedAllocator {
    lua_Alloc inner = nullptr;
    void* innerData = nullptr;
    bool armed = false;
    static void* Allocate(void* data, void* block, size_t oldSize, size_t newSize) {
        auto* self = static_cast<LimitedAllocator*>(data);
        if (self->armed && newSize > (1u << 20) && newSize > oldSize) return nullptr;
        return self->inner(self->innerData, block, oldSize, newSize);
    }
};

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
    const std::vector<platform::DialogRequest>& Boxes() { return Dialog().Shown(); }
};

TEST_F(ScriptHost, ReportsACallOfSomethingThatIsNotAFunction) {
    RunLua(L(), "NotAFunction = 3 function Fine() end");
    EXPECT_TRUE(host_.CallFunction("Missing").mValues.empty());
    EXPECT_EQ(host_.GetLuaErrorMessage(), UndefinedReport("Missing"));
    host_.CallFunction("NotAFunction");
    EXPECT_EQ(host_.GetLuaErrorMessage(), UndefinedReport("NotAFunction"));
    host_.CallFunction("Fine");
    EXPECT_STREQ(host_.GetLuaErrorMessage(), "");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScriptHost, ReportsAFailedCallWithItsKindAndTraceback) {
    RunLua(L(), "function Boom()\n  error('bad thing')\nend\n"
             "function Big() return string.rep('x', 4 * 1024 * 1024) end");
    host_.CallFunction("Boom");
    const std::string runtime = host_.GetLuaErrorMessage();
    EXPECT_TRUE(StartsWith(runtime, CallFailureHead("Boom", "実行時エラー！") +
                                        "test:2: bad thing\nstack traceback:\n"))
        << runtime;

    // Nested C calls overflow; the handler nesting further makes Lua give up. That
    // status has no kind text of its own.
    RunLua(L(), "function Deep() return tostring(setmetatable({}, {__tostring = Deep})) end");
    lua_getglobal(L(), "debug");
    lua_getfield(L(), -1, "traceback");
    gTraceback = lua_tocfunction(L(), -1);
    lua_pop(L(), 2);
    lua_sethook(L(), OverflowInsideHandler, LUA_MASKCALL, 0);
    host_.CallFunction("Deep");
    lua_sethook(L(), nullptr, 0, 0);
    EXPECT_EQ(host_.GetLuaErrorMessage(),
              CallFailureHead("Deep", "") + "error in error handling");

    LimitedAllocator limit;
    limit.inner = lua_getallocf(L(), &limit.innerData);
    lua_setallocf(L(), &LimitedAllocator::Allocate, &limit);
    limit.armed = true;
    host_.CallFunction("Big");
    limit.armed = false;
    lua_setallocf(L(), limit.inner, limit.innerData);
    EXPECT_EQ(host_.GetLuaErrorMessage(),
              CallFailureHead("Big", "メモリエラー！") + "not enough memory");
}

TEST_F(ScriptHost, ReportsFilesThatFailToLoadOrToRun) {
    Write("syntax.lua", "x = = 1\n");
    Write("runtime.lua", "local a = 1\nerror('run failed')\n");
    Write("good.lua", "ran = 'yes'\n");
    const std::string missing = Path("missing.lua");

    EXPECT_FALSE(host_.RunLuaFile(Path("syntax.lua").c_str()));
    EXPECT_TRUE(StartsWith(host_.GetLuaErrorMessage(),
                           FileFailureHead(Path("syntax.lua"), ">を読み込み。", "構文エラー！") +
                               Path("syntax.lua") + ":1:"))
        << host_.GetLuaErrorMessage();

    EXPECT_FALSE(host_.RunLuaFile(missing.c_str()));
    EXPECT_TRUE(StartsWith(host_.GetLuaErrorMessage(),
                           FileFailureHead(missing, ">を読み込み。", "ファイルエラー！")))
        << host_.GetLuaErrorMessage();

    EXPECT_FALSE(host_.RunLuaFile(Path("runtime.lua").c_str()));
    const std::string run = host_.GetLuaErrorMessage();
    EXPECT_TRUE(StartsWith(run, FileFailureHead(Path("runtime.lua"), ">を実行。", "実行時エラー！") +
                                    Path("runtime.lua") + ":2: run failed\nstack traceback:"))
        << run;

    EXPECT_TRUE(host_.RunLuaFile(Path("good.lua").c_str()));
    EXPECT_STREQ(host_.GetLuaErrorMessage(), "");
    EXPECT_EQ(GlobalText(L(), "ran"), "yes");

    // No name reads standard input, which the report names in words.
    Write("stdin.lua", "y = = 2\n");
    const int savedInput = dup(0);
    ASSERT_NE(std::freopen(Path("stdin.lua").c_str(), "r", stdin), nullptr);
    const bool ok = host_.RunLuaFile(nullptr);
    dup2(savedInput, 0);
    close(savedInput);
    clearerr(stdin);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(StartsWith(host_.GetLuaErrorMessage(),
                           FileFailureHead(Sjis("標準入力"), ">を読み込み。", "構文エラー！")))
        << host_.GetLuaErrorMessage();
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScriptHost, ErrorBoxIsOneOkBoxCutAtACharacterBoundary) {
    host_.ErrorMessageBox("what failed", Sjis("直して下さい。").c_str());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].title, Sjis("スクリプトエラー！"));
    EXPECT_EQ(Boxes()[0].text, "what failed\r\n\n" + Sjis("直して下さい。"));
    EXPECT_EQ(Boxes()[0].buttons, platform::DialogButtons::kOk);
    EXPECT_TRUE(Boxes()[0].ownedByMainWindow);

    std::string wide;  // 600 double-byte characters: the 512th ends at byte 1024
    for (int i = 0; i < 600; ++i) wide += Sjis("あ");
    const std::string advice = Sjis("修正");
    host_.ErrorMessageBox(wide.c_str(), advice.c_str());
    host_.ErrorMessageBox(("a" + wide).c_str(), advice.c_str());
    host_.ErrorMessageBox(std::string(1100, 'x').c_str(), advice.c_str());
    ASSERT_EQ(Boxes().size(), 4u);
    EXPECT_EQ(Boxes()[1].text, wide.substr(0, 1022));
    EXPECT_EQ(Boxes()[2].text, ("a" + wide).substr(0, 1023));
    EXPECT_EQ(Boxes()[3].text, std::string(1023, 'x'));
}

TEST_F(ScriptHost, SettingsScriptIsRetriedUntilItReturnsTrue) {
    const std::string file = Path("loset.lat");
    Write("loset.lat", "return = true\n");
    Respond([&](const platform::DialogRequest& box, int number) {
        if (number == 1) {
            EXPECT_TRUE(StartsWith(box.text, FileFailureHead(file, ">を読み込み。", "構文エラー！")))
                << box.text;
            EXPECT_TRUE(box.text.size() > 4 &&
                        box.text.substr(box.text.rfind("\r\n\n")) ==
                            "\r\n\n" + Sjis("設定ファイルの読み込みスクリプトが不正です！"))
                << box.text;
            Write("loset.lat", "attempts = (attempts or 0) + 1\nreturn false, 'msg'\n");
        } else {
            EXPECT_EQ(box.text, "msg\r\n\n" + Sjis("初期設定ファイルを修正して下さい。"));
            Write("loset.lat", "attempts = attempts + 1\nreturn true\n");
        }
    });
    host_.RunSettingsScript(file.c_str());
    EXPECT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(GlobalNumber(L(), "attempts"), 2.0);
}

TEST_F(ScriptHost, InitializeRerunsTheLoadScriptUntilScriptInitializeRuns) {
    const std::string logLine = "local what = ...\nlog = (log or '') .. what .. ','\n";
    Write("load.lua", logLine);  // forgets to return true
    host_.SetLoadPath(Path("load.lua"));
    Respond([&](const platform::DialogRequest& box, int number) {
        if (number == 1) {
            EXPECT_EQ(box.text, "\r\n\n" + Sjis("スクリプトを修正して下さい。"));
            Write("load.lua", logLine + "return true\n");
        } else {
            EXPECT_TRUE(StartsWith(box.text, UndefinedReport("ScriptInitialize") + "\r\n\n"))
                << box.text;
            Write("load.lua", logLine +
                                  "function ScriptInitialize() inits = (inits or 0) + 1 end\n"
                                  "return true\n");
        }
    });
    host_.Initialize();
    EXPECT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(GlobalText(L(), "log"), "init,init,init,");
    EXPECT_EQ(GlobalNumber(L(), "inits"), 1.0);
}

TEST_F(ScriptHost, FrameFailureReloadsEverythingAndRunsTheFrameAgain) {
    const std::string logLine = "local what = ...\nlog = (log or '') .. what .. ','\n";
    Write("load.lua", logLine +
                          "function ScriptFrame() broken = (broken or 0) + 1 error('frame broke') end\n"
                          "return true\n");
    host_.SetLoadPath(Path("load.lua"));
    host_.ReloadLuaFile("init");
    Respond([&](const platform::DialogRequest& box, int) {
        EXPECT_TRUE(StartsWith(box.text, CallFailureHead("ScriptFrame", "実行時エラー！")))
            << box.text;
        EXPECT_NE(box.text.find("frame broke"), std::string::npos);
        Write("load.lua", logLine + "function ScriptFrame() frames = (frames or 0) + 1 end\n"
                                    "return true\n");
    });
    host_.Frame();
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(GlobalText(L(), "log"), "init,all,");
    EXPECT_EQ(GlobalNumber(L(), "broken"), 1.0);
    EXPECT_EQ(GlobalNumber(L(), "frames"), 1.0);
    host_.Frame();
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(GlobalNumber(L(), "frames"), 2.0);
}

TEST_F(ScriptHost, CallFunctionYieldsTwentyValuesOrNone) {
    RunLua(L(), "function Some() return 1.5, 'a', true, {}, nil, 7 end\n"
             "function Lots() return 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22 end\n"
             "function Fails() error('no') end");
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
    EXPECT_EQ(lots.GetNumber(0), 1.0);
    EXPECT_EQ(lots.GetNumber(19), 20.0);

    testing::internal::CaptureStdout();
    EXPECT_TRUE(host_.CallFunction("Fails").mValues.empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    BaseN::GetIniSettings().mDebugMode = true;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(host_.CallFunction("Fails").mValues.empty());
    EXPECT_TRUE(host_.CallFunction("Missing").mValues.empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "*** Lua関数のコールに失敗しました ***\n*** Lua関数のコールに失敗しました ***\n");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScriptHost, AccessorsFallBackToDefaultsAndSayWhyInDebugMode) {
    LuaArgumentC values;
    values.AddString("3");
    values.AddNumber(1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(values.GetNumber(0), 0.0);
    EXPECT_STREQ(values.GetString(5), "");
    EXPECT_FALSE(values.GetBool(1));
    EXPECT_EQ(values.GetNumber(1), 1.0);
    EXPECT_STREQ(values.GetString(0), "3");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    BaseN::GetIniSettings().mDebugMode = true;
    testing::internal::CaptureStdout();
    EXPECT_EQ(values.GetNumber(0), 0.0);
    EXPECT_EQ(values.GetNumber(-1), 0.0);
    EXPECT_EQ(values.GetNumber(1), 1.0);  // no report for a good index
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "*** エラー ***\n"
              " 場所：LuaN::LuaArgumentC::GetNumber()\n"
              " 要因：数値型でないインデックスを数値型として参照しました。\n"
              " 行動：デフォルト処理で代用します。\n"
              "*** エラー ***\n"
              " 場所：LuaN::LuaArgumentC::GetNumber()\n"
              " 要因：引数に範囲外インデックス値が指定されました。\n"
              " 行動：デフォルト処理で代用します。\n");

    testing::internal::CaptureStdout();
    values.GetString(2);
    values.GetBool(1);
    const std::string reports = testing::internal::GetCapturedStdout();
    EXPECT_NE(reports.find(" 場所：LuaN::LuaArgumentC::GetString()\n"
                           " 要因：引数に範囲外インデックス値が指定されました。\n"),
              std::string::npos)
        << reports;
    EXPECT_NE(reports.find(" 場所：LuaN::LuaArgumentC::GetBool()\n"), std::string::npos) << reports;
}

TEST_F(ScriptHost, ExitFailureIsOnlyWrittenInDebugMode) {
    RunLua(L(), "function ScriptExit() error('cannot leave') end");
    testing::internal::CaptureStdout();
    host_.Exit();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    BaseN::GetIniSettings().mDebugMode = true;
    testing::internal::CaptureStdout();
    host_.Exit();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "*** ScriptExit() 関数のコールに失敗しました ***\n");

    RunLua(L(), "function ScriptExit() exits = (exits or 0) + 1 end");
    testing::internal::CaptureStdout();
    host_.Exit();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(GlobalNumber(L(), "exits"), 1.0);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ScriptHost, PrintWritesOnlyInDebugMode) {
    RunLua(L(), "local original = tostring\n"
             "conversions = 0\n"
             "tostring = function(v) conversions = conversions + 1 return original(v) end");
    testing::internal::CaptureStdout();
    RunLua(L(), "print(1, 'a') print()");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(GlobalNumber(L(), "conversions"), 0.0);

    BaseN::GetIniSettings().mDebugMode = true;
    testing::internal::CaptureStdout();
    RunLua(L(), "print(1, 'a') print() print('\\130\\160', nil, true)");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "1\ta\t\n\nあ\tnil\ttrue\t\n");
    EXPECT_EQ(GlobalNumber(L(), "conversions"), 5.0);
}

TEST_F(ScriptHost, CallsLeaveTheStackAsTheyFoundIt) {
    Write("good.lua", "return 1, 2, 3\n");
    Write("bad.lua", "error('x')\n");
    Write("load.lua", "function ScriptInitialize() end function ScriptFrame() end return true\n");
    host_.SetLoadPath(Path("load.lua"));
    RunLua(L(), "function Fine() return 1, 2 end function Fails() error('no') end "
             "function ScriptExit() error('x') end");
    lua_pushstring(L(), "sentinel");
    const int top = lua_gettop(L());
    host_.CallFunction("Fine");
    host_.CallFunction("Fails");
    host_.CallFunction("Missing");
    host_.RunLuaFile(Path("good.lua").c_str());
    host_.RunLuaFile(Path("bad.lua").c_str());
    host_.RunLuaFile(Path("missing.lua").c_str());
    host_.Initialize();
    host_.Frame();
    host_.Exit();
    EXPECT_EQ(lua_gettop(L()), top);
    EXPECT_STREQ(lua_tostring(L(), -1), "sentinel");
    EXPECT_TRUE(Boxes().empty());
}
