// Meshes in the engine's vertex layout: building from loaded .x data (and refusing what
// 16-bit indices cannot hold), bounds, ray hits worked out by hand, normals and the
// attribute-sorted subset table with its vertex-cache face order.
#include "platform/mesh/Mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace {

using platform::mesh::AttributeRange;
using platform::mesh::Mesh;
using platform::mesh::RayHit;
using platform::xfile::MeshData;
using platform::xfile::Vector3;

void AddTriangle(MeshData& data, Vector3 a, Vector3 b, Vector3 c, std::uint32_t attribute) {
  const auto first = static_cast<std::uint32_t>(data.positions.size());
  for (const Vector3& p : {a, b, c}) {
    data.positions.push_back(p);
    data.normals.push_back({});
    data.texcoords.push_back({});
  }
  data.indices.insert(data.indices.end(), {first, first + 1, first + 2});
  data.attributes.push_back(attribute);
}

Mesh Build(const MeshData& data) {
  Mesh mesh;
  std::string error;
  EXPECT_TRUE(platform::mesh::BuildMesh(data, mesh, error)) << error;
  return mesh;
}

// A closed cube of half-size 1 with four vertices of its own per side, two triangles per
// side, wound so (V1 - V0) x (V2 - V0) points outwards.
MeshData PerFaceCube() {
  MeshData data;
  const Vector3 axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  for (const Vector3& n : axes) {
    // a is another axis, b = n x a, so a x b = n.
    const Vector3 a = n.x != 0 ? Vector3{0, 1, 0} : Vector3{1, 0, 0};
    const Vector3 b{n.y * a.z - n.z * a.y, n.z * a.x - n.x * a.z, n.x * a.y - n.y * a.x};
    auto corner = [&](float s, float t) {
      return Vector3{n.x + s * a.x + t * b.x, n.y + s * a.y + t * b.y, n.z + s * a.z + t * b.z};
    };
    const auto first = static_cast<std::uint32_t>(data.positions.size());
    for (const Vector3& p : {corner(-1, -1), corner(1, -1), corner(-1, 1), corner(1, 1)}) {
      data.positions.push_back(p);
      data.normals.push_back({});
      data.texcoords.push_back({});
    }
    data.indices.insert(data.indices.end(),
                        {first, first + 1, first + 2, first + 1, first + 3, first + 2});
    data.attributes.insert(data.attributes.end(), {0, 0});
  }
  return data;
}

TEST(Mesh, BuildCopiesPositionsNormalsTexcoordsAndAttributes) {
  MeshData data;
  AddTriangle(data, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}, 5);
  data.normals[1] = {0, 1, 0};
  data.texcoords[2] = {0.25f, 0.75f};
  const Mesh mesh = Build(data);
  ASSERT_EQ(mesh.vertices.size(), 3u);
  EXPECT_EQ(mesh.vertices[1].position.y, 5.0f);
  EXPECT_EQ(mesh.vertices[1].normal.y, 1.0f);
  EXPECT_EQ(mesh.vertices[2].u, 0.25f);
  EXPECT_EQ(mesh.vertices[2].v, 0.75f);
  EXPECT_EQ(mesh.indices, (std::vector<std::uint16_t>{0, 1, 2}));
  EXPECT_EQ(mesh.attributes, (std::vector<std::uint32_t>{5}));
  EXPECT_TRUE(mesh.attributeTable.empty());
}

TEST(Mesh, SixtyFiveThousandFiveHundredThirtyFiveVerticesFit) {
  MeshData data;
  data.positions.resize(65535);
  data.normals.resize(65535);
  data.texcoords.resize(65535);
  data.indices = {0, 1, 65534};
  data.attributes = {0};
  const Mesh mesh = Build(data);
  EXPECT_EQ(mesh.vertices.size(), 65535u);
  EXPECT_EQ(mesh.indices[2], 65534);
}

TEST(Mesh, MoreVerticesThanSixteenBitIndicesAddressAreRefusedWithAReason) {
  MeshData data;
  data.positions.resize(65536);
  data.normals.resize(65536);
  data.texcoords.resize(65536);
  data.indices = {0, 1, 2};
  data.attributes = {0};
  Mesh mesh;
  mesh.vertices.resize(1);
  std::string error;
  EXPECT_FALSE(platform::mesh::BuildMesh(data, mesh, error));
  EXPECT_NE(error.find("65536 vertices"), std::string::npos) << error;
  EXPECT_NE(error.find("65535"), std::string::npos) << error;
  EXPECT_EQ(mesh.vertices.size(), 1u);  // untouched
}

