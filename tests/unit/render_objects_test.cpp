// Planks, billboards, sprites and models on the recording device: what each sends to the
// device when drawn, and how their operations change what is drawn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/BillboardC.h"
#include "render/ModelC.h"
#include "render/PlankC.h"
#include "render/SpriteC.h"
#include "unit/drawables_fixture.h"

namespace {

using platform::fake::Line;
using RenderN::FaceVertexS;

class Drawables : public drawtest::DrawablesTest {};

// What a face sends before its draw call, texture and vertex format aside.
std::vector<std::string> FaceStateLines(int lighting, int cull, int destBlend, int zWrite,
                                        int fog) {
  return {Line("SetRenderState", {137, double(lighting)}),
          Line("SetRenderState", {22, double(cull)}),
          Line("SetTransform", {256}),
          Line("SetRenderState", {20, double(destBlend)}),
          Line("SetRenderState", {14, double(zWrite)}),
          Line("SetRenderState", {28, double(fog)})};
}

TEST_F(Drawables, NewPlankIsAWhiteUnitSquareWithCullingOffAndBillboardDiffersOnlyInItsStates) {
  RenderN::SPPLANK plank = Manager().CreatePlank();
  RenderN::SPBILLBOARD billboard = Manager().CreateBillboard();
  EXPECT_EQ(plank->mOrder, 0.0f);
  EXPECT_FALSE(plank->mTranslucent);
  EXPECT_TRUE(billboard->mTranslucent);
  plank->Draw();
  billboard->Draw();

  std::vector<std::string> expected = FaceStateLines(0, 1, 6, 1, 1);
  expected.push_back(Line("DrawPrimitiveUP", {6, 2, 24}));
  const std::vector<std::string> billboardLines = FaceStateLines(0, 3, 6, 0, 1);
  expected.insert(expected.end(), billboardLines.begin(), billboardLines.end());
  expected.push_back(Line("DrawPrimitiveUP", {6, 2, 24}));
  EXPECT_EQ(Device().Calls(), expected);

  ASSERT_EQ(Device().mDraws.size(), 2u);
  for (const platform::fake::PrimitiveDraw& draw : Device().mDraws) {
    EXPECT_EQ(draw.texture, nullptr);
    EXPECT_EQ(draw.fvf, 0x142u);
    const std::vector<FaceVertexS> v = drawtest::SentVertices(draw);
    ASSERT_EQ(v.size(), 4u);
    const float expectedXyuv[4][4] = {
        {-0.5f, 0.5f, 0, 0}, {0.5f, 0.5f, 1, 0}, {0.5f, -0.5f, 1, 1}, {-0.5f, -0.5f, 0, 1}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(v[i].mPosition.x, expectedXyuv[i][0]);
      EXPECT_EQ(v[i].mPosition.y, expectedXyuv[i][1]);
      EXPECT_EQ(v[i].mPosition.z, 0.0f);
      EXPECT_EQ(v[i].mColor, 0xFFFFFFFFu);
      EXPECT_EQ(v[i].mU, expectedXyuv[i][2]);
      EXPECT_EQ(v[i].mV, expectedXyuv[i][3]);
    }
  }
}

TEST_F(Drawables, FaceBindsItsTextureOnlyWhenItChangesAndRestoresTheVertexFormat) {
  RenderN::SPTEXTUREDATA texture = Texture(16, 16);
  RenderN::SPPLANK first = Manager().CreatePlank();
  RenderN::SPPLANK second = Manager().CreatePlank();
  RenderN::SPPLANK untextured = Manager().CreatePlank();
  first->SetTexture(texture);
  second->SetTexture(texture);
  second->AdditiveBlending(true);
  second->Culling(true);
  second->WritingZBuffer(false);
  second->Fog(false);
  Agent().mStandardVertexFormat = 0;  // as a mesh draw leaves it
  Device().ClearCalls();

  first->Draw();
  second->Draw();
  untextured->Draw();
  EXPECT_EQ(Device().Calls("SetTexture("),
            (std::vector<std::string>{Line("SetTexture", {0, 1}), Line("SetTexture", {0, 0})}));
  EXPECT_EQ(Device().Calls("SetFVF("), std::vector<std::string>{Line("SetFVF", {0x142})});
  EXPECT_EQ(Agent().mStandardVertexFormat, 1u);
  ASSERT_EQ(Device().mDraws.size(), 3u);
  EXPECT_EQ(Device().mDraws[1].texture, texture->mTexture.get());
  EXPECT_EQ(Device().mDraws[2].texture, nullptr);

  Device().ClearCalls();
  second->Draw();
  std::vector<std::string> expected = FaceStateLines(0, 3, 2, 0, 0);
  expected.push_back(Line("SetTexture", {0, 1}));
  expected.push_back(Line("DrawPrimitiveUP", {6, 2, 24}));
  EXPECT_EQ(Device().Calls(), expected);
  EXPECT_EQ(Agent().mCurrentTexture, texture->mTexture);
}

TEST_F(Drawables, SetAlphaAndSetColorChangeTheirBytesOfOneOrAllVertices) {
  RenderN::PlankC plank;
  plank.SetAlpha(128, 4);
  for (const FaceVertexS& v : plank.mVertex) EXPECT_EQ(v.mColor, 0x80FFFFFFu);
  plank.SetAlpha(10, 2);
  EXPECT_EQ(plank.mVertex[2].mColor, 0x0AFFFFFFu);
  EXPECT_EQ(plank.mVertex[1].mColor, 0x80FFFFFFu);
  plank.SetAlpha(10, -1);  // any number outside 0-3 means all four
  plank.SetColor(255, 0, 0, 4);
  for (const FaceVertexS& v : plank.mVertex) EXPECT_EQ(v.mColor, 0x0AFF0000u);
  plank.SetColor(0, 0x12, 0x34, 3);
  EXPECT_EQ(plank.mVertex[3].mColor, 0x0A001234u);
  EXPECT_EQ(plank.mVertex[0].mColor, 0x0AFF0000u);

  // Positions: vertex 0-3 only; other numbers are ignored and read as zero.
  plank.SetPosition(D3DXVECTOR3(1, 2, 3), 1);
  plank.SetPosition(D3DXVECTOR3(9, 9, 9), 4);
  EXPECT_EQ(plank.GetPosition(1), Vector3C(1, 2, 3));
  EXPECT_EQ(&plank.GetPosition(1), &plank.mVertex[1].mPosition);
  EXPECT_EQ(plank.GetPosition(7), Vector3C(0, 0, 0));
  EXPECT_EQ(plank.mVertex[0].mPosition, Vector3C(-0.5f, 0.5f, 0));
}

TEST_F(Drawables, FaceSplitSelectsATexelCellOneTexelShortOfTheNext) {
  RenderN::PlankC plank;
  plank.Split(4, 2, 1, 1);  // no texture: nothing changes
  EXPECT_EQ(plank.mVertex[2].mU, 1.0f);

  plank.SetTexture(Texture(256, 128));
  plank.Split(4, 2, 1, 1);
  EXPECT_EQ(plank.mVertex[0].mU, 0.25f);
  EXPECT_EQ(plank.mVertex[0].mV, 0.5f);
  EXPECT_EQ(plank.mVertex[1].mU, 127.0f / 256.0f);
  EXPECT_EQ(plank.mVertex[1].mV, 0.5f);
  EXPECT_EQ(plank.mVertex[2].mU, 127.0f / 256.0f);
  EXPECT_EQ(plank.mVertex[2].mV, 127.0f / 128.0f);
  EXPECT_EQ(plank.mVertex[3].mU, 0.25f);
  EXPECT_EQ(plank.mVertex[3].mV, 127.0f / 128.0f);

  plank.Split(0, 0, 0, 0);  // zero columns and rows count as one
  EXPECT_EQ(plank.mVertex[0].mU, 0.0f);
  EXPECT_EQ(plank.mVertex[2].mU, 255.0f / 256.0f);
  EXPECT_EQ(plank.mVertex[2].mV, 127.0f / 128.0f);

  // Single precision at every step: a third of 100 texels.
  plank.SetTexture(Texture(100, 100));
  plank.Split(3, 1, 1, 0);
  const float cell = 100.0f / 3.0f;
  const float texel = 1.0f / 100.0f;
  EXPECT_EQ(plank.mVertex[0].mU, 1.0f * cell * texel);
  EXPECT_EQ(plank.mVertex[1].mU, (2.0f * cell - 1.0f) * texel);
}

class CountingShader : public RenderN::ShaderC {
 public:
  void DrawFace(RenderN::FaceC& face) override {
    ++faces;
    last = &face;
  }
  void DrawModel(RenderN::ModelC&) override { ++models; }
  int faces = 0;
  int models = 0;
  RenderN::FaceC* last = nullptr;
};

TEST_F(Drawables, FaceOrModelWithAShaderIsHandedToItAndAModelWithoutMeshDrawsNothing) {
  auto shader = std::make_shared<CountingShader>();
  RenderN::SPBILLBOARD billboard = Manager().CreateBillboard();
  billboard->SetShader(shader);
  billboard->Draw();
  EXPECT_EQ(shader->faces, 1);
  EXPECT_EQ(shader->last, billboard.get());
  EXPECT_TRUE(Device().Calls().empty());
  billboard->SetShader(nullptr);
  billboard->Draw();
  EXPECT_EQ(Device().mDraws.size(), 1u);

  RenderN::SPMODEL model = Manager().CreateModel();
  model->mShader = shader;
  Device().ClearCalls();
  model->Draw();
  EXPECT_TRUE(Device().Calls().empty());
  EXPECT_EQ(shader->models, 0);
  EXPECT_TRUE(model->mLighting && model->mCulling && model->mWritingZBuffer && model->mFog &&
              model->mShaderEnabled && !model->mAdditiveBlending && !model->mTranslucent);
}

TEST_F(Drawables, SpriteSizesItsCellsAndDrawsThroughTheBatch) {
  const std::string file = WritePng("player.png", 64, 32);
  RenderN::SPSPRITE sprite = Manager().CreateSprite(file.c_str());
  EXPECT_EQ(sprite->mSize.x, 64.0f);
  EXPECT_EQ(sprite->mSize.y, 32.0f);
  EXPECT_EQ(sprite->mSourceRect.left, 0);
  EXPECT_EQ(sprite->mSourceRect.top, 0);
  EXPECT_EQ(sprite->mSourceRect.right, 64);
  EXPECT_EQ(sprite->mSourceRect.bottom, 32);
  EXPECT_EQ(sprite->mCenterPosition, D3DXVECTOR3(32, 16, 0));
  sprite->Split(2, 1);
  EXPECT_EQ(sprite->mSourceRect.left, 128);
  EXPECT_EQ(sprite->mSourceRect.top, 32);
  EXPECT_EQ(sprite->mSourceRect.right, 192);
  EXPECT_EQ(sprite->mSourceRect.bottom, 64);

  sprite->mSourceRect = RECT{20, 30, 0, 0};
  sprite->SetSize(10.9f, 5.2f);
  EXPECT_EQ(sprite->mSourceRect.right, 30);
  EXPECT_EQ(sprite->mSourceRect.bottom, 35);
  EXPECT_EQ(sprite->mSize.x, 10.9f);

  EXPECT_TRUE(sprite->mTranslucent);
  sprite->AdditiveBlending(true);
  EXPECT_FALSE(sprite->mTranslucent);

  sprite->SetCenterPosition(5, 6);
  sprite->mCenterPosition.z = 7;  // forced back to 0 by the draw
  sprite->SetColor(0x80102030u);
  D3DXMATRIX placed;
  D3DXMatrixTranslation(&placed, 100, 50, 0);
  sprite->SetMatrix(placed);
  sprite->Draw();
  ASSERT_EQ(Batch().mDraws.size(), 1u);
  const platform::fake::SpriteDraw& draw = Batch().mDraws[0];
  EXPECT_EQ(draw.texture, sprite->mTexture->mTexture.get());
  EXPECT_EQ(draw.source.left, 20);
  EXPECT_EQ(draw.source.right, 30);
  EXPECT_TRUE(draw.hasCenter);
  EXPECT_EQ(draw.center.x, 5.0f);
  EXPECT_EQ(draw.center.y, 6.0f);
  EXPECT_EQ(draw.center.z, 0.0f);
  EXPECT_FALSE(draw.hasPosition);
  EXPECT_EQ(draw.color, 0x80102030u);
  EXPECT_TRUE(drawtest::SameMatrix(draw.transform, placed));

  // A sprite whose texture handle is empty is skipped, not read through.
  sprite->SetTexture(nullptr);
  sprite->Draw();
  EXPECT_EQ(Batch().mDraws.size(), 1u);
}

TEST_F(Drawables, NewSpriteHasTheNoTextureImageAndItsOwnDrawIsABatchOfOne) {
  RenderN::SPSPRITE sprite = Manager().CreateSprite();
  ASSERT_NE(sprite->mTexture, nullptr);
  EXPECT_EQ(sprite->mTexture->mWidth, 64.0f);
  EXPECT_EQ(sprite->mSourceRect.right, 2);
  EXPECT_EQ(sprite->mSize.x, 0.0f);
  EXPECT_EQ(sprite->mColor, 0xFFFFFFFFu);
  sprite->AdditiveBlending(true);
  Device().ClearCalls();
  sprite->DrawAlone();
  EXPECT_EQ(Device().Calls(),
            (std::vector<std::string>{Line("SetRenderState", {20, 2}), Line("Sprite.Begin", {16}),
                                      "Sprite.SetTransform()", Line("Sprite.Draw", {0xFFFFFFFFu}),
                                      "Sprite.End()"}));
}

D3DXMATRIX Rotation(char axis, float degrees) {
  D3DXMATRIX m;
  const float radians = degrees * 0.0174532924f;
  if (axis == 'x') D3DXMatrixRotationX(&m, radians);
  if (axis == 'y') D3DXMatrixRotationY(&m, radians);
  if (axis == 'z') D3DXMatrixRotationZ(&m, radians);
  return m;
}

TEST_F(Drawables, ModelRotationOrdersAxesAndRadius) {
  RenderN::ModelC model;
  const D3DXVECTOR3 position(1, 2, 3);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  D3DXMATRIX translation;
  D3DXMatrixTranslation(&translation, 1, 2, 3);

  model.SetMatrix("zyx", 0, 90, 0, position, identity);
  const D3DXMATRIX single = model.mMatrix;
  model.SetMatrix("XYZ", 0, 90, 0, position, identity);
  EXPECT_TRUE(drawtest::SameMatrix(model.mMatrix, single));

  // Each order multiplies its rotations as named, then translates, then applies the base.
  D3DXMATRIX base;
  D3DXMatrixScaling(&base, 2, 2, 2);
  const struct {
    const char* order;
    D3DXMATRIX rotation;
  } orders[] = {
      {"XYZ", Rotation('x', 30) * Rotation('y', 40) * Rotation('z', 50)},
      {"xzy", Rotation('x', 30) * Rotation('z', 50) * Rotation('y', 40)},
      {"YXZ", Rotation('y', 40) * Rotation('x', 30) * Rotation('z', 50)},
      {"yzx", Rotation('y', 40) * Rotation('z', 50) * Rotation('x', 30)},
      {"ZXY", Rotation('z', 50) * Rotation('x', 30) * Rotation('y', 40)},
      {"zyx", Rotation('z', 50) * Rotation('y', 40) * Rotation('x', 30)},
  };
  for (const auto& o : orders) {
    model.SetMatrix(o.order, 30, 40, 50, position, base);
    EXPECT_TRUE(drawtest::SameMatrix(model.mMatrix, o.rotation * translation * base)) << o.order;
  }
  // Any other text, "Xyz" and a null text included, is yaw a, pitch b, roll c.
  D3DXMATRIX yawPitchRoll;
  D3DXMatrixRotationYawPitchRoll(&yawPitchRoll, 30 * 0.0174532924f, 40 * 0.0174532924f,
                                 50 * 0.0174532924f);
  for (const char* order : {"YPR", "ypr", "Xyz", "", static_cast<const char*>(nullptr)}) {
    model.SetMatrix(order, 30, 40, 50, position, base);
    EXPECT_TRUE(drawtest::SameMatrix(model.mMatrix, yawPitchRoll * translation * base));
  }

  D3DXMATRIX scaled;
  D3DXMatrixScaling(&scaled, 3, 4, 2);
  model.SetMatrix(Rotation('z', 90) * scaled);
  EXPECT_EQ(model.GetRadius(), 4.0f);
  EXPECT_EQ(model.GetOBBAxis(2), Vector3C(0, 0, 1));
  const Vector3C x = model.GetOBBAxis(0);
  EXPECT_NEAR(x.x, 0.0f, 1e-6f);
  EXPECT_NEAR(x.y, 1.0f, 1e-6f);
  EXPECT_EQ(model.GetOBBAxis(3), Vector3C(0, 0, 0));
  EXPECT_EQ(model.GetOBBAxis(-1), Vector3C(0, 0, 0));
}

TEST_F(Drawables, BillboardFacesTheCameraAndKeepsTheScreenPlane) {
  RenderN::BillboardC billboard;
  const D3DXVECTOR3 up(0, 1, 0);
  // Looking along +z the rotation is none: only the translation remains.
  billboard.SetMatrix(D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(0, 0, -5), D3DXVECTOR3(0, 0, 0), up);
  D3DXMATRIX expected;
  D3DXMatrixTranslation(&expected, 1, 2, 3);
  EXPECT_TRUE(drawtest::NearMatrix(billboard.mMatrix, expected));

  // Looking along -x: the quad's local +z turns into the viewing direction, its front
  // (local -z) toward the eye, its local y stays up.
  billboard.SetMatrix(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(0, 0, 0), up);
  EXPECT_NEAR(billboard.mMatrix._31, -1.0f, 1e-6f);
  EXPECT_NEAR(billboard.mMatrix._22, 1.0f, 1e-6f);
  EXPECT_NEAR(billboard.mMatrix._13, 1.0f, 1e-6f);

  // The five-argument form: local first, then the facing rotation, then only the
  // translation of `place`.
  D3DXMATRIX local, place, rotation;
  D3DXMatrixScaling(&local, 2, 3, 1);
  D3DXMatrixRotationY(&rotation, 1.0f);
  D3DXMatrixTranslation(&place, 7, 8, 9);
  billboard.SetMatrix(local, rotation * place, D3DXVECTOR3(0, 0, -5), D3DXVECTOR3(0, 0, 0), up);
  D3DXMatrixTranslation(&expected, 7, 8, 9);
  EXPECT_TRUE(drawtest::NearMatrix(billboard.mMatrix, local * expected));

  // With no direction to look in, the quad keeps its own orientation.
  billboard.SetMatrix(D3DXVECTOR3(4, 5, 6), D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(1, 1, 1), up);
  D3DXMatrixTranslation(&expected, 4, 5, 6);
  EXPECT_TRUE(drawtest::SameMatrix(billboard.mMatrix, expected));
}

}  // namespace
