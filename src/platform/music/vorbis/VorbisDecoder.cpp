// Ogg Vorbis through libvorbisfile: exact length and seeks from the page granules. A
// chained file whose links differ in channels or rate is refused: a player keeps one
// format from start to end.
#include <vorbis/vorbisfile.h>

#include <algorithm>

#include "platform/music/MusicDecoder.h"

namespace platform::music {
namespace {

size_t ReadBytes(void* out, size_t size, size_t count, void* handle) {
  if (size == 0) return 0;
  return static_cast<ByteSource*>(handle)->Read(out, size * count) / size;
}

int SeekBytes(void* handle, ogg_int64_t offset, int whence) {
  return static_cast<ByteSource*>(handle)->Seek(offset, whence) ? 0 : -1;
}

long TellBytes(void* handle) { return static_cast<long>(static_cast<ByteSource*>(handle)->Tell()); }

class VorbisDecoder final : public MusicDecoder {
 public:
  explicit VorbisDecoder(ByteSource* source) : mSource(source) {}
  ~VorbisDecoder() override {
    if (mOpened) ov_clear(&mFile);
  }
  VorbisDecoder(const VorbisDecoder&) = delete;
  VorbisDecoder& operator=(const VorbisDecoder&) = delete;

  void Adopt(std::unique_ptr<ByteSource> source) { mOwnedSource = std::move(source); }

  bool Open() {
    const ov_callbacks callbacks = {ReadBytes, SeekBytes, nullptr, TellBytes};
    if (ov_open_callbacks(mSource, &mFile, nullptr, 0, callbacks) != 0) return false;
    mOpened = true;
    if (!ov_seekable(&mFile)) return false;
    const vorbis_info* first = ov_info(&mFile, 0);
    if (!first) return false;
    for (long link = 1; link < ov_streams(&mFile); ++link) {
      const vorbis_info* info = ov_info(&mFile, static_cast<int>(link));
      if (!info || info->channels != first->channels || info->rate != first->rate) return false;
    }
    mChannels = first->channels;
    if (first->rate > 384000 || !IsPlayableFormat(mChannels, static_cast<int>(first->rate))) {
      return false;
    }
    mRate = static_cast<int>(first->rate);
    mLength = ov_pcm_total(&mFile, -1);
    return mLength > 0;
  }

  int Channels() const override { return mChannels; }
  int SampleRate() const override { return mRate; }
  std::int64_t Length() const override { return mLength; }

  bool Seek(std::int64_t frame) override {
    if (frame < 0 || frame > mLength) return false;
    return ov_pcm_seek(&mFile, frame) == 0;
  }

  std::int64_t Read(float* out, std::int64_t frames) override {
    std::int64_t read = 0;
    int holes = 0;
    while (read < frames) {
      float** pcm = nullptr;
      int link = 0;
      const long want = static_cast<long>(std::min<std::int64_t>(frames - read, 4096));
      const long got = ov_read_float(&mFile, &pcm, static_cast<int>(want), &link);
      if (got == OV_HOLE && ++holes < 16) continue;  // a lost page: go on after it
      if (got <= 0) break;
      for (long i = 0; i < got; ++i) {
        for (int c = 0; c < mChannels; ++c) out[(read + i) * mChannels + c] = pcm[c][i];
      }
      read += got;
    }
    return read;
  }

 private:
  ByteSource* mSource;
  std::unique_ptr<ByteSource> mOwnedSource;  ///< taken over once the file is open
  OggVorbis_File mFile{};
  bool mOpened = false;
  int mChannels = 0;
  int mRate = 0;
  std::int64_t mLength = 0;
};

}  // namespace

std::unique_ptr<MusicDecoder> OpenVorbis(std::unique_ptr<ByteSource>& source) {
  auto decoder = std::make_unique<VorbisDecoder>(source.get());
  return TakeOverWhenOpen(std::move(decoder), source);
}

}  // namespace platform::music
