// The SDL input backend without a window system: the scancode table against DirectInput's
// published key codes, SDL virtual joysticks, and events gathered between two updates.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "input/ExternalInputC.h"
#include "platform/input/sdl/ScancodeTable.h"
#include "platform/input/sdl/SdlInput.h"
#include "unit/HostFixture.h"

using namespace InputN;

namespace {

struct PublishedKey {
  const char* name;
  int code;                             // as dinput.h defines it
  std::vector<SDL_Scancode> scancodes;  // the SDL keys that are this key; none for PC-98 keys
};

// Every key code dinput.h names (DirectInput 8), in its order.
const std::vector<PublishedKey>& PublishedKeys() {
  static const std::vector<PublishedKey> keys = {
      {"DIK_ESCAPE", 0x01, {SDL_SCANCODE_ESCAPE}},
      {"DIK_1", 0x02, {SDL_SCANCODE_1}},
      {"DIK_2", 0x03, {SDL_SCANCODE_2}},
      {"DIK_3", 0x04, {SDL_SCANCODE_3}},
      {"DIK_4", 0x05, {SDL_SCANCODE_4}},
      {"DIK_5", 0x06, {SDL_SCANCODE_5}},
      {"DIK_6", 0x07, {SDL_SCANCODE_6}},
      {"DIK_7", 0x08, {SDL_SCANCODE_7}},
      {"DIK_8", 0x09, {SDL_SCANCODE_8}},
      {"DIK_9", 0x0A, {SDL_SCANCODE_9}},
      {"DIK_0", 0x0B, {SDL_SCANCODE_0}},
      {"DIK_MINUS", 0x0C, {SDL_SCANCODE_MINUS}},
      {"DIK_EQUALS", 0x0D, {SDL_SCANCODE_EQUALS}},
      {"DIK_BACK", 0x0E, {SDL_SCANCODE_BACKSPACE}},
      {"DIK_TAB", 0x0F, {SDL_SCANCODE_TAB}},
      {"DIK_Q", 0x10, {SDL_SCANCODE_Q}},
      {"DIK_W", 0x11, {SDL_SCANCODE_W}},
      {"DIK_E", 0x12, {SDL_SCANCODE_E}},
      {"DIK_R", 0x13, {SDL_SCANCODE_R}},
      {"DIK_T", 0x14, {SDL_SCANCODE_T}},
      {"DIK_Y", 0x15, {SDL_SCANCODE_Y}},
      {"DIK_U", 0x16, {SDL_SCANCODE_U}},
      {"DIK_I", 0x17, {SDL_SCANCODE_I}},
      {"DIK_O", 0x18, {SDL_SCANCODE_O}},
      {"DIK_P", 0x19, {SDL_SCANCODE_P}},
      {"DIK_LBRACKET", 0x1A, {SDL_SCANCODE_LEFTBRACKET}},
      {"DIK_RBRACKET", 0x1B, {SDL_SCANCODE_RIGHTBRACKET}},
      {"DIK_RETURN", 0x1C, {SDL_SCANCODE_RETURN}},
      {"DIK_LCONTROL", 0x1D, {SDL_SCANCODE_LCTRL}},
      {"DIK_A", 0x1E, {SDL_SCANCODE_A}},
      {"DIK_S", 0x1F, {SDL_SCANCODE_S}},
      {"DIK_D", 0x20, {SDL_SCANCODE_D}},
      {"DIK_F", 0x21, {SDL_SCANCODE_F}},
      {"DIK_G", 0x22, {SDL_SCANCODE_G}},
      {"DIK_H", 0x23, {SDL_SCANCODE_H}},
      {"DIK_J", 0x24, {SDL_SCANCODE_J}},
      {"DIK_K", 0x25, {SDL_SCANCODE_K}},
      {"DIK_L", 0x26, {SDL_SCANCODE_L}},
      {"DIK_SEMICOLON", 0x27, {SDL_SCANCODE_SEMICOLON}},
      {"DIK_APOSTROPHE", 0x28, {SDL_SCANCODE_APOSTROPHE}},
      {"DIK_GRAVE", 0x29, {SDL_SCANCODE_GRAVE}},
      {"DIK_LSHIFT", 0x2A, {SDL_SCANCODE_LSHIFT}},
      {"DIK_BACKSLASH", 0x2B, {SDL_SCANCODE_BACKSLASH, SDL_SCANCODE_NONUSHASH}},
      {"DIK_Z", 0x2C, {SDL_SCANCODE_Z}},
      {"DIK_X", 0x2D, {SDL_SCANCODE_X}},
      {"DIK_C", 0x2E, {SDL_SCANCODE_C}},
      {"DIK_V", 0x2F, {SDL_SCANCODE_V}},
      {"DIK_B", 0x30, {SDL_SCANCODE_B}},
      {"DIK_N", 0x31, {SDL_SCANCODE_N}},
      {"DIK_M", 0x32, {SDL_SCANCODE_M}},
      {"DIK_COMMA", 0x33, {SDL_SCANCODE_COMMA}},
      {"DIK_PERIOD", 0x34, {SDL_SCANCODE_PERIOD}},
      {"DIK_SLASH", 0x35, {SDL_SCANCODE_SLASH}},
      {"DIK_RSHIFT", 0x36, {SDL_SCANCODE_RSHIFT}},
      {"DIK_MULTIPLY", 0x37, {SDL_SCANCODE_KP_MULTIPLY}},
      {"DIK_LMENU", 0x38, {SDL_SCANCODE_LALT}},
      {"DIK_SPACE", 0x39, {SDL_SCANCODE_SPACE}},
      {"DIK_CAPITAL", 0x3A, {SDL_SCANCODE_CAPSLOCK}},
      {"DIK_F1", 0x3B, {SDL_SCANCODE_F1}},
      {"DIK_F2", 0x3C, {SDL_SCANCODE_F2}},
      {"DIK_F3", 0x3D, {SDL_SCANCODE_F3}},
      {"DIK_F4", 0x3E, {SDL_SCANCODE_F4}},
      {"DIK_F5", 0x3F, {SDL_SCANCODE_F5}},
      {"DIK_F6", 0x40, {SDL_SCANCODE_F6}},
      {"DIK_F7", 0x41, {SDL_SCANCODE_F7}},
      {"DIK_F8", 0x42, {SDL_SCANCODE_F8}},
      {"DIK_F9", 0x43, {SDL_SCANCODE_F9}},
      {"DIK_F10", 0x44, {SDL_SCANCODE_F10}},
      {"DIK_NUMLOCK", 0x45, {SDL_SCANCODE_NUMLOCKCLEAR}},
      {"DIK_SCROLL", 0x46, {SDL_SCANCODE_SCROLLLOCK}},
      {"DIK_NUMPAD7", 0x47, {SDL_SCANCODE_KP_7}},
      {"DIK_NUMPAD8", 0x48, {SDL_SCANCODE_KP_8}},
      {"DIK_NUMPAD9", 0x49, {SDL_SCANCODE_KP_9}},
      {"DIK_SUBTRACT", 0x4A, {SDL_SCANCODE_KP_MINUS}},
      {"DIK_NUMPAD4", 0x4B, {SDL_SCANCODE_KP_4}},
      {"DIK_NUMPAD5", 0x4C, {SDL_SCANCODE_KP_5}},
      {"DIK_NUMPAD6", 0x4D, {SDL_SCANCODE_KP_6}},
      {"DIK_ADD", 0x4E, {SDL_SCANCODE_KP_PLUS}},
      {"DIK_NUMPAD1", 0x4F, {SDL_SCANCODE_KP_1}},
      {"DIK_NUMPAD2", 0x50, {SDL_SCANCODE_KP_2}},
      {"DIK_NUMPAD3", 0x51, {SDL_SCANCODE_KP_3}},
      {"DIK_NUMPAD0", 0x52, {SDL_SCANCODE_KP_0}},
      {"DIK_DECIMAL", 0x53, {SDL_SCANCODE_KP_PERIOD}},
      {"DIK_OEM_102", 0x56, {SDL_SCANCODE_NONUSBACKSLASH}},
      {"DIK_F11", 0x57, {SDL_SCANCODE_F11}},
      {"DIK_F12", 0x58, {SDL_SCANCODE_F12}},
      {"DIK_F13", 0x64, {SDL_SCANCODE_F13}},
      {"DIK_F14", 0x65, {SDL_SCANCODE_F14}},
      {"DIK_F15", 0x66, {SDL_SCANCODE_F15}},
      {"DIK_KANA", 0x70, {SDL_SCANCODE_INTERNATIONAL2, SDL_SCANCODE_LANG3, SDL_SCANCODE_LANG4}},
      {"DIK_ABNT_C1", 0x73, {SDL_SCANCODE_INTERNATIONAL1}},
      {"DIK_CONVERT", 0x79, {SDL_SCANCODE_INTERNATIONAL4}},
      {"DIK_NOCONVERT", 0x7B, {SDL_SCANCODE_INTERNATIONAL5}},
      {"DIK_YEN", 0x7D, {SDL_SCANCODE_INTERNATIONAL3}},
      {"DIK_ABNT_C2", 0x7E, {}},
      {"DIK_NUMPADEQUALS", 0x8D, {SDL_SCANCODE_KP_EQUALS}},
      {"DIK_PREVTRACK", 0x90, {SDL_SCANCODE_AUDIOPREV}},
      {"DIK_AT", 0x91, {}},
      {"DIK_COLON", 0x92, {}},
      {"DIK_UNDERLINE", 0x93, {}},
      {"DIK_KANJI", 0x94, {SDL_SCANCODE_LANG5}},
      {"DIK_STOP", 0x95, {SDL_SCANCODE_STOP}},
      {"DIK_AX", 0x96, {}},
      {"DIK_UNLABELED", 0x97, {}},
      {"DIK_NEXTTRACK", 0x99, {SDL_SCANCODE_AUDIONEXT}},
      {"DIK_NUMPADENTER", 0x9C, {SDL_SCANCODE_KP_ENTER}},
      {"DIK_RCONTROL", 0x9D, {SDL_SCANCODE_RCTRL}},
      {"DIK_MUTE", 0xA0, {SDL_SCANCODE_MUTE, SDL_SCANCODE_AUDIOMUTE}},
      {"DIK_CALCULATOR", 0xA1, {SDL_SCANCODE_CALCULATOR}},
      {"DIK_PLAYPAUSE", 0xA2, {SDL_SCANCODE_AUDIOPLAY}},
      {"DIK_MEDIASTOP", 0xA4, {SDL_SCANCODE_AUDIOSTOP}},
      {"DIK_VOLUMEDOWN", 0xAE, {SDL_SCANCODE_VOLUMEDOWN}},
      {"DIK_VOLUMEUP", 0xB0, {SDL_SCANCODE_VOLUMEUP}},
      {"DIK_WEBHOME", 0xB2, {SDL_SCANCODE_AC_HOME}},
      {"DIK_NUMPADCOMMA", 0xB3, {SDL_SCANCODE_KP_COMMA}},
      {"DIK_DIVIDE", 0xB5, {SDL_SCANCODE_KP_DIVIDE}},
      {"DIK_SYSRQ", 0xB7, {SDL_SCANCODE_PRINTSCREEN, SDL_SCANCODE_SYSREQ}},
      {"DIK_RMENU", 0xB8, {SDL_SCANCODE_RALT}},
      {"DIK_PAUSE", 0xC5, {SDL_SCANCODE_PAUSE}},
      {"DIK_HOME", 0xC7, {SDL_SCANCODE_HOME}},
      {"DIK_UP", 0xC8, {SDL_SCANCODE_UP}},
      {"DIK_PRIOR", 0xC9, {SDL_SCANCODE_PAGEUP}},
      {"DIK_LEFT", 0xCB, {SDL_SCANCODE_LEFT}},
      {"DIK_RIGHT", 0xCD, {SDL_SCANCODE_RIGHT}},
      {"DIK_END", 0xCF, {SDL_SCANCODE_END}},
      {"DIK_DOWN", 0xD0, {SDL_SCANCODE_DOWN}},
      {"DIK_NEXT", 0xD1, {SDL_SCANCODE_PAGEDOWN}},
      {"DIK_INSERT", 0xD2, {SDL_SCANCODE_INSERT}},
      {"DIK_DELETE", 0xD3, {SDL_SCANCODE_DELETE}},
      {"DIK_LWIN", 0xDB, {SDL_SCANCODE_LGUI}},
      {"DIK_RWIN", 0xDC, {SDL_SCANCODE_RGUI}},
      {"DIK_APPS", 0xDD, {SDL_SCANCODE_APPLICATION}},
      {"DIK_POWER", 0xDE, {SDL_SCANCODE_POWER}},
      {"DIK_SLEEP", 0xDF, {SDL_SCANCODE_SLEEP}},
      {"DIK_WAKE", 0xE3, {}},
      {"DIK_WEBSEARCH", 0xE5, {SDL_SCANCODE_AC_SEARCH}},
      {"DIK_WEBFAVORITES", 0xE6, {SDL_SCANCODE_AC_BOOKMARKS}},
      {"DIK_WEBREFRESH", 0xE7, {SDL_SCANCODE_AC_REFRESH}},
      {"DIK_WEBSTOP", 0xE8, {SDL_SCANCODE_AC_STOP}},
      {"DIK_WEBFORWARD", 0xE9, {SDL_SCANCODE_AC_FORWARD}},
      {"DIK_WEBBACK", 0xEA, {SDL_SCANCODE_AC_BACK}},
      {"DIK_MYCOMPUTER", 0xEB, {SDL_SCANCODE_COMPUTER}},
      {"DIK_MAIL", 0xEC, {SDL_SCANCODE_MAIL}},
      {"DIK_MEDIASELECT", 0xED, {SDL_SCANCODE_MEDIASELECT}},
  };
  return keys;
}

TEST(ScancodeTable, MatchesDirectInputKeyCodes) {
  std::set<int> published;
  for (const PublishedKey& key : PublishedKeys()) {
    published.insert(key.code);
    for (const SDL_Scancode scancode : key.scancodes) {
      EXPECT_EQ(platform::DikFromScancode(scancode), key.code)
          << key.name << " from " << SDL_GetScancodeName(scancode);
    }
  }
  EXPECT_EQ(PublishedKeys().size(), 144u);
  // Nothing else: every scancode gives 0 or a published code, and the keys listed
  // without a scancode (PC-98, Japan AX, J3100, wake) are reached by none.
  std::set<int> reached;
  for (int s = 0; s < SDL_NUM_SCANCODES; ++s) {
    const int code = platform::DikFromScancode(static_cast<SDL_Scancode>(s));
    if (code == 0) continue;
    EXPECT_TRUE(published.count(code)) << SDL_GetScancodeName(static_cast<SDL_Scancode>(s));
    reached.insert(code);
  }
  for (const PublishedKey& key : PublishedKeys()) {
    EXPECT_EQ(reached.count(key.code), key.scancodes.empty() ? 0u : 1u) << key.name;
  }
  for (const auto& [scancode, code] : platform::MappedScancodes()) {
    EXPECT_EQ(platform::DikFromScancode(scancode), code);
  }
}

// Reads succeed while this says so: these tests have no window to focus.
bool gFocused = true;
bool TestFocus(SDL_Window*) {
  return gFocused;
}

class SdlInputTest : public hinoki_test::HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    // SDL joins the session bus when a subsystem starts. These tests need no bus, and
    // without one libdbus tries to launch a bus through X and leaks what the leak checker
    // of the sanitizer build reports.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);
    gFocused = true;
    platform::Install({&Clock(), &Dialog(), &Window(), &sdl_});
  }
  void TearDown() override {
    for (const SDL_JoystickID id : attached_) {
      for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
      }
    }
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    HostFixture::TearDown();
  }

  // Attaches a virtual joystick and opens it for the test to move; null when SDL has no
  // joystick support or a real one is attached (it would be the first).
  SDL_Joystick* Attach(SDL_JoystickType type, int axes, int buttons) {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) != 0) return nullptr;
    if (SDL_NumJoysticks() != 0) return nullptr;
    const int index = SDL_JoystickAttachVirtual(type, axes, buttons, 0);
    if (index < 0) return nullptr;
    attached_.push_back(SDL_JoystickGetDeviceInstanceID(index));
    return SDL_JoystickOpen(index);
  }

  void Push(Uint32 type, SDL_Scancode scancode) {
    SDL_Event event{};
    event.type = type;
    event.key.keysym.scancode = scancode;
    SDL_PushEvent(&event);
  }

  // One frame of the game: its window pumps SDL's events, which updates joysticks, then
  // input is read.
  static void Pump(ExternalInputC& input) {
    SDL_JoystickUpdate();
    input.Update();
  }

  platform::SdlInput sdl_{TestFocus};
  std::vector<SDL_JoystickID> attached_;
};

