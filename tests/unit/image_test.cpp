// Image files as a texture loader sees them: each format's size and pixels as A8R8G8B8,
// DDS block decoding and mip chains, PNG writing, and refusals with a reason for every
// kind of bad file. Test images are built here byte by byte.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/image/Image.h"


namespace {

using platform::image::Image;
using platform::image::ImageInfo;
using platform::image::LoadImage;
using platform::image::ReadImageInfo;
using platform::image::SavePng;
using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, unsigned v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Put16Be(Bytes& b, unsigned v) {
  b.push_back((v >> 8) & 0xFF);
  b.push_back(v & 0xFF);
}
void Put32Be(Bytes& b, std::uint32_t v) {
  Put16Be(b, v >> 16);
  Put16Be(b, v & 0xFFFF);
}
void PutText(Bytes& b, const std::string& text) { b.insert(b.end(), text.begin(), text.end()); }

// A baseline grey JPEG of 16x8 made by hand: two 8x8 blocks with no detail, grey 192
// and 128. All quantisers 1; the DC table has one code ('0') for category 10, the AC table
// one code ('0') for the end of block.
Bytes GreyJpeg() {
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
  jpeg.resize(jpeg.size() + 64, 1);
  for (std::uint8_t byte : {0xFF, 0xC0, 0, 11, 8, 0, 8, 0, 16, 1, 1, 0x11, 0}) jpeg.push_back(byte);
  for (unsigned table : {0x00u, 0x10u}) {  // DC 0, AC 0
    for (std::uint8_t byte : {0xFF, 0xC4, 0, 20}) jpeg.push_back(byte);
    jpeg.push_back(table);
    for (int i = 0; i < 16; ++i) jpeg.push_back(i == 0 ? 1 : 0);
    jpeg.push_back(table == 0 ? 10 : 0);
  }
  for (std::uint8_t byte : {0xFF, 0xDA, 0, 8, 1, 1, 0x00, 0, 63, 0}) jpeg.push_back(byte);
  // DC +512 (8 x (192 - 128)), end of block; DC -512 back to 128, end of block.
  for (std::uint8_t byte : {0x40, 0x03, 0xFE, 0xFF, 0xD9}) jpeg.push_back(byte);
  return jpeg;
}

// A 24-bit BMP of the given width and row count (negative: top row first).
Bytes Bmp(int width, const Bytes& rows, int height = 2) {
  Bytes bmp;
  PutText(bmp, "BM");
  Put32(bmp, static_cast<std::uint32_t>(14 + 40 + rows.size()));
  Put32(bmp, 0);
  Put32(bmp, 14 + 40);
  for (int v : {40, width, height}) Put32(bmp, static_cast<std::uint32_t>(v));
  Put16(bmp, 1);
  Put16(bmp, 24);
  for (int i = 0; i < 6; ++i) Put32(bmp, 0);
  bmp.insert(bmp.end(), rows.begin(), rows.end());
  return bmp;
}

// A 2x1 TGA of 32 bits, top row first: 0x80112233 and 0x00445566.
Bytes Tga() {
  Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(tga, 2);
  Put16(tga, 1);
  tga.push_back(32);
  tga.push_back(0x28);
  for (std::uint8_t byte : {0x33, 0x22, 0x11, 0x80, 0x66, 0x55, 0x44, 0x00}) tga.push_back(byte);
  return tga;
}

Bytes CutEnd(Bytes bytes, std::size_t count) {
  bytes.resize(bytes.size() - count);
  return bytes;
}

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/hinoki-image-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = root_ + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
  }

  // Loads through both the file and the memory form and checks they agree with the size
  // reported by the info query.
  Image Load(const std::string& name, const Bytes& bytes, unsigned width, unsigned height) {
    const std::string path = Write(name, bytes);
    std::string error;
    ImageInfo info;
    EXPECT_TRUE(ReadImageInfo(path, info, &error)) << name << ": " << error;
    EXPECT_EQ(info.width, width) << name;
    EXPECT_EQ(info.height, height) << name;
    EXPECT_TRUE(ReadImageInfo(bytes.data(), bytes.size(), info, &error)) << name;
    EXPECT_EQ(info.width, width) << name;
    Image image;
    EXPECT_TRUE(LoadImage(path, image, &error)) << name << ": " << error;
    EXPECT_EQ(image.info.width, width) << name;
    EXPECT_EQ(image.info.height, height) << name;
    EXPECT_EQ(image.info.mipLevels, image.levels.size()) << name;
    if (!image.levels.empty()) {
      EXPECT_EQ(image.levels[0].pixels.size(), std::size_t{width} * height) << name;
    }
    return image;
  }

  std::string root_;
};

