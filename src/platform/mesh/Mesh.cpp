// Building meshes from loaded .x data and measuring them: bounds, ray hits and normals.
// Sums run in double so big meshes far from the origin keep their precision.
#include "platform/mesh/Mesh.h"

#include <cmath>

namespace platform::mesh {
namespace {

struct Vec {
  double x, y, z;
};

Vec ToVec(const D3DVECTOR& p) { return {p.x, p.y, p.z}; }
Vec Sub(const Vec& a, const Vec& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(const Vec& a, const Vec& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
D3DVECTOR Normalised(const Vec& a) {
  const double length = std::sqrt(Dot(a, a));
  if (!(length > 0.0)) return {0.0f, 0.0f, 0.0f};
  return {static_cast<float>(a.x / length), static_cast<float>(a.y / length),
          static_cast<float>(a.z / length)};
}

// The unnormalised face normal, whose length is twice the face's area.
Vec FaceCross(const Mesh& mesh, std::size_t face) {
  const Vec p0 = ToVec(mesh.vertices[mesh.indices[3 * face]].position);
  const Vec p1 = ToVec(mesh.vertices[mesh.indices[3 * face + 1]].position);
  const Vec p2 = ToVec(mesh.vertices[mesh.indices[3 * face + 2]].position);
  return Cross(Sub(p1, p0), Sub(p2, p0));
}

}  // namespace

bool BuildMesh(const xfile::MeshData& source, Mesh& mesh, std::string& error) {
  const std::size_t vertexCount = source.positions.size();
  if (vertexCount > kMaxVertices) {
    error = "the mesh has " + std::to_string(vertexCount) +
            " vertices, more than the 65535 that 16-bit indices can address";
    return false;
  }
  if (source.indices.size() % 3 != 0) {
    error = "the index count " + std::to_string(source.indices.size()) +
            " is not a whole number of triangles";
    return false;
  }
  const std::size_t faces = source.indices.size() / 3;
  if (source.attributes.size() != faces) {
    error = "the mesh has " + std::to_string(faces) + " faces but " +
            std::to_string(source.attributes.size()) + " face attributes";
    return false;
  }
  for (std::uint32_t index : source.indices) {
    if (index >= vertexCount) {
      error = "index " + std::to_string(index) + " points past the " +
              std::to_string(vertexCount) + " vertices";
      return false;
    }
  }
  // The reader gives one normal and one texture coordinate per vertex; a shorter list is
  // read as zeros rather than trusted.
  const bool haveNormals = source.normals.size() == vertexCount;
  const bool haveTexcoords = source.texcoords.size() == vertexCount;
  Mesh built;
  built.vertices.resize(vertexCount);
  for (std::size_t i = 0; i < vertexCount; ++i) {
    Vertex& vertex = built.vertices[i];
    vertex.position = {source.positions[i].x, source.positions[i].y, source.positions[i].z};
    vertex.normal = haveNormals ? D3DVECTOR{source.normals[i].x, source.normals[i].y,
                                            source.normals[i].z}
                                : D3DVECTOR{0.0f, 0.0f, 0.0f};
    vertex.u = haveTexcoords ? source.texcoords[i].u : 0.0f;
    vertex.v = haveTexcoords ? source.texcoords[i].v : 0.0f;
  }
  built.indices.assign(source.indices.begin(), source.indices.end());
  built.attributes = source.attributes;
  mesh = std::move(built);
  return true;
}

bool ComputeBoundingBox(const Mesh& mesh, D3DVECTOR& minimum, D3DVECTOR& maximum) {
  if (mesh.vertices.empty()) return false;
  D3DVECTOR low = mesh.vertices[0].position, high = low;
  for (const Vertex& vertex : mesh.vertices) {
    const D3DVECTOR& p = vertex.position;
    low = {std::fmin(low.x, p.x), std::fmin(low.y, p.y), std::fmin(low.z, p.z)};
    high = {std::fmax(high.x, p.x), std::fmax(high.y, p.y), std::fmax(high.z, p.z)};
  }
  minimum = low;
  maximum = high;
  return true;
}

bool ComputeBoundingSphere(const Mesh& mesh, D3DVECTOR& centre, float& radius) {
  if (mesh.vertices.empty()) return false;
  Vec sum{0.0, 0.0, 0.0};
  for (const Vertex& vertex : mesh.vertices) {
    sum.x += vertex.position.x;
    sum.y += vertex.position.y;
    sum.z += vertex.position.z;
  }
  const double count = static_cast<double>(mesh.vertices.size());
  const D3DVECTOR middle{static_cast<float>(sum.x / count), static_cast<float>(sum.y / count),
                         static_cast<float>(sum.z / count)};
  double largest = 0.0;
  for (const Vertex& vertex : mesh.vertices) {
    const Vec offset = Sub(ToVec(vertex.position), ToVec(middle));
    largest = std::fmax(largest, Dot(offset, offset));
  }
  centre = middle;
  radius = static_cast<float>(std::sqrt(largest));
  return true;
}

bool Intersect(const Mesh& mesh, const D3DVECTOR& origin, const D3DVECTOR& direction,
               RayHit& hit) {
  const Vec o = ToVec(origin), d = ToVec(direction);
  bool found = false;
  RayHit nearest;
  for (std::size_t face = 0; face < mesh.faceCount(); ++face) {
    const Vec p0 = ToVec(mesh.vertices[mesh.indices[3 * face]].position);
    const Vec edge1 = Sub(ToVec(mesh.vertices[mesh.indices[3 * face + 1]].position), p0);
    const Vec edge2 = Sub(ToVec(mesh.vertices[mesh.indices[3 * face + 2]].position), p0);
    // Möller–Trumbore: solve origin + t d = p0 + u edge1 + v edge2 by Cramer's rule. The
    // determinant's sign is the side the ray comes from; both sides count.
    const Vec p = Cross(d, edge2);
    const double determinant = Dot(edge1, p);
    if (determinant == 0.0 || !std::isfinite(determinant)) continue;  // parallel or degenerate
    const double inverse = 1.0 / determinant;
    const Vec s = Sub(o, p0);
    const double u = Dot(s, p) * inverse;
    if (u < 0.0 || u > 1.0) continue;
    const Vec q = Cross(s, edge1);
    const double v = Dot(d, q) * inverse;
    if (v < 0.0 || u + v > 1.0) continue;
    const double t = Dot(edge2, q) * inverse;
    if (t < 0.0) continue;  // behind the origin
    if (!found || t < nearest.distance) {
      found = true;
      nearest.face = static_cast<std::uint32_t>(face);
      nearest.u = static_cast<float>(u);
      nearest.v = static_cast<float>(v);
      nearest.distance = static_cast<float>(t);
    }
  }
  if (found) hit = nearest;
  return found;
}

std::vector<D3DVECTOR> ComputeFaceNormals(const Mesh& mesh) {
  std::vector<D3DVECTOR> normals(mesh.faceCount());
  for (std::size_t face = 0; face < normals.size(); ++face)
    normals[face] = Normalised(FaceCross(mesh, face));
  return normals;
}

void ComputeVertexNormals(Mesh& mesh) {
  // Unnormalised face normals are summed so each face weighs by its area: a sliver
  // triangle left by modelling barely tilts a vertex normal.
  std::vector<Vec> sums(mesh.vertices.size(), Vec{0.0, 0.0, 0.0});
  for (std::size_t face = 0; face < mesh.faceCount(); ++face) {
    const Vec normal = FaceCross(mesh, face);
    for (std::size_t corner = 0; corner < 3; ++corner) {
      Vec& sum = sums[mesh.indices[3 * face + corner]];
      sum = {sum.x + normal.x, sum.y + normal.y, sum.z + normal.z};
    }
  }
  for (std::size_t i = 0; i < mesh.vertices.size(); ++i)
    mesh.vertices[i].normal = Normalised(sums[i]);
}

}  // namespace platform::mesh
