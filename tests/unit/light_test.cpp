// Lights on the recording device: which index each light takes, what each kind sends at
// once, that edits wait for Apply, how Enabled, Apply, ResetIndex and collection switch
// indices on and off, and what scripts see of all this.
#include <gtest/gtest.h>
#include <tolua++.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/fake/RecordingDevice.h"
#include "render/D3DDeviceAgentC.h"
#include "render/LightC.h"
#include "unit/HostFixture.h"
#include "unit/render_test_fixture.h"

namespace {

using RenderN::DirectionalLightC;
using RenderN::LightC;
using RenderN::PointLightC;
using RenderN::SpotLightC;

class Lights : public rendertest::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    ASSERT_TRUE(CreateAgent());
    LightC::ResetIndex();  // other tests of this process may have handed out indices
    Device().ClearCalls();
  }
  const D3DLIGHT9& Sent(DWORD index) { return Device().mLights.at(index); }
  bool On(DWORD index) { return Device().mEnabledLights.count(index) != 0; }
};

TEST_F(Lights, IndicesCountUpAndStartAgainAfterResetIndex) {
  PointLightC first;
  SpotLightC second;
  EXPECT_EQ(first.GetIndex(), 0u);
  EXPECT_EQ(second.GetIndex(), 1u);
  EXPECT_TRUE(On(0) && On(1));  // a new light shines at once

  Device().ClearCalls();
  LightC::ResetIndex();
  EXPECT_EQ(Device().Calls("LightEnable("),
            (std::vector<std::string>{platform::fake::Line("LightEnable", {0, 0}),
                                      platform::fake::Line("LightEnable", {1, 0})}));
  EXPECT_FALSE(On(0) || On(1));
  EXPECT_EQ(first.GetIndex(), 0u);  // older lights keep theirs
  DirectionalLightC third;
  EXPECT_EQ(third.GetIndex(), 0u);
  EXPECT_TRUE(On(0));
}

