// WAV, AIFF, FLAC and the other formats libsndfile reads. MPEG audio is left to libmpg123,
// which knows the exact length of files without a header.
#include <sndfile.h>

#include <limits>

#include "platform/music/MusicDecoder.h"

namespace platform::music {
namespace {

sf_count_t FileLength(void* handle) { return static_cast<ByteSource*>(handle)->Size(); }

sf_count_t SeekBytes(sf_count_t offset, int whence, void* handle) {
  auto* source = static_cast<ByteSource*>(handle);
  if (!source->Seek(offset, whence)) return -1;
  return source->Tell();
}

sf_count_t ReadBytes(void* out, sf_count_t bytes, void* handle) {
  if (bytes <= 0) return 0;
  return static_cast<sf_count_t>(
      static_cast<ByteSource*>(handle)->Read(out, static_cast<size_t>(bytes)));
}

sf_count_t WriteBytes(const void*, sf_count_t, void*) { return 0; }

sf_count_t TellBytes(void* handle) { return static_cast<ByteSource*>(handle)->Tell(); }

class SndfileDecoder final : public MusicDecoder {
 public:
  explicit SndfileDecoder(ByteSource* source) : mSource(source) {}
  ~SndfileDecoder() override {
    if (mFile) sf_close(mFile);
  }
  SndfileDecoder(const SndfileDecoder&) = delete;
  SndfileDecoder& operator=(const SndfileDecoder&) = delete;

  void Adopt(std::unique_ptr<ByteSource> source) { mOwnedSource = std::move(source); }

  bool Open() {
    SF_VIRTUAL_IO io = {FileLength, SeekBytes, ReadBytes, WriteBytes, TellBytes};
    mFile = sf_open_virtual(&io, SFM_READ, &mInfo, mSource);
    if (!mFile) return false;
    // MPEG audio, also inside a WAV file, goes to libmpg123 (SF_FORMAT_MPEG and its
    // three layers, named by value for libsndfile versions without them).
    const int major = mInfo.format & SF_FORMAT_TYPEMASK;
    const int minor = mInfo.format & SF_FORMAT_SUBMASK;
    if (major == 0x230000 || (minor >= 0x0080 && minor <= 0x0082)) return false;
    if (!mInfo.seekable || !IsPlayableFormat(mInfo.channels, mInfo.samplerate)) return false;
    // An unknown or absurd length (a stream, a damaged header) cannot be played exactly.
    return mInfo.frames > 0 &&
           mInfo.frames < std::numeric_limits<std::int64_t>::max() / 4 / mInfo.channels;
  }

  int Channels() const override { return mInfo.channels; }
  int SampleRate() const override { return mInfo.samplerate; }
  std::int64_t Length() const override { return mInfo.frames; }

  bool Seek(std::int64_t frame) override {
    if (frame < 0 || frame > mInfo.frames) return false;
    return sf_seek(mFile, frame, SEEK_SET) == frame;
  }

  std::int64_t Read(float* out, std::int64_t frames) override {
    const sf_count_t read = sf_readf_float(mFile, out, frames);
    return read > 0 ? read : 0;
  }

 private:
  ByteSource* mSource;
  std::unique_ptr<ByteSource> mOwnedSource;  ///< taken over once the file is open
  SNDFILE* mFile = nullptr;
  SF_INFO mInfo{};
};

}  // namespace

std::unique_ptr<MusicDecoder> OpenSndfile(std::unique_ptr<ByteSource>& source) {
  auto decoder = std::make_unique<SndfileDecoder>(source.get());
  return TakeOverWhenOpen(std::move(decoder), source);
}

}  // namespace platform::music
