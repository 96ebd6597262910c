// Vertex splitting before normals are recomputed: a vertex shared by the two sides of a
// double-sided face, or by two fans that only touch at it, would otherwise average normals
// that point apart and light both surfaces wrongly.
#include <algorithm>
#include <array>
#include <map>
#include <numeric>

#include "platform/mesh/Mesh.h"

namespace platform::mesh {
namespace {

using Triple = std::array<std::uint16_t, 3>;

// The corners rotated so the smallest index comes first: equal for one winding, and equal
// to the other winding's reversed rotation.
Triple Rotated(std::uint16_t a, std::uint16_t b, std::uint16_t c) {
  if (a <= b && a <= c) return {a, b, c};
  if (b <= a && b <= c) return {b, c, a};
  return {c, a, b};
}

std::size_t FindRoot(std::vector<std::size_t>& parent, std::size_t i) {
  while (parent[i] != i) i = parent[i] = parent[parent[i]];
  return i;
}

}  // namespace

bool Clean(Mesh& mesh, std::string& error) {
  std::vector<Vertex> vertices = mesh.vertices;
  std::vector<std::uint16_t> indices = mesh.indices;
  const std::size_t faces = mesh.faceCount();

  auto copyVertex = [&](std::uint16_t original) -> std::uint32_t {
    const auto index = static_cast<std::uint32_t>(vertices.size());
    vertices.push_back(vertices[original]);
    return index;
  };

  // Back faces: the first face with a given winding keeps its vertices.
  std::map<Triple, std::size_t> seen;
  for (std::size_t face = 0; face < faces; ++face) {
    std::uint16_t* corner = &indices[3 * face];
    const Triple forward = Rotated(corner[0], corner[1], corner[2]);
    const Triple backward = Rotated(corner[0], corner[2], corner[1]);
    if (forward != backward && seen.count(backward) != 0) {
      for (std::size_t i = 0; i < 3; ++i) {
        const std::uint32_t copy = copyVertex(corner[i]);
        if (copy > kMaxVertices - 1) break;
        corner[i] = static_cast<std::uint16_t>(copy);
      }
      if (vertices.size() > kMaxVertices) break;
      continue;
    }
    seen.emplace(forward, face);
  }

  // Bowties: faces around a vertex join when they share an edge at it.
  if (vertices.size() <= kMaxVertices) {
    std::vector<std::vector<std::uint32_t>> around(vertices.size());
    for (std::size_t face = 0; face < faces; ++face)
      for (std::size_t i = 0; i < 3; ++i)
        around[indices[3 * face + i]].push_back(static_cast<std::uint32_t>(face));
    for (std::size_t vertex = 0; vertex < around.size() && vertices.size() <= kMaxVertices;
         ++vertex) {
      const std::vector<std::uint32_t>& fan = around[vertex];
      if (fan.size() < 2) continue;
      std::vector<std::size_t> parent(fan.size());
      std::iota(parent.begin(), parent.end(), std::size_t{0});
      std::vector<std::pair<std::uint16_t, std::size_t>> firstWithNeighbour;
      for (std::size_t local = 0; local < fan.size(); ++local) {
        for (std::size_t i = 0; i < 3; ++i) {
          const std::uint16_t other = indices[3 * fan[local] + i];
          if (other == vertex) continue;
          auto known = std::find_if(firstWithNeighbour.begin(), firstWithNeighbour.end(),
                                    [&](const auto& entry) { return entry.first == other; });
          if (known == firstWithNeighbour.end())
            firstWithNeighbour.emplace_back(other, local);
          else
            parent[FindRoot(parent, local)] = FindRoot(parent, known->second);
        }
      }
      // The fan holding the lowest face keeps the vertex; each other fan gets a copy.
      const std::size_t keeper = FindRoot(parent, 0);
      std::vector<std::pair<std::size_t, std::uint32_t>> copyOfFan;
      for (std::size_t local = 0; local < fan.size(); ++local) {
        const std::size_t root = FindRoot(parent, local);
        if (root == keeper) continue;
        auto known = std::find_if(copyOfFan.begin(), copyOfFan.end(),
                                  [&](const auto& entry) { return entry.first == root; });
        std::uint32_t copy;
        if (known == copyOfFan.end()) {
          copy = copyVertex(static_cast<std::uint16_t>(vertex));
          copyOfFan.emplace_back(root, copy);
        } else {
          copy = known->second;
        }
        if (vertices.size() > kMaxVertices) break;
        for (std::size_t i = 0; i < 3; ++i)
          if (indices[3 * fan[local] + i] == vertex)
            indices[3 * fan[local] + i] = static_cast<std::uint16_t>(copy);
      }
    }
  }

  if (vertices.size() > kMaxVertices) {
    error = "splitting shared vertices would need more than the 65535 vertices that 16-bit "
            "indices can address";
    return false;
  }

  // Each subset's vertex range is measured again over the vertices its faces now use,
  // copies included.
  for (AttributeRange& range : mesh.attributeTable) {
    if (range.faceCount == 0) continue;
    std::uint32_t low = 0xFFFFFFFFu, high = 0;
    for (std::size_t face = range.faceStart; face < range.faceStart + range.faceCount; ++face) {
      for (std::size_t i = 0; i < 3; ++i) {
        low = std::min<std::uint32_t>(low, indices[3 * face + i]);
        high = std::max<std::uint32_t>(high, indices[3 * face + i]);
      }
    }
    range.vertexStart = low;
    range.vertexCount = high - low + 1;
  }
  mesh.vertices = std::move(vertices);
  mesh.indices = std::move(indices);
  return true;
}

}  // namespace platform::mesh