TEST(Mesh, IndexPastTheVerticesOrMismatchedAttributesAreRefused) {
  MeshData data;
  AddTriangle(data, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0);
  data.indices[2] = 3;
  Mesh mesh;
  std::string error;
  EXPECT_FALSE(platform::mesh::BuildMesh(data, mesh, error));
  EXPECT_NE(error.find("index 3"), std::string::npos) << error;
  data.indices[2] = 2;
  data.attributes.push_back(1);
  error.clear();
  EXPECT_FALSE(platform::mesh::BuildMesh(data, mesh, error));
  EXPECT_NE(error.find("attributes"), std::string::npos) << error;
}

TEST(Mesh, BoxFromMinusFiveToOneGivesItsBoundsAndCentre) {
  MeshData data;
  for (float x : {-5.0f, 1.0f})
    for (float y : {-5.0f, 1.0f})
      for (float z : {-5.0f, 1.0f}) {
        data.positions.push_back({x, y, z});
        data.normals.push_back({});
        data.texcoords.push_back({});
      }
  data.indices = {0, 1, 2, 5, 6, 7};
  data.attributes = {0, 0};
  const Mesh mesh = Build(data);

  D3DVECTOR low{}, high{};
  ASSERT_TRUE(platform::mesh::ComputeBoundingBox(mesh, low, high));
  EXPECT_EQ(low.x, -5.0f);
  EXPECT_EQ(low.y, -5.0f);
  EXPECT_EQ(low.z, -5.0f);
  EXPECT_EQ(high.x, 1.0f);
  EXPECT_EQ(high.y, 1.0f);
  EXPECT_EQ(high.z, 1.0f);
  EXPECT_EQ((low.x + high.x) / 2, -2.0f);

  // The mean of the eight corners is (-2, -2, -2); every corner is sqrt(3 * 3^2) away.
  D3DVECTOR centre{};
  float radius = 0;
  ASSERT_TRUE(platform::mesh::ComputeBoundingSphere(mesh, centre, radius));
  EXPECT_FLOAT_EQ(centre.x, -2.0f);
  EXPECT_FLOAT_EQ(centre.y, -2.0f);
  EXPECT_FLOAT_EQ(centre.z, -2.0f);
  EXPECT_FLOAT_EQ(radius, std::sqrt(27.0f));
}

TEST(Mesh, SphereCentreIsTheMeanOfThePositions) {
  // Three points at x = 0, 0 and 3: the mean is x = 1, the farthest point 2 away.
  MeshData data;
  AddTriangle(data, {0, 0, 0}, {0, 0, 0}, {3, 0, 0}, 0);
  D3DVECTOR centre{};
  float radius = 0;
  ASSERT_TRUE(platform::mesh::ComputeBoundingSphere(Build(data), centre, radius));
  EXPECT_FLOAT_EQ(centre.x, 1.0f);
  EXPECT_FLOAT_EQ(radius, 2.0f);
}

TEST(Mesh, EmptyMeshHasNoBounds) {
  const Mesh mesh;
  D3DVECTOR low{7, 7, 7}, high{8, 8, 8};
  EXPECT_FALSE(platform::mesh::ComputeBoundingBox(mesh, low, high));
  EXPECT_EQ(low.x, 7.0f);
  float radius = 9;
  EXPECT_FALSE(platform::mesh::ComputeBoundingSphere(mesh, low, radius));
  EXPECT_EQ(radius, 9.0f);
}

// Face 0 lies in the plane z = -3 and face 1 in z = 0, both spanning (0,0), (4,0), (0,4)
// in x and y, wound so their normal is +z.
Mesh TwoStackedTriangles() {
  MeshData data;
  AddTriangle(data, {0, 0, -3}, {4, 0, -3}, {0, 4, -3}, 0);
  AddTriangle(data, {0, 0, 0}, {4, 0, 0}, {0, 4, 0}, 0);
  return Build(data);
}

