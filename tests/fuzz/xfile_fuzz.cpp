// Fuzz target for the .x reader (text, binary and MSZIP-compressed files): every input
// must load or be refused with a reason, without a crash, a hang or a huge allocation, and
// a loaded mesh must only index what it holds.
// Built with clang's -fsanitize=fuzzer (HINOKI_LIBFUZZER) it is a libFuzzer target;
// otherwise it replays the files it is given, which is how the tests run the corpus.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ReplayMain.h"
#include "platform/xfile/XFile.h"

namespace {

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
