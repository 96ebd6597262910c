// Mesh buffers: the kept copy and the GL buffers made from it.
#include "platform/gfx/gl/GlMeshBuffer.h"

#include "platform/gfx/gl/GlDevice.h"

namespace platform {

GlMeshBuffer::GlMeshBuffer(GlDevice& device, const void* vertices, unsigned vertexCount,
                           unsigned stride, const std::uint16_t* indices, unsigned indexCount)
    : mDevice(&device), mVertexCount(vertexCount), mStride(stride) {
  const auto* bytes = static_cast<const std::uint8_t*>(vertices);
  mVertices.assign(bytes, bytes + size_t{vertexCount} * stride);
  mIndices.assign(indices, indices + indexCount);
}

GlMeshBuffer::~GlMeshBuffer() {
  if (mDevice) mDevice->OnMeshBufferDestroyed(this);
}

bool GlMeshBuffer::CreateGlObjects() {
  while (glGetError() != GL_NO_ERROR) {
  }
  // Filled through the copy target so neither the vertex array's element binding nor the
  // stream's array binding changes under the device.
  glGenBuffers(1, &mVertexName);
  glBindBuffer(GL_COPY_WRITE_BUFFER, mVertexName);
  glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(mVertices.size()), mVertices.data(),
               GL_STATIC_DRAW);
  glGenBuffers(1, &mIndexName);
  glBindBuffer(GL_COPY_WRITE_BUFFER, mIndexName);
  glBufferData(GL_COPY_WRITE_BUFFER,
               static_cast<GLsizeiptr>(mIndices.size() * sizeof(std::uint16_t)), mIndices.data(),
               GL_STATIC_DRAW);
  glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
  if (glGetError() != GL_NO_ERROR) {
    DropGlObjects(true);
    return false;
  }
  return true;
}

void GlMeshBuffer::DropGlObjects(bool contextAlive) {
  if (contextAlive) {
    if (mDevice) mDevice->ForgetMeshBufferNames(mVertexName, mIndexName);
    if (mVertexName) glDeleteBuffers(1, &mVertexName);
    if (mIndexName) glDeleteBuffers(1, &mIndexName);
  }
  mVertexName = mIndexName = 0;
}

}  // namespace platform
