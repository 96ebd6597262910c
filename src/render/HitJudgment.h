// Collision tests between meshes, spheres, boxes and rays. Meshes stand for their bounds:
// the sphere around the box centre with the record's radius, or the box's two corners
// carried into the world. An empty handle is no mesh: it touches nothing.
#pragma once

#include "math/MatrixC.h"
#include "math/Vector3C.h"
#include "render/XFileStorageC.h"

namespace RenderN {

/// Spheres touch when the squared distance of the centres is at most the squared sum of
/// the radii (rounded to single precision): spheres that just touch count.
bool SphereJudgment(const Vector3C& p1, float r1, const Vector3C& p2, float r2);
/// The mesh's sphere, moved by `world` and grown by its largest axis scale.
bool SphereJudgment(const SPXFILEDATA& mesh, const MatrixC& world, const Vector3C& point,
                    float radius);
/// Both meshes' spheres moved by their matrices; their radii are not scaled.
bool SphereJudgment(const SPXFILEDATA& a, const MatrixC& worldA, const SPXFILEDATA& b,
                    const MatrixC& worldB);

/// Boxes overlap when they overlap strictly on every axis: boxes sharing a face do not.
bool AABBJudgment(const Vector3C& min1, const Vector3C& max1, const Vector3C& min2,
                  const Vector3C& max2);
bool AABBJudgment(const SPXFILEDATA& mesh, const MatrixC& world, const Vector3C& min,
                  const Vector3C& max);
bool AABBJudgment(const SPXFILEDATA& a, const MatrixC& worldA, const SPXFILEDATA& b,
                  const MatrixC& worldB);

/// The ray parameter t of the nearest face the ray origin + t * direction meets (a world
/// distance for a unit direction); -1 for no hit, -2 when memory ran out. On a hit,
/// `normalOut` (when given) gets the face's normal turned by `world`, and `hitOut` the
/// barycentric u, v and the face index; on a miss both are left as they were.
float RayJudgment(const SPXFILEDATA& mesh, const MatrixC& world, const Vector3C& origin,
                  const Vector3C& direction, Vector3C* normalOut = nullptr,
                  Vector3C* hitOut = nullptr);

}  // namespace RenderN