TEST(Mesh, RayHitsTheNearestFaceWithItsBarycentricsAndDistance) {
  // From (1, 2, 5) along (0, 0, -2): z = 5 - 2t reaches 0 at t = 2.5 (face 1) and -3 at
  // t = 4 (face 0), so face 1 is nearest although listed second. The hit (1, 2, 0) equals
  // V0 + u (4, 0, 0) + v (0, 4, 0) with u = 1/4, v = 2/4. The distance counts in units of
  // the direction's length, 2, so the Euclidean distance 5 reads as 2.5.
  const Mesh mesh = TwoStackedTriangles();
  RayHit hit;
  ASSERT_TRUE(platform::mesh::Intersect(mesh, {1, 2, 5}, {0, 0, -2}, hit));
  EXPECT_EQ(hit.face, 1u);
  EXPECT_FLOAT_EQ(hit.u, 0.25f);
  EXPECT_FLOAT_EQ(hit.v, 0.5f);
  EXPECT_FLOAT_EQ(hit.distance, 2.5f);
}

TEST(Mesh, RayHitsFacesFromBehindAndIgnoresFacesBehindTheOrigin) {
  // From (3, 0.5, -1) along (0, 0, 1): face 0 (z = -3) is behind the origin; face 1 is met
  // at t = 1 from its back. (3, 0.5, 0) = V0 + u (4, 0, 0) + v (0, 4, 0): u = 3/4, v = 1/8.
  const Mesh mesh = TwoStackedTriangles();
  RayHit hit;
  ASSERT_TRUE(platform::mesh::Intersect(mesh, {3, 0.5f, -1}, {0, 0, 1}, hit));
  EXPECT_EQ(hit.face, 1u);
  EXPECT_FLOAT_EQ(hit.u, 0.75f);
  EXPECT_FLOAT_EQ(hit.v, 0.125f);
  EXPECT_FLOAT_EQ(hit.distance, 1.0f);
}

TEST(Mesh, SlantedRayHitsWithWorkedBarycentrics) {
  // Triangle V0 (0, 0, 0), V1 (0, 2, 0), V2 (0, 0, 2) in the plane x = 0. From (4, 1, 0.5)
  // along (-2, 0, 0.5): x = 4 - 2t = 0 at t = 2, where y = 1 and z = 0.5 + 1 = 1.5. That
  // point is u (0, 2, 0) + v (0, 0, 2): u = 1/2, v = 3/4, and u + v = 5/4 > 1, so it misses.
  // From (4, 0.5, 0) along the same direction: at t = 2, (0, 0.5, 1): u = 1/4, v = 1/2.
  MeshData data;
  AddTriangle(data, {0, 0, 0}, {0, 2, 0}, {0, 0, 2}, 0);
  const Mesh mesh = Build(data);
  RayHit hit;
  EXPECT_FALSE(platform::mesh::Intersect(mesh, {4, 1, 0.5f}, {-2, 0, 0.5f}, hit));
  ASSERT_TRUE(platform::mesh::Intersect(mesh, {4, 0.5f, 0}, {-2, 0, 0.5f}, hit));
  EXPECT_EQ(hit.face, 0u);
  EXPECT_FLOAT_EQ(hit.u, 0.25f);
  EXPECT_FLOAT_EQ(hit.v, 0.5f);
  EXPECT_FLOAT_EQ(hit.distance, 2.0f);
}

TEST(Mesh, RayThatMissesReportsFalseAndLeavesTheOutputsUnchanged) {
  const Mesh mesh = TwoStackedTriangles();
  RayHit hit;
  hit.face = 77;
  hit.u = 0.5f;
  hit.v = 0.25f;
  hit.distance = 123.0f;
  // Beside the triangles, parallel to their plane, and pointing away from them.
  EXPECT_FALSE(platform::mesh::Intersect(mesh, {10, 10, 5}, {0, 0, -1}, hit));
  EXPECT_FALSE(platform::mesh::Intersect(mesh, {1, 1, 1}, {1, 0, 0}, hit));
  EXPECT_FALSE(platform::mesh::Intersect(mesh, {1, 1, 1}, {0, 0, 1}, hit));
  EXPECT_EQ(hit.face, 77u);
  EXPECT_EQ(hit.u, 0.5f);
  EXPECT_EQ(hit.v, 0.25f);
  EXPECT_EQ(hit.distance, 123.0f);
}

void ExpectNear(const D3DVECTOR& actual, const Vector3& expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-6f);
  EXPECT_NEAR(actual.y, expected.y, 1e-6f);
  EXPECT_NEAR(actual.z, expected.z, 1e-6f);
}