TEST_F(Lights, EachKindSendsItsDefaultsAtOnce) {
  PointLightC point;
  SpotLightC spot;
  DirectionalLightC directional;

  const D3DLIGHT9& p = Sent(point.GetIndex());
  EXPECT_EQ(p.Type, D3DLIGHT_POINT);
  EXPECT_EQ(p.Diffuse.r + p.Diffuse.g + p.Diffuse.b + p.Diffuse.a, 4.0f);
  EXPECT_EQ(p.Specular.g, 0.5f);
  EXPECT_EQ(p.Specular.a, 1.0f);
  EXPECT_EQ(p.Ambient.b, 0.1f);
  EXPECT_EQ(p.Position.y, 10.0f);
  EXPECT_EQ(p.Range, 10.0f);
  EXPECT_EQ(p.Attenuation0, 1.0f);
  EXPECT_EQ(p.Falloff, 0.0f);
  EXPECT_EQ(p.Theta + p.Phi + p.Direction.x + p.Direction.y + p.Direction.z, 0.0f);

  const D3DLIGHT9& s = Sent(spot.GetIndex());
  EXPECT_EQ(s.Type, D3DLIGHT_SPOT);
  EXPECT_EQ(s.Position.x, 1.0f);
  EXPECT_EQ(s.Position.z, 3.0f);
  EXPECT_FLOAT_EQ(s.Direction.x, 0.70710677f);
  EXPECT_FLOAT_EQ(s.Direction.y, -0.70710677f);
  EXPECT_EQ(s.Theta, 10.0f * 0.0174532924f);
  EXPECT_EQ(s.Phi, 20.0f * 0.0174532924f);
  EXPECT_EQ(s.Falloff, 1.0f);
  EXPECT_EQ(s.Range, 10.0f);

  const D3DLIGHT9& d = Sent(directional.GetIndex());
  EXPECT_EQ(d.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_FLOAT_EQ(d.Direction.x, 0.70710677f);
  EXPECT_EQ(d.Diffuse.g, 1.0f);
  EXPECT_EQ(d.Specular.r + d.Specular.a + d.Ambient.g + d.Ambient.a, 0.0f);
  EXPECT_EQ(d.Range + d.Attenuation0, 0.0f);

  // GetLight is the object's own record.
  EXPECT_EQ(&spot.GetLight(), &spot.GetLight());
  EXPECT_EQ(spot.GetLight().Phi, s.Phi);
}

TEST_F(Lights, EditsReachTheDeviceOnlyThroughApplyOrInitialize) {
  PointLightC point;
  point.SetRange(50);
  point.SetDiffuse(0.25f, 0.5f, 0.75f);
  point.SetAttenuation(3);
  EXPECT_EQ(Sent(0).Range, 10.0f);
  EXPECT_EQ(point.GetLight().Range, 50.0f);
  point.Apply();
  EXPECT_EQ(Sent(0).Range, 50.0f);
  EXPECT_EQ(Sent(0).Diffuse.g, 0.5f);
  EXPECT_EQ(Sent(0).Diffuse.a, 1.0f);  // alpha stays
  EXPECT_EQ(Sent(0).Attenuation0, 3.0f);

  DirectionalLightC directional;
  directional.SetDirection(D3DXVECTOR3(0, -2, 0));  // kept as given, not normalised
  directional.Apply();
  EXPECT_EQ(Sent(1).Direction.y, -2.0f);

  SpotLightC spot;
  spot.SetTheta(AngleC(DegreeC(30.0f)));
  spot.SetPhi(AngleC(RadianC(1.0f)));
  spot.SetFallOff(2);
  spot.Apply();
  EXPECT_EQ(Sent(2).Theta, 30.0f * 0.0174532924f);
  EXPECT_FLOAT_EQ(Sent(2).Phi, 1.0f);
  EXPECT_EQ(Sent(2).Falloff, 2.0f);

  point.Initialize();
  EXPECT_EQ(Sent(0).Range, 10.0f);
  EXPECT_EQ(point.GetLight().Diffuse.g, 1.0f);
}

TEST_F(Lights, EnabledSwitchesOnlyOnChangesAndApplySwitchesBackOn) {
  PointLightC point;
  Device().ClearCalls();
  point.Enabled(true);
  EXPECT_TRUE(Device().Calls().empty());
  point.Enabled(false);
  point.Enabled(false);
  EXPECT_EQ(Device().Calls(),
            std::vector<std::string>{platform::fake::Line("LightEnable", {0, 0})});
  EXPECT_FALSE(On(0));

  Device().ClearCalls();
  point.Apply();
  EXPECT_TRUE(On(0));
  EXPECT_EQ(Device().Calls(), (std::vector<std::string>{platform::fake::Line("LightEnable", {0, 1}),
                                                        platform::fake::Line("SetLight", {0})}));
  Device().ClearCalls();
  point.Apply();  // already on: only the record goes
  EXPECT_EQ(Device().Calls(), std::vector<std::string>{platform::fake::Line("SetLight", {0})});
}

TEST_F(Lights, DestructionSwitchesOffAnIndexNoNewerLightUses) {
  auto old = std::make_unique<SpotLightC>();
  { PointLightC shortLived; }
  EXPECT_TRUE(On(0));
  EXPECT_FALSE(On(1));

  // After ResetIndex a new light takes index 0 again; the old one going away later (as
  // the collector decides) must not put the new one out.
  LightC::ResetIndex();
  DirectionalLightC current;
  ASSERT_EQ(current.GetIndex(), 0u);
  old.reset();
  EXPECT_TRUE(On(0));
}

TEST_F(Lights, WithoutADeviceLightsStillKeepTheirRecords) {
  Agent().Destroy();
  PointLightC point;
  point.SetRange(3);
  point.Apply();
  point.Enabled(false);
  LightC::ResetIndex();
  EXPECT_EQ(point.GetLight().Range, 3.0f);
}

// ---- The script interface ----------------------------------------------------------

class LightScripts : public hinoki_test::HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    hinoki_test::EnsureProcessHost();
    platform::Components components = platform::Installed();
    components.graphics = &mGraphics;
    platform::Install(components);
    RenderN::D3DDeviceAgentC::GetInstance().Destroy();
    ASSERT_TRUE(RenderN::D3DDeviceAgentC::GetInstance().Create(false, &Window(), true, 800, 600));
    LightC::ResetIndex();
  }

  void TearDown() override {
    Run("collectgarbage() collectgarbage()");  // no light outlives this test's device
    RenderN::D3DDeviceAgentC::GetInstance().Destroy();
    HostFixture::TearDown();
  }

  std::string Run(const std::string& code) { return Outcome(host_.GetState(), code); }
  std::string Refusal(const std::string& call) {
    return Run("return select(2, pcall(" + call + "))");
  }
  platform::fake::RecordingDevice& Device() { return *mGraphics.mLastDevice; }

  platform::fake::RecordingGraphics mGraphics;
  LuaN::LuaUtilityC host_;
};