TEST_F(SdlInputTest, JoystickAxesAreScaledAndButtonsCounted) {
  SDL_Joystick* pad = Attach(SDL_JOYSTICK_TYPE_UNKNOWN, 4, 12);
  if (!pad) GTEST_SKIP() << "no virtual joystick (or a real one is attached)";
  ExternalInputC input;
  ASSERT_TRUE(input.Create(nullptr));
  ASSERT_TRUE(input.JoyStickUsed());

  struct Case {
    Sint16 x, z, rz;
    int leftH, rightH, rightV;
  };
  // Right stick: raw = SDL value + 32768, so -1 is DirectInput's rest 32767; left stick:
  // 0 within 25 % of the centre, then stretched to reach the end of the range.
  const Case cases[] = {{0, -1, -32768, 0, 0, -1000},
                        {8000, 32767, -1, 0, 1000, 0},
                        {-8000, -1, 0, 0, 0, 0},
                        {16384, 0, 0, 333, 0, 0},
                        {32767, -32768, 32767, 1000, -1000, 1000},
                        {-32768, 0, 0, -1000, 0, 0}};
  for (const Case& c : cases) {
    SDL_JoystickSetVirtualAxis(pad, 0, c.x);
    SDL_JoystickSetVirtualAxis(pad, 1, c.x);
    SDL_JoystickSetVirtualAxis(pad, 2, c.z);
    SDL_JoystickSetVirtualAxis(pad, 3, c.rz);
    Pump(input);
    EXPECT_EQ(input.GetJoyStickState(J_LEFT_H), c.leftH) << c.x;
    EXPECT_EQ(input.GetJoyStickState(J_LEFT_V), c.leftH) << c.x;
    EXPECT_EQ(input.GetJoyStickState(J_RIGHT_H), c.rightH) << c.z;
    EXPECT_EQ(input.GetJoyStickState(J_RIGHT_V), c.rightV) << c.rz;
  }

  SDL_JoystickSetVirtualButton(pad, 0, SDL_PRESSED);
  SDL_JoystickSetVirtualButton(pad, 11, SDL_PRESSED);
  Pump(input);
  Pump(input);
  EXPECT_EQ(input.GetJoyStickState(J_1), 2);
  EXPECT_EQ(input.GetJoyStickState(J_12), 2);
  gFocused = false;
  Pump(input);
  EXPECT_EQ(input.GetJoyStickState(J_1), 0);
  EXPECT_EQ(input.GetJoyStickState(J_LEFT_H), 0);
  gFocused = true;
  SDL_JoystickSetVirtualButton(pad, 11, SDL_RELEASED);
  Pump(input);
  EXPECT_EQ(input.GetJoyStickState(J_1), 1);
  EXPECT_EQ(input.GetJoyStickState(J_12), 0);
  SDL_JoystickClose(pad);
}

