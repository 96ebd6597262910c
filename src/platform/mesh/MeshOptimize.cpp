// Attribute sorting and compaction: one contiguous run of faces per material, so a mesh
// draws with one call per subset, and no vertex the faces do not use.
#include <algorithm>
#include <numeric>

#include "platform/mesh/Mesh.h"

namespace platform::mesh {

void Optimize(Mesh& mesh) {
  const std::size_t faces = mesh.faceCount();
  std::vector<std::size_t> order(faces);
  std::iota(order.begin(), order.end(), std::size_t{0});
  // Stable, so faces of one material keep the order the file gave them.
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return mesh.attributes[a] < mesh.attributes[b];
  });

  constexpr std::uint32_t kUnused = 0xFFFFFFFFu;
  std::vector<std::uint32_t> newIndexOf(mesh.vertices.size(), kUnused);
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
      // Numbering by first use keeps each subset's own vertices together.
      if (newIndexOf[old] == kUnused) {
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

}  // namespace platform::mesh
