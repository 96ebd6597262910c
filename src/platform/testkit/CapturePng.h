// The PNG files of frame capture: written for speed (fast deflate, no row filters), since
// a test may capture every frame; the pixels are exact, only the files are larger.
#pragma once

#include <cstdint>
#include <string>

namespace platform::testkit {

/// Writes A8R8G8B8 words (top row first) as an RGBA PNG; false when the file cannot be
/// written.
bool WriteCapturePng(const std::string& path, unsigned width, unsigned height,
                     const std::uint32_t* pixels);

}  // namespace platform::testkit