TEST_F(SdlInputTest, GameControllerIsReadThroughItsMapping) {
  SDL_Joystick* pad = Attach(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15);
  if (!pad) GTEST_SKIP() << "no virtual joystick (or a real one is attached)";
  ASSERT_TRUE(SDL_IsGameController(0));
  ExternalInputC input;
  ASSERT_TRUE(input.Create(nullptr));
  // SDL's virtual controller: buttons a, b, x, y, back, guide, start, ...; axes leftx,
  // lefty, rightx, righty, lefttrigger, righttrigger.
  SDL_JoystickSetVirtualButton(pad, 0, SDL_PRESSED);  // A: J_1
  SDL_JoystickSetVirtualButton(pad, 6, SDL_PRESSED);  // start: J_8
  SDL_JoystickSetVirtualAxis(pad, 2, 32767);          // right stick right
  SDL_JoystickSetVirtualAxis(pad, 3, -32768);         // right stick up
  SDL_JoystickSetVirtualAxis(pad, 4, 32767);          // left trigger: J_11
  Pump(input);
  EXPECT_EQ(input.GetJoyStickState(J_1), 1);
  EXPECT_EQ(input.GetJoyStickState(J_8), 1);
  EXPECT_EQ(input.GetJoyStickState(J_11), 1);
  EXPECT_EQ(input.GetJoyStickState(J_RIGHT_H), 1000);
  EXPECT_EQ(input.GetJoyStickState(J_RIGHT_V), -1000);
  EXPECT_EQ(input.GetJoyStickState(J_LEFT_H), 0);
  SDL_JoystickClose(pad);
}

