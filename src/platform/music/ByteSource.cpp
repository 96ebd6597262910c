// File and memory byte sources.
#include "platform/music/ByteSource.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {
namespace {

std::int64_t Target(std::int64_t offset, int whence, std::int64_t current, std::int64_t size) {
  switch (whence) {
    case SEEK_SET: return offset;
    case SEEK_CUR: return current + offset;
    case SEEK_END: return size + offset;
    default: return -1;
  }
}

class FileSource final : public ByteSource {
 public:
  FileSource(std::FILE* file, std::int64_t size) : mFile(file), mSize(size) {}
  ~FileSource() override { std::fclose(mFile); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::size_t Read(void* out, std::size_t bytes) override {
    const std::size_t read = std::fread(out, 1, bytes, mFile);
    mOffset += static_cast<std::int64_t>(read);
    return read;
  }
  bool Seek(std::int64_t offset, int whence) override {
    const std::int64_t target = Target(offset, whence, mOffset, mSize);
    if (target < 0 || target > mSize) return false;
    if (fseeko(mFile, static_cast<off_t>(target), SEEK_SET) != 0) return false;
    mOffset = target;
    return true;
  }
  std::int64_t Tell() const override { return mOffset; }
  std::int64_t Size() const override { return mSize; }

 private:
  std::FILE* mFile;
  std::int64_t mSize;
  std::int64_t mOffset = 0;
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, std::size_t size)
      : mBytes(static_cast<const unsigned char*>(data),
               static_cast<const unsigned char*>(data) + size) {}

  std::size_t Read(void* out, std::size_t bytes) override {
    const std::size_t left = mBytes.size() - static_cast<std::size_t>(mOffset);
    const std::size_t n = bytes < left ? bytes : left;
    if (n) std::memcpy(out, mBytes.data() + mOffset, n);
    mOffset += static_cast<std::int64_t>(n);
    return n;
  }
  bool Seek(std::int64_t offset, int whence) override {
    const std::int64_t target = Target(offset, whence, mOffset, Size());
    if (target < 0 || target > Size()) return false;
    mOffset = target;
    return true;
  }
  std::int64_t Tell() const override { return mOffset; }
  std::int64_t Size() const override { return static_cast<std::int64_t>(mBytes.size()); }

 private:
  std::vector<unsigned char> mBytes;
  std::int64_t mOffset = 0;
};

}  // namespace

std::unique_ptr<ByteSource> OpenFileSource(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return nullptr;
  // A folder opens on Linux but reads nothing: only regular files count.
  struct stat status;
  if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode) ||
      fseeko(file, 0, SEEK_END) != 0) {
    std::fclose(file);
    return nullptr;
  }
  const off_t size = ftello(file);
  if (size < 0 || fseeko(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return nullptr;
  }
  return std::make_unique<FileSource>(file, static_cast<std::int64_t>(size));
}

std::unique_ptr<ByteSource> MakeMemorySource(const void* data, std::size_t size) {
  return std::make_unique<MemorySource>(data, size);
}

}  // namespace platform
