// The rendering manager on the recording device: which list each object joins, the order
// of one frame's drawing, the sorts, the blending flushes, and object lifetimes.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "render/RenderingManagerC.h"
#include "unit/drawables_fixture.h"

namespace {

using platform::fake::Line;

class RenderingManager : public drawtest::DrawablesTest {
 protected:
  // Colours of the sprites the batch received, in order.
  std::vector<D3DCOLOR> SpriteColours() {
    std::vector<D3DCOLOR> colours;
    for (const platform::fake::SpriteDraw& draw : Batch().mDraws) colours.push_back(draw.color);
    return colours;
  }
  // Alpha of vertex 0 of every face drawn, in order: tests mark faces with it.
  std::vector<int> FaceMarks() {
    std::vector<int> marks;
    for (const platform::fake::PrimitiveDraw& draw : Device().mDraws) {
      marks.push_back(static_cast<int>(drawtest::SentVertices(draw)[0].mColor >> 24));
    }
    return marks;
  }
  RenderN::SPBILLBOARD BillboardAt(float x, float y, float z, int mark) {
    RenderN::SPBILLBOARD billboard = Manager().CreateBillboard();
    D3DXMatrixTranslation(&billboard->mMatrix, x, y, z);
    billboard->SetAlpha(static_cast<std::uint8_t>(mark), 0);
    return billboard;
  }
  void DrawFrame(const D3DXVECTOR3& eye = D3DXVECTOR3(0, 0, -5),
                 const D3DXVECTOR3& at = D3DXVECTOR3(0, 0, 0)) {
    Manager().Draw(eye, at);
  }
};

TEST_F(RenderingManager, OpaqueThenBillboardsThenSpritesWithOrdersAscendingAndStable) {
  RenderN::SPSPRITE a = Manager().CreateSprite();
  RenderN::SPSPRITE b = Manager().CreateSprite();
  RenderN::SPSPRITE c = Manager().CreateSprite();
  a->SetColor(0xFF0000AAu);
  b->SetColor(0xFF0000BBu);
  c->SetColor(0xFF0000CCu);
  a->SetOrder(2);
  b->SetOrder(1);
  c->SetOrder(2);
  RenderN::SPBILLBOARD billboard = BillboardAt(0, 0, 0, 3);
  RenderN::SPPLANK plank = Manager().CreatePlank();
  plank->SetAlpha(1, 0);
  RenderN::SPMODEL model = Manager().CreateModel();
  EXPECT_EQ(Manager().mOpaqueList.size(), 2u);
  EXPECT_EQ(Manager().mTranslucentList.size(), 1u);
  EXPECT_EQ(Manager().mSpriteList.size(), 3u);
  Device().ClearCalls();

  DrawFrame();
  EXPECT_EQ(FaceMarks(), (std::vector<int>{1, 3}));
  EXPECT_EQ(SpriteColours(), (std::vector<D3DCOLOR>{0xFF0000BBu, 0xFF0000AAu, 0xFF0000CCu}));
  const std::vector<std::string> calls = Device().Calls();
  const std::vector<std::string> tail(calls.end() - 9, calls.end());
  EXPECT_EQ(tail,
            (std::vector<std::string>{Line("SetRenderState", {20, 6}), Line("Sprite.Begin", {16}),
                                      "Sprite.SetTransform()", Line("Sprite.Draw", {0xFF0000BBu}),
                                      "Sprite.SetTransform()", Line("Sprite.Draw", {0xFF0000AAu}),
                                      "Sprite.SetTransform()", Line("Sprite.Draw", {0xFF0000CCu}),
                                      "Sprite.End()"}));

  // Disabled sprites keep their place in the list and come back where they were.
  Batch().mDraws.clear();
  a->Enabled(false);
  DrawFrame();
  EXPECT_EQ(SpriteColours(), (std::vector<D3DCOLOR>{0xFF0000BBu, 0xFF0000CCu}));
  Batch().mDraws.clear();
  a->Enabled(true);
  DrawFrame();
  EXPECT_EQ(SpriteColours(), (std::vector<D3DCOLOR>{0xFF0000BBu, 0xFF0000AAu, 0xFF0000CCu}));

  // The sprite pass runs, an empty batch, also without sprites.
  Manager().Clear();
  Device().ClearCalls();
  DrawFrame();
  EXPECT_EQ(Device().Calls(),
            (std::vector<std::string>{Line("SetRenderState", {20, 6}), Line("Sprite.Begin", {16}),
                                      "Sprite.End()"}));
}

TEST_F(RenderingManager, BillboardsAreDrawnFarToNearByTheirDepthAlongTheView) {
  RenderN::SPBILLBOARD near = BillboardAt(0, 0, 1, 1);
  RenderN::SPBILLBOARD tieFirst = BillboardAt(3, 0, 5, 2);
  RenderN::SPBILLBOARD far = BillboardAt(0, 0, 20, 3);
  RenderN::SPBILLBOARD tieSecond = BillboardAt(-3, 1, 5, 4);
  RenderN::SPBILLBOARD behind = BillboardAt(0, 0, -15, 5);  // 10 behind the eye at z -5
  RenderN::SPBILLBOARD hidden = BillboardAt(0, 0, 100, 6);
  hidden->Enabled(false);

  DrawFrame();
  // Depths along +z from the eye: 6, 10 and 10, 25, 10 behind, 105 (disabled, not drawn).
  EXPECT_EQ(FaceMarks(), (std::vector<int>{3, 2, 4, 5, 1}));
  EXPECT_EQ(far->mOrder, 25.0f);
  EXPECT_EQ(behind->mOrder, 10.0f);
  EXPECT_EQ(hidden->mOrder, 105.0f);
  EXPECT_EQ(Manager().mTranslucentList.front(), hidden);

  // Ties keep the order of the previous frame, not creation order.
  std::swap(Manager().mTranslucentList[2], Manager().mTranslucentList[3]);
  Device().mDraws.clear();
  DrawFrame();
  EXPECT_EQ(FaceMarks(), (std::vector<int>{3, 4, 2, 5, 1}));

  // With the eye on the look-at point every depth is zero and the order stays.
  Device().mDraws.clear();
  DrawFrame(D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(1, 1, 1));
  EXPECT_EQ(FaceMarks(), (std::vector<int>{3, 4, 2, 5, 1}));
  EXPECT_EQ(far->mOrder, 0.0f);
  EXPECT_EQ(behind->mOrder, 0.0f);
}

TEST_F(RenderingManager, BlendingChangesBetweenConsecutiveSpritesCostOneFlushEach) {
  RenderN::SPSPRITE first = Manager().CreateSprite();
  RenderN::SPSPRITE additive = Manager().CreateSprite();
  RenderN::SPSPRITE last = Manager().CreateSprite();
  additive->AdditiveBlending(true);
  DrawFrame();
  EXPECT_EQ(Device().Calls("Sprite.Flush").size(), 2u);
  EXPECT_EQ(
      Device().Calls("SetRenderState("),
      (std::vector<std::string>{Line("SetRenderState", {20, 6}), Line("SetRenderState", {20, 2}),
                                Line("SetRenderState", {20, 6})}));
  EXPECT_TRUE(Manager().mSpriteAlphaBlending);

  // A run of additive sprites shares one flush; the pass ends additive, and the next
  // pass starts in alpha blending again.
  first->AdditiveBlending(true);
  last->AdditiveBlending(true);
  Device().ClearCalls();
  DrawFrame();
  EXPECT_EQ(Device().Calls("Sprite.Flush").size(), 1u);
  EXPECT_FALSE(Manager().mSpriteAlphaBlending);
  Device().ClearCalls();
  DrawFrame();
  EXPECT_EQ(Device().Calls("Sprite.Flush").size(), 1u);

  // A disabled sprite between two of the same blending causes no flush.
  first->AdditiveBlending(false);
  last->AdditiveBlending(false);
  Device().ClearCalls();
  additive->Enabled(false);
  DrawFrame();
  EXPECT_TRUE(Device().Calls("Sprite.Flush").empty());
}

TEST_F(RenderingManager, EraseAndClearDropTheManagersHandlesOnly) {
  RenderN::SPSPRITE held = Manager().CreateSprite();
  std::weak_ptr<RenderN::RenderingC> dropped = Manager().CreatePlank();
  std::weak_ptr<RenderN::RenderingC> billboard = Manager().CreateBillboard();
  RenderN::SPMODEL model = Manager().CreateModel();
  EXPECT_FALSE(dropped.expired());  // the manager keeps what no script holds

  Manager().Erase(held);
  EXPECT_TRUE(Manager().mSpriteList.empty());
  held->SetOrder(3);  // the script's handle stays usable
  DrawFrame();
  EXPECT_TRUE(Batch().mDraws.empty());
  Manager().Erase(held);  // in no list: ignored
  Manager().Erase(nullptr);
  EXPECT_EQ(Manager().mOpaqueList.size(), 2u);

  Manager().Erase(model);
  EXPECT_EQ(Manager().mOpaqueList.size(), 1u);
  EXPECT_EQ(model.use_count(), 1);

  Manager().Clear();
  EXPECT_TRUE(dropped.expired());
  EXPECT_TRUE(billboard.expired());
  EXPECT_TRUE(Manager().mOpaqueList.empty() && Manager().mTranslucentList.empty());
  Manager().Clear();  // on empty lists: nothing
}

TEST_F(RenderingManager, CreateFormsWithFilesAndMatricesAndAFileThatFailsToLoad) {
  const std::string image = WritePng("wide.png", 100, 50);
  D3DXMATRIX matrix;
  D3DXMatrixTranslation(&matrix, 10, 20, 0);
  RenderN::SPSPRITE sprite = Manager().CreateSprite(image.c_str(), matrix);
  EXPECT_EQ(sprite->mSize.x, 100.0f);
  EXPECT_EQ(sprite->mSourceRect.right, 100);
  EXPECT_EQ(sprite->mSourceRect.bottom, 50);
  EXPECT_EQ(sprite->mCenterPosition, D3DXVECTOR3(50, 25, 0));
  EXPECT_TRUE(drawtest::SameMatrix(sprite->mMatrix, matrix));

  RenderN::SPPLANK plank = Manager().CreatePlank(image.c_str(), matrix);
  EXPECT_EQ(plank->mTexture, sprite->mTexture);    // one record per file name
  EXPECT_EQ(plank->mVertex[1].mPosition.x, 0.5f);  // the texture does not scale it
  EXPECT_TRUE(drawtest::SameMatrix(plank->mMatrix, matrix));

  RenderN::SPBILLBOARD billboard =
      Manager().CreateBillboard(image.c_str(), D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(0, 0, -5),
                                D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0));
  EXPECT_EQ(billboard->mTexture, sprite->mTexture);
  EXPECT_EQ(billboard->mMatrix._42, 2.0f);

