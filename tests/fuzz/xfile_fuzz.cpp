// Fuzz target for the .x reader (text, binary and MSZIP-compressed files) and the mesh
// steps a loaded file goes through: every input must load or be refused with a reason,
// without a crash, a hang or a huge allocation, and every mesh must only index what it
// holds, before and after re-formatting, optimising and cleaning.
// Built with clang's -fsanitize=fuzzer (HINOKI_LIBFUZZER) it is a libFuzzer target;
// otherwise it replays the files it is given, which is how the tests run the corpus.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ReplayMain.h"
#include "platform/mesh/Mesh.h"
#include "platform/xfile/XFile.h"

namespace {

// A processed mesh whose indices, attributes or subset table contradict it.
void CheckProcessed(const platform::mesh::Mesh& mesh) {
  if (mesh.indices.size() != mesh.attributes.size() * 3) std::abort();
  for (std::uint16_t index : mesh.indices)
    if (index >= mesh.vertices.size()) std::abort();
  std::size_t faces = 0;
  for (const platform::mesh::AttributeRange& range : mesh.attributeTable) {
    if (range.faceStart != faces || range.faceStart + range.faceCount > mesh.faceCount()) std::abort();
    for (std::uint32_t f = range.faceStart; f < range.faceStart + range.faceCount; ++f)
      if (mesh.attributes[f] != range.attributeId) std::abort();
    faces += range.faceCount;
  }
  if (faces != mesh.faceCount()) std::abort();
}

// The steps a mesh record goes through after loading, as far as they succeed.
void RunMeshSteps(const platform::xfile::MeshData& loaded) {
  using namespace platform::mesh;
  Mesh mesh;
  std::string error;
  if (!BuildMesh(loaded, mesh, error)) {
    if (error.empty() || loaded.positions.size() <= kMaxVertices) std::abort();
    return;
  }
  Optimize(mesh);
  CheckProcessed(mesh);
  if (!Clean(mesh, error)) {
    if (error.empty()) std::abort();
    return;
  }
  CheckProcessed(mesh);
  ComputeVertexNormals(mesh);
  if (ComputeFaceNormals(mesh).size() != mesh.faceCount()) std::abort();
  D3DVECTOR low, high, centre;
  float radius = 0;
  ComputeBoundingBox(mesh, low, high);
  ComputeBoundingSphere(mesh, centre, radius);
  RayHit hit;
  const D3DVECTOR origin{0, 0, -1000}, direction{0, 0, 1};
  if (Intersect(mesh, origin, direction, hit) && hit.face >= mesh.faceCount()) std::abort();
}

// Loads the data; true when a mesh came out. Aborts when a result contradicts itself.
bool LoadOnce(const std::uint8_t* data, std::size_t size) {
  using namespace platform::xfile;
  MeshData mesh;
  std::string error;
  if (!LoadMesh(data, size, mesh, error)) {
    if (error.empty() || !mesh.positions.empty() || !mesh.materials.empty()) std::abort();
    return false;
  }
  const std::size_t vertices = mesh.positions.size();
  if (mesh.normals.size() != vertices || mesh.texcoords.size() != vertices ||
      mesh.indices.size() != mesh.attributes.size() * 3 || mesh.materials.empty()) {
    std::abort();
  }
  for (std::uint32_t index : mesh.indices)
    if (index >= vertices) std::abort();
  for (std::uint32_t material : mesh.attributes)
    if (material >= mesh.materials.size()) std::abort();
  RunMeshSteps(mesh);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  LoadOnce(data, size);
  return 0;
}

#ifndef HINOKI_LIBFUZZER
int main(int argc, char** argv) {
  return fuzz::ReplayFiles(argc, argv, LoadOnce, "loaded");
}
#endif