TEST(Mesh, CubeWithPerFaceVerticesHasAxisNormals) {
  const MeshData data = PerFaceCube();
  Mesh mesh = Build(data);
  platform::mesh::ComputeVertexNormals(mesh);
  const std::vector<D3DVECTOR> faceNormals = platform::mesh::ComputeFaceNormals(mesh);
  ASSERT_EQ(faceNormals.size(), 12u);
  for (std::size_t side = 0; side < 6; ++side) {
    // The outward axis of each side is its centre, the mean of its first and last corner.
    const Vector3 first = data.positions[4 * side], last = data.positions[4 * side + 3];
    const Vector3 axis{(first.x + last.x) / 2, (first.y + last.y) / 2, (first.z + last.z) / 2};
    for (std::size_t corner = 0; corner < 4; ++corner)
      ExpectNear(mesh.vertices[4 * side + corner].normal, axis);
    ExpectNear(faceNormals[2 * side], axis);
    ExpectNear(faceNormals[2 * side + 1], axis);
  }
}

TEST(Mesh, SharedVertexNormalWeighsFacesByArea) {
  // Vertex 0 is shared by a face in z = 0 (normal +z, area 8) and a face in x = 0 (normal
  // +x, area 1/2). The cross products are (0, 0, 16) and (1, 0, 0), twice the areas, so
  // their sum normalised is (1, 0, 16) / sqrt(257).
  MeshData data;
  data.positions = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}, {0, 1, 0}, {0, 0, 1}};
  data.normals.resize(5);
  data.texcoords.resize(5);
  data.indices = {0, 1, 2, 0, 3, 4};
  data.attributes = {0, 0};
  Mesh mesh = Build(data);
  const std::vector<D3DVECTOR> faces = platform::mesh::ComputeFaceNormals(mesh);
  ExpectNear(faces[0], {0, 0, 1});
  ExpectNear(faces[1], {1, 0, 0});
  platform::mesh::ComputeVertexNormals(mesh);
  const float length = std::sqrt(257.0f);
  ExpectNear(mesh.vertices[0].normal, {1 / length, 0, 16 / length});
  ExpectNear(mesh.vertices[1].normal, {0, 0, 1});
  ExpectNear(mesh.vertices[4].normal, {1, 0, 0});
}

TEST(Mesh, OptimizeSortsFacesByAttributeAndDropsUnusedVertices) {
  // Ten vertices, x = their original number; vertex 7 is unused. Faces: 0 (0,1,2) attr 2,
  // 1 (3,4,5) attr 0, 2 (1,2,6) attr 2, 3 (8,9,3) attr 1. Sorted: 1, 3, 0, 2. Numbering
  // by first use: 3,4,5 -> 0,1,2; 8,9 -> 3,4; 0,1,2 -> 5,6,7; 6 -> 8.
  MeshData data;
  for (int i = 0; i < 10; ++i) {
    data.positions.push_back({static_cast<float>(i), 0, 0});
    data.normals.push_back({});
    data.texcoords.push_back({});
  }
  data.indices = {0, 1, 2, 3, 4, 5, 1, 2, 6, 8, 9, 3};
  data.attributes = {2, 0, 2, 1};
  Mesh mesh = Build(data);
  platform::mesh::Optimize(mesh);

  ASSERT_EQ(mesh.vertices.size(), 9u);
  const float expectedX[9] = {3, 4, 5, 8, 9, 0, 1, 2, 6};
  for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(mesh.vertices[i].position.x, expectedX[i]);
  EXPECT_EQ(mesh.indices, (std::vector<std::uint16_t>{0, 1, 2, 3, 4, 0, 5, 6, 7, 6, 7, 8}));
  EXPECT_EQ(mesh.attributes, (std::vector<std::uint32_t>{0, 1, 2, 2}));

  // attr 0: face 0, vertices 0..2; attr 1: face 1, vertices 0..4 (it reuses vertex 0);
  // attr 2: faces 2..3, vertices 5..8.
  ASSERT_EQ(mesh.attributeTable.size(), 3u);
  const AttributeRange expected[3] = {{0, 0, 1, 0, 3}, {1, 1, 1, 0, 5}, {2, 2, 2, 5, 4}};
  for (std::size_t i = 0; i < 3; ++i) {
    const AttributeRange& range = mesh.attributeTable[i];
    EXPECT_EQ(range.attributeId, expected[i].attributeId) << i;
    EXPECT_EQ(range.faceStart, expected[i].faceStart) << i;
    EXPECT_EQ(range.faceCount, expected[i].faceCount) << i;
    EXPECT_EQ(range.vertexStart, expected[i].vertexStart) << i;
    EXPECT_EQ(range.vertexCount, expected[i].vertexCount) << i;
  }
}

