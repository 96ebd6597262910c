// Choosing a decoder by the first bytes of a file: Ogg pages go to libvorbisfile, an ID3
// tag or an MPEG frame header to libmpg123, everything else to libsndfile; except for
// MPEG audio, when the first choice fails the others get their turn (an MP3 behind junk
// or inside a WAV file, Opus in Ogg).
#include "platform/music/MusicDecoder.h"

#include <cstring>

namespace platform {

std::unique_ptr<MusicDecoder> OpenMusicDecoder(std::unique_ptr<ByteSource> source) {
  if (!source) return nullptr;
  unsigned char head[4] = {0, 0, 0, 0};
  const size_t got = source->Read(head, sizeof head);
  if (got < sizeof head || !source->Seek(0, SEEK_SET)) return nullptr;

  using Open = std::unique_ptr<MusicDecoder> (*)(std::unique_ptr<ByteSource>&);
  Open order[3] = {music::OpenSndfile, music::OpenMpg123, music::OpenVorbis};
  if (std::memcmp(head, "OggS", 4) == 0) {
    order[0] = music::OpenVorbis;
    order[2] = music::OpenMpg123;
  } else if (std::memcmp(head, "ID3", 3) == 0 || (head[0] == 0xFF && (head[1] & 0xE0) == 0xE0)) {
    // MPEG audio is libmpg123's alone: libsndfile would hand it to a libmpg123 of its own
    // that neither scans the file nor keeps quiet about damage.
    return music::OpenMpg123(source);
  }
  for (Open open : order) {
    if (std::unique_ptr<MusicDecoder> decoder = open(source)) return decoder;
  }
  return nullptr;
}

std::unique_ptr<MusicDecoder> OpenMusicFile(const std::string& path) {
  return OpenMusicDecoder(OpenFileSource(path));
}

}  // namespace platform
