// How fast .x files load: the parse alone (our reader, bytes already in memory) in MB/s, and
// the engine's whole load (read, build, re-format, optimise, clean, normals, bounds) in ms.
// Each row is the median of several runs.
//
// Files, from the environment (run-bench.sh sets them; a row whose file is missing is left
// out with a note):
//   HINOKI_BENCH_X_MODEL     a real model for the whole load (default: Testwuson.X of the
//                            test data)
//   HINOKI_BENCH_X_BIG       folder of make_big_sphere_x.py's files at 250 x 400 (too many
//                            vertices for the engine: parse only)
//   HINOKI_BENCH_X_MID       folder of its files at 160 x 400 (the whole load)
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/mesh/Mesh.h"
#include "platform/xfile/XFile.h"

namespace {

namespace xfile = platform::xfile;
namespace mesh = platform::mesh;

constexpr int kRepetitions = 5;

/// What the engine keeps of one loaded model.
struct LoadedModel {
  mesh::Mesh mesh;
  std::vector<D3DVECTOR> faceNormals;
  D3DVECTOR boxMinimum{}, boxMaximum{}, sphereCentre{};
  float sphereRadius = 0;
};

/// The engine's load of a model file, step by step as its mesh storage does it (textures
/// aside). False with the failing step and its reason.
bool LoadWhole(const std::string& path, LoadedModel& model, std::string& error) {
  xfile::MeshData data;
  if (!xfile::LoadMeshFile(path, data, error)) {
    error = "xfile::LoadMeshFile: " + error;
    return false;
  }
  if (!mesh::BuildMesh(data, model.mesh, error)) {
    error = "mesh::BuildMesh: " + error;
    return false;
  }
  mesh::Optimize(model.mesh);
  if (!mesh::Clean(model.mesh, error)) {
    error = "mesh::Clean: " + error;
    return false;
  }
  mesh::ComputeVertexNormals(model.mesh);
  model.faceNormals = mesh::ComputeFaceNormals(model.mesh);
  mesh::ComputeBoundingBox(model.mesh, model.boxMinimum, model.boxMaximum);
  mesh::ComputeBoundingSphere(model.mesh, model.sphereCentre, model.sphereRadius);
  return true;
}

bool ReadBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  bytes.resize(static_cast<std::size_t>(in.tellg()));
  in.seekg(0);
  return static_cast<bool>(in.read(reinterpret_cast<char*>(bytes.data()),
                                   static_cast<std::streamsize>(bytes.size())));
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Environment(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

void Median(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Repetitions(kRepetitions)
      ->ReportAggregatesOnly(true)
      ->ComputeStatistics("min", [](const std::vector<double>& v) {
        double least = v.front();
        for (double x : v) least = x < least ? x : least;
        return least;
      });
}

/// Parse of bytes already in memory: the reader's document, then its merged mesh.
void RegisterParse(const std::string& path, const std::string& row) {
  auto bytes = std::make_shared<std::vector<std::uint8_t>>();
  if (!ReadBytes(path, *bytes)) {
    std::fprintf(stderr, "xfile_bench: %s is missing, its parse row is left out\n", path.c_str());
    return;
  }
  xfile::MeshData check;
  std::string error;
  if (!xfile::LoadMesh(bytes->data(), bytes->size(), check, error)) {
    std::fprintf(stderr, "xfile_bench: %s does not load: %s\n", path.c_str(), error.c_str());
    return;
  }
  // A compressed file's header gives the size of the file it unpacks to, which the second
  // rate is measured against.
  std::size_t plainSize = bytes->size();
  if (bytes->size() >= 20 && (std::memcmp(bytes->data() + 8, "tzip", 4) == 0 ||
                              std::memcmp(bytes->data() + 8, "bzip", 4) == 0)) {
    std::uint32_t unpacked;
    std::memcpy(&unpacked, bytes->data() + 16, 4);
    plainSize = unpacked;
  }
  std::fprintf(stderr, "xfile_bench: %s: %.1f MB, %zu vertices, %zu triangles\n",
               row.c_str(), bytes->size() / 1e6, check.positions.size(),
               check.indices.size() / 3);
  Median(benchmark::RegisterBenchmark(
      ("parse/" + row).c_str(), [bytes, plainSize](benchmark::State& state) {
        for (auto _ : state) {
          xfile::MeshData data;
          std::string error;
          if (!xfile::LoadMesh(bytes->data(), bytes->size(), data, error)) {
            state.SkipWithError(error.c_str());
            break;
          }
          benchmark::DoNotOptimize(data.indices.data());
        }
        state.counters["MB/s"] = benchmark::Counter(
            static_cast<double>(bytes->size()) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
        if (plainSize != bytes->size())
          state.counters["plain_MB/s"] = benchmark::Counter(
              static_cast<double>(plainSize) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
      }));
}

/// The whole load from the file, as a model the engine can draw.
void RegisterWholeLoad(const std::string& path, const std::string& row) {
  LoadedModel check;
  std::string error;
  if (!LoadWhole(path, check, error)) {
    std::fprintf(stderr, "xfile_bench: whole load of %s refused at %s\n", row.c_str(),
                 error.c_str());
    return;
  }
  std::fprintf(stderr,
               "xfile_bench: %s loads whole: %zu vertices, %zu triangles, %zu subsets\n",
               row.c_str(), check.mesh.vertices.size(), check.mesh.faceCount(),
               check.mesh.attributeTable.size());
  Median(benchmark::RegisterBenchmark(("whole_load/" + row).c_str(),
                                      [path](benchmark::State& state) {
                                        for (auto _ : state) {
                                          LoadedModel model;
                                          std::string error;
                                          if (!LoadWhole(path, model, error)) {
                                            state.SkipWithError(error.c_str());
                                            break;
                                          }
                                          benchmark::DoNotOptimize(model.mesh.vertices.data());
                                        }
                                      }));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  const std::string model =
      Environment("HINOKI_BENCH_X_MODEL", HINOKI_SOURCE_DIR "/tests/data/x/Testwuson.X");
  RegisterWholeLoad(model, FileName(model));
  RegisterParse(model, FileName(model));

  const std::string big = Environment("HINOKI_BENCH_X_BIG", "");
  if (big.empty()) {
    std::fprintf(stderr, "xfile_bench: HINOKI_BENCH_X_BIG is not set, so the big sphere rows "
                         "are left out (tools/make_big_sphere_x.py writes its files)\n");
  } else {
    for (const char* name : {"big_text.x", "big_bin32.x", "big_bin64.x", "big_tzip.x",
                             "big_bzip.x", "big_tzip_nodict.x", "big_bzip_nodict.x"})
      RegisterParse(big + "/" + name, std::string("sphere200k/") + name);
    // More vertices than 16-bit indices address: the engine refuses it, and says so here.
    RegisterWholeLoad(big + "/big_text.x", "sphere200k/big_text.x");
  }

  const std::string mid = Environment("HINOKI_BENCH_X_MID", "");
  if (mid.empty()) {
    std::fprintf(stderr, "xfile_bench: HINOKI_BENCH_X_MID is not set, so the whole load of a "
                         "large sphere is left out\n");
  } else {
    for (const char* name : {"big_text.x", "big_bin32.x", "big_bzip.x"})
      RegisterWholeLoad(mid + "/" + name, std::string("sphere128k/") + name);
  }

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
