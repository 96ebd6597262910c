// A GL buffer written front to back and started afresh when full, mapped without
// synchronisation so the driver never waits for draws still reading earlier parts.
#pragma once

#include <epoxy/gl.h>

#include <cstddef>
#include <cstring>

namespace platform {

class GlStreamBuffer {
 public:
  void Create(GLenum target, size_t capacity) {
    mTarget = target;
    mCapacity = capacity;
    mOffset = 0;
    glGenBuffers(1, &mName);
    glBindBuffer(mTarget, mName);
    glBufferData(mTarget, static_cast<GLsizeiptr>(mCapacity), nullptr, GL_STREAM_DRAW);
  }
  /// Forgets the buffer; `contextAlive` false when its context is already gone.
  void Destroy(bool contextAlive) {
    if (mName && contextAlive) glDeleteBuffers(1, &mName);
    mName = 0;
  }
  GLuint Name() const { return mName; }

  /// Copies `size` bytes at an offset that is a multiple of `alignment` and returns that
  /// offset. The buffer must be bound to its target.
  size_t Write(const void* data, size_t size, size_t alignment) {
    size_t offset = (mOffset + alignment - 1) / alignment * alignment;
    if (offset + size > mCapacity) {
      if (size > mCapacity) {
        while (mCapacity < size) mCapacity *= 2;
      }
      // New storage: the draws still reading the old one keep it until they finish.
      glBufferData(mTarget, static_cast<GLsizeiptr>(mCapacity), nullptr, GL_STREAM_DRAW);
      offset = 0;
    }
    void* target = glMapBufferRange(
        mTarget, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(size),
        GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
    if (target) {
      std::memcpy(target, data, size);
      glUnmapBuffer(mTarget);
    } else {
      glBufferSubData(mTarget, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(size), data);
    }
    mOffset = offset + size;
    return offset;
  }

 private:
  GLenum mTarget = GL_ARRAY_BUFFER;
  GLuint mName = 0;
  size_t mCapacity = 0;
  size_t mOffset = 0;
};

}  // namespace platform