TEST_F(LightScripts, ScriptsMakeEditAndApplyLights) {
  EXPECT_EQ(
      Run("spot = SpotLightC() dir = DirectionalLightC:new_local() point = PointLightC:new()\n"
          "return spot:GetIndex(), dir:GetIndex(), point:GetIndex(), tolua.type(spot),\n"
          "       tolua.type(point:GetLight()), spot:GetLight() == spot:GetLight(),\n"
          "       tostring(spot:GetLight()) == tostring(spot:GetLight())"),
      "ok 0 1 2 SpotLightC const D3DLIGHT9 true true");
  EXPECT_EQ(
      Run("point:SetRange('50') point:SetAttenuation(2) point:SetPosition(Vector3C(1, 2, 3))\n"
          "point:SetDiffuse(0.5, 0.25, 0) point:SetAmbient(0, 0, 1) point:SetSpecular(1, 1, 1)"),
      "ok");
  EXPECT_EQ(Device().mLights.at(2).Range, 10.0f);
  EXPECT_EQ(Run("point:Enabled(false) point:Apply()"), "ok");
  const D3DLIGHT9& point = Device().mLights.at(2);
  EXPECT_EQ(point.Range, 50.0f);
  EXPECT_EQ(point.Position.z, 3.0f);
  EXPECT_EQ(point.Diffuse.g, 0.25f);
  EXPECT_EQ(point.Ambient.b, 1.0f);
  EXPECT_TRUE(Device().mEnabledLights.count(2));

  EXPECT_EQ(Run("spot:SetTheta(AngleC(DegreeC(40))) spot:SetPhi(AngleC(DegreeC(60))) "
                "spot:SetFallOff(0.5)\n"
                "spot:SetDirection(D3DXVECTOR3(0, -2, 0)) spot:Apply()\n"
                "dir:SetDirection(Vector3C(0, 0, 1)) dir:Enabled(false)"),
            "ok");
  EXPECT_EQ(Device().mLights.at(0).Theta, 40.0f * 0.0174532924f);
  EXPECT_EQ(Device().mLights.at(0).Phi, 60.0f * 0.0174532924f);
  EXPECT_EQ(Device().mLights.at(0).Direction.y, -2.0f);
  EXPECT_FALSE(Device().mEnabledLights.count(1));

  // A collected light switches its index off; one made with new is left alone by the
  // collector until the script hands it over.
  EXPECT_EQ(Run("local l = PointLightC() l = nil collectgarbage() collectgarbage()"), "ok");
  EXPECT_FALSE(Device().mEnabledLights.count(3));
  lua_State* L = host_.GetState();
  lua_getglobal(L, "point");
  std::unique_ptr<LightC> made(static_cast<LightC*>(tolua_tousertype(L, -1, nullptr)));
  lua_pop(L, 1);
  EXPECT_EQ(Run("point = nil collectgarbage() collectgarbage()"), "ok");
  EXPECT_TRUE(Device().mEnabledLights.count(2));
  made.reset();  // what only a process exit does for a script
  EXPECT_FALSE(Device().mEnabledLights.count(2));
  EXPECT_EQ(Run("local l = PointLightC:new() tolua.takeownership(l) l = nil\n"
                "collectgarbage() collectgarbage()"),
            "ok");
  EXPECT_FALSE(Device().mEnabledLights.count(4));

  EXPECT_EQ(Run("LightC:ResetIndex() return PointLightC():GetIndex(), spot:GetIndex()"), "ok 0 0");
  EXPECT_EQ(Run("spot = nil dir = nil"), "ok");
}

TEST_F(LightScripts, WrongUseIsRefusedWithTheBindingsTexts) {
  const std::string head = "ok error in function ";
  EXPECT_EQ(Run("return LightC.new, PointLightC.delete, PointLightC.SetDirection, "
                "DirectionalLightC.SetRange"),
            "ok nil nil nil nil");
  EXPECT_EQ(Refusal("SpotLightC().SetTheta, SpotLightC(), 30"),
            head + "'SetTheta'.\n     argument #2 is 'number'; 'const AngleC' expected.\n");
  EXPECT_EQ(Refusal("PointLightC().SetPosition, PointLightC(), nil"),
            head + "'SetPosition'.\n     argument #2 is 'nil'; 'value' expected.\n");
  EXPECT_EQ(Refusal("PointLightC().SetRange, PointLightC(), 'far'"),
            head + "'SetRange'.\n     argument #2 is 'string'; 'number' expected.\n");
  EXPECT_EQ(Refusal("PointLightC().Apply, nil"), "ok invalid 'self' in function 'Apply'");
  EXPECT_EQ(
      Refusal("SpotLightC().SetFallOff, DirectionalLightC(), 1"),
      head + "'SetFallOff'.\n     argument #1 is 'DirectionalLightC'; 'SpotLightC' expected.\n");
  EXPECT_EQ(Refusal("PointLightC().Enabled, PointLightC(), true, 1"),
            head + "'Enabled'.\n     argument #3 is 'number'; '[no object]' expected.\n");
}

}  // namespace
