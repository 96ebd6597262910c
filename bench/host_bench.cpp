// What the script host costs per frame: the protected call of ScriptFrame with its
// traceback handler, and a settings-style call asking for 20 results.
#include <benchmark/benchmark.h>

#include "lua/LuaUtilityC.h"
#include "platform/Platform.h"
#include "platform/clock/fake/FakeClock.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/window/fake/FakeWindow.h"

namespace {

platform::FakeClock gClock;
platform::FakeDialog gDialog;
platform::FakeWindow gWindow;

LuaN::LuaUtilityC& Host() {
  static LuaN::LuaUtilityC* host = [] {
    platform::Install(platform::Components{&gClock, &gDialog, &gWindow});
    auto* h = new LuaN::LuaUtilityC();
    luaL_dostring(h->GetState(), "function ScriptFrame() end");
    return h;
  }();
  return *host;
}

void BM_FrameWithEmptyScriptFrame(benchmark::State& state) {
  LuaN::LuaUtilityC& host = Host();
  for (auto _ : state) host.Frame();
}
BENCHMARK(BM_FrameWithEmptyScriptFrame);

void BM_CallFunctionTwentyResults(benchmark::State& state) {
  LuaN::LuaUtilityC& host = Host();
  for (auto _ : state) benchmark::DoNotOptimize(host.CallFunction("ScriptFrame"));
}
BENCHMARK(BM_CallFunctionTwentyResults);

}  // namespace

BENCHMARK_MAIN();
