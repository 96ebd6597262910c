// The bytes of a music file, read and sought by the decoders: a file on disk or a copy
// held in memory (fuzzing and tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  /// Reads up to `bytes` bytes; fewer at the end.
  virtual std::size_t Read(void* out, std::size_t bytes) = 0;
  /// Moves like fseek (SEEK_SET, SEEK_CUR, SEEK_END); false (unmoved) outside 0..Size().
  virtual bool Seek(std::int64_t offset, int whence) = 0;
  /// The current offset.
  virtual std::int64_t Tell() const = 0;
  /// The number of bytes.
  virtual std::int64_t Size() const = 0;
};

/// The file at `path`; null when it cannot be opened for reading.
std::unique_ptr<ByteSource> OpenFileSource(const std::string& path);
/// A copy of `size` bytes at `data`.
std::unique_ptr<ByteSource> MakeMemorySource(const void* data, std::size_t size);

}  // namespace platform
