// Checks the script interface of the host as games use it: LuaN.LUA(), the methods of
// LuaN.LuaUtilityC, and the exact messages tolua++ gives a script that calls them wrongly
// (games match on them, so they must not drift).
#include <gtest/gtest.h>
#include <lua.hpp>

#include <string>

#include "unit/HostFixture.h"

using LuaN::LuaUtilityC;

class ScriptBinding : public hinoki_test::HostFixture {
protected:
    void SetUp() override {
        HostFixture::SetUp();
        hinoki_test::EnsureProcessHost();
        Respond([](const platform::DialogRequest&, int) {});  // boxes only count
    }

    // Runs a snippet in a protected call: its error text, or "ok" followed by the
    // snippet's results converted with tostring.
    std::string Outcome(const std::string& code) {
        lua_State* L = host_.GetState();
        const int top = lua_gettop(L);
        std::string outcome;
        if (luaL_loadbuffer(L, code.data(), code.size(), "=snippet") != 0 ||
            lua_pcall(L, 0, LUA_MULTRET, 0) != 0) {
            outcome = lua_isstring(L, -1) ? lua_tostring(L, -1) : "<error without text>";
        } else {
            outcome = "ok";
            for (int i = top + 1; i <= lua_gettop(L); ++i) {
                lua_getglobal(L, "tostring");
                lua_pushvalue(L, i);
                lua_call(L, 1, 1);
                outcome += std::string(" ") + lua_tostring(L, -1);
                lua_pop(L, 1);
            }
        }
        lua_settop(L, top);
        return outcome;
    }

    // The message of a binding function called straight from pcall (no script position in
    // front), or "accepted"; `call` is pcall's argument list, with `lua` the host.
    std::string Refusal(const std::string& call) {
        const std::string outcome = Outcome("local lua = LuaN.LUA()\nlocal ok, message = pcall(" +
                                            call + ")\nif ok then return 'accepted' end\n"
                                            "return message");
        return outcome.compare(0, 3, "ok ") == 0 ? outcome.substr(3) : "snippet failed: " + outcome;
    }

    LuaUtilityC host_;
};

TEST_F(ScriptBinding, WrongArgumentsGetToluaMessages) {
    EXPECT_EQ(Refusal("lua.GetFPS, lua, 'x'"),
              "error in function 'GetFPS'.\n     argument #2 is 'string'; 'number' expected.\n");
    EXPECT_EQ(Refusal("lua.GetFPS, nil, 1"), "invalid 'self' in function 'GetFPS'");
    EXPECT_EQ(Refusal("lua.GetFPS, lua, 1, 2"),
              "error in function 'GetFPS'.\n     argument #3 is 'number'; '[no object]' expected.\n");
    EXPECT_EQ(Refusal("LuaN.LUA, 1"),
              "error in function 'LUA'.\n     argument #1 is 'number'; '[no object]' expected.\n");
    // A dot call passes the number where the host belongs.
    EXPECT_EQ(Refusal("lua.GetFPS, 5"),
              "error in function 'GetFPS'.\n     argument #1 is 'number'; 'LuaN::LuaUtilityC' "
              "expected.\n");
    EXPECT_EQ(Refusal("lua.RunLuaFile, lua, {}"),
              "error in function 'RunLuaFile'.\n     argument #2 is 'table'; 'string' expected.\n");
    // Called from script code, Lua puts the caller's position in front.
    EXPECT_EQ(Outcome("LuaN.LUA():GetFPS('x')"),
              "snippet:1: error in function 'GetFPS'.\n     argument #2 is 'string'; 'number' "
              "expected.\n");
}

TEST_F(ScriptBinding, LuaIsTheProcessHost) {
    EXPECT_EQ(Outcome("return LuaN.LUA() == LuaN.LuaUtilityC:GetInstance()"), "ok true");
    EXPECT_EQ(Outcome("return tolua.type(LuaN.LUA())"), "ok LuaN::LuaUtilityC");
    EXPECT_EQ(Outcome("return type(LuaN.LUA():GetFPS('2.5'))"), "ok number");
    EXPECT_EQ(Outcome("return type(LuaN.LUA():GetFPS(1))"), "ok number");

    // Reports of the process host are readable from scripts.
    Write("bad.lua", "error('broken')\n");
    EXPECT_EQ(Outcome("return LuaN.LUA():RunLuaFile('" + Path("bad.lua") + "')"), "ok false");
    EXPECT_EQ(Outcome("return LuaN.LUA():GetLuaErrorMessage()"),
              std::string("ok ") + LuaUtilityC::GetInstance().GetLuaErrorMessage());
    EXPECT_NE(std::string(LuaUtilityC::GetInstance().GetLuaErrorMessage()).find("broken"),
              std::string::npos);
}

TEST_F(ScriptBinding, NilTextsAreRefusedBeforeAnyBox) {
    EXPECT_EQ(Refusal("lua.ReloadLuaFile, lua, nil"),
              "error in function 'ReloadLuaFile'.\n     argument #2 is 'nil'; 'string' "
              "expected.\n");
    EXPECT_EQ(Refusal("lua.ErrorMessageBox, lua, nil, 'a'"),
              "error in function 'ErrorMessageBox'.\n     argument #2 is 'nil'; 'string' "
              "expected.\n");
    EXPECT_EQ(Refusal("lua.ErrorMessageBox, lua, 'a', nil"),
              "error in function 'ErrorMessageBox'.\n     argument #3 is 'nil'; 'string' "
              "expected.\n");
    EXPECT_TRUE(Dialog().Shown().empty());

    EXPECT_EQ(Outcome("LuaN.LUA():ErrorMessageBox('text', 'advice')"), "ok");
    ASSERT_EQ(Dialog().Shown().size(), 1u);
    EXPECT_EQ(Dialog().Shown()[0].text, "text\r\n\nadvice");
}

TEST_F(ScriptBinding, QuitPostsTheQuitMessage) {
    platform::WindowMessage message;
    EXPECT_FALSE(Window().PeekMessage(message));
    EXPECT_EQ(Outcome("LuaN.LUA():Quit()"), "ok");
    ASSERT_TRUE(Window().PeekMessage(message));
    EXPECT_EQ(message.kind, platform::WindowMessageKind::kQuit);
}

TEST_F(ScriptBinding, DebugOperationsDoNothingOutsideDebugMode) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(Outcome("local lua = LuaN.LUA()\n"
                      "lua:DebugOut('name', 'text') lua:DebugFlush() lua:DebugShowStandard()\n"
                      "lua:DebugShowDebug() lua:DebugClear()"),
              "ok");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(Dialog().Shown().empty());
}
