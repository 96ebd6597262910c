// Attribute sorting, vertex-cache face order and compaction: one contiguous run of faces
// per material, so a mesh draws with one call per subset; within a run, faces ordered so
// the GPU's post-transform cache reuses vertices; vertices numbered in the order the faces
// fetch them, and no vertex the faces do not use.
#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

#include "platform/mesh/Mesh.h"

namespace platform::mesh {
namespace {

// The face order scores vertices against a simulated LRU cache of this many entries: a
// little larger than real FIFO caches, so it still pays off on hardware with larger ones.
constexpr std::size_t kCacheSize = 32;
// The last face's own vertices score a bit lower than the next few, so the next face
// tends to share an edge without repeating the exact same corners (which makes strips
// that turn back on themselves).
constexpr float kLastFaceScore = 0.75f;
constexpr float kCacheDecayPower = 1.5f;
// Vertices with few faces left get a boost, so lone faces are finished off instead of
// being left behind to cost a miss later.
constexpr float kValenceBoostScale = 2.0f;
constexpr float kValenceBoostPower = 0.5f;
// A vertex shared by a huge fan would make every step look at all its faces; the best
// next face also shares a vertex of ordinary valence, so looking at this many suffices.
constexpr std::size_t kCandidatesPerVertex = 64;

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

struct CacheScores {
  std::array<float, kCacheSize> byPosition{};
  CacheScores() {
    for (std::size_t position = 0; position < kCacheSize; ++position) {
      if (position < 3) {
        byPosition[position] = kLastFaceScore;
      } else {
        const float fromFront =
            1.0f - static_cast<float>(position - 3) / static_cast<float>(kCacheSize - 3);
        byPosition[position] = std::pow(fromFront, kCacheDecayPower);
      }
    }
  }
};

// Orders the faces of one subset (three local vertex numbers per face, each below
// vertexCount) for the vertex cache; returns face numbers in drawing order. Linear in
// the number of faces: each step looks at a bounded number of faces near the cache.
std::vector<std::uint32_t> OrderFacesForVertexCache(const std::vector<std::uint32_t>& corners,
                                                    std::size_t vertexCount) {
  static const CacheScores cacheScores;
  const std::size_t faces = corners.size() / 3;
  std::vector<std::uint32_t> drawOrder;
  drawOrder.reserve(faces);
  if (faces == 0) return drawOrder;

  // Faces per vertex, each face listed once per distinct corner, so a degenerate face
  // counts once towards the vertex it repeats.
  std::vector<std::uint32_t> remaining(vertexCount, 0);
  auto distinctCorner = [&](std::size_t face, std::size_t corner) {
    const std::uint32_t* c = &corners[3 * face];
    return (corner < 1 || c[corner] != c[0]) && (corner < 2 || c[corner] != c[1]);
  };
  for (std::size_t face = 0; face < faces; ++face)
    for (std::size_t corner = 0; corner < 3; ++corner)
      if (distinctCorner(face, corner)) ++remaining[corners[3 * face + corner]];
  std::vector<std::uint32_t> listStart(vertexCount + 1, 0);
  for (std::size_t v = 0; v < vertexCount; ++v) listStart[v + 1] = listStart[v] + remaining[v];
  std::vector<std::uint32_t> listEnd(listStart.begin(), listStart.end() - 1);
  std::vector<std::uint32_t> facesOf(listStart[vertexCount]);
  for (std::size_t face = 0; face < faces; ++face)
    for (std::size_t corner = 0; corner < 3; ++corner)
      if (distinctCorner(face, corner))
        facesOf[listEnd[corners[3 * face + corner]]++] = static_cast<std::uint32_t>(face);

  // Valence boosts by faces left; a table, since the same few counts recur all the time.
  std::uint32_t maxValence = 0;
  for (std::uint32_t count : remaining) maxValence = std::max(maxValence, count);
  std::vector<float> valenceBoost(maxValence + 1, 0.0f);
  for (std::uint32_t count = 1; count <= maxValence; ++count)
    valenceBoost[count] =
        kValenceBoostScale * std::pow(static_cast<float>(count), -kValenceBoostPower);

  std::vector<std::uint32_t> cachePosition(vertexCount, kNone);
  std::vector<float> vertexScore(vertexCount);
  auto rescore = [&](std::uint32_t v) {
    const std::uint32_t position = cachePosition[v];
    vertexScore[v] =
        valenceBoost[remaining[v]] + (position == kNone ? 0.0f : cacheScores.byPosition[position]);
  };
  for (std::uint32_t v = 0; v < vertexCount; ++v) rescore(v);

  std::vector<std::uint8_t> drawn(faces, 0);
  std::vector<std::uint32_t> cache;
  std::vector<std::uint32_t> nextCache;
  cache.reserve(kCacheSize + 3);
  nextCache.reserve(kCacheSize + 3);
  std::size_t firstUndrawn = 0;
  std::uint32_t best = kNone;

  while (drawOrder.size() < faces) {
    if (best == kNone) {
      // Nothing in the cache leads on: start again at the first face not yet drawn. The
      // scan moves forward only, so restarts cost linear time in total.
      while (drawn[firstUndrawn]) ++firstUndrawn;
      best = static_cast<std::uint32_t>(firstUndrawn);
    }
    drawn[best] = 1;
    drawOrder.push_back(best);

    // The drawn face's corners move to the front of the cache, the rest shift back, and
    // whatever falls off the end leaves.
    nextCache.clear();
    for (std::size_t corner = 0; corner < 3; ++corner) {
      if (!distinctCorner(best, corner)) continue;
      const std::uint32_t v = corners[3 * best + corner];
      --remaining[v];
      nextCache.push_back(v);
      cachePosition[v] = kNone;  // marks it as placed while the old entries are copied
    }
    for (std::uint32_t v : cache)
      if (cachePosition[v] != kNone) nextCache.push_back(v);
    for (std::size_t i = 0; i < nextCache.size(); ++i) {
      const std::uint32_t v = nextCache[i];
      cachePosition[v] = i < kCacheSize ? static_cast<std::uint32_t>(i) : kNone;
      rescore(v);
    }
    if (nextCache.size() > kCacheSize) nextCache.resize(kCacheSize);
    std::swap(cache, nextCache);

    // The best next face uses a cached vertex. Drawn faces are dropped from the lists as
    // they are met, so each is removed once.
    best = kNone;
    float bestScore = -1.0f;
    for (std::uint32_t v : cache) {
      if (remaining[v] == 0) continue;
      std::uint32_t i = listStart[v];
      std::size_t looked = 0;
      while (i < listEnd[v] && looked < kCandidatesPerVertex) {
        const std::uint32_t face = facesOf[i];
        if (drawn[face]) {
          facesOf[i] = facesOf[--listEnd[v]];
          continue;
        }
        ++looked;
        ++i;
        const std::uint32_t* c = &corners[3 * face];
        float score = vertexScore[c[0]];
        if (c[1] != c[0]) score += vertexScore[c[1]];
        if (c[2] != c[0] && c[2] != c[1]) score += vertexScore[c[2]];
        if (score > bestScore || (score == bestScore && face < best)) {
          bestScore = score;
          best = face;
        }
      }
    }
  }
  return drawOrder;
}

}  // namespace

void Optimize(Mesh& mesh) {
  const std::size_t faces = mesh.faceCount();
  std::vector<std::uint32_t> order(faces);
  std::iota(order.begin(), order.end(), std::uint32_t{0});
  // Stable, so faces of one material keep the order the file gave them until the cache
  // order below, which breaks ties by that order too.
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return mesh.attributes[a] < mesh.attributes[b];
  });

  // Within each material's run, the vertex-cache order. Vertices get numbers local to the
  // run so each run costs time for its own faces only.
  std::vector<std::uint32_t> localIndexOf(mesh.vertices.size(), kNone);
  std::vector<std::uint32_t> usedVertices;
  std::vector<std::uint32_t> corners;
  std::vector<std::uint32_t> runFaces;
  for (std::size_t runStart = 0; runStart < faces;) {
    std::size_t runEnd = runStart;
    while (runEnd < faces && mesh.attributes[order[runEnd]] == mesh.attributes[order[runStart]])
      ++runEnd;
    corners.clear();
    usedVertices.clear();
    for (std::size_t sorted = runStart; sorted < runEnd; ++sorted) {
      for (std::size_t corner = 0; corner < 3; ++corner) {
        const std::uint16_t v = mesh.indices[3 * order[sorted] + corner];
        if (localIndexOf[v] == kNone) {
          localIndexOf[v] = static_cast<std::uint32_t>(usedVertices.size());
          usedVertices.push_back(v);
        }
        corners.push_back(localIndexOf[v]);
      }
    }
    for (std::uint32_t v : usedVertices) localIndexOf[v] = kNone;
    const std::vector<std::uint32_t> drawOrder =
        OrderFacesForVertexCache(corners, usedVertices.size());
    runFaces.assign(order.begin() + runStart, order.begin() + runEnd);
    for (std::size_t i = 0; i < drawOrder.size(); ++i) order[runStart + i] = runFaces[drawOrder[i]];
    runStart = runEnd;
  }

  std::vector<std::uint32_t> newIndexOf(mesh.vertices.size(), kNone);
  std::vector<Vertex> vertices;
  vertices.reserve(mesh.vertices.size());
  std::vector<std::uint16_t> indices;
  indices.reserve(faces * 3);
  std::vector<std::uint32_t> attributes;
  attributes.reserve(faces);
  std::vector<AttributeRange> table;

  for (std::size_t sorted = 0; sorted < faces; ++sorted) {
    const std::size_t face = order[sorted];
    const std::uint32_t attribute = mesh.attributes[face];
    if (table.empty() || table.back().attributeId != attribute) {
      AttributeRange range;
      range.attributeId = attribute;
      range.faceStart = static_cast<std::uint32_t>(sorted);
      table.push_back(range);
    }
    AttributeRange& range = table.back();
    for (std::size_t corner = 0; corner < 3; ++corner) {
      const std::uint16_t old = mesh.indices[3 * face + corner];
      // Numbering by first use in drawing order keeps each subset's own vertices together
      // and makes the vertex fetch run forward through memory.
      if (newIndexOf[old] == kNone) {
        newIndexOf[old] = static_cast<std::uint32_t>(vertices.size());
        vertices.push_back(mesh.vertices[old]);
      }
      const std::uint32_t index = newIndexOf[old];
      indices.push_back(static_cast<std::uint16_t>(index));
      // The subset's vertex range spans its lowest to its highest index.
      if (range.faceCount == 0 && corner == 0) {
        range.vertexStart = index;
        range.vertexCount = 1;
      } else {
        const std::uint32_t end = std::max(range.vertexStart + range.vertexCount, index + 1);
        range.vertexStart = std::min(range.vertexStart, index);
        range.vertexCount = end - range.vertexStart;
      }
    }
    ++range.faceCount;
    attributes.push_back(attribute);
  }

  mesh.vertices = std::move(vertices);
  mesh.indices = std::move(indices);
  mesh.attributes = std::move(attributes);
  mesh.attributeTable = std::move(table);
}

double AverageCacheMissRatio(const Mesh& mesh, std::size_t cacheSize) {
  const std::size_t faces = mesh.faceCount();
  if (faces == 0 || cacheSize == 0) return faces == 0 ? 0.0 : 3.0;
  // A FIFO holds the vertices of the last cacheSize misses, so the miss count at which a
  // vertex entered says whether it is still there.
  std::vector<std::size_t> enteredAt(mesh.vertices.size(), 0);
  std::vector<bool> everCached(mesh.vertices.size(), false);
  std::size_t misses = 0;
  for (std::uint16_t v : mesh.indices) {
    if (everCached[v] && misses - enteredAt[v] <= cacheSize) continue;
    everCached[v] = true;
    enteredAt[v] = misses;
    ++misses;
  }
  return static_cast<double>(misses) / static_cast<double>(faces);
}

}  // namespace platform::mesh
