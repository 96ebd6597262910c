// Builds the one merged triangle mesh a mesh loader returns from a .x document: walks the
// frame hierarchy, reads Mesh, MeshNormals, MeshTextureCoords and MeshMaterialList by
// their documented layouts, and checks every count and index against the values read.
#include <strings.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

#include "platform/xfile/XFile.h"

namespace platform::xfile {

namespace {

// Template names compare without case: exporters write "TextureFileName" as often as
// "TextureFilename".
bool IsType(const DataObject& object, const char* type) {
  return strcasecmp(object.type.c_str(), type) == 0;
}

// Row-major, row vectors: a point p becomes p * M.
struct Matrix {
  double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
  return r;
}

bool IsIdentity(const Matrix& a) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (a.m[i][j] != (i == j ? 1.0 : 0.0)) return false;
  return true;
}

// Reads an object's values in order, refusing to run past what the file held.
class ValueCursor {
 public:
  ValueCursor(const DataObject& object, std::string& error) : mObject(object), mError(error) {}

  std::size_t Remaining() const { return mObject.values.size() - mPos; }

  bool Count(std::uint32_t& out, const char* what) {
    if (mPos >= mObject.values.size()) return Fail(std::string("missing ") + what);
    const Value& value = mObject.values[mPos++];
    if (value.kind() == Value::Kind::Integer) {
      out = value.integer();
      return true;
    }
    // Some exporters write counts and indices like floats ("24.000000").
    const float real = value.real();
    if (value.kind() == Value::Kind::String || !(real >= 0.0f) || real > 4294967040.0f ||
        real != std::floor(real)) {
      return Fail(std::string(what) + " is not a whole number");
    }
    out = static_cast<std::uint32_t>(real);
    return true;
  }

  bool Number(float& out, const char* what) {
    if (mPos >= mObject.values.size()) return Fail(std::string("missing ") + what);
    const Value& value = mObject.values[mPos++];
    if (value.kind() == Value::Kind::String) return Fail(std::string(what) + " is not a number");
    out = static_cast<float>(value.number());
    return true;
  }

  bool Text(std::string& out, const char* what) {
    if (mPos >= mObject.values.size()) return Fail(std::string("missing ") + what);
    const Value& value = mObject.values[mPos++];
    if (value.kind() != Value::Kind::String) return Fail(std::string(what) + " is not a string");
    out = mObject.strings[value.stringIndex()];
    return true;
  }

  /// A declared count must fit in the values left, `per` values per element.
  bool Fits(std::uint32_t count, std::size_t per, const char* what) {
    if (static_cast<std::uint64_t>(count) * per > Remaining()) {
      char text[160];
      std::snprintf(text, sizeof text, "declares %u %s but holds only %zu more values", count, what,
                    Remaining());
      return Fail(text);
    }
    return true;
  }

  bool Fail(const std::string& what) {
    mError = "'" + mObject.type + (mObject.name.empty() ? "" : " " + mObject.name) + "' " + what;
    return false;
  }

