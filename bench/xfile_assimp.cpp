// The same .x files loaded by the Open Asset Import Library, so run-bench.sh can show its
// times beside ours from the same machine in the same run. Built only where assimp is
// installed; it asks assimp for what the engine's load produces: triangles, shared
// vertices, smooth normals and bounds.
//
// usage: hinoki_xfile_assimp FILE...   prints one line per file, the median of 3 loads:
//   ASSIMP file=NAME ms=T cpu_ms=C vertices=V triangles=F
// (wall-clock and process CPU milliseconds: on a shared machine the second is steadier).
#include <assimp/cimport.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/version.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 3;
constexpr unsigned kSteps = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                            aiProcess_GenSmoothNormals | aiProcess_GenBoundingBoxes;

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
    return 2;
  }
  std::printf("assimp %u.%u.%u\n", aiGetVersionMajor(), aiGetVersionMinor(),
              aiGetVersionPatch());
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<double> times, cpuTimes;
    std::size_t vertices = 0, triangles = 0;
    bool loaded = true;
    for (int run = 0; run < kRuns && loaded; ++run) {
      const auto start = std::chrono::steady_clock::now();
      const std::clock_t cpuStart = std::clock();
      const aiScene* scene = aiImportFile(argv[i], kSteps);
      const std::clock_t cpuStop = std::clock();
      const auto stop = std::chrono::steady_clock::now();
      if (!scene) {
        std::printf("ASSIMP file=%s failed: %s\n", FileName(argv[i]).c_str(), aiGetErrorString());
        loaded = false;
        ++failures;
        break;
      }
      times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
      cpuTimes.push_back(1000.0 * static_cast<double>(cpuStop - cpuStart) / CLOCKS_PER_SEC);
      vertices = triangles = 0;
      for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        vertices += scene->mMeshes[m]->mNumVertices;
        triangles += scene->mMeshes[m]->mNumFaces;
      }
      aiReleaseImport(scene);
    }
    if (!loaded) continue;
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    std::printf("ASSIMP file=%s ms=%.2f cpu_ms=%.2f vertices=%zu triangles=%zu\n",
                FileName(argv[i]).c_str(), times[times.size() / 2], cpuTimes[cpuTimes.size() / 2],
                vertices, triangles);
  }
  return failures == 0 ? 0 : 1;
}
