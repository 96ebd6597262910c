// The decoders behind Image.h, private to this folder: our DDS, HDR, PNM and PSD readers,
// the stb_image formats (PNG, JPEG, BMP, TGA, GIF), and the PNG encoder. Each reports
// its reason for a failure in `error` without a file name; Image.cpp adds the name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/image/Image.h"

namespace platform::image::detail {

/// Bytes a DDS file starts with ("DDS " and the 124-byte header).
inline constexpr std::size_t kDdsHeaderBytes = 128;

/// Whether the data starts with the DDS magic.
bool LooksLikeDds(const std::uint8_t* data, std::size_t size);

/// Reads the DDS header (at least kDdsHeaderBytes bytes; more are not looked at).
bool ReadDdsInfo(const std::uint8_t* data, std::size_t size, ImageInfo& info,
                 std::string& error);

/// Decodes every level the DDS file holds.
bool LoadDds(const std::uint8_t* data, std::size_t size, Image& image, std::string& error);

/// Whether the data starts with a Radiance HDR signature.
bool LooksLikeHdr(const std::uint8_t* data, std::size_t size);
bool ReadHdrInfo(const std::uint8_t* data, std::size_t size, ImageInfo& info,
                 std::string& error);
/// Decodes a Radiance HDR file, its colours clamped to 8 bits.
bool LoadHdr(const std::uint8_t* data, std::size_t size, Image& image, std::string& error);

/// Whether the data starts like a binary PNM file (P5 or P6).
bool LooksLikePnm(const std::uint8_t* data, std::size_t size);
bool ReadPnmInfo(const std::uint8_t* data, std::size_t size, ImageInfo& info,
                 std::string& error);
bool LoadPnm(const std::uint8_t* data, std::size_t size, Image& image, std::string& error);

/// Whether the data starts with the Photoshop signature.
bool LooksLikePsd(const std::uint8_t* data, std::size_t size);
bool ReadPsdInfo(const std::uint8_t* data, std::size_t size, ImageInfo& info,
                 std::string& error);
/// Decodes a Photoshop file's merged picture (RGB, 8 or 16 bits a channel).
bool LoadPsd(const std::uint8_t* data, std::size_t size, Image& image, std::string& error);

/// Size of an image stb reads (everything not recognised by the readers above).
bool ReadStbInfo(const std::uint8_t* data, std::size_t size, ImageInfo& info,
                 std::string& error);

/// Decodes an image stb reads into one level; `info` is what ReadStbInfo reported.
bool LoadStb(const std::uint8_t* data, std::size_t size, const ImageInfo& info, Image& image,
             std::string& error);

/// Encodes A8R8G8B8 words as PNG bytes with alpha.
bool EncodePng(unsigned width, unsigned height, const std::uint32_t* pixels,
               std::vector<std::uint8_t>& png, PngCompression compression);

/// Refuses a width or height of 0 or beyond kMaxImageSide, with a reason.
bool CheckImageSize(std::uint64_t width, std::uint64_t height, std::string& error);

}  // namespace platform::image::detail