// A Photoshop file of the given size and channels: the header, empty colour mode,
// resource and layer sections, the compression (0 raw, 1 PackBits) and `data` as it is.
Bytes Psd(unsigned width, unsigned height, unsigned channels, const Bytes& data,
          unsigned compression = 0, unsigned depth = 8, unsigned mode = 3, unsigned version = 1) {
  Bytes psd;
  PutText(psd, "8BPS");
  Put16Be(psd, version);
  for (int i = 0; i < 6; ++i) psd.push_back(0);
  Put16Be(psd, channels);
  Put32Be(psd, height);
  Put32Be(psd, width);
  Put16Be(psd, depth);
  Put16Be(psd, mode);
  for (int i = 0; i < 3; ++i) Put32Be(psd, 0);
  Put16Be(psd, compression);
  psd.insert(psd.end(), data.begin(), data.end());
  return psd;
}

// A DDS header; `pixelFlags` and the masks describe the pixel format.
Bytes DdsHeader(unsigned width, unsigned height, unsigned mips, std::uint32_t pixelFlags,
                const char* fourCc, unsigned bits = 0, std::uint32_t r = 0, std::uint32_t g = 0,
                std::uint32_t b = 0, std::uint32_t a = 0, std::uint32_t caps2 = 0) {
  Bytes h;
  PutText(h, "DDS ");
  Put32(h, 124);
  Put32(h, 0x1 | 0x2 | 0x4 | 0x1000 | (mips ? 0x20000 : 0));
  Put32(h, height);
  Put32(h, width);
  Put32(h, 0);
  Put32(h, 0);
  Put32(h, mips);
  for (int i = 0; i < 11; ++i) Put32(h, 0);
  Put32(h, 32);
  Put32(h, pixelFlags);
  if (fourCc) {
    PutText(h, fourCc);
  } else {
    Put32(h, 0);
  }
  Put32(h, bits);
  Put32(h, r);
  Put32(h, g);
  Put32(h, b);
  Put32(h, a);
  Put32(h, 0x1000);
  Put32(h, caps2);
  Put32(h, 0);
  Put32(h, 0);
  Put32(h, 0);
  return h;
}

// A DXT1 colour block: two 565 colours and 16 two-bit indices (first texel lowest).
void PutColourBlock(Bytes& b, unsigned c0, unsigned c1, const unsigned (&index)[16]) {
  Put16(b, c0);
  Put16(b, c1);
  std::uint32_t bits = 0;
  for (int i = 0; i < 16; ++i) bits |= std::uint32_t{index[i]} << (2 * i);
  Put32(b, bits);
}

constexpr unsigned kRed565 = 0xF800, kBlue565 = 0x001F;
constexpr unsigned kRamp[16] = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};

