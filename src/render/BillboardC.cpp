// Billboard placement facing the camera.
#include "render/BillboardC.h"

namespace RenderN {

D3DXMATRIX BillboardC::FacingRotation(const D3DXVECTOR3& eye, const D3DXVECTOR3& at,
                                      const D3DXVECTOR3& up) {
  const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
  const D3DXVECTOR3 direction = at - eye;
  D3DXMATRIX lookAt;
  D3DXMatrixLookAtLH(&lookAt, &origin, &direction, &up);
  D3DXMATRIX rotation;
  // eye == at, or a view straight along `up`, gives a singular look-at matrix: the quad
  // then keeps its own orientation instead of taking undefined values.
  if (!D3DXMatrixInverse(&rotation, nullptr, &lookAt)) D3DXMatrixIdentity(&rotation);
  return rotation;
}

void BillboardC::SetMatrix(const D3DXVECTOR3& position, const D3DXVECTOR3& eye,
                           const D3DXVECTOR3& at, const D3DXVECTOR3& up) {
  D3DXMATRIX translation;
  D3DXMatrixTranslation(&translation, position.x, position.y, position.z);
  mMatrix = FacingRotation(eye, at, up) * translation;
}

void BillboardC::SetMatrix(const D3DXMATRIX& local, const D3DXMATRIX& place, const D3DXVECTOR3& eye,
                           const D3DXVECTOR3& at, const D3DXVECTOR3& up) {
  D3DXMATRIX translation;
  D3DXMatrixTranslation(&translation, place._41, place._42, place._43);
  mMatrix = local * FacingRotation(eye, at, up) * translation;
}

}  // namespace RenderN
