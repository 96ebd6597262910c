// Model placement by named rotation orders, its bounding axes, and its draw.
#include "render/ModelC.h"

#include <algorithm>
#include <cstring>

#include "render/D3DDeviceAgentC.h"
#include "render/XFileStorageC.h"

namespace RenderN {

namespace {

// Degrees to radians in single precision.
constexpr float kRadiansPerDegree = 0.0174532924f;

bool Is(const char* order, const char* upper, const char* lower) {
  return std::strcmp(order, upper) == 0 || std::strcmp(order, lower) == 0;
}

D3DXVECTOR3 Row(const D3DXMATRIX& m, int row) {
  return D3DXVECTOR3(m.m[row][0], m.m[row][1], m.m[row][2]);
}

}  // namespace

void ModelC::SetMatrix(const char* order, float a, float b, float c, const D3DXVECTOR3& position,
                       const D3DXMATRIX& base) {
  const float ra = a * kRadiansPerDegree;
  const float rb = b * kRadiansPerDegree;
  const float rc = c * kRadiansPerDegree;
  D3DXMATRIX rx, ry, rz, translation;
  D3DXMatrixRotationX(&rx, ra);
  D3DXMatrixRotationY(&ry, rb);
  D3DXMatrixRotationZ(&rz, rc);
  D3DXMatrixTranslation(&translation, position.x, position.y, position.z);

  D3DXMATRIX rotation;
  if (order && Is(order, "XYZ", "xyz")) {
    rotation = rx * ry * rz;
  } else if (order && Is(order, "XZY", "xzy")) {
    rotation = rx * rz * ry;
  } else if (order && Is(order, "YXZ", "yxz")) {
    rotation = ry * rx * rz;
  } else if (order && Is(order, "YZX", "yzx")) {
    rotation = ry * rz * rx;
  } else if (order && Is(order, "ZXY", "zxy")) {
    rotation = rz * rx * ry;
  } else if (order && Is(order, "ZYX", "zyx")) {
    rotation = rz * ry * rx;
  } else {
    D3DXMatrixRotationYawPitchRoll(&rotation, ra, rb, rc);
  }
  mMatrix = rotation * translation * base;
}

Vector3C ModelC::GetOBBAxis(int axis) const {
  if (axis < 0 || axis > 2) return Vector3C(0.0f, 0.0f, 0.0f);
  const D3DXVECTOR3 row = Row(mMatrix, axis);
  D3DXVECTOR3 unit;
  D3DXVec3Normalize(&unit, &row);
  return Vector3C(unit);
}

float LargestAxisScale(const D3DXMATRIX& matrix) {
  float scale = 0.0f;
  for (int i = 0; i < 3; ++i) {
    const D3DXVECTOR3 row = Row(matrix, i);
    scale = std::max(scale, D3DXVec3Length(&row));
  }
  return scale;
}

float ModelC::GetRadius() const { return LargestAxisScale(mMatrix); }

void ModelC::Draw() {
  if (!mXFile) return;
  D3DDeviceAgentC& agent = D3DDeviceAgentC::GetInstance();
  platform::Device* device = agent.mDevice.get();
  if (!device) return;
  device->SetRenderState(D3DRS_LIGHTING, mLighting);
  device->SetRenderState(D3DRS_CULLMODE, mCulling ? D3DCULL_CCW : D3DCULL_NONE);
  device->SetRenderState(D3DRS_DESTBLEND, mAdditiveBlending ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_ZWRITEENABLE, mWritingZBuffer);
  device->SetRenderState(D3DRS_FOGENABLE, mFog);
  device->SetTransform(D3DTS_WORLD, mMatrix);
  if (mShader && mShaderEnabled) {
    mShader->DrawModel(*this);
    return;
  }
  device->SetVertexShader(nullptr);
  device->SetPixelShader(nullptr);
  mXFile->Draw();
}

}  // namespace RenderN
