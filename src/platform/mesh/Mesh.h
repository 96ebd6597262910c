// Indexed triangle meshes in the engine's single vertex layout (position, normal, one
// texture coordinate; 16-bit indices) and the measurements made on them: bounding box and
// sphere, ray hits, face and vertex normals, and the attribute-sorted subset table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/D3DTypes.h"
#include "platform/xfile/XFile.h"

namespace platform::mesh {

/// One vertex as the device reads it: position, normal, then one (u, v) pair.
struct Vertex {
  D3DVECTOR position;
  D3DVECTOR normal;
  float u, v;
};
static_assert(sizeof(Vertex) == 32, "a vertex must be the 32 bytes the vertex format names");

/// One subset of an attribute-sorted mesh: its faces and the range of vertices they use.
struct AttributeRange {
  std::uint32_t attributeId = 0;
  std::uint32_t faceStart = 0;
  std::uint32_t faceCount = 0;
  std::uint32_t vertexStart = 0;
  std::uint32_t vertexCount = 0;
};

/// A triangle list; face f uses indices 3f, 3f+1 and 3f+2 and has attribute attributes[f].
struct Mesh {
  std::vector<Vertex> vertices;
  std::vector<std::uint16_t> indices;
  std::vector<std::uint32_t> attributes;       ///< material index per face
  std::vector<AttributeRange> attributeTable;  ///< filled by Optimize, empty before

  std::size_t faceCount() const { return indices.size() / 3; }
};

/// The largest vertex count 16-bit indices can address.
constexpr std::size_t kMaxVertices = 65535;

/// Copies a loaded .x mesh into the vertex layout. False with a reason when it has more
/// than kMaxVertices vertices, when an index points past the vertices, or when the face,
/// index and attribute counts disagree; `mesh` is left untouched then.
bool BuildMesh(const xfile::MeshData& source, Mesh& mesh, std::string& error);

/// Smallest and largest coordinates over every vertex; false (outputs untouched) when the
/// mesh has no vertices.
bool ComputeBoundingBox(const Mesh& mesh, D3DVECTOR& minimum, D3DVECTOR& maximum);

/// A sphere holding every vertex: the centre is the mean of the vertex positions and the
/// radius the largest distance from it. False (outputs untouched) with no vertices.
bool ComputeBoundingSphere(const Mesh& mesh, D3DVECTOR& centre, float& radius);

/// The nearest face a ray meets, tested from both sides.
struct RayHit {
  std::uint32_t face = 0;
  float u = 0, v = 0;    ///< hit = V0 + u (V1 - V0) + v (V2 - V0)
  float distance = 0;    ///< hit = origin + distance * direction; direction need not be unit
};

/// Intersects the ray (origin + t * direction, t >= 0) with every face and reports the
/// nearest hit (the lowest face index on a tie). False, with `hit` untouched, on a miss.
bool Intersect(const Mesh& mesh, const D3DVECTOR& origin, const D3DVECTOR& direction,
               RayHit& hit);

/// Unit normal of each face, (V1 - V0) x (V2 - V0) normalised: with Direct3D's clockwise
/// front faces in left-handed space it points out of the front side. Zero when degenerate.
std::vector<D3DVECTOR> ComputeFaceNormals(const Mesh& mesh);

/// Replaces every vertex normal by the normalised sum of the unnormalised normals of the
/// faces that use the vertex (an area-weighted average); zero for unused vertices.
void ComputeVertexNormals(Mesh& mesh);

/// Drops unused vertices, orders faces by attribute, orders each attribute's faces so a
/// post-transform vertex cache reuses vertices well (faces keep their winding; the order
/// is the same on every run), renumbers vertices in order of first use by the new face
/// order, and fills attributeTable with one entry per attribute present, in ascending
/// attribute order.
void Optimize(Mesh& mesh);

/// Vertex cache misses per face when the indices are drawn in order through a FIFO cache
/// of cacheSize vertices, as GPUs have: 3 at worst, about 0.5 at best; 0 with no faces.
double AverageCacheMissRatio(const Mesh& mesh, std::size_t cacheSize);

/// Splits shared vertices so later steps see each surface on its own: a face that repeats an
/// earlier face's three vertices in the opposite winding (the back of a double-sided face)
/// gets copies of its vertices, then a vertex whose faces form several fans, not joined
/// through an edge at that vertex (a bowtie), gets one copy per fan after the first.
/// Faces keep their order and attributes; copies go after the existing vertices, and each
/// attribute table entry's vertex range is measured again over the indices its faces use.
/// False with a reason, and the mesh untouched, when the copies would pass kMaxVertices.
bool Clean(Mesh& mesh, std::string& error);

}  // namespace platform::mesh