 private:
  const DataObject& mObject;
  std::string& mError;
  std::size_t mPos = 0;
};

// One Mesh object as the file gives it, before merging.
struct SourceMesh {
  std::vector<Vector3> positions;
  std::vector<std::uint32_t> faceStart;  // faces + 1 entries into `corners`
  std::vector<std::uint32_t> corners;
  std::vector<Vector3> normals;
  std::vector<std::uint32_t> normalCorners;  // parallel to `corners`, when normals exist
  std::vector<Vector2> texcoords;
  std::vector<std::uint32_t> faceMaterials;
  std::vector<Material> materials;
};

bool ReadFaces(ValueCursor& cursor, std::uint32_t indexLimit, std::vector<std::uint32_t>& faceStart,
               std::vector<std::uint32_t>& corners, const char* what) {
  std::uint32_t faceCount = 0;
  if (!cursor.Count(faceCount, "face count") || !cursor.Fits(faceCount, 1, what)) return false;
  faceStart.assign(1, 0);
  faceStart.reserve(faceCount + std::size_t{1});
  corners.reserve(cursor.Remaining() < faceCount * std::size_t{3} ? cursor.Remaining()
                                                                  : faceCount * std::size_t{3});
  for (std::uint32_t face = 0; face < faceCount; ++face) {
    std::uint32_t cornerCount = 0;
    if (!cursor.Count(cornerCount, "corner count") || !cursor.Fits(cornerCount, 1, "corners"))
      return false;
    for (std::uint32_t i = 0; i < cornerCount; ++i) {
      std::uint32_t index = 0;
      if (!cursor.Count(index, "corner index")) return false;
      if (index >= indexLimit) {
        return cursor.Fail("face " + std::to_string(face) + " uses index " + std::to_string(index) +
                           " of only " + std::to_string(indexLimit));
      }
      corners.push_back(index);
    }
    faceStart.push_back(static_cast<std::uint32_t>(corners.size()));
  }
  return true;
}

bool ReadMaterial(const DataObject& object, Material& material, std::string& error) {
  ValueCursor cursor(object, error);
  for (float& c : material.diffuse)
    if (!cursor.Number(c, "diffuse colour")) return false;
  if (!cursor.Number(material.power, "specular power")) return false;
  for (float& c : material.specular)
    if (!cursor.Number(c, "specular colour")) return false;
  for (float& c : material.emissive)
    if (!cursor.Number(c, "emissive colour")) return false;
  for (const Child& child : object.children) {
    if (child.object && IsType(*child.object, "TextureFilename")) {
      ValueCursor name(*child.object, error);
      if (child.object->values.empty()) break;  // no name = no texture
      if (!name.Text(material.textureFilename, "file name")) return false;
      break;
    }
  }
  return true;
}

bool ReadMaterialList(const DataObject& object, SourceMesh& mesh, std::string& error) {
  ValueCursor cursor(object, error);
  std::uint32_t materialCount = 0, indexCount = 0;
  if (!cursor.Count(materialCount, "material count") ||
      !cursor.Count(indexCount, "face index count") ||
      !cursor.Fits(indexCount, 1, "face material indices"))
    return false;
  std::vector<std::uint32_t> indices(indexCount);
  for (std::uint32_t& index : indices)
    if (!cursor.Count(index, "face material index")) return false;
  for (const Child& child : object.children) {
    if (!child.object) {
      return cursor.Fail("refers to '" + child.referenceName + "', which the file does not hold");
    }
    if (!IsType(*child.object, "Material")) {
      if (child.isReference)
        return cursor.Fail("refers to '" + child.referenceName + "', which is no material");
      continue;
    }
    if (mesh.materials.size() == materialCount) break;  // more listed than declared: unused
    mesh.materials.emplace_back();
    if (!ReadMaterial(*child.object, mesh.materials.back(), error)) return false;
  }
  if (mesh.materials.size() < materialCount) {
    return cursor.Fail("declares " + std::to_string(materialCount) + " materials but lists " +
                       std::to_string(mesh.materials.size()));
  }
  const std::size_t faceCount = mesh.faceStart.size() - 1;
  if (materialCount == 0) {
    if (indexCount > 0) return cursor.Fail("gives faces materials but declares none");
    return true;  // treated like a mesh without a list
  }
  // Fewer indices than faces: the last one goes on for the remaining faces.
  mesh.faceMaterials.resize(faceCount);
  for (std::size_t face = 0; face < faceCount; ++face) {
    const std::uint32_t index =
        indexCount == 0 ? 0 : indices[face < indexCount ? face : indexCount - 1];
    if (index >= materialCount) {
      return cursor.Fail("gives face " + std::to_string(face) + " material " +
                         std::to_string(index) + " of only " + std::to_string(materialCount));
    }
    mesh.faceMaterials[face] = index;
  }
  return true;
}

bool ReadNormals(const DataObject& object, SourceMesh& mesh, std::string& error) {
  ValueCursor cursor(object, error);
  std::uint32_t normalCount = 0;
  if (!cursor.Count(normalCount, "normal count") || !cursor.Fits(normalCount, 3, "normals"))
    return false;
  mesh.normals.resize(normalCount);
  for (Vector3& n : mesh.normals)
    if (!cursor.Number(n.x, "normal") || !cursor.Number(n.y, "normal") ||
        !cursor.Number(n.z, "normal"))
      return false;
  std::vector<std::uint32_t> faceStart;
  if (!ReadFaces(cursor, normalCount, faceStart, mesh.normalCorners, "normal faces")) return false;
  if (faceStart != mesh.faceStart) {
    return cursor.Fail("has faces that do not match the mesh's faces");
  }
  return true;
}

bool ReadTexcoords(const DataObject& object, SourceMesh& mesh, std::string& error) {
  ValueCursor cursor(object, error);
  std::uint32_t count = 0;
  if (!cursor.Count(count, "coordinate count") || !cursor.Fits(count, 2, "coordinates"))
    return false;
  if (count < mesh.positions.size()) {
    return cursor.Fail("has " + std::to_string(count) + " coordinates for " +
                       std::to_string(mesh.positions.size()) + " vertices");
  }
  mesh.texcoords.resize(mesh.positions.size());
  for (Vector2& t : mesh.texcoords)
    if (!cursor.Number(t.u, "coordinate") || !cursor.Number(t.v, "coordinate")) return false;
  return true;
}

// Skin weights are not applied, but a file whose weights contradict its mesh is damaged.
bool CheckSkinWeights(const DataObject& object, const SourceMesh& mesh, std::string& error) {
  ValueCursor cursor(object, error);
  std::string bone;
  std::uint32_t count = 0;
  if (!cursor.Text(bone, "bone name") || !cursor.Count(count, "weight count") ||
      !cursor.Fits(count, 2, "weights"))
    return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t index = 0;
    if (!cursor.Count(index, "weighted vertex")) return false;
    if (index >= mesh.positions.size()) {
      return cursor.Fail("weights vertex " + std::to_string(index) + " of only " +
                         std::to_string(mesh.positions.size()));
    }
  }
  if (cursor.Remaining() < std::size_t{count} + 16) {
    return cursor.Fail("lacks weights or its offset matrix for " + std::to_string(count) +
                       " vertices");
  }
  return true;
}

