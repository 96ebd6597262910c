// The script interface of the host as games use it: LuaN.LUA() and the exact messages
// tolua++ gives a script that calls its methods wrongly (games match on them).
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

  // Runs a snippet with `lua` the host.
  std::string Run(const std::string& code) {
    return Outcome(host_.GetState(), "local lua = LuaN.LUA()\n" + code);
  }

  // The message of a binding function called straight from pcall, so without a script
  // position in front; `call` is pcall's argument list.
  std::string Refusal(const std::string& call) {
    return Run("return select(2, pcall(" + call + "))");
  }

  LuaUtilityC host_;
};

TEST_F(ScriptBinding, WrongArgumentsGetToluaMessages) {
  const std::string head = "ok error in function ";
  EXPECT_EQ(Refusal("lua.GetFPS, lua, 'x'"),
            head + "'GetFPS'.\n     argument #2 is 'string'; 'number' expected.\n");
  EXPECT_EQ(Refusal("lua.GetFPS, nil, 1"), "ok invalid 'self' in function 'GetFPS'");
  EXPECT_EQ(Refusal("lua.GetFPS, lua, 1, 2"),
            head + "'GetFPS'.\n     argument #3 is 'number'; '[no object]' expected.\n");
  EXPECT_EQ(Refusal("LuaN.LUA, 1"),
            head + "'LUA'.\n     argument #1 is 'number'; '[no object]' expected.\n");
  // A dot call passes the number where the host belongs.
  EXPECT_EQ(Refusal("lua.GetFPS, 5"),
            head + "'GetFPS'.\n     argument #1 is 'number'; 'LuaN::LuaUtilityC' expected.\n");
  // Called from script code, Lua puts the caller's position in front.
  EXPECT_EQ(Run("lua:GetFPS('x')"),
            "snippet:2: error in function 'GetFPS'.\n     argument #2 is 'string'; 'number' "
            "expected.\n");

  // Nil texts are refused before they reach a box.
  EXPECT_EQ(Refusal("lua.ErrorMessageBox, lua, 'a', nil"),
            head + "'ErrorMessageBox'.\n     argument #3 is 'nil'; 'string' expected.\n");
  EXPECT_TRUE(Dialog().Shown().empty());
  EXPECT_EQ(Run("lua:ErrorMessageBox('text', 'advice')"), "ok");
  ASSERT_EQ(Dialog().Shown().size(), 1u);
  EXPECT_EQ(Dialog().Shown()[0].text, "text\r\n\nadvice");
}

TEST_F(ScriptBinding, LuaIsTheProcessHost) {
  EXPECT_EQ(Run("return lua == LuaN.LuaUtilityC:GetInstance(), type(lua:GetFPS(1))"),
            "ok true number");
  // Reports of the process host are readable from scripts.
  Write("bad.lua", "error('broken')\n");
  EXPECT_EQ(Run("return lua:RunLuaFile('" + Path("bad.lua") + "')"), "ok false");
  const std::string report = LuaUtilityC::GetInstance().GetLuaErrorMessage();
  EXPECT_NE(report.find("broken"), std::string::npos);
  EXPECT_EQ(Run("return lua:GetLuaErrorMessage()"), "ok " + report);
}

// Member access keeps tolua++'s rules in every case its fast paths do not cover: numeric
// strings are numbers, wrong types get the assignment message, unknown names go to the
// object's peer table, and a peer's value hides a field.
TEST_F(ScriptBinding, MemberAccessFollowsToluaRules) {
  EXPECT_EQ(Run("local m = MatrixC(); m._11 = 2.5; m._43 = '4'; local v = Vector3C(1, 2, 3)\n"
                "v.z = -1; return m._11, m._43, m._12, v.x + v.y, v.z, MatrixC:MkIdentity()._44"),
            "ok 2.5 4 0 3 -1 1");
  EXPECT_EQ(Run("local m = MatrixC(); local ok, e = pcall(function() m._11 = 'x' end); return e"),
            "ok invalid type in variable assignment.\n     value is 'string'; 'number' expected.\n");
  EXPECT_EQ(Run("local v = Vector3C(); v.tag = 'mine'; return v.tag, v.w, v.Set ~= nil"),
            "ok mine nil true");
  EXPECT_EQ(Run("local v = Vector3C(7, 0, 0); tolua.setpeer(v, { x = 'peer' }); return v.x"),
            "ok peer");
  EXPECT_EQ(Run("local q = D3DXQUATERNION(1, 2, 3, 4); q.w = 9; return q.x, q.w"), "ok 1 9");
}