TEST(Mesh, OptimizeKeepsHitsOnTheSameGeometry) {
  // Sorting renumbers faces: the face stacked nearer the ray (attribute 0) moves first.
  MeshData data;
  AddTriangle(data, {0, 0, -3}, {4, 0, -3}, {0, 4, -3}, 1);
  AddTriangle(data, {0, 0, 0}, {4, 0, 0}, {0, 4, 0}, 0);
  Mesh mesh = Build(data);
  platform::mesh::Optimize(mesh);
  RayHit hit;
  ASSERT_TRUE(platform::mesh::Intersect(mesh, {1, 2, 5}, {0, 0, -2}, hit));
  EXPECT_EQ(hit.face, 0u);
  EXPECT_FLOAT_EQ(hit.distance, 2.5f);
}

TEST(Mesh, CleanLeavesAFanThatSharesEdgesAlone) {
  // Faces (0,1,2) and (0,2,3) share the edge 0-2: one fan around every vertex.
  MeshData data;
  data.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  data.normals.resize(4);
  data.texcoords.resize(4);
  data.indices = {0, 1, 2, 0, 2, 3};
  data.attributes = {0, 0};
  Mesh mesh = Build(data);
  std::string error;
  ASSERT_TRUE(platform::mesh::Clean(mesh, error)) << error;
  EXPECT_EQ(mesh.vertices.size(), 4u);
  EXPECT_EQ(mesh.indices, (std::vector<std::uint16_t>{0, 1, 2, 0, 2, 3}));
}

TEST(Mesh, CleanSplitsABowtieVertex) {
  // Faces (0,1,2) and (0,3,4) touch only at vertex 0: the second fan gets a copy, vertex 5.
  MeshData data;
  data.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {-1, 0, 0}, {-1, -1, 0}};
  data.normals.resize(5);
  data.texcoords.resize(5);
  data.indices = {0, 1, 2, 0, 3, 4};
  data.attributes = {0, 1};
  Mesh mesh = Build(data);
  platform::mesh::Optimize(mesh);
  std::string error;
  ASSERT_TRUE(platform::mesh::Clean(mesh, error)) << error;
  ASSERT_EQ(mesh.vertices.size(), 6u);
  EXPECT_EQ(mesh.indices, (std::vector<std::uint16_t>{0, 1, 2, 5, 3, 4}));
  EXPECT_EQ(mesh.vertices[5].position.x, 0.0f);
  // Subset 1 now spans vertices 3 to 5.
  ASSERT_EQ(mesh.attributeTable.size(), 2u);
  EXPECT_EQ(mesh.attributeTable[1].vertexStart, 3u);
  EXPECT_EQ(mesh.attributeTable[1].vertexCount, 3u);
  EXPECT_EQ(mesh.attributeTable[0].vertexStart, 0u);
  EXPECT_EQ(mesh.attributeTable[0].vertexCount, 3u);
}

