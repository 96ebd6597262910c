// The file side of image reading and writing: opening, refusing what is not a regular
// file or is too large to be an image we accept, and choosing the reader by the first
// bytes (DDS, HDR, PNM and PSD by their signatures, everything else through stb).
#include "platform/image/Image.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "platform/image/ImageCodecs.h"

namespace platform::image {
namespace {

// The largest file read whole: beyond what a full mip chain of the largest image takes,
// and what stb can address.
constexpr std::uint64_t kMaxFileBytes = 0x7FFFFFFF;

constexpr std::uint64_t kMaxPixelsPerByte = 16384;
constexpr std::uint64_t kPixelsAlways = std::uint64_t{1} << 20;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

// Opens a regular file for reading; its size in `size`.
File OpenRegularFile(const std::string& path, std::uint64_t& size, std::string& error) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  struct stat status {};
  if (fstat(fileno(file.get()), &status) != 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  if (S_ISDIR(status.st_mode)) {
    error = path + " is a directory, not an image file";
    return nullptr;
  }
  if (!S_ISREG(status.st_mode)) {
    error = path + " is not a regular file";
    return nullptr;
  }
  size = static_cast<std::uint64_t>(status.st_size);
  return file;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                   std::string& error) {
  std::uint64_t size = 0;
  File file = OpenRegularFile(path, size, error);
  if (!file) return false;
  if (size > kMaxFileBytes) {
    error = path + " is too large to be an image (" + std::to_string(size) + " bytes)";
    return false;
  }
  bytes.resize(static_cast<std::size_t>(size));
  if (size && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    error = "cannot read " + path + (std::ferror(file.get()) ? ": read error" : ": file shrank");
    return false;
  }
  return true;
}

// One image format family: how it is recognised, its size and its pixels.
struct Reader {
  bool (*recognises)(const std::uint8_t*, std::size_t);  ///< null: everything else
  bool (*info)(const std::uint8_t*, std::size_t, ImageInfo&, std::string&);
  bool (*load)(const std::uint8_t*, std::size_t, const ImageInfo&, Image&, std::string&);
  bool compressed;  ///< whether the file may hold far fewer bytes than pixels
};

const Reader& ChooseReader(const std::uint8_t* data, std::size_t size) {
  static const Reader kReaders[] = {
      {detail::LooksLikeDds, detail::ReadDdsInfo,
       [](const std::uint8_t* d, std::size_t s, const ImageInfo&, Image& i, std::string& e) {
         return detail::LoadDds(d, s, i, e);
       },
       false},
      {detail::LooksLikeHdr, detail::ReadHdrInfo,
       [](const std::uint8_t* d, std::size_t s, const ImageInfo&, Image& i, std::string& e) {
         return detail::LoadHdr(d, s, i, e);
       },
       true},
      {detail::LooksLikePnm, detail::ReadPnmInfo,
       [](const std::uint8_t* d, std::size_t s, const ImageInfo&, Image& i, std::string& e) {
         return detail::LoadPnm(d, s, i, e);
       },
       false},
      {detail::LooksLikePsd, detail::ReadPsdInfo,
       [](const std::uint8_t* d, std::size_t s, const ImageInfo&, Image& i, std::string& e) {
         return detail::LoadPsd(d, s, i, e);
       },
       true},
      {nullptr, detail::ReadStbInfo, detail::LoadStb, true}};
  for (const Reader& reader : kReaders) {
    if (!reader.recognises || reader.recognises(data, size)) return reader;
  }
  return kReaders[std::size(kReaders) - 1];
}

}  // namespace

namespace detail {

bool CheckImageSize(std::uint64_t width, std::uint64_t height, std::string& error) {
  if (width == 0 || height == 0) {
    error = "image has no pixels (" + std::to_string(width) + "x" + std::to_string(height) + ")";
    return false;
  }
  if (width > kMaxImageSide || height > kMaxImageSide) {
    error = "image too large (" + std::to_string(width) + "x" + std::to_string(height) +
            ", at most " + std::to_string(kMaxImageSide) + " a side)";
    return false;
  }
  return true;
}

}  // namespace detail

bool ReadImageInfo(const std::uint8_t* data, std::size_t size, ImageInfo& info,
                   std::string* error) {
  if (!data || size == 0) return Fail(error, "empty file");
  std::string reason;
  ImageInfo read;
  if (!ChooseReader(data, size).info(data, size, read, reason)) return Fail(error, reason);
  info = read;
  return true;
}

bool LoadImage(const std::uint8_t* data, std::size_t size, Image& image, std::string* error) {
  if (!data || size == 0) return Fail(error, "empty file");
  const Reader& reader = ChooseReader(data, size);
  std::string reason;
  ImageInfo info;
  if (!reader.info(data, size, info, reason)) return Fail(error, reason);

  // No format packs many thousand pixels into a byte (the densest, a one-colour 1-bit
  // PNG, holds about 8000; a JPEG block or a full-frame GIF far fewer): a small file
  // announcing a huge picture has a damaged header and is refused before anything is
  // allocated. DDS levels are checked byte for byte instead.
  const std::uint64_t pixels = std::uint64_t{info.width} * info.height;
  if (reader.compressed && pixels > std::uint64_t{size} * kMaxPixelsPerByte + kPixelsAlways) {
    return Fail(error, "image too large for its file (" + std::to_string(info.width) + "x" +
                           std::to_string(info.height) + " from " + std::to_string(size) +
                           " bytes; damaged header?)");
  }
  Image read;
  if (!reader.load(data, size, info, read, reason)) return Fail(error, reason);
  image = std::move(read);
  return true;
}

bool ReadImageInfo(const std::string& path, ImageInfo& info, std::string* error) {
  // Read whole: some headers (a JPEG's) lie behind segments of any length, and the
  // checks made before stb looks at a header need all of it.
  std::string reason;
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes, reason)) return Fail(error, reason);
  if (!ReadImageInfo(bytes.data(), bytes.size(), info, &reason)) {
    return Fail(error, path + ": " + reason);
  }
  return true;
}

bool LoadImage(const std::string& path, Image& image, std::string* error) {
  std::string reason;
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes, reason)) return Fail(error, reason);
  if (!LoadImage(bytes.data(), bytes.size(), image, &reason)) {
    return Fail(error, path + ": " + reason);
  }
  return true;
}

bool SavePng(const std::string& path, unsigned width, unsigned height,
             const std::uint32_t* pixels, PngCompression compression) {
  // Encoded whole first, so a refused image never touches the file.
  std::vector<std::uint8_t> png;
  if (!detail::EncodePng(width, height, pixels, png, compression)) return false;
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  const bool written = std::fwrite(png.data(), 1, png.size(), file.get()) == png.size();
  const bool closed = std::fclose(file.release()) == 0;
  if (!written || !closed) {
    // A half-written PNG would only fail later, when someone tries to read it.
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace platform::image