TEST_F(ImageFiles, DecodesDxtBlocksIncludingAlpha) {
  // DXT1, four colours (c0 > c1): red, blue and the two thirds between them.
  Bytes four = DdsHeader(4, 4, 0, 0x4, "DXT1");
  PutColourBlock(four, kRed565, kBlue565, kRamp);
  Image image = Load("four.dds", four, 4, 4);
  ASSERT_EQ(image.levels.size(), 1u);
  EXPECT_EQ(image.levels[0].pixels[0], 0xFFFF0000u);
  EXPECT_EQ(image.levels[0].pixels[1], 0xFF0000FFu);
  EXPECT_EQ(image.levels[0].pixels[2], 0xFFAA0055u);
  EXPECT_EQ(image.levels[0].pixels[3], 0xFF5500AAu);

  // DXT1 with c0 <= c1: three colours and transparent black (1-bit alpha).
  Bytes punch = DdsHeader(4, 4, 0, 0x4, "DXT1");
  PutColourBlock(punch, kBlue565, kRed565, kRamp);
  image = Load("punch.dds", punch, 4, 4);
  EXPECT_EQ(image.levels[0].pixels[0], 0xFF0000FFu);
  EXPECT_EQ(image.levels[0].pixels[2], 0xFF800080u);
  EXPECT_EQ(image.levels[0].pixels[3], 0x00000000u);

  // DXT3: explicit 4-bit alpha per texel; the colours never turn transparent.
  Bytes dxt3 = DdsHeader(4, 4, 0, 0x4, "DXT3");
  for (int i = 0; i < 8; ++i) dxt3.push_back(i == 0 ? 0x8F : 0x00);  // texel 0: F, texel 1: 8
  PutColourBlock(dxt3, kBlue565, kRed565, kRamp);
  image = Load("dxt3.dds", dxt3, 4, 4);
  EXPECT_EQ(image.levels[0].pixels[0], 0xFF0000FFu);
  EXPECT_EQ(image.levels[0].pixels[1], 0x88FF0000u);
  EXPECT_EQ(image.levels[0].pixels[3], 0x00AA0055u);

  // DXT5: eight interpolated alphas (a0 > a1) and six plus 0 and 255 (a0 <= a1).
  for (const auto& [a0, a1, expected] :
       {std::tuple{255, 0, std::vector<unsigned>{255, 0, 219, 182, 146, 109, 73, 36}},
        std::tuple{0, 255, std::vector<unsigned>{0, 255, 51, 102, 153, 204, 0, 255}}}) {
    Bytes dxt5 = DdsHeader(4, 4, 0, 0x4, "DXT5");
    dxt5.push_back(a0);
    dxt5.push_back(a1);
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= std::uint64_t(i) << (3 * i);
    for (int i = 0; i < 6; ++i) dxt5.push_back((bits >> (8 * i)) & 0xFF);
    PutColourBlock(dxt5, kRed565, kRed565, kRamp);
    image = Load("dxt5.dds", dxt5, 4, 4);
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(image.levels[0].pixels[i], expected[i] << 24 | 0xFF0000u) << a0 << " texel " << i;
    }
  }
}