TEST(Mesh, CleanGivesTheBackOfADoubleSidedFaceItsOwnVertices) {
  // (0,1,2) and (0,2,1) are the two sides of one triangle. Sharing vertices, their normals
  // would cancel to zero; the back gets copies 3, 4, 5 of its corners 0, 2, 1.
  MeshData data;
  data.positions = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
  data.normals.resize(3);
  data.texcoords.resize(3);
  data.indices = {0, 1, 2, 0, 2, 1};
  data.attributes = {0, 0};
  Mesh mesh = Build(data);
  std::string error;
  ASSERT_TRUE(platform::mesh::Clean(mesh, error)) << error;
  ASSERT_EQ(mesh.vertices.size(), 6u);
  EXPECT_EQ(mesh.indices, (std::vector<std::uint16_t>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(mesh.vertices[4].position.y, 4.0f);
  platform::mesh::ComputeVertexNormals(mesh);
  for (std::size_t i = 0; i < 3; ++i) {
    ExpectNear(mesh.vertices[i].normal, {0, 0, 1});
    ExpectNear(mesh.vertices[3 + i].normal, {0, 0, -1});
  }
}

TEST(Mesh, CleanRefusesToPassTheVertexLimit) {
  // 65535 vertices already; the back face would need three more.
  MeshData data;
  data.positions.resize(65535);
  data.normals.resize(65535);
  data.texcoords.resize(65535);
  data.positions[1] = {1, 0, 0};
  data.positions[2] = {0, 1, 0};
  data.indices = {0, 1, 2, 0, 2, 1};
  data.attributes = {0, 0};
  Mesh mesh = Build(data);
  std::string error;
  EXPECT_FALSE(platform::mesh::Clean(mesh, error));
  EXPECT_NE(error.find("65535"), std::string::npos) << error;
  EXPECT_EQ(mesh.vertices.size(), 65535u);
  EXPECT_EQ(mesh.indices, (std::vector<std::uint16_t>{0, 1, 2, 0, 2, 1}));
}

// A height field of columns x rows quads, two faces each, on the vertices (x, y, z(x, y));
// the faces come in a scrambled order (a fixed shuffle, the same on every run), and the
// rows are split into attributeCount bands of attributes 0, 1, ....
MeshData ScrambledGrid(std::uint32_t columns, std::uint32_t rows, std::uint32_t attributeCount) {
  MeshData data;
  for (std::uint32_t y = 0; y <= rows; ++y) {
    for (std::uint32_t x = 0; x <= columns; ++x) {
      const float fx = static_cast<float>(x), fy = static_cast<float>(y);
      data.positions.push_back({fx, fy, std::sin(fx * 0.3f) + std::cos(fy * 0.2f)});
      data.normals.push_back({});
      data.texcoords.push_back({fx / columns, fy / rows});
    }
  }
  struct Face {
    std::array<std::uint32_t, 3> corners;
    std::uint32_t attribute;
  };
  std::vector<Face> faces;
  for (std::uint32_t y = 0; y < rows; ++y) {
    for (std::uint32_t x = 0; x < columns; ++x) {
      const std::uint32_t a = y * (columns + 1) + x, b = a + 1, c = a + columns + 1, d = c + 1;
      const std::uint32_t band = y * attributeCount / rows;
      faces.push_back({{a, b, c}, band});
      faces.push_back({{b, d, c}, band});
    }
  }
  std::uint32_t state = 12345;
  for (std::size_t i = faces.size(); i > 1; --i) {
    state = state * 1664525u + 1013904223u;
    std::swap(faces[i - 1], faces[(state >> 8) % i]);
  }
  for (const Face& face : faces) {
    data.indices.insert(data.indices.end(), face.corners.begin(), face.corners.end());
    data.attributes.push_back(face.attribute);
  }
  return data;
}

// Each face as its three corner positions, starting at the smallest so a rotation of the
// corners compares equal but the opposite winding does not, with its attribute; sorted.
using FaceKey = std::tuple<std::array<float, 9>, std::uint32_t>;
std::vector<FaceKey> FaceKeys(const Mesh& mesh) {
  std::vector<FaceKey> keys;
  for (std::size_t face = 0; face < mesh.faceCount(); ++face) {
    std::array<std::array<float, 3>, 3> corners;
    for (std::size_t corner = 0; corner < 3; ++corner) {
      const D3DVECTOR& p = mesh.vertices[mesh.indices[3 * face + corner]].position;
      corners[corner] = {p.x, p.y, p.z};
    }
    std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()), corners.end());
    std::array<float, 9> flat;
    for (std::size_t i = 0; i < 9; ++i) flat[i] = corners[i / 3][i % 3];
    keys.emplace_back(flat, mesh.attributes[face]);
  }
  std::sort(keys.begin(), keys.end());
  return keys;
}

// Faces grouped by ascending attribute, and each table entry naming its run of faces and
// exactly the lowest to highest vertex they use.
void ExpectGroupedWithMatchingTable(const Mesh& mesh) {
  ASSERT_EQ(mesh.attributes.size(), mesh.faceCount());
  EXPECT_TRUE(std::is_sorted(mesh.attributes.begin(), mesh.attributes.end()));
  std::uint32_t nextFace = 0;
  for (const AttributeRange& range : mesh.attributeTable) {
    EXPECT_EQ(range.faceStart, nextFace);
    ASSERT_GT(range.faceCount, 0u);
    std::uint32_t low = 0xFFFFFFFFu, high = 0;
    for (std::uint32_t face = range.faceStart; face < range.faceStart + range.faceCount; ++face) {
      ASSERT_LT(face, mesh.faceCount());
      EXPECT_EQ(mesh.attributes[face], range.attributeId);
      for (std::size_t corner = 0; corner < 3; ++corner) {
        low = std::min<std::uint32_t>(low, mesh.indices[3 * face + corner]);
        high = std::max<std::uint32_t>(high, mesh.indices[3 * face + corner]);
      }
    }
    EXPECT_EQ(range.vertexStart, low) << range.attributeId;
    EXPECT_EQ(range.vertexCount, high - low + 1) << range.attributeId;
    nextFace = range.faceStart + range.faceCount;
  }
  EXPECT_EQ(nextFace, mesh.faceCount());
}