bool ReadMesh(const DataObject& object, SourceMesh& mesh, std::string& error) {
  ValueCursor cursor(object, error);
  std::uint32_t vertexCount = 0;
  if (!cursor.Count(vertexCount, "vertex count") || !cursor.Fits(vertexCount, 3, "vertices"))
    return false;
  mesh.positions.resize(vertexCount);
  for (Vector3& p : mesh.positions)
    if (!cursor.Number(p.x, "position") || !cursor.Number(p.y, "position") ||
        !cursor.Number(p.z, "position"))
      return false;
  if (!ReadFaces(cursor, vertexCount, mesh.faceStart, mesh.corners, "faces")) return false;
  bool haveList = false, haveNormals = false, haveTexcoords = false;
  for (const Child& child : object.children) {
    if (!child.object) continue;  // a dangling reference to something a mesh does not need
    const DataObject& part = *child.object;
    if (IsType(part, "MeshNormals") && !haveNormals) {
      if (!ReadNormals(part, mesh, error)) return false;
      haveNormals = true;
    } else if (IsType(part, "MeshTextureCoords") && !haveTexcoords) {
      if (!ReadTexcoords(part, mesh, error)) return false;
      haveTexcoords = true;
    } else if (IsType(part, "MeshMaterialList") && !haveList) {
      if (!ReadMaterialList(part, mesh, error)) return false;
      haveList = true;
    } else if (IsType(part, "SkinWeights")) {
      if (!CheckSkinWeights(part, mesh, error)) return false;
    }
  }
  if (mesh.materials.empty()) {
    // No list: one default material, white, no texture, for every face.
    mesh.materials.emplace_back();
    mesh.faceMaterials.assign(mesh.faceStart.size() - 1, 0);
  }
  return true;
}

Vector3 TransformPoint(const Matrix& m, const Vector3& p) {
  return {static_cast<float>(p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0]),
          static_cast<float>(p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1]),
          static_cast<float>(p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2])};
}

