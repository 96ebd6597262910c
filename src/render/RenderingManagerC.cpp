// Creation, removal and the frame's drawing sequence of the rendering manager.
#include "render/RenderingManagerC.h"

#include <algorithm>
#include <cmath>

#include "render/D3DDeviceAgentC.h"
#include "render/TextureStorageC.h"
#include "render/XFileStorageC.h"

namespace RenderN {

namespace {

// Orders compared as the sorts need them: a NaN order (a script's 0/0) sorts after every
// number in either direction, so the comparison stays a strict weak ordering.
bool FartherFirst(const SPRENDERING& a, const SPRENDERING& b) {
  if (std::isnan(a->mOrder)) return false;
  return std::isnan(b->mOrder) || a->mOrder > b->mOrder;
}

bool SmallerFirst(const SPRENDERING& a, const SPRENDERING& b) {
  if (std::isnan(a->mOrder)) return false;
  return std::isnan(b->mOrder) || a->mOrder < b->mOrder;
}

SPTEXTUREDATA LoadTexture(const char* file) {
  return TextureStorageC::GetInstance().GetTexture(file);
}

}  // namespace

RenderingManagerC& RenderingManagerC::GetInstance() {
  static RenderingManagerC instance;
  return instance;
}

RenderingManagerC& RENDERER() {
  return RenderingManagerC::GetInstance();
}

RenderingManagerC::~RenderingManagerC() {
  Clear();
}

void RenderingManagerC::Enter(const SPRENDERING& object, bool sprite) {
  // Only objects made a moment ago come here, so none is in a list yet: no search, which
  // would make creating thousands of sprites quadratic.
  std::vector<SPRENDERING>& list =
      sprite ? mSpriteList : (object->mTranslucent ? mTranslucentList : mOpaqueList);
  object->mListIndex = list.size();
  list.push_back(object);
}

std::vector<SPRENDERING>& RenderingManagerC::List(int k) {
  return k == 0 ? mOpaqueList : (k == 1 ? mTranslucentList : mSpriteList);
}

void RenderingManagerC::Erase(const SPRENDERING& object) {
  if (!object) return;
  for (int k = 0; k < 3; ++k) {
    std::vector<SPRENDERING>& list = List(k);
    const std::size_t at = object->mListIndex;
    if (at < list.size() && list[at] == object) {
      list[at].reset();
      if (++mGaps[k] * 2 >= list.size()) Compact(k);
      return;
    }
  }
}

void RenderingManagerC::Compact(int k) {
  std::vector<SPRENDERING>& list = List(k);
  if (mGaps[k] > 0) {
    list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
    mGaps[k] = 0;
  }
  for (std::size_t i = 0; i < list.size(); ++i) list[i]->mListIndex = i;
}

void RenderingManagerC::Clear() {
  mOpaqueList.clear();
  mTranslucentList.clear();
  mSpriteList.clear();
  for (std::size_t& gaps : mGaps) gaps = 0;
}

SPSPRITE RenderingManagerC::CreateSprite() {
  SPSPRITE sprite(new SpriteC);
  Enter(sprite, true);
  return sprite;
}

SPSPRITE RenderingManagerC::CreateSprite(const char* file) {
  SPSPRITE sprite(new SpriteC);
  Enter(sprite, true);
  sprite->mTexture = LoadTexture(file);
  sprite->FitToTexture();
  return sprite;
}

SPSPRITE RenderingManagerC::CreateSprite(const char* file, const D3DXMATRIX& matrix) {
  SPSPRITE sprite = CreateSprite(file);
  sprite->mMatrix = matrix;
  return sprite;
}

SPPLANK RenderingManagerC::CreatePlank() {
  SPPLANK plank(new PlankC);
  Enter(plank, false);
  return plank;
}

SPPLANK RenderingManagerC::CreatePlank(const char* file) {
  SPPLANK plank = CreatePlank();
  plank->mTexture = LoadTexture(file);
  return plank;
}

SPPLANK RenderingManagerC::CreatePlank(const char* file, const D3DXMATRIX& matrix) {
  SPPLANK plank = CreatePlank(file);
  plank->mMatrix = matrix;
  return plank;
}

SPBILLBOARD RenderingManagerC::CreateBillboard() {
  SPBILLBOARD billboard(new BillboardC);
  Enter(billboard, false);
  return billboard;
}

SPBILLBOARD RenderingManagerC::CreateBillboard(const char* file) {
  SPBILLBOARD billboard = CreateBillboard();
  billboard->mTexture = LoadTexture(file);
  return billboard;
}

SPBILLBOARD RenderingManagerC::CreateBillboard(const char* file, const D3DXVECTOR3& position,
                                               const D3DXVECTOR3& eye, const D3DXVECTOR3& at,
                                               const D3DXVECTOR3& up) {
  SPBILLBOARD billboard = CreateBillboard(file);
  billboard->SetMatrix(position, eye, at, up);
  return billboard;
}

SPMODEL RenderingManagerC::CreateModel() {
  SPMODEL model(new ModelC);
  Enter(model, false);
  return model;
}

SPMODEL RenderingManagerC::CreateModel(const char* file) {
  SPMODEL model = CreateModel();
  model->mXFile = XFileStorageC::GetInstance().GetXFile(file);
  return model;
}

SPMODEL RenderingManagerC::CreateModel(const char* file, const D3DXMATRIX& matrix) {
  SPMODEL model = CreateModel(file);
  model->mMatrix = matrix;
  return model;
}

void RenderingManagerC::Draw(const D3DXVECTOR3& eye, const D3DXVECTOR3& at) {
  for (int k = 0; k < 3; ++k) {
    if (mGaps[k] > 0) Compact(k);
  }
  for (const SPRENDERING& object : mOpaqueList) {
    if (object->mEnabled) object->Draw();
  }
  if (!mTranslucentList.empty()) DrawTranslucentList(eye, at);
  DrawSpriteList();
}

void RenderingManagerC::DrawTranslucentList(const D3DXVECTOR3& eye, const D3DXVECTOR3& at) {
  D3DXVECTOR3 direction = at - eye;
  D3DXVec3Normalize(&direction, &direction);
  for (const SPRENDERING& object : mTranslucentList) {
    const D3DXMATRIX& m = object->mMatrix;
    const D3DXVECTOR3 fromEye = D3DXVECTOR3(m._41, m._42, m._43) - eye;
    // The length of the projection onto the viewing direction: a distance that is the
    // same in front of the eye and behind it.
    const D3DXVECTOR3 along = direction * D3DXVec3Dot(&fromEye, &direction);
    object->mOrder = D3DXVec3Length(&along);
  }
  if (!std::is_sorted(mTranslucentList.begin(), mTranslucentList.end(), FartherFirst)) {
    std::stable_sort(mTranslucentList.begin(), mTranslucentList.end(), FartherFirst);
    Compact(1);  // new places
  }
  for (const SPRENDERING& object : mTranslucentList) {
    if (object->mEnabled) object->Draw();
  }
}

void RenderingManagerC::DrawSpriteList() {
  D3DDeviceAgentC& agent = D3DDeviceAgentC::GetInstance();
  platform::Device* device = agent.mDevice.get();
  platform::Sprite* batch = agent.mSprite.get();
  // Orders rarely change between frames: a list already in order is left as it is, which
  // is what the stable sort would do, for one pass instead of a sort.
  if (!std::is_sorted(mSpriteList.begin(), mSpriteList.end(), SmallerFirst)) {
    std::stable_sort(mSpriteList.begin(), mSpriteList.end(), SmallerFirst);
    Compact(2);  // new places
  }
  if (!device || !batch) return;

  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  batch->Begin(D3DXSPRITE_ALPHABLEND);
  mSpriteAlphaBlending = true;
  for (const SPRENDERING& object : mSpriteList) {
    if (!object->mEnabled) continue;
    // A change of blending costs one flush of the batch; runs of equal blending share one.
    if (object->mTranslucent != mSpriteAlphaBlending) {
      batch->Flush();
      device->SetRenderState(D3DRS_DESTBLEND,
                             object->mTranslucent ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE);
      mSpriteAlphaBlending = object->mTranslucent;
    }
    object->Draw();
  }
  batch->End();
}

}  // namespace RenderN
