// Music as a game meets it: the real executable on a machine without a sound card (a
// silent device that still runs in real time), MP3 and WAV pieces played from scripts,
// a piece without looping leaving the list when it ends, refused arguments, and a piece
// that cannot be found ending the game.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "e2e/GameRunner.h"

namespace {

// A square-wave tune as an MP3, made by the lame encoder.
std::string TuneMp3(int frames) {
  char folder[] = "/tmp/hinoki_tune_XXXXXX";
  if (!mkdtemp(folder)) return "";
  const std::string wav = std::string(folder) + "/tune.wav";
  const std::string mp3 = std::string(folder) + "/tune.mp3";
  std::FILE* f = std::fopen(wav.c_str(), "wb");
  const std::string bytes = e2e::SquareWaveFile(frames, 25, 0x1000);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  std::string out;
  if (std::system(("lame --quiet -b 64 '" + wav + "' '" + mp3 + "'").c_str()) == 0) {
    if (std::FILE* in = std::fopen(mp3.c_str(), "rb")) {
      int c;
      while ((c = std::fgetc(in)) != EOF) out.push_back(static_cast<char>(c));
      std::fclose(in);
    }
  }
  std::system(("rm -rf '" + std::string(folder) + "'").c_str());
  return out;
}

const char kMusicGame[] = R"(
local ms = SoundN.MP3SOUND()
function ScriptInitialize() end
function ScriptExit() end
frame = 0
function ScriptFrame()
  frame = frame + 1
  if frame == 1 then
    print(ms == SoundN.Mp3SoundDirectorC:GetInstance(), tolua.type(ms), ms:Initialize())
    print(tolua.type(SecTo(1.5)), tolua.type(MilSecTo(-1)))
    ms:Play("Bgm\\Tune.mp3", true, SecTo(0), MilSecTo(50))
    ms:Play("bgm\\once.WAV", nil, SecTo(0))
    ms:Play("bgm\\once.WAV", false, SecTo(3), SecTo(-1))
    print("pieces", ms:GetPlayListSize())
    print(pcall(ms.Play, ms, "bgm\\once.WAV", false, 0))
    print(pcall(ms.Play, ms, "bgm\\once.WAV", false, nil))
    print(pcall(ms.Play, ms, "bgm\\once.WAV", false, SecTo(0), nil))
    print(pcall(ms.Play, ms, nil, false, SecTo(0)))
    print(pcall(ms.Pause, ms, nil))
    print(pcall(function() ms:delete() end))
    ms:SetVolume(-100)
    ms:SetVolume("Bgm\\Tune.mp3", -200.9)
    ms:SetBalance(99999)
    ms:SetBalance("nothing.mp3", 5)
    ms:SetRate(1.0)
    ms:SetRate("Bgm\\Tune.mp3", 1.5)
    ms:Pause("Bgm\\Tune.mp3")
    ms:Run("Bgm\\Tune.mp3")
    ms:PauseAll()
    ms:RunAll()
    collectgarbage()
    print("still", ms:GetPlayListSize())
  elseif not ended and ms:GetPlayListSize() == 1 then
    ended = true  -- one more frame runs after Quit
    -- 4410 frames at 22050 Hz last 200 ms: the silent device plays them in real time.
    print("ended", frame > 10)
    ms:ClearAll()
    print("cleared", ms:GetPlayListSize())
    LuaN.LUA():Quit()
  end
end
return true
)";

TEST(MusicGame, PiecesPlayInRealTimeOnTheSilentDevice) {
  const std::string mp3 = TuneMp3(22050);
  ASSERT_FALSE(mp3.empty());
  e2e::GameFolder game({{"system/loset.lat", e2e::QuickGameSettings()},
                        {"main.lua", kMusicGame},
                        {"bgm/tune.mp3", mp3},
                        {"bgm/once.wav", e2e::SquareWaveFile(4410, 25, 0x1000)}});
  const e2e::RunResult r = e2e::RunHinoki(game.Path());
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.err, "");
  const std::string playError = "error in function 'Play'.\n     argument #";
  EXPECT_EQ(r.out,
            "*** ジョイスティックデバイスを作成しませんでした ***\n"
            "true\tSoundN::Mp3SoundDirectorC\ttrue\t\n"
            "REFERENCE_TIME\tREFERENCE_TIME\t\n"
            "pieces\t2\t\n"
            "false\t" + playError + "4 is 'number'; 'REFERENCE_TIME' expected.\n\t\n"
            "false\t" + playError + "4 is 'nil'; 'REFERENCE_TIME' expected.\n\t\n"
            "false\t" + playError + "5 is 'nil'; 'REFERENCE_TIME' expected.\n\t\n"
            "false\t" + playError + "2 is 'nil'; 'string' expected.\n\t\n"
            "false\terror in function 'Pause'.\n     argument #2 is 'nil'; 'string' expected.\n\t\n"
            "false\tSoundN::Mp3SoundDirectorC cannot be deleted: it is the engine's one music "
            "director\t\n"
            "still\t2\t\n"
            "ended\ttrue\t\n"
            "cleared\t0\t\n");
}

TEST(MusicGame, APieceThatCannotBeFoundEndsTheGameAfterItsBox) {
  e2e::GameFolder game({{"system/loset.lat", e2e::QuickGameSettings()},
                        {"main.lua", R"(
function ScriptInitialize() SoundN.MP3SOUND():Play("Bgm\\Missing.mp3", true, SecTo(0)) end
function ScriptFrame() end
function ScriptExit() print("exit") end
return true
)"}});
  const e2e::RunResult r = e2e::RunHinoki(game.Path(), "\n");
  const std::string box =
      "== ERROR ==\nサウンドデータ<Bgm\\Missing.mp3>の読み込みに失敗しました。\n[OK]\n";
  EXPECT_EQ(r.err.substr(0, box.size()), box);
  EXPECT_EQ(r.out.find("exit"), std::string::npos);
#ifndef __SANITIZE_ADDRESS__
  // (Under the sanitizer the leak check at exit changes the status.)
  EXPECT_EQ(r.exitStatus, 255);
  EXPECT_EQ(r.err, box);
#endif
}

}  // namespace
