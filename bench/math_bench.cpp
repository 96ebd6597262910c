// What one math call from a script costs through the bindings, next to the same
// arithmetic in plain Lua. Each iteration runs a Lua loop of kCalls calls; "per_call" is
// one call (in seconds with an SI prefix: 85n is 85 ns), "full_gc_per_call" collecting
// its garbage on top. The empty loop and empty Lua call are the baselines to subtract.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>

#include <lua.hpp>

#include "lua/LuaUtilityC.h"
#include "platform/Platform.h"
#include "platform/clock/fake/FakeClock.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/window/fake/FakeWindow.h"

namespace {

constexpr int kCalls = 1000;
constexpr int kCollectEvery = 50;

// Plain-Lua vectors are {x=, y=, z=}; plain-Lua matrices are 16 numbers, row by row,
// with the same row-vector convention as the engine (translation in 13..15).
const char kLoops[] = R"lua(
local v, w = Vector3C(1, 2, 3), Vector3C(4, 5, 6)
local t = Vector3C(1, 2, 3)
local m1 = MatrixC(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1)
local m2 = MatrixC(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1)
local pv, pw, pt = {x = 1, y = 2, z = 3}, {x = 4, y = 5, z = 6}, {x = 1, y = 2, z = 3}
local pm1 = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1}
local pm2 = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}

local function dot(a, b) return a.x * b.x + a.y * b.y + a.z * b.z end
local function vec(x, y, z) return {x = x, y = y, z = z} end
local function mul(a, b)
  local r = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}
  for i = 0, 12, 4 do
    local a1, a2, a3, a4 = a[i + 1], a[i + 2], a[i + 3], a[i + 4]
    r[i + 1] = a1 * b[1] + a2 * b[5] + a3 * b[9] + a4 * b[13]
    r[i + 2] = a1 * b[2] + a2 * b[6] + a3 * b[10] + a4 * b[14]
    r[i + 3] = a1 * b[3] + a2 * b[7] + a3 * b[11] + a4 * b[15]
    r[i + 4] = a1 * b[4] + a2 * b[8] + a3 * b[12] + a4 * b[16]
  end
  return r
end
local function transformCoord(p, m)
  local x, y, z = p.x, p.y, p.z
  local iw = 1 / (x * m[4] + y * m[8] + z * m[12] + m[16])
  p.x = (x * m[1] + y * m[5] + z * m[9] + m[13]) * iw
  p.y = (x * m[2] + y * m[6] + z * m[10] + m[14]) * iw
  p.z = (x * m[3] + y * m[7] + z * m[11] + m[15]) * iw
  return p
end
local function nothing() end

loops = {}
function loops.empty(n) for _ = 1, n do end end
function loops.emptyCall(n) for _ = 1, n do nothing() end end
function loops.dot(n) local s = 0 for _ = 1, n do s = s + v:Dot(w) end return s end
function loops.plainDot(n) local s = 0 for _ = 1, n do s = s + dot(pv, pw) end return s end
function loops.make(n) local r for _ = 1, n do r = Vector3C(1, 2, 3) end return r end
function loops.plainMake(n) local r for _ = 1, n do r = vec(1, 2, 3) end return r end
function loops.mul(n) local r for _ = 1, n do r = m1 * m2 end return r end
function loops.plainMul(n) local r for _ = 1, n do r = mul(pm1, pm2) end return r end
-- m2 is a quarter turn, so repeating it keeps the vector bounded.
function loops.transform(n) for _ = 1, n do t:TransformCoord(m2) end return t end
function loops.plainTransform(n) for _ = 1, n do transformCoord(pt, pm2) end return pt end
)lua";

platform::FakeClock gClock;
platform::FakeDialog gDialog;
platform::FakeWindow gWindow;

lua_State* State() {
  static lua_State* state = [] {
    platform::Install(platform::Components{&gClock, &gDialog, &gWindow});
    auto* host = new LuaN::LuaUtilityC();
    lua_State* L = host->GetState();
    if (luaL_dostring(L, kLoops) != 0) {
      std::fprintf(stderr, "loading the loops: %s\n", lua_tostring(L, -1));
      lua_pop(L, 1);
    }
    // The incremental collector falls behind bound objects in a tight loop (finalizer,
    // entries in tolua's tables) and the heap grows without bound. With this pause it
    // never starts; BM_Loop collects in full, off the clock, and times that apart.
    lua_gc(L, LUA_GCSETPAUSE, 100000);
    return L;
  }();
  return state;
}

std::chrono::steady_clock::duration CollectAll(lua_State* L) {
  const auto start = std::chrono::steady_clock::now();
  lua_gc(L, LUA_GCCOLLECT, 0);
  return std::chrono::steady_clock::now() - start;
}

void BM_Loop(benchmark::State& state, const char* loop) {
  lua_State* L = State();
  // Every case starts from an empty heap, so the garbage of one case is not collected
  // on the time of the next.
  lua_gc(L, LUA_GCCOLLECT, 0);
  lua_getglobal(L, "loops");
  lua_getfield(L, -1, loop);
  lua_remove(L, -2);
  if (!lua_isfunction(L, -1)) {
    lua_pop(L, 1);
    state.SkipWithError("the loop was not loaded");
    return;
  }
  // Every kCollectEvery loops the garbage so far is collected off the clock; that time
  // is reported apart, as full_gc_per_call.
  std::chrono::steady_clock::duration collecting{};
  int64_t loops = 0;
  for (auto _ : state) {
    lua_pushvalue(L, -1);
    lua_pushinteger(L, kCalls);
    if (lua_pcall(L, 1, 0, 0) != 0) {
      state.SkipWithError(lua_tostring(L, -1));
      lua_pop(L, 1);
      break;
    }
    if (++loops % kCollectEvery == 0) {
      state.PauseTiming();
      collecting += CollectAll(L);
      state.ResumeTiming();
    }
  }
  lua_pop(L, 1);
  collecting += CollectAll(L);  // the garbage of the last loops, also off the clock
  const double calls = static_cast<double>(state.iterations()) * kCalls;
  state.counters["per_call"] =
      benchmark::Counter(calls, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["full_gc_per_call"] =
      std::chrono::duration<double>(collecting).count() / calls;
  // What the last full collection left: tolua's ubox and gc tables keep their peak size.
  state.counters["heap_kb"] = lua_gc(L, LUA_GCCOUNT, 0);
}

BENCHMARK_CAPTURE(BM_Loop, EmptyLoop, "empty");
BENCHMARK_CAPTURE(BM_Loop, EmptyLuaCall, "emptyCall");
BENCHMARK_CAPTURE(BM_Loop, Dot_Hinoki, "dot");
BENCHMARK_CAPTURE(BM_Loop, Dot_PlainLua, "plainDot");
BENCHMARK_CAPTURE(BM_Loop, Vector3C_Hinoki, "make");
BENCHMARK_CAPTURE(BM_Loop, Vector3C_PlainLua, "plainMake");
BENCHMARK_CAPTURE(BM_Loop, MatrixMul_Hinoki, "mul");
BENCHMARK_CAPTURE(BM_Loop, MatrixMul_PlainLua, "plainMul");
BENCHMARK_CAPTURE(BM_Loop, TransformCoord_Hinoki, "transform");
BENCHMARK_CAPTURE(BM_Loop, TransformCoord_PlainLua, "plainTransform");

}  // namespace

BENCHMARK_MAIN();
