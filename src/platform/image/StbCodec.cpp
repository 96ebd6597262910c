// PNG, JPEG, BMP, TGA and GIF (first frame) through stb_image, compiled here with
// static linkage, so its settings (size limits, allocator, formats) are ours and cannot
// clash with another copy.
// Guards around stb (2.27, as Debian ships it): JPEG Huffman tables are checked before
// stb reads them; every allocation stb makes is held to a budget derived from the
// announced size (a compressed stream that inflates without end fails with "out of
// memory" instead of taking gigabytes); memory it hands out is zeroed (some decoders
// leave pixels unwritten when data runs out); and the bytes are fed through a reader
// that notices when a decoder wants more than the file holds, so a file cut short is
// refused instead of shown half black. PNM, HDR and PSD files are read by our own
// readers (stb's PSD reader turns colours darker than their white matte into undefined
// conversions).
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/image/ImageCodecs.h"

namespace {

// Largest single allocation stb may make right now; outside a decode only small header
// structures are needed.
constexpr std::size_t kHeaderBudget = std::size_t{1} << 20;
thread_local std::size_t gAllocationBudget = kHeaderBudget;

void* StbMalloc(std::size_t size) {
  return size > gAllocationBudget ? nullptr : std::calloc(1, size);
}

void* StbRealloc(void* block, std::size_t size) {
  return size > gAllocationBudget ? nullptr : std::realloc(block, size);
}

// Sets the budget for one decode and puts the header budget back afterwards.
class AllocationBudget {
 public:
  explicit AllocationBudget(std::size_t bytes) { gAllocationBudget = bytes; }
  ~AllocationBudget() { gAllocationBudget = kHeaderBudget; }
  AllocationBudget(const AllocationBudget&) = delete;
  AllocationBudget& operator=(const AllocationBudget&) = delete;
};

}  // namespace

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_FAILURE_USERMSG
#define STBI_NO_PIC
#define STBI_NO_PSD
#define STBI_NO_PNM
#define STBI_NO_HDR
#define STBI_NO_STDIO
#define STBI_MAX_DIMENSIONS 16384
#define STBI_MALLOC(size) StbMalloc(size)
#define STBI_REALLOC(block, size) StbRealloc(block, size)
#define STBI_FREE(block) std::free(block)

// Included as a system header (see CMakeLists.txt): its warnings are not ours to fix.
#include <stb_image.h>

static_assert(STBI_MAX_DIMENSIONS == platform::image::kMaxImageSide,
              "stb must refuse what the interface refuses");

namespace platform::image::detail {
namespace {

struct Format {
  const char* name;
  int (*test)(stbi__context*);
  int (*info)(stbi__context*, int*, int*, int*);
};

// In the order stb's loader tests them (the TGA test is the loosest, so it comes last).
// PNM, HDR and PSD files never reach stb: our own readers take them first.
constexpr Format kFormats[] = {{"PNG", stbi__png_test, stbi__png_info},
                               {"BMP", stbi__bmp_test, stbi__bmp_info},
                               {"GIF", stbi__gif_test, stbi__gif_info},
                               {"JPEG", stbi__jpeg_test, stbi__jpeg_info},
                               {"TGA", stbi__tga_test, stbi__tga_info}};
const Format& kJpeg = kFormats[3];

// The format the data starts like, or null. Testing leaves stb's failure reason at what
// the formats tested before this one left: `noise` tells it from a decoder's own reason.
const Format* DetectFormat(const std::uint8_t* data, std::size_t size, const char*& noise) {
  stbi__g_failure_reason = nullptr;
  const Format* found = nullptr;
  for (const Format& format : kFormats) {
    stbi__context context;
    stbi__start_mem(&context, data, static_cast<int>(size));
    if (format.test(&context)) {
      found = &format;
      break;
    }
  }
  noise = stbi__g_failure_reason;
  return found;
}

// " (reason)" when stb gave one of its own since `noise`.
std::string Reason(const char* noise) {
  const char* reason = stbi__g_failure_reason;
  if (!reason || reason == noise) return "";
  return std::string(" (") + reason + ")";
}

bool FinishInfo(int width, int height, ImageInfo& info, std::string& error) {
  // A BMP stored top row first reports its height negative.
  const std::int64_t rows = height < 0 ? -std::int64_t{height} : height;
  if (width < 0 || !CheckImageSize(static_cast<std::uint64_t>(width),
                                   static_cast<std::uint64_t>(rows), error)) {
    if (width < 0) error = "image has a negative width";
    return false;
  }
  info.width = static_cast<unsigned>(width);
  info.height = static_cast<unsigned>(rows);
  info.mipLevels = 1;
  return true;
}

// stbi_info tries every format in turn, so its failure reason is the last format's. The
// reason that helps is the one of the format the data starts like.
std::string ExplainInfoFailure(const std::uint8_t* data, std::size_t size) {
  const char* noise = nullptr;
  const Format* format = DetectFormat(data, size, noise);
  if (!format) return "not an image in a known format";
  stbi__context context;
  stbi__start_mem(&context, data, static_cast<int>(size));
  stbi__g_failure_reason = nullptr;
  int width = 0, height = 0, channels = 0;
  format->info(&context, &width, &height, &channels);
  return std::string("damaged ") + format->name + " header" + Reason(nullptr);
}

// Bytes in memory as stb's read callbacks. stb refills its own buffer with requests of
// kRefillBytes, which may legitimately come back short near the end; any other request
// is for bytes a decoder needs, as is a refill once nothing is left. A skip a few bytes
// past the end is the last row's padding some writers leave out, and is forgiven.
struct MemoryReader {
  static constexpr int kRefillBytes = 128;
  static constexpr std::size_t kForgivenPadding = 3;