TEST_F(ImageFiles, ReadsDdsMipChainsAndUncompressedLayouts) {
  // 8x6 DXT1 with its full chain 8x6, 4x3, 2x1, 1x1: blocks cover partial edges.
  Bytes chain = DdsHeader(8, 6, 4, 0x4, "DXT1");
  for (int block = 0; block < 4 + 1 + 1 + 1; ++block) PutColourBlock(chain, kRed565, 0, kRamp);
  ImageInfo info;
  ASSERT_TRUE(ReadImageInfo(chain.data(), chain.size(), info));
  EXPECT_EQ(info.mipLevels, 4u);
  Image image = Load("chain.dds", chain, 8, 6);
  ASSERT_EQ(image.levels.size(), 4u);
  const unsigned sizes[4][2] = {{8, 6}, {4, 3}, {2, 1}, {1, 1}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(image.levels[i].width, sizes[i][0]);
    EXPECT_EQ(image.levels[i].height, sizes[i][1]);
    EXPECT_EQ(image.levels[i].pixels.size(), std::size_t{sizes[i][0]} * sizes[i][1]);
  }
  EXPECT_EQ(image.levels[0].pixels[8 * 5 + 7], 0xFF550000u);  // a third of red, in a cut block

  // A mip count without DDSD_MIPMAPCOUNT set is not a chain.
  Bytes flagless = chain;
  flagless[10] &= ~0x02;  // the 0x20000 bit of the header flags
  ASSERT_TRUE(ReadImageInfo(flagless.data(), flagless.size(), info));
  EXPECT_EQ(info.mipLevels, 1u);

  // 2x1 A8R8G8B8 with a 1x1 second level; X8R8G8B8 ignores its top byte.
  Bytes argb = DdsHeader(2, 1, 2, 0x41, nullptr, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
  for (std::uint32_t p : {0x80112233u, 0x00445566u, 0x12345678u}) Put32(argb, p);
  image = Load("argb.dds", argb, 2, 1);
  ASSERT_EQ(image.levels.size(), 2u);
  EXPECT_EQ(image.levels[0].pixels, (std::vector<std::uint32_t>{0x80112233u, 0x00445566u}));
  EXPECT_EQ(image.levels[1].pixels, (std::vector<std::uint32_t>{0x12345678u}));

  Bytes xrgb = DdsHeader(1, 1, 0, 0x40, nullptr, 32, 0xFF0000, 0xFF00, 0xFF, 0);
  Put32(xrgb, 0x00112233u);
  EXPECT_EQ(Load("xrgb.dds", xrgb, 1, 1).levels[0].pixels[0], 0xFF112233u);

  Bytes abgr = DdsHeader(1, 1, 0, 0x41, nullptr, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
  Put32(abgr, 0x80332211u);
  EXPECT_EQ(Load("abgr.dds", abgr, 1, 1).levels[0].pixels[0], 0x80112233u);

  Bytes rgb = DdsHeader(2, 1, 0, 0x40, nullptr, 24, 0xFF0000, 0xFF00, 0xFF);
  for (std::uint8_t byte : {0x33, 0x22, 0x11, 0xCC, 0xBB, 0xAA}) rgb.push_back(byte);
  EXPECT_EQ(Load("rgb.dds", rgb, 2, 1).levels[0].pixels,
            (std::vector<std::uint32_t>{0xFF112233u, 0xFFAABBCCu}));

  Bytes r5g6b5 = DdsHeader(1, 1, 0, 0x40, nullptr, 16, 0xF800, 0x7E0, 0x1F);
  Put16(r5g6b5, 0xF81F);
  EXPECT_EQ(Load("565.dds", r5g6b5, 1, 1).levels[0].pixels[0], 0xFFFF00FFu);
}

TEST_F(ImageFiles, ReadsStbFormatsAsArgb) {
  // BMP, 24 bits, bottom row first (red, green), rows padded to 4 bytes.
  Image image = Load("a.bmp", Bmp(2, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}),
                     2, 2);
  EXPECT_EQ(image.levels[0].pixels,
            (std::vector<std::uint32_t>{0xFF0000FFu, 0xFFFFFFFFu, 0xFFFF0000u, 0xFF00FF00u}));
  // The same stored top row first (a negative height).
  EXPECT_EQ(Load("down.bmp", Bmp(1, {0, 0, 255, 0, 255, 0, 0, 0}, -2), 1, 2).levels[0].pixels,
            (std::vector<std::uint32_t>{0xFFFF0000u, 0xFF0000FFu}));

  // TGA, 32 bits with alpha, top-left origin.
  image = Load("a.tga", Tga(), 2, 1);
  EXPECT_EQ(image.levels[0].pixels, (std::vector<std::uint32_t>{0x80112233u, 0x00445566u}));

  // PNM: colour (P6) and grey (P5).
  Bytes ppm;
  PutText(ppm, "P6\n2 1\n255\n");
  for (std::uint8_t byte : {1, 2, 3, 250, 251, 252}) ppm.push_back(byte);
  EXPECT_EQ(Load("a.ppm", ppm, 2, 1).levels[0].pixels,
            (std::vector<std::uint32_t>{0xFF010203u, 0xFFFAFBFCu}));
  Bytes pgm;
  PutText(pgm, "P5 1 1 255 ");
  pgm.push_back(0x7F);
  EXPECT_EQ(Load("a.pgm", pgm, 1, 1).levels[0].pixels[0], 0xFF7F7F7Fu);
  Bytes pgm16;  // 16-bit samples scaled from the largest value: 500 of 1000 is half
  PutText(pgm16, "P5\n# comment\n1 1\n1000\n");
  for (std::uint8_t byte : {0x01, 0xF4}) pgm16.push_back(byte);
  EXPECT_EQ(Load("16.pgm", pgm16, 1, 1).levels[0].pixels[0], 0xFF808080u);

  // HDR, flat RGBE: 0.5 grey, and a colour beyond 1.0 clamped to white.
  Bytes hdr;
  PutText(hdr, "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 2\n");
  for (std::uint8_t byte : {128, 128, 128, 128, 255, 128, 255, 130}) hdr.push_back(byte);
  EXPECT_EQ(Load("a.hdr", hdr, 2, 1).levels[0].pixels,
            (std::vector<std::uint32_t>{0xFF808080u, 0xFFFFFFFFu}));

  // HDR, run-length scanline of 8: one run for each of R, G, B, E.
  Bytes rle;
  PutText(rle, "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 8\n");
  for (std::uint8_t byte : {2, 2, 0, 8, 136, 128, 136, 64, 136, 0, 136, 129}) rle.push_back(byte);
  EXPECT_EQ(Load("rle.hdr", rle, 8, 1).levels[0].pixels,
            std::vector<std::uint32_t>(8, 0xFFFF8000u));

  // GIF with two frames: the first is read. Palette red, green, blue, white; LZW codes of
  // 3 bits with a clear code every two texels, so the code size never grows.
  Bytes gif;
  PutText(gif, "GIF89a");
  Put16(gif, 2);
  Put16(gif, 2);
  for (std::uint8_t byte : {0xF1, 0, 0}) gif.push_back(byte);
  for (std::uint8_t byte : {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}) gif.push_back(byte);
  for (const std::vector<unsigned>& texels :
       {std::vector<unsigned>{0, 1, 2, 3}, std::vector<unsigned>{3, 3, 3, 3}}) {
    gif.push_back(0x2C);
    for (int i = 0; i < 4; ++i) Put16(gif, i < 2 ? 0 : 2);
    gif.push_back(0);
    gif.push_back(2);  // minimum code size
    const unsigned codes[] = {4, texels[0], texels[1], 4, texels[2], texels[3], 5};
    std::uint32_t bits = 0;
    for (int i = 0; i < 7; ++i) bits |= codes[i] << (3 * i);
    for (std::uint8_t byte : {3, int(bits & 0xFF), int((bits >> 8) & 0xFF), int(bits >> 16), 0}) {
      gif.push_back(byte);
    }
  }
  gif.push_back(0x3B);
  EXPECT_EQ(Load("a.gif", gif, 2, 2).levels[0].pixels,
            (std::vector<std::uint32_t>{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu}));

  // JPEG: grey blocks come back as grey within a level.
  image = Load("a.jpg", GreyJpeg(), 16, 8);
  for (const auto& [index, grey] : {std::pair{0, 192}, std::pair{7 * 16 + 15, 128}}) {
    const std::uint32_t pixel = image.levels[0].pixels[index];
    EXPECT_EQ(pixel >> 24, 0xFFu);
    EXPECT_NEAR(int((pixel >> 16) & 0xFF), grey, 1);
    EXPECT_EQ((pixel >> 16) & 0xFF, pixel & 0xFF);
  }
}

TEST_F(ImageFiles, ReadsPhotoshopMergedPictures) {
  using Pixels = std::vector<std::uint32_t>;
  // Raw RGBA planes, 2x1: alpha 255 and 0 leave the colours as stored.
  EXPECT_EQ(Load("a.psd", Psd(2, 1, 4, {0x11, 0x44, 0x22, 0x55, 0x33, 0x66, 0xFF, 0x00}), 2, 1)
                .levels[0]
                .pixels,
            (Pixels{0xFF112233u, 0x00445566u}));
  // Three channels are opaque; a fifth (a saved selection) is not part of the picture.
  EXPECT_EQ(Load("rgb.psd", Psd(1, 1, 3, {1, 2, 3}), 1, 1).levels[0].pixels, (Pixels{0xFF010203u}));
  EXPECT_EQ(Load("five.psd", Psd(1, 1, 5, {1, 2, 3, 255, 9}), 1, 1).levels[0].pixels,
            (Pixels{0xFF010203u}));

  // Half-transparent colours are stored blended onto white and come back unblended:
  // red at alpha 128 is stored as (255, 127, 127), grey 128 as (191, 191, 191).
  EXPECT_EQ(Load("matte.psd", Psd(2, 1, 4, {255, 191, 127, 191, 127, 191, 128, 128}), 2, 1)
                .levels[0]
                .pixels,
            (Pixels{0x80FF0000u, 0x80808080u}));
  // Colours darker than any blend onto white can be (black at alpha 128, which a blend
  // would have stored as 127 at least) come out black, not wrapped around.
  EXPECT_EQ(Load("dark.psd", Psd(1, 1, 4, {0, 0, 0, 128}), 1, 1).levels[0].pixels,
            (Pixels{0x80000000u}));
  EXPECT_EQ(Load("dark2.psd", Psd(2, 1, 4, {100, 130, 0, 255, 0, 10, 1, 1}), 2, 1).levels[0].pixels,
            (Pixels{0x01000000u, 0x0100FF00u}));

  // PackBits rows: a table of stored row lengths for every channel, then the rows. Red:
  // a run of four 0x40, then a literal 1, 2, 3, 4; green and blue a run a row, one after
  // a no-operation byte.
  Bytes packed;
  for (unsigned length : {2, 5, 2, 3, 2, 2}) Put16Be(packed, length);
  for (std::uint8_t byte :
       {0xFD, 0x40, 0x03, 1, 2, 3, 4, 0xFD, 0x80, 0x80, 0xFD, 0x80, 0xFD, 0xC0, 0xFD, 0xC0}) {
    packed.push_back(byte);
  }
  EXPECT_EQ(Load("rle.psd", Psd(4, 2, 3, packed, 1), 4, 2).levels[0].pixels,
            (Pixels{0xFF4080C0u, 0xFF4080C0u, 0xFF4080C0u, 0xFF4080C0u, 0xFF0180C0u, 0xFF0280C0u,
                    0xFF0380C0u, 0xFF0480C0u}));

  // 16 bits a channel keep the high byte, raw and packed.
  EXPECT_EQ(Load("16.psd", Psd(1, 1, 3, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}, 0, 16), 1, 1)
                .levels[0]
                .pixels,
            (Pixels{0xFF12569Au}));
  Bytes packed16;
  for (unsigned length : {2, 3, 2}) Put16Be(packed16, length);
  for (std::uint8_t byte : {0xFF, 0xAB, 0x01, 0x00, 0x01, 0xFF, 0x7F}) packed16.push_back(byte);
  EXPECT_EQ(Load("rle16.psd", Psd(1, 1, 3, packed16, 1, 16), 1, 1).levels[0].pixels,
            (Pixels{0xFFAB007Fu}));
}