TEST_F(SdlInputTest, WithoutJoystickNothingIsUsed) {
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0 && SDL_NumJoysticks() != 0) {
    GTEST_SKIP() << "a joystick is attached";
  }
  BaseN::GetIniSettings().mDebugMode = true;
  testing::internal::CaptureStdout();
  ExternalInputC input;
  EXPECT_TRUE(input.Create(nullptr));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "*** ジョイスティックデバイスを作成しませんでした ***\n");
  input.Update();
  EXPECT_FALSE(input.JoyStickUsed());
  for (int i = 0; i < 16; ++i) EXPECT_EQ(input.GetJoyStickState(i), 0) << i;
}

TEST_F(SdlInputTest, TapsAndWheelBetweenUpdatesAreSeenOnce) {
  ExternalInputC input;
  ASSERT_TRUE(input.Create(nullptr));
  Push(SDL_KEYDOWN, SDL_SCANCODE_A);
  Push(SDL_KEYUP, SDL_SCANCODE_A);
  SDL_Event wheel{};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.y = 1;
  wheel.wheel.preciseY = 1.0f;
  SDL_PushEvent(&wheel);
  SDL_Event click{};
  click.type = SDL_MOUSEBUTTONDOWN;
  click.button.button = SDL_BUTTON_RIGHT;
  SDL_PushEvent(&click);
  SDL_Event motion{};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.xrel = 4;
  motion.motion.yrel = -2;
  SDL_PushEvent(&motion);
  SDL_PushEvent(&motion);
  input.Update();
  EXPECT_EQ(input.GetPressedKey(K_A), 1u);
  EXPECT_EQ(input.GetMouseState(M_WHEEL), 120);
  EXPECT_EQ(input.GetMouseState(M_RIGHT), 1);
  EXPECT_EQ(input.GetMouseState(M_HORIZOTAL), 8);
  EXPECT_EQ(input.GetMouseState(M_VERTICAL), -4);
  input.Update();
  EXPECT_EQ(input.GetPressedKey(K_A), 0u);
  EXPECT_EQ(input.GetMouseState(M_WHEEL), 0);
  EXPECT_EQ(input.GetMouseState(M_RIGHT), 0);
  EXPECT_EQ(input.GetMouseState(M_HORIZOTAL), 0);

  // What happens without the focus is dropped, not delivered when it returns.
  gFocused = false;
  Push(SDL_KEYDOWN, SDL_SCANCODE_A);
  SDL_PushEvent(&wheel);
  input.Update();
  EXPECT_EQ(input.GetPressedKey(K_A), 0u);
  gFocused = true;
  input.Update();
  EXPECT_EQ(input.GetPressedKey(K_A), 0u);
  EXPECT_EQ(input.GetMouseState(M_WHEEL), 0);
}

}  // namespace