  // A file that cannot be loaded: the storage's box, no texture, the default size, and
  // nothing drawn for it.
  mDialog.Clear();
  RenderN::SPSPRITE missing = Manager().CreateSprite("no such file.png");
  EXPECT_EQ(mDialog.Shown().size(), 1u);
  EXPECT_EQ(missing->mTexture, nullptr);
  EXPECT_EQ(missing->mSize.x, 0.0f);
  EXPECT_EQ(missing->mSourceRect.right, 2);
  EXPECT_EQ(missing->mCenterPosition, D3DXVECTOR3(0, 0, 0));
  Manager().Erase(sprite);
  DrawFrame();
  EXPECT_TRUE(Batch().mDraws.empty());
}

TEST_F(RenderingManager, OrdersThatAreNotNumbersSortLast) {
  RenderN::SPSPRITE notANumber = Manager().CreateSprite();
  RenderN::SPSPRITE two = Manager().CreateSprite();
  RenderN::SPSPRITE one = Manager().CreateSprite();
  notANumber->SetOrder(std::numeric_limits<float>::quiet_NaN());
  notANumber->SetColor(3);
  two->SetOrder(2);
  two->SetColor(2);
  one->SetOrder(1);
  one->SetColor(1);
  DrawFrame();
  EXPECT_EQ(SpriteColours(), (std::vector<D3DCOLOR>{1, 2, 3}));
}

}  // namespace

