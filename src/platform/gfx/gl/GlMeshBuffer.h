// Mesh buffers of the GL device: a vertex buffer and an element buffer filled once. A copy
// of the data stays in memory, as Direct3D's managed pool keeps one, so a rebuilt GL
// context gets the buffers back without the engine sending them again.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "platform/gfx/Device.h"

namespace platform {

class GlDevice;

class GlMeshBuffer final : public MeshBuffer {
 public:
  GlMeshBuffer(GlDevice& device, const void* vertices, unsigned vertexCount, unsigned stride,
               const std::uint16_t* indices, unsigned indexCount);
  ~GlMeshBuffer() override;

  unsigned VertexCount() const override { return mVertexCount; }
  unsigned IndexCount() const override { return static_cast<unsigned>(mIndices.size()); }
  unsigned Stride() const { return mStride; }
  GLuint VertexName() const { return mVertexName; }
  GLuint IndexName() const { return mIndexName; }
  /// True while this buffer belongs to a live device and has its GL buffers.
  bool Drawable() const { return mDevice && mVertexName && mIndexName; }

  /// Makes the GL buffers from the kept copy; false on failure (out of memory).
  bool CreateGlObjects();
  /// Deletes the GL buffers (`contextAlive` false: the context is gone, only forget them).
  void DropGlObjects(bool contextAlive);
  /// The device is going away: no more calls into it.
  void Detach() { mDevice = nullptr; }

 private:
  GlDevice* mDevice;
  unsigned mVertexCount;
  unsigned mStride;
  std::vector<std::uint8_t> mVertices;
  std::vector<std::uint16_t> mIndices;
  GLuint mVertexName = 0;
  GLuint mIndexName = 0;
};

}  // namespace platform
