// What reading input costs per frame: ExternalInputC::Update on fake devices (the
// counting alone) and on SDL's devices with a virtual joystick attached (the walk over
// 142 mapped scancodes, the mouse and the controller as the game reads them).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include "input/ExternalInputC.h"
#include "platform/Platform.h"
#include "platform/clock/fake/FakeClock.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/input/fake/FakeInput.h"
#include "platform/input/sdl/SdlInput.h"
#include "platform/window/fake/FakeWindow.h"

namespace {

platform::FakeClock gClock;
platform::FakeDialog gDialog;
platform::FakeWindow gWindow;

void BM_UpdateOnFakeDevices(benchmark::State& state) {
  platform::FakeInput fake;
  fake.mHasJoystick = true;
  fake.SetKey(InputN::K_A, true);
  fake.SetKey(InputN::K_UP, true);
  platform::Install(platform::Components{&gClock, &gDialog, &gWindow, &fake});
  InputN::ExternalInputC input;
  input.Create(&gWindow);
  for (auto _ : state) {
    input.Update();
    benchmark::DoNotOptimize(input.mKeyFrames.data());
  }
}
BENCHMARK(BM_UpdateOnFakeDevices);

// The game's own focus test needs a window system; here the devices always have focus.
bool AlwaysFocused(SDL_Window*) {
  return true;
}

void BM_UpdateOnSdlDevices(benchmark::State& state) {
  platform::SdlInput sdl(AlwaysFocused);
  platform::Install(platform::Components{&gClock, &gDialog, &gWindow, &sdl});
  SDL_Joystick* pad = nullptr;
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) == 0 &&
      SDL_NumJoysticks() == 0) {
    pad = SDL_JoystickOpen(SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, 4, 12, 0));
  }
  {
    InputN::ExternalInputC input;
    input.Create(&gWindow);
    state.SetLabel(input.JoyStickUsed() ? "with joystick" : "without joystick");
    for (auto _ : state) {
      input.Update();
      benchmark::DoNotOptimize(input.mKeyFrames.data());
    }
  }
  if (pad) {
    SDL_JoystickClose(pad);
    SDL_JoystickDetachVirtual(0);
  }
}
BENCHMARK(BM_UpdateOnSdlDevices);

// Not part of Update: SDL's joystick update, which the window's event pump runs once per
// frame anyway (mostly a poll of the device monitor for newly attached controllers).
void BM_SdlJoystickUpdateOfTheEventPump(benchmark::State& state) {
  SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
  for (auto _ : state) SDL_JoystickUpdate();
}
BENCHMARK(BM_SdlJoystickUpdateOfTheEventPump);

}  // namespace

BENCHMARK_MAIN();