  const std::uint8_t* data;
  std::size_t size;
  std::size_t position = 0;
  bool starved = false;

  static int Read(void* user, char* out, int count) {
    auto* self = static_cast<MemoryReader*>(user);
    const std::size_t left = self->size - self->position;
    const std::size_t wanted = count > 0 ? static_cast<std::size_t>(count) : 0;
    const std::size_t given = wanted < left ? wanted : left;
    if (given < wanted && (count != kRefillBytes || given == 0)) self->starved = true;
    std::memcpy(out, self->data + self->position, given);
    self->position += given;
    return static_cast<int>(given);
  }
  static void Skip(void* user, int count) {
    auto* self = static_cast<MemoryReader*>(user);
    const std::size_t left = self->size - self->position;
    const std::size_t wanted = count > 0 ? static_cast<std::size_t>(count) : 0;
    if (wanted > left) {
      if (wanted - left > kForgivenPadding) self->starved = true;
      self->position = self->size;
    } else {
      self->position += wanted;
    }
  }
  static int AtEnd(void* user) {
    auto* self = static_cast<MemoryReader*>(user);
    return self->position >= self->size;
  }
};

constexpr stbi_io_callbacks kMemoryCallbacks = {MemoryReader::Read, MemoryReader::Skip,
                                               MemoryReader::AtEnd};

// stb_image 2.27 trusts the symbol counts of a JPEG Huffman table: more than 256 symbols
// write past the table. Walks the markers the way stb finds them (anything up to an FF
// skipped, FF fill bytes skipped, a segment skipped by its length, entropy-coded data
// passed over up to the next marker) and looks at every table stb could read. Where stb
// would stop at a broken segment the walk goes on, which only refuses more.
bool JpegTablesFit(const std::uint8_t* data, std::size_t size) {
  stbi__context context;
  stbi__start_mem(&context, data, static_cast<int>(size));
  if (!stbi__jpeg_test(&context)) return true;  // (it accepts FF fill before the start marker)
  // stb reads zeros past the end of the data.
  auto byte = [data, size](std::size_t at) -> unsigned { return at < size ? data[at] : 0; };
  std::size_t at = 0;
  for (;;) {
    while (at < size && data[at] != 0xFF) ++at;
    while (at < size && data[at] == 0xFF) ++at;
    if (at >= size) return true;
    const unsigned marker = data[at++];
    if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD9)) continue;  // no segment
    const std::size_t length = byte(at) << 8 | byte(at + 1);
    if (marker == 0xC4) {
      std::size_t table = at + 2;
      for (std::int64_t left = static_cast<std::int64_t>(length) - 2; left > 0;) {
        if ((byte(table) >> 4) > 1 || (byte(table) & 15) > 3) break;  // stb refuses it
        unsigned symbols = 0;
        for (unsigned i = 1; i <= 16; ++i) symbols += byte(table + i);
        if (symbols > 256) return false;
        table += 17 + symbols;
        left -= 17 + symbols;
      }
    }
    at += length;
  }
}

// stb turns a JPEG without any scan into a flat grey picture; a file without one has no
// picture at all.
bool HasJpegScan(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i + 1 < size; ++i) {
    if (data[i] == 0xFF && data[i + 1] == 0xDA) return true;
  }
  return false;
}

}  // namespace

bool ReadStbInfo(const std::uint8_t* data, std::size_t size, ImageInfo& info,
                 std::string& error) {
  if (size > static_cast<std::size_t>(INT32_MAX)) {
    error = "file too large";
    return false;
  }
  if (!JpegTablesFit(data, size)) {
    error = "damaged JPEG header (Huffman table with more than 256 symbols)";
    return false;
  }
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &channels)) {
    error = ExplainInfoFailure(data, size);
    return false;
  }
  return FinishInfo(width, height, info, error);
}

bool LoadStb(const std::uint8_t* data, std::size_t size, const ImageInfo& info, Image& image,
             std::string& error) {
  const char* noise = nullptr;
  const Format* format = DetectFormat(data, size, noise);
  const std::string name = format ? format->name : "image";
  if (format == &kJpeg && !HasJpegScan(data, size)) {
    error = "JPEG file without image data";
    return false;
  }
  const std::size_t pixels = std::size_t{info.width} * info.height;

  // The largest buffer a decoder needs is a 16-bit RGBA picture with its filter bytes
  // (PNG) or its 8-bit copy: 16 bytes a pixel covers them.
  AllocationBudget budget(pixels * 16 + kHeaderBudget);
  MemoryReader reader{data, size};
  int width = 0, height = 0, channels = 0;
  stbi_uc* decoded =
      stbi_load_from_callbacks(&kMemoryCallbacks, &reader, &width, &height, &channels, 4);
  std::unique_ptr<stbi_uc, void (*)(void*)> owner(decoded, stbi_image_free);
  if (reader.starved) {
    error = name + " data cut short";
    return false;
  }
  if (!decoded) {
    error = "damaged " + name + " data" + Reason(noise);
    return false;
  }
  if (width != static_cast<int>(info.width) || height != static_cast<int>(info.height)) {
    error = name + " size changed while decoding";
    return false;
  }

  ImageLevel level;
  level.width = info.width;
  level.height = info.height;
  level.pixels.resize(pixels);
  for (std::size_t i = 0; i < pixels; ++i) {
    const stbi_uc* p = decoded + i * 4;
    level.pixels[i] =
        std::uint32_t{p[3]} << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
  }
  image.info = info;
  image.levels.clear();
  image.levels.push_back(std::move(level));
  return true;
}

}  // namespace platform::image::detail
