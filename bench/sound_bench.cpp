// What sound costs: the mixer's CPU time per second of audio with 64 overlapping 3-D
// plays of the sound effect director, MP3 decoding speed (frames per CPU second and how
// many times real time), and the share of one core the music feeder thread takes while
// two pieces stream on the silent real-time output. The sound files are made here: a
// tone written with libsndfile, and an MP3 made from it by the lame encoder.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/audio/openal/OpenAlAudio.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/music/MusicDecoder.h"
#include "sound/WaveSoundDirectorC.h"

namespace {

constexpr int kRate = 44100;

// A folder with tone.wav (mono, 10 s), music.wav (stereo, 10 s) and music.mp3 (lame,
// 192 kbit/s), made once.
const std::string& Files() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/hinoki_sound_bench_XXXXXX";
    const std::string path = mkdtemp(pattern) ? pattern : "/tmp";
    for (int channels : {1, 2}) {
      const int frames = 10 * kRate;
      std::vector<float> samples(static_cast<size_t>(frames) * channels);
      for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
          samples[static_cast<size_t>(i) * channels + c] =
              static_cast<float>(0.3 * std::sin(6.2831853 * (220.0 + 110.0 * c) * i / kRate));
        }
      }
      SF_INFO info{};
      info.samplerate = kRate;
      info.channels = channels;
      info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
      const std::string name = path + (channels == 1 ? "/tone.wav" : "/music.wav");
      SNDFILE* file = sf_open(name.c_str(), SFM_WRITE, &info);
      if (file) {
        sf_writef_float(file, samples.data(), frames);
        sf_close(file);
      }
    }
    const std::string command =
        "lame --quiet -b 192 '" + path + "/music.wav' '" + path + "/music.mp3'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "lame failed\n");
    return path;
  }();
  return folder;
}

platform::FakeDialog gDialog;

void BM_Mix64Overlapping3DPlays(benchmark::State& state) {
  platform::OpenAlAudio audio(platform::OpenAlAudio::Output::kLoopback, kRate);
  platform::Components components = platform::Installed();
  components.audio = &audio;
  components.dialog = &gDialog;
  platform::Install(components);
  SoundN::WaveSoundDirectorC director;
  director.Create(nullptr);
  const std::string tone = Files() + "/tone.wav";
  std::vector<float> out(2 * static_cast<size_t>(kRate));
  for (auto _ : state) {
    state.PauseTiming();
    director.ClearAll();
    for (int i = 0; i < 64; ++i) {
      const float angle = 0.1f * static_cast<float>(i);
      director.Play(tone, D3DXVECTOR3(10 * std::cos(angle), 0, 10 * std::sin(angle)),
                    D3DXVECTOR3(0, 0, 0), 1.0f, 100.0f);
    }
    state.ResumeTiming();
    audio.Render(out.data(), kRate);  // one second of audio
    benchmark::DoNotOptimize(out.data());
  }
  director.ClearAll();
  state.SetLabel("time = CPU per second of audio");
}
BENCHMARK(BM_Mix64Overlapping3DPlays)->Unit(benchmark::kMillisecond);

void BM_DecodeMp3(benchmark::State& state) {
  const std::string mp3 = Files() + "/music.mp3";
  std::vector<float> buffer(2 * 4096);
  std::int64_t frames = 0;
  for (auto _ : state) {
    std::unique_ptr<platform::MusicDecoder> decoder = platform::OpenMusicFile(mp3);
    if (!decoder) {
      state.SkipWithError("no MP3 (is lame installed?)");
      return;
    }
    while (const std::int64_t got = decoder->Read(buffer.data(), 4096)) frames += got;
  }
  state.SetItemsProcessed(frames);
  state.counters["x_realtime"] =
      benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
  state.SetLabel("items = frames; open, scan and decode of 10 s stereo");
}
BENCHMARK(BM_DecodeMp3)->Unit(benchmark::kMillisecond);

// The CPU time the thread named hinoki-music has used, in nanoseconds.
long long FeederCpuNanoseconds() {
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return -1;
  long long result = -1;
  while (dirent* entry = readdir(tasks)) {
    const std::string task = std::string("/proc/self/task/") + entry->d_name;
    std::string name;
    std::getline(std::ifstream(task + "/comm"), name);
    if (name != "hinoki-music") continue;
    std::ifstream(task + "/schedstat") >> result;
    break;
  }
  closedir(tasks);
  return result;
}

void BM_FeederShareTwoPieces(benchmark::State& state) {
  platform::OpenAlAudio audio(platform::OpenAlAudio::Output::kSilent, kRate);
  audio.Open();
  const std::string mp3 = Files() + "/music.mp3";
  std::unique_ptr<platform::MusicPlayer> first = audio.CreateMusicPlayer(mp3);
  std::unique_ptr<platform::MusicPlayer> second = audio.CreateMusicPlayer(mp3);
  first->Run();
  second->Run();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  double share = 0.0;
  for (auto _ : state) {
    const long long before = FeederCpuNanoseconds();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long long used = FeederCpuNanoseconds() - before;
    const auto wall = std::chrono::steady_clock::now() - start;
    share = 100.0 * static_cast<double>(used) /
            static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(wall).count());
  }
  state.counters["feeder_cpu_percent"] = share;
  state.SetLabel("two MP3 pieces streaming, share of one core over the last second");
}
BENCHMARK(BM_FeederShareTwoPieces)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
