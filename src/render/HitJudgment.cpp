// The hit tests, one single-precision rounding at a time, so that touching cases come out
// the same on every machine.
#include "render/HitJudgment.h"

#include <new>

#include "math/d3dx/D3DX.h"
#include "render/ModelC.h"

namespace RenderN {
namespace {

float SquaredDistance(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  const D3DXVECTOR3 d = a - b;
  return d.x * d.x + d.y * d.y + d.z * d.z;
}

bool Touch(float squaredDistance, float radiusSum) {
  const float squaredSum = radiusSum * radiusSum;
  return squaredDistance <= squaredSum;
}

D3DXVECTOR3 Transformed(const D3DXVECTOR3& point, const D3DXMATRIX& world) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &point, &world);
  return out;
}

bool Overlap(const D3DXVECTOR3& min1, const D3DXVECTOR3& max1, const D3DXVECTOR3& min2,
             const D3DXVECTOR3& max2) {
  return max2.x > min1.x && min2.x < max1.x && max2.y > min1.y && min2.y < max1.y &&
         max2.z > min1.z && min2.z < max1.z;
}

}  // namespace

bool SphereJudgment(const Vector3C& p1, float r1, const Vector3C& p2, float r2) {
  return Touch(SquaredDistance(p1, p2), r1 + r2);
}

bool SphereJudgment(const SPXFILEDATA& mesh, const MatrixC& world, const Vector3C& point,
                    float radius) {
  if (!mesh) return false;
  const D3DXVECTOR3 centre = Transformed(mesh->mOBBCenter, world);
  const float meshRadius = mesh->mRadius * LargestAxisScale(world);
  return Touch(SquaredDistance(point, centre), meshRadius + radius);
}

bool SphereJudgment(const SPXFILEDATA& a, const MatrixC& worldA, const SPXFILEDATA& b,
                    const MatrixC& worldB) {
  if (!a || !b) return false;
  const D3DXVECTOR3 centreA = Transformed(a->mOBBCenter, worldA);
  const D3DXVECTOR3 centreB = Transformed(b->mOBBCenter, worldB);
  return Touch(SquaredDistance(centreA, centreB), a->mRadius + b->mRadius);
}

bool AABBJudgment(const Vector3C& min1, const Vector3C& max1, const Vector3C& min2,
                  const Vector3C& max2) {
  return Overlap(min1, max1, min2, max2);
}

bool AABBJudgment(const SPXFILEDATA& mesh, const MatrixC& world, const Vector3C& min,
                  const Vector3C& max) {
  if (!mesh) return false;
  return Overlap(Transformed(mesh->mOBBMin, world), Transformed(mesh->mOBBMax, world), min, max);
}

bool AABBJudgment(const SPXFILEDATA& a, const MatrixC& worldA, const SPXFILEDATA& b,
                  const MatrixC& worldB) {
  if (!a || !b) return false;
  return Overlap(Transformed(a->mOBBMin, worldA), Transformed(a->mOBBMax, worldA),
                 Transformed(b->mOBBMin, worldB), Transformed(b->mOBBMax, worldB));
}

float RayJudgment(const SPXFILEDATA& mesh, const MatrixC& world, const Vector3C& origin,
                  const Vector3C& direction, Vector3C* normalOut, Vector3C* hitOut) {
  if (!mesh) return -1.0f;
  // The ray is carried into model space by an affine map, so its parameter stays the
  // world ray's. A matrix without an inverse squashes the model flat: nothing to hit.
  D3DXMATRIX inverse;
  if (!D3DXMatrixInverse(&inverse, nullptr, &world)) return -1.0f;
  D3DXVECTOR3 modelOrigin, modelDirection;
  D3DXVec3TransformCoord(&modelOrigin, &origin, &inverse);
  D3DXVec3TransformNormal(&modelDirection, &direction, &inverse);

  platform::mesh::RayHit hit;
  try {
    if (!platform::mesh::Intersect(mesh->mMesh, modelOrigin, modelDirection, hit)) return -1.0f;
  } catch (const std::bad_alloc&) {
    return -2.0f;
  }
  if (normalOut && hit.face < mesh->mFaceNormal.size()) {
    D3DXVec3TransformNormal(normalOut, &mesh->mFaceNormal[hit.face], &world);
  }
  if (hitOut) hitOut->Set(hit.u, hit.v, static_cast<float>(hit.face));
  return hit.distance;
}

}  // namespace RenderN