// Vertices numbered in the order the faces first use them: every index is at most one
// past the highest before it.
void ExpectVerticesInOrderOfFirstUse(const Mesh& mesh) {
  std::uint32_t next = 0;
  for (std::uint16_t index : mesh.indices) {
    ASSERT_LE(index, next);
    if (index == next) ++next;
  }
  EXPECT_EQ(next, mesh.vertices.size());
}

TEST(MeshVertexCacheOrder, FacesKeepTheirCornersWindingAndAttributes) {
  Mesh mesh = Build(ScrambledGrid(20, 15, 3));
  const std::vector<FaceKey> before = FaceKeys(mesh);
  platform::mesh::Optimize(mesh);
  EXPECT_EQ(FaceKeys(mesh), before);
  ASSERT_EQ(mesh.attributeTable.size(), 3u);
  ExpectGroupedWithMatchingTable(mesh);
  ExpectVerticesInOrderOfFirstUse(mesh);
}

TEST(MeshVertexCacheOrder, ScrambledGridDrawsWithFewCacheMisses) {
  Mesh mesh = Build(ScrambledGrid(100, 100, 1));
  const double before = platform::mesh::AverageCacheMissRatio(mesh, 16);
  EXPECT_GT(before, 2.0);
  platform::mesh::Optimize(mesh);
  EXPECT_LT(platform::mesh::AverageCacheMissRatio(mesh, 16), 0.8);
}

TEST(MeshVertexCacheOrder, EachSubsetOfALargeGridIsOrderedOnItsOwn) {
  // 65535 vertices and 130048 faces: as much as 16-bit indices hold, in four bands.
  Mesh mesh = Build(ScrambledGrid(254, 256, 4));
  ASSERT_EQ(mesh.vertices.size(), 65535u);
  const std::vector<FaceKey> before = FaceKeys(mesh);
  platform::mesh::Optimize(mesh);
  EXPECT_EQ(FaceKeys(mesh), before);
  ExpectGroupedWithMatchingTable(mesh);
  EXPECT_LT(platform::mesh::AverageCacheMissRatio(mesh, 16), 0.9);
}

TEST(MeshVertexCacheOrder, RayHitsAndBoundsStayTheSame) {
  Mesh mesh = Build(ScrambledGrid(30, 30, 2));
  D3DVECTOR lowBefore, highBefore;
  ASSERT_TRUE(platform::mesh::ComputeBoundingBox(mesh, lowBefore, highBefore));
  const Mesh original = mesh;
  platform::mesh::Optimize(mesh);
  D3DVECTOR low, high;
  ASSERT_TRUE(platform::mesh::ComputeBoundingBox(mesh, low, high));
  EXPECT_EQ(std::tie(low.x, low.y, low.z), std::tie(lowBefore.x, lowBefore.y, lowBefore.z));
  EXPECT_EQ(std::tie(high.x, high.y, high.z), std::tie(highBefore.x, highBefore.y, highBefore.z));

  // The rays lean a little, so they start far enough from the edges to stay on the grid.
  for (float x = 0.7f; x < 29; x += 2.9f) {
    for (float y = 0.4f; y < 30; y += 3.7f) {
      const D3DVECTOR origin{x, y, 10}, direction{0.05f, -0.02f, -1};
      RayHit hitBefore, hit;
      ASSERT_TRUE(platform::mesh::Intersect(original, origin, direction, hitBefore));
      ASSERT_TRUE(platform::mesh::Intersect(mesh, origin, direction, hit));
      EXPECT_FLOAT_EQ(hit.distance, hitBefore.distance) << x << ", " << y;
      // The same face, now under another number.
      for (std::size_t corner = 0; corner < 3; ++corner) {
        const D3DVECTOR& p = mesh.vertices[mesh.indices[3 * hit.face + corner]].position;
        const D3DVECTOR& q =
            original.vertices[original.indices[3 * hitBefore.face + corner]].position;
        EXPECT_EQ(std::tie(p.x, p.y, p.z), std::tie(q.x, q.y, q.z));
      }
    }
  }
}

