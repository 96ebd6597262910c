// What the script calls a game makes most often cost: field writes and reads on matrices
// and vectors, the sprite and plank methods, and the body of the loop that moves one
// sprite. Each runs in the host's own Lua state with the whole script interface, on the
// recording graphics device. Every benchmark runs its call kCalls times inside one Lua
// loop; the "per_call" column is the time of one call (the loop's own cost included; the
// EmptyLoop row shows it).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "lua/LuaUtilityC.h"
#include "platform/Platform.h"
#include "platform/clock/fake/FakeClock.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/gfx/fake/RecordingDevice.h"
#include "platform/window/fake/FakeWindow.h"
#include "render/D3DDeviceAgentC.h"

namespace {

constexpr int kCalls = 1000;

platform::FakeClock gClock{1000};
platform::FakeDialog gDialog;
platform::FakeWindow gWindow;
platform::fake::RecordingGraphics gGraphics;

// The sprites and planks the benchmarks use, the matrices and vectors they write, and one
// function per benchmark, each looping kCalls times.
const char kScript[] = R"lua(
local N = ...
local renderer = RenderN.RENDERER()
sprites = {}
for i = 1, N do sprites[i] = renderer:CreateSprite() end
local sprite = sprites[1]
local plank = renderer:CreatePlank()
local mc, md, v = MatrixC(), D3DXMATRIX(), Vector3C(1, 2, 3)
local xs, ys, rs, vrs, vxs = {}, {}, {}, {}, {}
for i = 1, N do
  xs[i], ys[i], rs[i], vrs[i], vxs[i] = i, i * 0.5, i * 0.01, 0.5, 10
end
local cos, sin = math.cos, math.sin

bench = {}
function bench.EmptyLoop()
  local x = 0
  for i = 1, N do x = i end
end
function bench.SetMatrixCField()
  for i = 1, N do mc._11 = i end
end
function bench.SetD3DXMatrixField()
  for i = 1, N do md._11 = i end
end
function bench.SetVector3CField()
  for i = 1, N do v.x = i end
end
function bench.GetMatrixCField()
  local x
  for i = 1, N do x = mc._41 end
end
function bench.SpriteSetMatrix()
  for i = 1, N do sprite:SetMatrix(mc) end
end
function bench.SpriteSetColor()
  for i = 1, N do sprite:SetColor(D3DARGB(255, i % 256, 128, 64)) end
end
function bench.SpriteSetSameColor()
  local color = D3DARGB(255, 200, 128, 64)
  for i = 1, N do sprite:SetColor(color) end
end
function bench.PlankSetPosition()
  for i = 1, N do plank:SetPosition(v, 0) end
end
-- The six writes and the call that move one sprite, with its values at hand.
function bench.MoveSpriteCalls()
  local m = mc
  local c, s, x, y = 0.5, 0.25, 100, 200
  for i = 1, N do
    m._11 = c; m._12 = s; m._21 = -s; m._22 = c; m._41 = x; m._42 = y
    sprites[i]:SetMatrix(m)
  end
end
-- The whole body of the sprite benchmark's Move, as a game writes it.
function bench.MoveSpriteLoopBody()
  local m, dt = mc, 0.016
  for i = 1, N do
    local x = xs[i] + vxs[i] * dt
    if x < 0 then x = x + 1024 elseif x > 1024 then x = x - 1024 end
    xs[i] = x
    local r = rs[i] + vrs[i] * dt
    rs[i] = r
    local c, s = cos(r), sin(r)
    m._11 = c; m._12 = s; m._21 = -s; m._22 = c; m._41 = x; m._42 = ys[i]
    sprites[i]:SetMatrix(m)
  end
end
)lua";

lua_State* State() {
  static lua_State* L = [] {
    // Sprites without a file show system\notex.lat from the current folder.
    char pattern[] = "/tmp/hinoki-bench-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    const std::filesystem::path folder = pattern;
    std::filesystem::create_directories(folder / "system");
    std::filesystem::copy_file(std::filesystem::path(HINOKI_SOURCE_DIR) / "system" / "notex.lat",
                               folder / "system" / "notex.lat");
    std::filesystem::current_path(folder);

    platform::Components components{&gClock, &gDialog, &gWindow};
    components.graphics = &gGraphics;
    platform::Install(components);
    if (!RenderN::D3DDeviceAgentC::GetInstance().Create(false, &gWindow, true, 800, 600)) {
      std::fprintf(stderr, "the recording device could not be created\n");
      std::abort();
    }
    auto* host = new LuaN::LuaUtilityC();
    lua_State* state = host->GetState();
    if (luaL_loadbuffer(state, kScript, sizeof kScript - 1, "=script_call_bench") != 0 ||
        (lua_pushinteger(state, kCalls), lua_pcall(state, 1, 0, 0)) != 0) {
      std::fprintf(stderr, "%s\n", lua_tostring(state, -1));
      std::abort();
    }
    return state;
  }();
  return L;
}

void RunScript(benchmark::State& state, const char* name) {
  lua_State* L = State();
  lua_getglobal(L, "bench");
  lua_getfield(L, -1, name);
  const int function = lua_gettop(L);
  for (auto _ : state) {
    lua_pushvalue(L, function);
    if (lua_pcall(L, 0, 0, 0) != 0) {
      state.SkipWithError(lua_tostring(L, -1));
      break;
    }
  }
  lua_settop(L, 0);
  state.counters["per_call"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kCalls,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

#define SCRIPT_BENCHMARK(Name)                                   \
  void BM_##Name(benchmark::State& state) { RunScript(state, #Name); } \
  BENCHMARK(BM_##Name)

SCRIPT_BENCHMARK(EmptyLoop);
SCRIPT_BENCHMARK(SetMatrixCField);
SCRIPT_BENCHMARK(SetD3DXMatrixField);
SCRIPT_BENCHMARK(SetVector3CField);
SCRIPT_BENCHMARK(GetMatrixCField);
SCRIPT_BENCHMARK(SpriteSetMatrix);
SCRIPT_BENCHMARK(SpriteSetColor);
SCRIPT_BENCHMARK(SpriteSetSameColor);
SCRIPT_BENCHMARK(PlankSetPosition);
SCRIPT_BENCHMARK(MoveSpriteCalls);
SCRIPT_BENCHMARK(MoveSpriteLoopBody);

}  // namespace

BENCHMARK_MAIN();
