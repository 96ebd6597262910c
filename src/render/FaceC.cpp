// Face operations and drawing with the device agent's texture and vertex format caches.
#include "render/FaceC.h"

#include "render/D3DDeviceAgentC.h"

namespace RenderN {

namespace {

bool IsVertexIndex(int vertex) {
  return vertex >= 0 && vertex < 4;
}

}  // namespace

FaceC::FaceC(bool culling, bool writingZBuffer, bool translucent)
    : mVertex{{Vector3C(-0.5f, 0.5f, 0.0f), 0xFFFFFFFFu, 0.0f, 0.0f},
              {Vector3C(0.5f, 0.5f, 0.0f), 0xFFFFFFFFu, 1.0f, 0.0f},
              {Vector3C(0.5f, -0.5f, 0.0f), 0xFFFFFFFFu, 1.0f, 1.0f},
              {Vector3C(-0.5f, -0.5f, 0.0f), 0xFFFFFFFFu, 0.0f, 1.0f}},
      mCulling(culling),
      mWritingZBuffer(writingZBuffer) {
  mTranslucent = translucent;
}

void FaceC::SetAlpha(std::uint8_t alpha, int vertex) {
  for (int i = 0; i < 4; ++i) {
    if (IsVertexIndex(vertex) && i != vertex) continue;
    mVertex[i].mColor = (mVertex[i].mColor & 0x00FFFFFFu) | (D3DCOLOR{alpha} << 24);
  }
}

void FaceC::SetColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, int vertex) {
  const D3DCOLOR rgb = (D3DCOLOR{red} << 16) | (D3DCOLOR{green} << 8) | D3DCOLOR{blue};
  for (int i = 0; i < 4; ++i) {
    if (IsVertexIndex(vertex) && i != vertex) continue;
    mVertex[i].mColor = (mVertex[i].mColor & 0xFF000000u) | rgb;
  }
}

void FaceC::SetPosition(const D3DXVECTOR3& position, int vertex) {
  if (IsVertexIndex(vertex)) mVertex[vertex].mPosition = position;
}

const Vector3C& FaceC::GetPosition(int vertex) const {
  static const Vector3C kNowhere(0.0f, 0.0f, 0.0f);
  return IsVertexIndex(vertex) ? mVertex[vertex].mPosition : kNowhere;
}

void FaceC::Split(unsigned columns, unsigned rows, unsigned column, unsigned row) {
  if (!mTexture) return;
  if (columns == 0) columns = 1;
  if (rows == 0) rows = 1;
  // Every intermediate is rounded to single precision, so cells line up the same way
  // on every machine.
  const float cellWidth = mTexture->mWidth / static_cast<float>(columns);
  const float cellHeight = mTexture->mHeight / static_cast<float>(rows);
  const float texelWidth = 1.0f / mTexture->mWidth;
  const float texelHeight = 1.0f / mTexture->mHeight;
  const float uLeft = static_cast<float>(column) * cellWidth * texelWidth;
  const float vTop = static_cast<float>(row) * cellHeight * texelHeight;
  const float uRight = (static_cast<float>(column + 1) * cellWidth - 1.0f) * texelWidth;
  const float vBottom = (static_cast<float>(row + 1) * cellHeight - 1.0f) * texelHeight;
  mVertex[0].mU = uLeft;
  mVertex[0].mV = vTop;
  mVertex[1].mU = uRight;
  mVertex[1].mV = vTop;
  mVertex[2].mU = uRight;
  mVertex[2].mV = vBottom;
  mVertex[3].mU = uLeft;
  mVertex[3].mV = vBottom;
}

void FaceC::Draw() {
  if (mShader) {
    mShader->DrawFace(*this);
    return;
  }
  D3DDeviceAgentC& agent = D3DDeviceAgentC::GetInstance();
  platform::Device* device = agent.mDevice.get();
  if (!device) return;
  device->SetRenderState(D3DRS_LIGHTING, mLighting);
  device->SetRenderState(D3DRS_CULLMODE, mCulling ? D3DCULL_CCW : D3DCULL_NONE);
  device->SetTransform(D3DTS_WORLD, mMatrix);
  device->SetRenderState(D3DRS_DESTBLEND, mAdditiveBlending ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_ZWRITEENABLE, mWritingZBuffer);
  device->SetRenderState(D3DRS_FOGENABLE, mFog);

  const platform::TextureRef none;
  const platform::TextureRef& texture = mTexture ? mTexture->mTexture : none;
  agent.BindStageTexture(texture);
  if (agent.mStandardVertexFormat != 1) {
    device->SetFVF(kFaceVertexFormat);
    agent.mStandardVertexFormat = 1;
  }
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, mVertex, sizeof(FaceVertexS));
}

}  // namespace RenderN
