// DirectX .x files: the tree of data objects a file holds (text or binary, plain or MSZIP
// compressed, 32- or 64-bit floats) and, on top of it, the one merged triangle mesh a mesh
// loader builds from the frame hierarchy. Engine-independent: bytes in, plain structs out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace platform::xfile {

/// One member value of a data object, in file order. Nested structures (a matrix, a
/// vector) are flattened into their numbers; separators carry no meaning here. Eight bytes,
/// since big meshes hold millions: numbers keep 32-bit float precision, which is what a
/// mesh stores anyway; whole numbers from 0 to 2^32 - 1 stay exact as integers.
class Value {
 public:
  enum class Kind : std::uint8_t { Integer, Float, String };
  static Value Integer(std::uint32_t value) { return Value(Kind::Integer, value); }
  static Value Float(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return Value(Kind::Float, bits);
  }
  /// A string, by its index into DataObject::strings.
  static Value String(std::uint32_t index) { return Value(Kind::String, index); }
  /// A text number: an integer when it is whole and fits, else a float.
  static Value Number(double value, bool written_as_integer) {
    if (written_as_integer && value >= 0 && value <= 4294967295.0)
      return Integer(static_cast<std::uint32_t>(value));
    return Float(static_cast<float>(value));
  }

  Kind kind() const { return mKind; }
  std::uint32_t integer() const { return mBits; }
  std::uint32_t stringIndex() const { return mBits; }
  float real() const {
    float value;
    std::memcpy(&value, &mBits, 4);
    return value;
  }
  /// Integer or Float as a number (0 for a String).
  double number() const {
    return mKind == Kind::Integer ? mBits : mKind == Kind::Float ? real() : 0.0;
  }

 private:
  Value(Kind kind, std::uint32_t bits) : mKind(kind), mBits(bits) {}
  Kind mKind;
  std::uint32_t mBits;
};

struct DataObject;

/// A child of a data object: an object written inside it, or a reference `{ name }` to an
/// object written elsewhere in the file (`object` is null when no object has that name).
struct Child {
  const DataObject* object = nullptr;
  bool isReference = false;
  std::string referenceName;  ///< as written, for references only
};

struct DataObject {
  std::string type;  ///< template name, e.g. "Mesh"
  std::string name;  ///< empty when the object has none
  std::string guid;  ///< "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" or empty
  std::vector<Value> values;
  std::vector<std::string> strings;
  std::vector<Child> children;  ///< objects and references, in file order
};

/// The whole file: the top-level data objects in file order (templates are not kept).
struct Document {
  std::vector<const DataObject*> topLevel;
  std::vector<std::unique_ptr<DataObject>> objects;  ///< owns every object
  bool binary = false;
  bool compressed = false;
  bool doubleFloats = false;
};

/// Reads the file's data objects; false with a reason for anything that is not a
/// well-formed .x file. Never trusts a count beyond the bytes that are there.
bool ReadDocument(const std::uint8_t* data, std::size_t size, Document& document,
                  std::string& error);

/// Unpacks an MSZIP body (what follows the 16-byte header) into the plain body, each block
/// inflated with the previous block's output as its dictionary.
bool DecompressMszip(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out,
                     std::string& error);

struct Vector3 {
  float x = 0, y = 0, z = 0;
};
struct Vector2 {
  float u = 0, v = 0;
};

/// A material as the file declares it; an empty texture name means no texture.
struct Material {
  float diffuse[4] = {1, 1, 1, 1};  ///< RGBA
  float power = 0;
  float specular[3] = {0, 0, 0};
  float emissive[3] = {0, 0, 0};
  std::string textureFilename;  ///< exactly as written in the file
};

/// Every mesh of the file merged into one indexed triangle list in model space.
/// Vertex i < the first mesh's vertex count is that mesh's vertex i; a position whose
/// corners carry different normals gets one extra vertex per further normal. Texture
/// coordinates belong to positions, so they never split a vertex.
struct MeshData {
  std::vector<Vector3> positions;
  std::vector<Vector3> normals;           ///< one per vertex; zero where the file gave none
  std::vector<Vector2> texcoords;         ///< one per vertex; zero where the file gave none
  std::vector<std::uint32_t> indices;     ///< three per triangle
  std::vector<std::uint32_t> attributes;  ///< material index per triangle
  std::vector<Material> materials;        ///< file order; meshes after one another
  bool hasNormals = false;                ///< some mesh of the file had MeshNormals
  bool hasTexcoords = false;              ///< some mesh of the file had MeshTextureCoords
};

/// Builds the merged mesh of a read document: every Mesh in the frame hierarchy (and at
/// the top level) once, moved by its frames' FrameTransformMatrix values (own frame first,
/// outermost last); polygons split into fans; a mesh without a MeshMaterialList gets one
/// default material (white diffuse, no texture). A material list with fewer face indices
/// than faces repeats its last index; values after those a layout uses are ignored. False
/// with a reason when a count or index disagrees with what the file holds (skin weights
/// are checked against their mesh, though not applied), or when the file has no mesh.
bool BuildMesh(const Document& document, MeshData& mesh, std::string& error);

/// ReadDocument then BuildMesh.
bool LoadMesh(const std::uint8_t* data, std::size_t size, MeshData& mesh, std::string& error);

/// The same from a file (a local, already resolved path).
bool LoadMeshFile(const std::string& path, MeshData& mesh, std::string& error);

}  // namespace platform::xfile
