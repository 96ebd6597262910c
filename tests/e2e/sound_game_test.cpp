// Sound effects as a game meets them: the real executable on a machine without a sound
// card (a silent device that still runs in real time), plays from scripts in every form,
// refused arguments, and a sound that cannot be loaded ending the game.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "e2e/GameRunner.h"

namespace {

// Ending with status -1 runs the exit handlers, and in a sanitizer build the leak check,
// which reports memory SDL's offscreen video keeps for the life of the process and turns
// the status into 1. There only the box is compared.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kLeakCheckAtExit = true;
#else
constexpr bool kLeakCheckAtExit = false;
#endif

void ExpectEndedWithBox(const e2e::RunResult& r, const std::string& box) {
  EXPECT_EQ(r.err.substr(0, box.size()), box);
  if (kLeakCheckAtExit) return;
  EXPECT_EQ(r.exitStatus, 255);
  EXPECT_EQ(r.err, box);
}

const char kPlayGame[] = R"(
local ws = SoundN.WAVESOUND()
function ScriptInitialize() end
function ScriptExit() end
frame = 0
function ScriptFrame()
  frame = frame + 1
  if frame == 1 then
    print(ws == SoundN.WaveSoundDirectorC:GetInstance(), tolua.type(ws))
    ws:Play("Se\\Beep.wav")
    ws:Play("Se\\Beep.wav", -500, 300.9)
    ws:Play("se\\Mono3D.wav", Vector3C(1, 0, 0), D3DXVECTOR3(0, 0, 0), 1, 100)
    ws:Play("se\\Mono3D.wav", Vector3C(1, 0, 0), D3DXVECTOR3(), 1, 100, 30, 60, -2000)
    ws:Play("se\\Mono3D.wav", Vector3C(1, 0, 0), D3DXVECTOR3(), 1, 100, 30, 60, -2000, Vector3C(0, 0, 1))
    print("plays", ws:GetPlayListSize())
    print(pcall(ws.Play, ws, nil))
    print(pcall(ws.Play, ws, "se\\Mono3D.wav", nil, D3DXVECTOR3(), 1, 2))
    print(pcall(ws.Play, ws, "se\\Mono3D.wav", D3DXVECTOR3(), D3DXVECTOR3(), 1, 2, 30, 60, 0, nil))
    print(pcall(ws.SetVolume, ws, nil, -100))
    print(pcall(ws.SetListenerTop, ws, nil))
    print(pcall(ws.Play, ws, "a", "b"))
    print(pcall(function() ws:delete() end))
    ws:SetListenerPosition(Vector3C(0, 0, -1))
    ws:SetVolume(-100)
    ws:SetVolume("Se\\Beep.wav", -200)
    ws:SetPan(5)
    ws:SetPan("Se\\Beep.wav", -5)
    print("still", ws:GetPlayListSize())
  elseif not ended and ws:GetPlayListSize() == 0 then
    ended = true  -- one more frame runs after Quit
    -- 2000 samples at 22050 Hz last 91 ms: the silent device plays them in real time.
    print("ended", frame > 3)
    ws:ClearAll()
    LuaN.LUA():Quit()
  end
end
return true
)";

TEST(SoundGame, PlaysInEveryFormEndInRealTimeOnTheSilentDevice) {
  e2e::GameFolder game({{"system/loset.lat", e2e::QuickGameSettings()},
                        {"main.lua", kPlayGame},
                        {"se/beep.wav", e2e::SquareWaveFile(2000, 20, 0x2000)},
                        {"se/mono3d.wav", e2e::SquareWaveFile(2000, 20, 0x2000)}});
  const e2e::RunResult r = e2e::RunHinoki(game.Path());
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.err, "");
  const std::string argumentError = "error in function 'Play'.\n     argument #";
  EXPECT_EQ(r.out,
            "*** ジョイスティックデバイスを作成しませんでした ***\n"
            "true\tSoundN::WaveSoundDirectorC\t\n"
            "plays\t5\t\n"
            "false\t" + argumentError + "2 is 'nil'; 'string' expected.\n\t\n"
            "false\t" + argumentError + "3 is 'nil'; 'const D3DXVECTOR3' expected.\n\t\n"
            "false\t" + argumentError + "10 is 'nil'; 'const D3DXVECTOR3' expected.\n\t\n"
            "false\terror in function 'SetVolume'.\n     argument #2 is 'nil'; 'string' expected.\n\t\n"
            "false\terror in function 'SetListenerTop'.\n     argument #2 is 'nil'; 'const D3DXVECTOR3' expected.\n\t\n"
            "false\t" + argumentError + "3 is 'string'; 'number' expected.\n\t\n"
            "false\tSoundN::WaveSoundDirectorC cannot be deleted: it is the engine's one sound "
            "effect director\t\n"
            "still\t5\t\n"
            "ended\ttrue\t\n");
}

TEST(SoundGame, ASoundThatCannotBeLoadedEndsTheGameAfterItsBox) {
  e2e::GameFolder game({{"system/loset.lat", e2e::QuickGameSettings()},
                        {"main.lua", R"(
function ScriptInitialize() SoundN.WAVESOUND():Play("Se\\Missing.wav") end
function ScriptFrame() end
function ScriptExit() print("exit") end
return true
)"},
                        {"se/broken.wav", e2e::SquareWaveFile(100, 20, 0x2000).substr(0, 50)}});
  e2e::RunResult r = e2e::RunHinoki(game.Path(), "\n");
  ExpectEndedWithBox(r, "== ERROR ==\nサウンドデータ<Se\\Missing.wav>の読み込みに失敗しました。\n[OK]\n");
  EXPECT_EQ(r.out.find("exit"), std::string::npos);

  game.Write("main.lua", R"(
function ScriptInitialize() SoundN.WAVESOUND():Play("se/broken.wav", Vector3C(), Vector3C(), 1, 2) end
function ScriptFrame() end
function ScriptExit() end
return true
)");
  r = e2e::RunHinoki(game.Path(), "\n");
  ExpectEndedWithBox(r, "== ERROR ==\nサウンドデータ<se/broken.wav>の読み込みに失敗しました。\n[OK]\n");
}

}  // namespace
