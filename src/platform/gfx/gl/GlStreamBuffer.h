// A GL buffer written front to back and started again from the front when full, mapped
// without synchronisation so the driver never waits for draws still reading earlier parts.
//
// Before the front is written again, the draws that read it must be done. A fence placed
// at the end of each frame tells when: once the last frame's fence has passed, everything
// written before it may be overwritten. Only when no frame ended since the front was
// written (more data in one frame than the buffer holds) is the storage replaced instead;
// replacing it every round costs a software rasteriser a fresh allocation each time.
#pragma once

#include <epoxy/gl.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace platform {

class GlStreamBuffer {
 public:
  void Create(GLenum target, size_t capacity) {
    mTarget = target;
    mCapacity = capacity;
    mOffset = 0;
    mRound = 0;
    mSafeEnd = capacity;
    mFence = nullptr;
    glGenBuffers(1, &mName);
    glBindBuffer(mTarget, mName);
    glBufferData(mTarget, static_cast<GLsizeiptr>(mCapacity), nullptr, GL_STREAM_DRAW);
  }
  /// Forgets the buffer; `contextAlive` false when its context is already gone.
  void Destroy(bool contextAlive) {
    if (contextAlive) {
      if (mFence) glDeleteSync(mFence);
      if (mName) glDeleteBuffers(1, &mName);
    }
    mFence = nullptr;
    mName = 0;
  }
  GLuint Name() const { return mName; }

  /// A frame has been handed to the driver: what was written so far may be overwritten
  /// once the draws issued so far are done.
  void EndFrame() {
    if (!mName) return;
    if (mFence) glDeleteSync(mFence);
    mFence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    mFenceRound = mRound;
    mFenceOffset = mOffset;
  }

  /// Copies `size` bytes at an offset that is a multiple of `alignment` and returns that
  /// offset. The buffer must be bound to its target.
  size_t Write(const void* data, size_t size, size_t alignment) {
    size_t offset = (mOffset + alignment - 1) / alignment * alignment;
    if (offset + size > mCapacity) {
      if (size > mCapacity) {
        while (mCapacity < size) mCapacity *= 2;
        Replace();
      } else {
        ++mRound;
        mSafeEnd = 0;
      }
      offset = 0;
    }
    if (offset + size > mSafeEnd && !WaitForRoom(offset + size)) {
      Replace();
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
  /// Waits for the last frame's fence when it frees the bytes up to `end` of this round;
  /// false when it cannot.
  bool WaitForRoom(size_t end) {
    if (!mFence) return false;
    size_t freed;
    if (mFenceRound == mRound) {
      freed = mCapacity;  // a frame ended since the wrap: all of the last round is drawn
    } else if (mFenceRound + 1 == mRound) {
      freed = mFenceOffset;  // only what the last round wrote before that frame ended
    } else {
      return false;
    }
    if (end > freed) return false;
    const GLenum waited = glClientWaitSync(mFence, GL_SYNC_FLUSH_COMMANDS_BIT, kWaitNanoseconds);
    if (waited != GL_ALREADY_SIGNALED && waited != GL_CONDITION_SATISFIED) return false;
    mSafeEnd = freed;
    return true;
  }

  /// New storage: the draws still reading the old one keep it until they finish.
  void Replace() {
    glBufferData(mTarget, static_cast<GLsizeiptr>(mCapacity), nullptr, GL_STREAM_DRAW);
    ++mRound;
    mSafeEnd = mCapacity;
    // The fence speaks of the old storage: nothing older than it is in the new one.
    if (mFence) glDeleteSync(mFence);
    mFence = nullptr;
  }

  static constexpr GLuint64 kWaitNanoseconds = 1000000000u;

  GLenum mTarget = GL_ARRAY_BUFFER;
  GLuint mName = 0;
  size_t mCapacity = 0;
  size_t mOffset = 0;
  std::uint64_t mRound = 0;  ///< grows at each wrap and each new storage
  size_t mSafeEnd = 0;       ///< bytes of this round that no pending draw reads
  GLsync mFence = nullptr;
  std::uint64_t mFenceRound = 0;
  size_t mFenceOffset = 0;
};

}  // namespace platform