TEST_F(ImageFiles, SavesPngThatReadsBackExactly) {
  const std::vector<std::uint32_t> pixels = {0xFF102030u, 0x80FFFFFFu, 0x00000000u,
                                             0x7F010203u, 0xFFFF0000u, 0x12345678u};
  const std::string path = root_ + "/shot.png";
  ASSERT_TRUE(SavePng(path, 3, 2, pixels.data()));
  Image image;
  ASSERT_TRUE(LoadImage(path, image));
  EXPECT_EQ(image.info.width, 3u);
  EXPECT_EQ(image.info.height, 2u);
  EXPECT_EQ(image.levels[0].pixels, pixels);

  // Nothing is written where nothing can be, or for an image without pixels.
  EXPECT_FALSE(SavePng(root_ + "/missing/dir/shot.png", 3, 2, pixels.data()));
  EXPECT_FALSE(SavePng(root_, 3, 2, pixels.data()));
  EXPECT_FALSE(SavePng(root_ + "/empty.png", 0, 2, pixels.data()));
  EXPECT_FALSE(SavePng(root_ + "/null.png", 3, 2, nullptr));
  EXPECT_FALSE(std::filesystem::exists(root_ + "/empty.png"));
  EXPECT_FALSE(std::filesystem::exists(root_ + "/null.png"));
}

