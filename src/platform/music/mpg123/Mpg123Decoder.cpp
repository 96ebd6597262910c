// MP3 (and MP2) through libmpg123. Gapless decoding drops the encoder's delay and padding
// named by a LAME/Info header; scanning the whole file at open gives the exact length and
// a frame index, so seeks are exact also in VBR files without any header.
#include <mpg123.h>

#include <mutex>

#include "platform/music/MusicDecoder.h"

namespace platform::music {
namespace {

mpg123_ssize_t ReadBytes(void* handle, void* out, size_t bytes) {
  return static_cast<mpg123_ssize_t>(static_cast<ByteSource*>(handle)->Read(out, bytes));
}

off_t SeekBytes(void* handle, off_t offset, int whence) {
  auto* source = static_cast<ByteSource*>(handle);
  if (!source->Seek(offset, whence)) return -1;
  return static_cast<off_t>(source->Tell());
}

class Mpg123Decoder final : public MusicDecoder {
 public:
  Mpg123Decoder(mpg123_handle* handle, ByteSource* source)
      : mHandle(handle), mSource(source) {}
  ~Mpg123Decoder() override {
    mpg123_close(mHandle);
    mpg123_delete(mHandle);
  }
  Mpg123Decoder(const Mpg123Decoder&) = delete;
  Mpg123Decoder& operator=(const Mpg123Decoder&) = delete;

  void Adopt(std::unique_ptr<ByteSource> source) { mOwnedSource = std::move(source); }

  bool Open() {
    if (mpg123_open_handle(mHandle, mSource) != MPG123_OK) return false;
    if (mpg123_scan(mHandle) != MPG123_OK) return false;
    long rate = 0;
    int encoding = 0;
    if (mpg123_getformat(mHandle, &rate, &mChannels, &encoding) != MPG123_OK) return false;
    if (encoding != MPG123_ENC_FLOAT_32 || !IsPlayableFormat(mChannels, static_cast<int>(rate))) {
      return false;
    }
    mRate = static_cast<int>(rate);
    // One format for the whole file: a stream that changes it midway ends there.
    mpg123_format_none(mHandle);
    mpg123_format(mHandle, rate, mChannels, MPG123_ENC_FLOAT_32);
    const off_t length = mpg123_length(mHandle);
    if (length <= 0) return false;
    mLength = static_cast<std::int64_t>(length);
    return mpg123_seek(mHandle, 0, SEEK_SET) == 0;
  }

  int Channels() const override { return mChannels; }
  int SampleRate() const override { return mRate; }
  std::int64_t Length() const override { return mLength; }

  bool Seek(std::int64_t frame) override {
    if (frame < 0 || frame > mLength) return false;
    return mpg123_seek(mHandle, static_cast<off_t>(frame), SEEK_SET) == static_cast<off_t>(frame);
  }

  std::int64_t Read(float* out, std::int64_t frames) override {
    const size_t frameBytes = sizeof(float) * static_cast<size_t>(mChannels);
    std::int64_t read = 0;
    while (read < frames) {
      size_t done = 0;
      const int result = mpg123_read(mHandle, out + read * mChannels,
                                     static_cast<size_t>(frames - read) * frameBytes, &done);
      read += static_cast<std::int64_t>(done / frameBytes);
      if (result == MPG123_OK || (result == MPG123_NEW_FORMAT && done > 0)) continue;
      break;  // the end, damage, or a change of format
    }
    return read;
  }

 private:
  mpg123_handle* mHandle;
  ByteSource* mSource;
  std::unique_ptr<ByteSource> mOwnedSource;  ///< taken over once the file is open
  int mChannels = 0;
  int mRate = 0;
  std::int64_t mLength = 0;
};

}  // namespace

std::unique_ptr<MusicDecoder> OpenMpg123(std::unique_ptr<ByteSource>& source) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { mpg123_init(); });  // needed by libraries before 1.27
  int error = MPG123_OK;
  mpg123_handle* handle = mpg123_new(nullptr, &error);
  if (!handle) return nullptr;
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_NO_FRANKENSTEIN,
               0.0);
  // A frame may take its bits from the reservoir of several frames before it (up to 511
  // bytes, many frames at a low bit rate); decoding that many ahead of a seek target
  // makes the samples after a seek the same as those reached by playing.
  mpg123_param(handle, MPG123_PREFRAMES, 8, 0.0);
  mpg123_format_none(handle);
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i) {
    mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
  }
  if (mpg123_replace_reader_handle(handle, ReadBytes, SeekBytes, nullptr) != MPG123_OK) {
    mpg123_delete(handle);
    return nullptr;
  }
  auto decoder = std::make_unique<Mpg123Decoder>(handle, source.get());
  return TakeOverWhenOpen(std::move(decoder), source);
}

}  // namespace platform::music