TEST_F(RenderingManager, ErasingManyKeepsTheOrderOfTheRest) {
  std::vector<RenderN::SPSPRITE> sprites;
  for (D3DCOLOR colour = 0; colour < 10; ++colour) {
    sprites.push_back(Manager().CreateSprite());
    sprites.back()->SetColor(colour);
  }
  // Three erased: gaps in the list until the frame is drawn.
  for (int i : {7, 0, 4}) Manager().Erase(sprites[i]);
  EXPECT_EQ(sprites[4].use_count(), 1);  // the manager's handle is gone at once
  Manager().Erase(sprites[4]);           // twice: ignored
  DrawFrame();
  EXPECT_EQ(SpriteColours(), (std::vector<D3DCOLOR>{1, 2, 3, 5, 6, 8, 9}));
  EXPECT_EQ(Manager().mSpriteList.size(), 7u);

  // More than half erased: the list closes up on its own; a sort moves the rest and an
  // erase still finds them.
  for (int i : {1, 2, 3, 5}) Manager().Erase(sprites[i]);
  EXPECT_EQ(Manager().mSpriteList.size(), 3u);
  sprites[9]->SetOrder(-1);
  Batch().mDraws.clear();
  DrawFrame();
  EXPECT_EQ(SpriteColours(), (std::vector<D3DCOLOR>{9, 6, 8}));
  Manager().Erase(sprites[6]);
  Batch().mDraws.clear();
  DrawFrame();
  EXPECT_EQ(SpriteColours(), (std::vector<D3DCOLOR>{9, 8}));
}