TEST_F(ImageFiles, RefusesBadFilesWithAReason) {
  // A PNG whose header claims 100000 x 100000 pixels.
  Bytes hugePng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Put32Be(hugePng, 13);
  PutText(hugePng, "IHDR");
  Put32Be(hugePng, 100000);
  Put32Be(hugePng, 100000);
  for (std::uint8_t byte : {8, 6, 0, 0, 0, 0, 0, 0, 0}) hugePng.push_back(byte);
  // A valid PNG cut in half.
  const std::vector<std::uint32_t> pixels(64 * 64, 0xFF336699u);
  ASSERT_TRUE(SavePng(root_ + "/whole.png", 64, 64, pixels.data()));
  std::ifstream whole(root_ + "/whole.png", std::ios::binary);
  Bytes cutPng((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
  Bytes claimsMore = cutPng;  // the same PNG, its header claiming 16000 x 16000
  for (int i : {16, 20}) {
    claimsMore[i + 2] = 16000 >> 8;
    claimsMore[i + 3] = 16000 & 0xFF;
  }
  cutPng.resize(cutPng.size() / 2);
  // A BMP claiming 40000 x 40000.
  Bytes hugeBmp;
  PutText(hugeBmp, "BM");
  Put32(hugeBmp, 100);
  Put32(hugeBmp, 0);
  Put32(hugeBmp, 54);
  for (std::uint32_t v : {40u, 40000u, 40000u}) Put32(hugeBmp, v);
  Put16(hugeBmp, 1);
  Put16(hugeBmp, 24);
  for (int i = 0; i < 6; ++i) Put32(hugeBmp, 0);

  Bytes cutPpm;
  PutText(cutPpm, "P6\n8 8\n255\n");
  cutPpm.resize(cutPpm.size() + 8 * 8 * 3 - 1);

  Bytes longSection = Psd(1, 1, 3, {1, 2, 3});
  longSection[28] = 0x10;  // colour mode data of 4096 bytes
  Bytes overrun;           // red: a run of 3 in a row of 1
  for (unsigned length : {2, 2, 2}) Put16Be(overrun, length);
  for (std::uint8_t byte : {0xFE, 0x10, 0xFF, 0x20, 0xFF, 0x30}) overrun.push_back(byte);

  Bytes zeroRun;
  PutText(zeroRun, "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 8\n");
  for (std::uint8_t byte : {2, 2, 0, 8, 0, 0, 0, 0}) zeroRun.push_back(byte);
  Bytes hugeTable = {0xFF, 0xD8, 0xFF, 0xC4};  // a Huffman table of 300 symbols
  Put16Be(hugeTable, 2 + 17 + 300);
  hugeTable.push_back(0x00);
  for (int i = 0; i < 16; ++i) hugeTable.push_back(i == 7 ? 255 : i == 8 ? 45 : 0);
  hugeTable.resize(hugeTable.size() + 300);
  for (std::uint8_t byte : {0xFF, 0xD9}) hugeTable.push_back(byte);
  const Bytes noScan = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0, 16, 0, 16, 1, 1, 0x11, 0, 0xFF, 0xD9};

  Bytes random(777);
  std::uint32_t seed = 12345;
  for (auto& byte : random) byte = (seed = seed * 1103515245u + 12345u) >> 24;
  Bytes cutDds = DdsHeader(8, 8, 0, 0x4, "DXT5");
  cutDds.resize(cutDds.size() + 63);
  Bytes cutHeader = DdsHeader(8, 8, 0, 0x4, "DXT1");
  cutHeader.resize(100);
  Bytes hugeDds = DdsHeader(20000, 4, 0, 0x4, "DXT1");
  Bytes zeroDds = DdsHeader(0, 4, 0, 0x4, "DXT1");
  Bytes cube = DdsHeader(4, 4, 0, 0x4, "DXT1", 0, 0, 0, 0, 0, 0xFE00);
  Bytes volume = DdsHeader(4, 4, 0, 0x4, "DXT1", 0, 0, 0, 0, 0, 0x200000);
  Bytes dx10 = DdsHeader(4, 4, 0, 0x4, "DX10");
  Bytes tooManyMips = DdsHeader(4, 4, 5, 0x4, "DXT1");
  Bytes badMask = DdsHeader(1, 1, 0, 0x40, nullptr, 16, 0xFF0000, 0xFF00, 0xFF);
  for (Bytes* dds : {&hugeDds, &zeroDds, &cube, &volume, &dx10, &tooManyMips, &badMask}) {
    dds->resize(dds->size() + 256);
  }

  const std::vector<std::tuple<std::string, Bytes, std::string>> cases = {
      {"empty.png", {}, "empty"},
      {"random.png", random, "known format"},
      {"huge.png", hugePng, "large"},
      {"cut.png", cutPng, "cut short"},
      {"claims.png", claimsMore, "too large for its file"},
      {"zero_run.hdr", zeroRun, "damaged"},
      {"no_scan.jpg", noScan, "without image data"},
      {"table.jpg", hugeTable, "Huffman"},
      {"cut.jpg", CutEnd(GreyJpeg(), 4), "cut short"},
      {"cut.bmp", CutEnd(Bmp(2, Bytes(16)), 9), "cut short"},
      {"cut.tga", CutEnd(Tga(), 5), "cut short"},
      {"cut.ppm", cutPpm, "cut short"},
      {"psb.psd", Psd(1, 1, 3, {1, 2, 3}, 0, 8, 3, 2), "PSB"},
      {"cmyk.psd", Psd(1, 1, 4, {1, 2, 3, 4}, 0, 8, 4), "colour mode 4"},
      {"two.psd", Psd(1, 1, 2, {1, 2}), "2 channels"},
      {"depth.psd", Psd(1, 1, 3, Bytes(12), 0, 32), "32 bits"},
      {"zip.psd", Psd(1, 1, 3, Bytes(16), 2), "compression 2"},
      {"cut.psd", Psd(4, 4, 3, Bytes(47)), "cut short"},
      {"section.psd", longSection, "cut short"},
      {"overrun.psd", Psd(1, 1, 3, overrun, 1), "damaged PSD data"},
      {"huge.bmp", hugeBmp, "large"},
      {"cut.dds", cutDds, "cut short"},
      {"header.dds", cutHeader, "cut short"},
      {"huge.dds", hugeDds, "too large"},
      {"zero.dds", zeroDds, "no pixels"},
      {"cube.dds", cube, "cube"},
      {"volume.dds", volume, "volume"},
      {"dx10.dds", dx10, "DX10"},
      {"mips.dds", tooManyMips, "mip"},
      {"mask.dds", badMask, "mask"},
  };
  for (const auto& [name, bytes, reason] : cases) {
    const std::string path = Write(name, bytes);
    Image image;
    std::string error;
    EXPECT_FALSE(LoadImage(path, image, &error)) << name;
    EXPECT_NE(error.find(reason), std::string::npos) << name << ": " << error;
    EXPECT_NE(error.find(name), std::string::npos) << name << ": " << error;
    error.clear();
    EXPECT_FALSE(LoadImage(bytes.data(), bytes.size(), image, &error)) << name;
    EXPECT_FALSE(error.empty()) << name;
  }
  // The size query already refuses what it can tell from the header alone.
  ImageInfo info;
  std::string error;
  for (const char* name : {"empty.png", "random.png", "huge.png", "huge.dds", "cube.dds"}) {
    EXPECT_FALSE(ReadImageInfo(root_ + "/" + name, info, &error)) << name;
    EXPECT_FALSE(error.empty()) << name;
  }

  // Paths that are no image file at all.
  for (const std::string& path : {root_ + "/missing.png", root_}) {
    error.clear();
    Image image;
    EXPECT_FALSE(LoadImage(path, image, &error)) << path;
    EXPECT_NE(error.find(path), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(ReadImageInfo(path, info, &error)) << path;
    EXPECT_FALSE(error.empty()) << path;
  }
  EXPECT_NE(error.find("directory"), std::string::npos) << error;
  Image image;
  EXPECT_FALSE(LoadImage(nullptr, 0, image, &error));
  EXPECT_FALSE(LoadImage("/dev/zero", image, &error));
  EXPECT_NE(error.find("regular"), std::string::npos) << error;
}

TEST(ImagePlaceholder, NoTextureImageIsAVisibleCheckerboard) {
  Image image;
  std::string error;
  ASSERT_TRUE(LoadImage(HINOKI_SOURCE_DIR "/system/notex.lat", image, &error)) << error;
  ASSERT_EQ(image.info.width, 64u);
  ASSERT_EQ(image.info.height, 64u);
  const auto& pixels = image.levels[0].pixels;
  EXPECT_EQ(pixels[0], 0xFFFFFFFFu);            // border
  EXPECT_EQ(pixels[64 * 63 + 40], 0xFFFFFFFFu);  // border
  EXPECT_EQ(pixels[64 * 1 + 1], 0xFFFF00FFu);    // magenta square
  EXPECT_EQ(pixels[64 * 1 + 8], 0xFF000000u);    // black square beside it
  EXPECT_EQ(pixels[64 * 8 + 8], 0xFFFF00FFu);
}

}  // namespace
