// Music files decoded into float samples, with an exact length and sample-exact seeks:
// MP3 through libmpg123 (gapless, the whole file scanned at open, so VBR files without a
// header have their true length too), Ogg Vorbis through libvorbisfile, and WAV, AIFF,
// FLAC and the other formats of libsndfile. The decoder is chosen by the file's content,
// never by its name. One or two channels, 1000 to 384000 frames per second.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/music/ByteSource.h"

namespace platform {

class MusicDecoder {
 public:
  virtual ~MusicDecoder() = default;
  /// 1 or 2.
  virtual int Channels() const = 0;
  /// Frames per second.
  virtual int SampleRate() const = 0;
  /// The number of frames in the file, at least 1.
  virtual std::int64_t Length() const = 0;
  /// Moves to `frame` (0 .. Length()); false when the file does not allow it.
  virtual bool Seek(std::int64_t frame) = 0;
  /// Reads up to `frames` frames into `out` as interleaved floats and returns how many
  /// were read; fewer only at the end of the file or on damaged data, 0 when nothing
  /// more can be read.
  virtual std::int64_t Read(float* out, std::int64_t frames) = 0;
};

/// A decoder for the bytes of `source`; null when no decoder understands them.
std::unique_ptr<MusicDecoder> OpenMusicDecoder(std::unique_ptr<ByteSource> source);

/// A decoder for the file at `path` (a path of this system); null when the file cannot
/// be opened or decoded.
std::unique_ptr<MusicDecoder> OpenMusicFile(const std::string& path);

namespace music {
// The backends, each reading the source from its start. One that understands the content
// takes the source over; one that does not returns null and leaves it to the next.
std::unique_ptr<MusicDecoder> OpenMpg123(std::unique_ptr<ByteSource>& source);
std::unique_ptr<MusicDecoder> OpenVorbis(std::unique_ptr<ByteSource>& source);
std::unique_ptr<MusicDecoder> OpenSndfile(std::unique_ptr<ByteSource>& source);

/// Opens `decoder` on `source`; on success the decoder takes the source over, otherwise
/// the source is rewound for the next backend.
template <class Decoder>
std::unique_ptr<MusicDecoder> TakeOverWhenOpen(std::unique_ptr<Decoder> decoder,
                                               std::unique_ptr<ByteSource>& source) {
  if (!decoder->Open()) {
    decoder.reset();
    source->Seek(0, SEEK_SET);
    return nullptr;
  }
  decoder->Adopt(std::move(source));
  return decoder;
}

/// Whether a decoder's format is one players accept.
inline bool IsPlayableFormat(int channels, int rate) {
  return channels >= 1 && channels <= 2 && rate >= 1000 && rate <= 384000;
}
}  // namespace music

}  // namespace platform