// Normals follow the inverse transpose of the upper 3x3, so they stay perpendicular to
// surfaces under non-uniform scale; they are normalised again afterwards.
Vector3 TransformNormal(const Matrix& m, const Vector3& n) {
  const auto& a = m.m;
  double c[3][3];
  c[0][0] = a[1][1] * a[2][2] - a[1][2] * a[2][1];
  c[0][1] = a[1][2] * a[2][0] - a[1][0] * a[2][2];
  c[0][2] = a[1][0] * a[2][1] - a[1][1] * a[2][0];
  c[1][0] = a[2][1] * a[0][2] - a[2][2] * a[0][1];
  c[1][1] = a[2][2] * a[0][0] - a[2][0] * a[0][2];
  c[1][2] = a[2][0] * a[0][1] - a[2][1] * a[0][0];
  c[2][0] = a[0][1] * a[1][2] - a[0][2] * a[1][1];
  c[2][1] = a[0][2] * a[1][0] - a[0][0] * a[1][2];
  c[2][2] = a[0][0] * a[1][1] - a[0][1] * a[1][0];
  const double det = a[0][0] * c[0][0] + a[0][1] * c[0][1] + a[0][2] * c[0][2];
  const double sign = det < 0 ? -1.0 : 1.0;
  // Row vector times the cofactor matrix = n * det * inverse-transpose.
  double x = sign * (n.x * c[0][0] + n.y * c[1][0] + n.z * c[2][0]);
  double y = sign * (n.x * c[0][1] + n.y * c[1][1] + n.z * c[2][1]);
  double z = sign * (n.x * c[0][2] + n.y * c[1][2] + n.z * c[2][2]);
  const double length = std::sqrt(x * x + y * y + z * z);
  if (length > 0 && std::isfinite(length)) {
    x /= length;
    y /= length;
    z /= length;
  }
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

bool SameNormal(const Vector3& a, const Vector3& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

// A position with one of its normals, as the key of that copy of the position.
struct CornerKey {
  std::uint32_t position, x, y, z;
  bool operator==(const CornerKey& other) const {
    return position == other.position && x == other.x && y == other.y && z == other.z;
  }
};
struct CornerKeyHash {
  std::size_t operator()(const CornerKey& key) const {
    std::uint64_t h = key.position;
    for (std::uint32_t part : {key.x, key.y, key.z}) h = (h ^ part) * 0x9e3779b97f4a7c15ull;
    return static_cast<std::size_t>(h ^ (h >> 32));
  }
};

// Bits of a component, with -0 folded into +0 so equal normals give equal keys.
std::uint32_t Bits(float value) {
  value += 0.0f;
  std::uint32_t bits;
  std::memcpy(&bits, &value, 4);
  return bits;
}

void Append(const SourceMesh& source, const Matrix& world, MeshData& out) {
  const std::uint32_t base = static_cast<std::uint32_t>(out.positions.size());
  const std::uint32_t materialBase = static_cast<std::uint32_t>(out.materials.size());
  const bool identity = IsIdentity(world);
  const bool hasNormals = !source.normals.empty();
  out.hasNormals |= hasNormals;
  out.hasTexcoords |= !source.texcoords.empty();
  for (const Vector3& p : source.positions)
    out.positions.push_back(identity ? p : TransformPoint(world, p));
  out.normals.resize(out.positions.size());
  out.texcoords.resize(out.positions.size());
  if (!source.texcoords.empty())
    std::copy(source.texcoords.begin(), source.texcoords.end(), out.texcoords.begin() + base);
  out.materials.insert(out.materials.end(), source.materials.begin(), source.materials.end());

  // Vertex of corner: the position's own vertex when its normal is still unset or equal;
  // otherwise one copy of the position per further normal, found again through a hash
  // map, so a file with many normals on one position stays linear.
  std::vector<std::uint8_t> normalSet(source.positions.size(), 0);
  std::unordered_map<CornerKey, std::uint32_t, CornerKeyHash> copies;
  auto vertexFor = [&](std::uint32_t corner) -> std::uint32_t {
    const std::uint32_t position = source.corners[corner];
    if (!hasNormals) return base + position;
    Vector3 normal = source.normals[source.normalCorners[corner]];
    if (!identity) normal = TransformNormal(world, normal);
    if (!normalSet[position]) {
      normalSet[position] = 1;
      out.normals[base + position] = normal;
      return base + position;
    }
    if (SameNormal(out.normals[base + position], normal)) return base + position;
    const CornerKey key{position, Bits(normal.x), Bits(normal.y), Bits(normal.z)};
    const auto found = copies.try_emplace(key, static_cast<std::uint32_t>(out.positions.size()));
    if (!found.second) return found.first->second;
    out.positions.push_back(out.positions[base + position]);
    out.normals.push_back(normal);
    out.texcoords.push_back(out.texcoords[base + position]);
    return found.first->second;
  };

  const std::size_t faceCount = source.faceStart.size() - 1;
  for (std::size_t face = 0; face < faceCount; ++face) {
    const std::uint32_t first = source.faceStart[face];
    const std::uint32_t end = source.faceStart[face + 1];
    if (end - first < 3) continue;  // a point or a line has no area to draw
    const std::uint32_t a = vertexFor(first);
    std::uint32_t b = vertexFor(first + 1);
    for (std::uint32_t corner = first + 2; corner < end; ++corner) {
      const std::uint32_t c = vertexFor(corner);
      out.indices.push_back(a);
      out.indices.push_back(b);
      out.indices.push_back(c);
      out.attributes.push_back(materialBase + source.faceMaterials[face]);
      b = c;
    }
  }
}

class HierarchyWalker {
 public:
  HierarchyWalker(MeshData& out, std::string& error) : mOut(out), mError(error) {}

  // Meshes a frame holds or refers to are placed by that frame, not at the top level.
  void CollectFramed(const DataObject& frame) {
    for (const Child& child : frame.children) {
      if (!child.object) continue;
      if (IsType(*child.object, "Mesh")) mFramed.insert(child.object);
      if (IsType(*child.object, "Frame") && !child.isReference) CollectFramed(*child.object);
    }
  }

  bool Walk(const Document& document) {
    for (const DataObject* object : document.topLevel)
      if (IsType(*object, "Frame")) CollectFramed(*object);
    for (const DataObject* object : document.topLevel) {
      if (IsType(*object, "Mesh") && !mFramed.count(object)) {
        if (!Emit(*object, Matrix())) return false;
      } else if (IsType(*object, "Frame")) {
        if (!WalkFrame(*object, Matrix())) return false;
      }
    }
    if (mMeshCount == 0) {
      mError = "the file holds no mesh";
      return false;
    }
    return true;
  }

 private:
  bool WalkFrame(const DataObject& frame, const Matrix& parent) {
    Matrix local;
    for (const Child& child : frame.children) {
      if (child.object && IsType(*child.object, "FrameTransformMatrix")) {
        ValueCursor cursor(*child.object, mError);
        for (auto& row : local.m)
          for (double& v : row) {
            float f;
            if (!cursor.Number(f, "matrix value")) return false;
            v = f;
          }
        break;
      }
    }
    const Matrix world = Multiply(local, parent);  // own transform first, parents after
    for (const Child& child : frame.children) {
      if (!child.object) continue;
      if (IsType(*child.object, "Mesh")) {
        if (!Emit(*child.object, world)) return false;
      } else if (IsType(*child.object, "Frame") && !child.isReference) {
        if (!WalkFrame(*child.object, world)) return false;
      }
    }
    return true;
  }

  bool Emit(const DataObject& object, const Matrix& world) {
    if (!mEmitted.insert(&object).second) return true;  // one mesh, one copy
    SourceMesh mesh;
    if (!ReadMesh(object, mesh, mError)) return false;
    Append(mesh, world, mOut);
    ++mMeshCount;
    return true;
  }

  MeshData& mOut;
  std::string& mError;
  std::unordered_set<const DataObject*> mFramed;
  std::unordered_set<const DataObject*> mEmitted;
  int mMeshCount = 0;
};

}  // namespace

bool BuildMesh(const Document& document, MeshData& mesh, std::string& error) {
  mesh = MeshData();
  error.clear();
  if (!HierarchyWalker(mesh, error).Walk(document)) {
    mesh = MeshData();
    return false;
  }
  return true;
}

bool LoadMesh(const std::uint8_t* data, std::size_t size, MeshData& mesh, std::string& error) {
  Document document;
  if (!ReadDocument(data, size, document, error)) {
    mesh = MeshData();
    return false;
  }
  return BuildMesh(document, mesh, error);
}

bool LoadMeshFile(const std::string& path, MeshData& mesh, std::string& error) {
  // One sized read: copying through stream iterators costs more than parsing small files.
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) {
    error = "cannot open " + path;
    mesh = MeshData();
    return false;
  }
  const std::streamoff size = file.tellg();
  std::vector<std::uint8_t> bytes(size > 0 ? static_cast<std::size_t>(size) : 0);
  file.seekg(0);
  if (size < 0 || !file.read(reinterpret_cast<char*>(bytes.data()), size)) {
    error = "cannot read " + path;
    mesh = MeshData();
    return false;
  }
  if (!LoadMesh(bytes.data(), bytes.size(), mesh, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace platform::xfile