TEST(MeshVertexCacheOrder, SameMeshGivesTheSameOrderEveryTime) {
  Mesh first = Build(ScrambledGrid(40, 25, 2));
  Mesh second = first;
  platform::mesh::Optimize(first);
  platform::mesh::Optimize(second);
  EXPECT_EQ(first.indices, second.indices);
  EXPECT_EQ(first.attributes, second.attributes);
}

TEST(MeshVertexCacheOrder, DegenerateFacesAndSingleFaceSubsetsAreKept) {
  // A strip of four faces in attribute 0, two of them degenerate (a repeated corner and a
  // point), and one lone face in attribute 1.
  MeshData data;
  for (int i = 0; i < 8; ++i) {
    data.positions.push_back({static_cast<float>(i % 4), static_cast<float>(i / 4), 0});
    data.normals.push_back({});
    data.texcoords.push_back({});
  }
  data.indices = {0, 1, 4, 2, 2, 5, 1, 5, 4, 3, 3, 3, 5, 6, 7};
  data.attributes = {0, 0, 0, 0, 1};
  Mesh mesh = Build(data);
  const std::vector<FaceKey> before = FaceKeys(mesh);
  platform::mesh::Optimize(mesh);
  EXPECT_EQ(FaceKeys(mesh), before);
  ExpectGroupedWithMatchingTable(mesh);
  ExpectVerticesInOrderOfFirstUse(mesh);
  ASSERT_EQ(mesh.attributeTable.size(), 2u);
  EXPECT_EQ(mesh.attributeTable[1].faceCount, 1u);
}

TEST(MeshVertexCacheOrder, EmptyMeshStaysEmpty) {
  Mesh mesh;
  platform::mesh::Optimize(mesh);
  EXPECT_TRUE(mesh.vertices.empty());
  EXPECT_TRUE(mesh.indices.empty());
  EXPECT_TRUE(mesh.attributeTable.empty());
  EXPECT_EQ(platform::mesh::AverageCacheMissRatio(mesh, 16), 0.0);
}

TEST(MeshVertexCacheOrder, MissRatioCountsAFifoOfTheGivenSize) {
  // Two faces sharing an edge, drawn 0 1 2, 1 3 2: four misses when the cache holds three
  // vertices or more.
  MeshData data;
  data.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  data.normals.resize(4);
  data.texcoords.resize(4);
  data.indices = {0, 1, 2, 1, 3, 2};
  data.attributes = {0, 0};
  const Mesh mesh = Build(data);
  EXPECT_DOUBLE_EQ(platform::mesh::AverageCacheMissRatio(mesh, 16), 2.0);
  EXPECT_DOUBLE_EQ(platform::mesh::AverageCacheMissRatio(mesh, 3), 2.0);
  // FIFO of two: 0, 1 miss; 2 misses and pushes out 0; 1 hits; 3 misses and pushes out 1;
  // 2 hits. Four misses.
  EXPECT_DOUBLE_EQ(platform::mesh::AverageCacheMissRatio(mesh, 2), 2.0);
  // FIFO of one: every index but none repeats back to back: six misses.
  EXPECT_DOUBLE_EQ(platform::mesh::AverageCacheMissRatio(mesh, 1), 3.0);
}

TEST(MeshVertexCacheOrder, LoadedModelDrawsWithFewerMisses) {
  MeshData data;
  std::string error;
  ASSERT_TRUE(platform::xfile::LoadMeshFile(
      std::string(HINOKI_SOURCE_DIR) + "/tests/data/x/Testwuson.X", data, error))
      << error;
  Mesh mesh = Build(data);
  const std::vector<FaceKey> before = FaceKeys(mesh);
  const double missesBefore = platform::mesh::AverageCacheMissRatio(mesh, 16);
  platform::mesh::Optimize(mesh);
  EXPECT_EQ(FaceKeys(mesh), before);
  ExpectGroupedWithMatchingTable(mesh);
  EXPECT_LT(platform::mesh::AverageCacheMissRatio(mesh, 16), missesBefore);
}

}  // namespace
