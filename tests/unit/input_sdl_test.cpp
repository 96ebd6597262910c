// The SDL input backend without a window system: the scancode table against DirectInput's
// published key codes, SDL virtual joysticks, and events gathered between two updates.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

#include "input/ExternalInputC.h"
#include "platform/input/sdl/ScancodeTable.h"
#include "platform/input/sdl/SdlInput.h"
#include "unit/HostFixture.h"

using namespace InputN;

namespace {

struct PublishedKey {
  const char* name;                     // dinput.h's name without DIK_
  int code;                             // as dinput.h defines it
  std::vector<SDL_Scancode> scancodes;  // the SDL keys that are this key; none for PC-98 keys
};

// Every key code dinput.h names (DirectInput 8), in its order.
#define S(name) SDL_SCANCODE_##name
const std::vector<PublishedKey>& PublishedKeys() {
  static const std::vector<PublishedKey> keys = {
      // clang-format off
      {"ESCAPE", 0x01, {S(ESCAPE)}}, {"1", 0x02, {S(1)}}, {"2", 0x03, {S(2)}}, {"3", 0x04, {S(3)}},
      {"4", 0x05, {S(4)}}, {"5", 0x06, {S(5)}}, {"6", 0x07, {S(6)}}, {"7", 0x08, {S(7)}},
      {"8", 0x09, {S(8)}}, {"9", 0x0A, {S(9)}}, {"0", 0x0B, {S(0)}}, {"MINUS", 0x0C, {S(MINUS)}},
      {"EQUALS", 0x0D, {S(EQUALS)}}, {"BACK", 0x0E, {S(BACKSPACE)}}, {"TAB", 0x0F, {S(TAB)}},
      {"Q", 0x10, {S(Q)}}, {"W", 0x11, {S(W)}}, {"E", 0x12, {S(E)}}, {"R", 0x13, {S(R)}},
      {"T", 0x14, {S(T)}}, {"Y", 0x15, {S(Y)}}, {"U", 0x16, {S(U)}}, {"I", 0x17, {S(I)}},
      {"O", 0x18, {S(O)}}, {"P", 0x19, {S(P)}}, {"LBRACKET", 0x1A, {S(LEFTBRACKET)}},
      {"RBRACKET", 0x1B, {S(RIGHTBRACKET)}}, {"RETURN", 0x1C, {S(RETURN)}},
      {"LCONTROL", 0x1D, {S(LCTRL)}}, {"A", 0x1E, {S(A)}}, {"S", 0x1F, {S(S)}}, {"D", 0x20, {S(D)}},
      {"F", 0x21, {S(F)}}, {"G", 0x22, {S(G)}}, {"H", 0x23, {S(H)}}, {"J", 0x24, {S(J)}},
      {"K", 0x25, {S(K)}}, {"L", 0x26, {S(L)}}, {"SEMICOLON", 0x27, {S(SEMICOLON)}},
      {"APOSTROPHE", 0x28, {S(APOSTROPHE)}}, {"GRAVE", 0x29, {S(GRAVE)}},
      {"LSHIFT", 0x2A, {S(LSHIFT)}}, {"BACKSLASH", 0x2B, {S(BACKSLASH), S(NONUSHASH)}},
      {"Z", 0x2C, {S(Z)}}, {"X", 0x2D, {S(X)}}, {"C", 0x2E, {S(C)}}, {"V", 0x2F, {S(V)}},
      {"B", 0x30, {S(B)}}, {"N", 0x31, {S(N)}}, {"M", 0x32, {S(M)}}, {"COMMA", 0x33, {S(COMMA)}},
      {"PERIOD", 0x34, {S(PERIOD)}}, {"SLASH", 0x35, {S(SLASH)}}, {"RSHIFT", 0x36, {S(RSHIFT)}},
      {"MULTIPLY", 0x37, {S(KP_MULTIPLY)}}, {"LMENU", 0x38, {S(LALT)}}, {"SPACE", 0x39, {S(SPACE)}},
      {"CAPITAL", 0x3A, {S(CAPSLOCK)}}, {"F1", 0x3B, {S(F1)}}, {"F2", 0x3C, {S(F2)}},
      {"F3", 0x3D, {S(F3)}}, {"F4", 0x3E, {S(F4)}}, {"F5", 0x3F, {S(F5)}}, {"F6", 0x40, {S(F6)}},
      {"F7", 0x41, {S(F7)}}, {"F8", 0x42, {S(F8)}}, {"F9", 0x43, {S(F9)}}, {"F10", 0x44, {S(F10)}},
      {"NUMLOCK", 0x45, {S(NUMLOCKCLEAR)}}, {"SCROLL", 0x46, {S(SCROLLLOCK)}},
      {"NUMPAD7", 0x47, {S(KP_7)}}, {"NUMPAD8", 0x48, {S(KP_8)}}, {"NUMPAD9", 0x49, {S(KP_9)}},
      {"SUBTRACT", 0x4A, {S(KP_MINUS)}}, {"NUMPAD4", 0x4B, {S(KP_4)}}, {"NUMPAD5", 0x4C, {S(KP_5)}},
      {"NUMPAD6", 0x4D, {S(KP_6)}}, {"ADD", 0x4E, {S(KP_PLUS)}}, {"NUMPAD1", 0x4F, {S(KP_1)}},
      {"NUMPAD2", 0x50, {S(KP_2)}}, {"NUMPAD3", 0x51, {S(KP_3)}}, {"NUMPAD0", 0x52, {S(KP_0)}},
      {"DECIMAL", 0x53, {S(KP_PERIOD)}}, {"OEM_102", 0x56, {S(NONUSBACKSLASH)}},
      {"F11", 0x57, {S(F11)}}, {"F12", 0x58, {S(F12)}}, {"F13", 0x64, {S(F13)}},
      {"F14", 0x65, {S(F14)}}, {"F15", 0x66, {S(F15)}},
      {"KANA", 0x70, {S(INTERNATIONAL2), S(LANG3), S(LANG4)}},
      {"ABNT_C1", 0x73, {S(INTERNATIONAL1)}}, {"CONVERT", 0x79, {S(INTERNATIONAL4)}},
      {"NOCONVERT", 0x7B, {S(INTERNATIONAL5)}}, {"YEN", 0x7D, {S(INTERNATIONAL3)}},
      {"ABNT_C2", 0x7E, {}}, {"NUMPADEQUALS", 0x8D, {S(KP_EQUALS)}},
      {"PREVTRACK", 0x90, {S(AUDIOPREV)}}, {"AT", 0x91, {}}, {"COLON", 0x92, {}},
      {"UNDERLINE", 0x93, {}}, {"KANJI", 0x94, {S(LANG5)}}, {"STOP", 0x95, {S(STOP)}},
      {"AX", 0x96, {}}, {"UNLABELED", 0x97, {}}, {"NEXTTRACK", 0x99, {S(AUDIONEXT)}},
      {"NUMPADENTER", 0x9C, {S(KP_ENTER)}}, {"RCONTROL", 0x9D, {S(RCTRL)}},
      {"MUTE", 0xA0, {S(MUTE), S(AUDIOMUTE)}}, {"CALCULATOR", 0xA1, {S(CALCULATOR)}},
      {"PLAYPAUSE", 0xA2, {S(AUDIOPLAY)}}, {"MEDIASTOP", 0xA4, {S(AUDIOSTOP)}},
      {"VOLUMEDOWN", 0xAE, {S(VOLUMEDOWN)}}, {"VOLUMEUP", 0xB0, {S(VOLUMEUP)}},
      {"WEBHOME", 0xB2, {S(AC_HOME)}}, {"NUMPADCOMMA", 0xB3, {S(KP_COMMA)}},
      {"DIVIDE", 0xB5, {S(KP_DIVIDE)}}, {"SYSRQ", 0xB7, {S(PRINTSCREEN), S(SYSREQ)}},
      {"RMENU", 0xB8, {S(RALT)}}, {"PAUSE", 0xC5, {S(PAUSE)}}, {"HOME", 0xC7, {S(HOME)}},
      {"UP", 0xC8, {S(UP)}}, {"PRIOR", 0xC9, {S(PAGEUP)}}, {"LEFT", 0xCB, {S(LEFT)}},
      {"RIGHT", 0xCD, {S(RIGHT)}}, {"END", 0xCF, {S(END)}}, {"DOWN", 0xD0, {S(DOWN)}},
      {"NEXT", 0xD1, {S(PAGEDOWN)}}, {"INSERT", 0xD2, {S(INSERT)}}, {"DELETE", 0xD3, {S(DELETE)}},
      {"LWIN", 0xDB, {S(LGUI)}}, {"RWIN", 0xDC, {S(RGUI)}}, {"APPS", 0xDD, {S(APPLICATION)}},
      {"POWER", 0xDE, {S(POWER)}}, {"SLEEP", 0xDF, {S(SLEEP)}}, {"WAKE", 0xE3, {}},
      {"WEBSEARCH", 0xE5, {S(AC_SEARCH)}}, {"WEBFAVORITES", 0xE6, {S(AC_BOOKMARKS)}},
      {"WEBREFRESH", 0xE7, {S(AC_REFRESH)}}, {"WEBSTOP", 0xE8, {S(AC_STOP)}},
      {"WEBFORWARD", 0xE9, {S(AC_FORWARD)}}, {"WEBBACK", 0xEA, {S(AC_BACK)}},
      {"MYCOMPUTER", 0xEB, {S(COMPUTER)}}, {"MAIL", 0xEC, {S(MAIL)}},
      {"MEDIASELECT", 0xED, {S(MEDIASELECT)}},
      // clang-format on
  };
  return keys;
}
#undef S

TEST(ScancodeTable, MatchesDirectInputKeyCodes) {
  std::set<int> published;
  for (const PublishedKey& key : PublishedKeys()) {
    published.insert(key.code);
    for (const SDL_Scancode scancode : key.scancodes) {
      EXPECT_EQ(platform::DikFromScancode(scancode), key.code)
          << "DIK_" << key.name << " from " << SDL_GetScancodeName(scancode);
    }
  }
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
    EXPECT_EQ(reached.count(key.code), key.scancodes.empty() ? 0u : 1u) << "DIK_" << key.name;
  }
  for (const auto& [scancode, code] : platform::MappedScancodes()) {
    EXPECT_EQ(platform::DikFromScancode(scancode), code);
  }
}

// Reads succeed while this says so: these tests have no window to focus.
bool gFocused = true;

class SdlInputTest : public hinoki_test::HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    // SDL joins the session bus when a subsystem starts; without one, libdbus launches a
    // bus through X and leaks what the sanitizer build reports. These tests need no bus.
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

  // Attaches and opens a virtual joystick; null without support or with a real one attached.
  SDL_Joystick* Attach(SDL_JoystickType type, int axes, int buttons) {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) != 0) return nullptr;
    if (SDL_NumJoysticks() != 0) return nullptr;
    const int index = SDL_JoystickAttachVirtual(type, axes, buttons, 0);
    if (index < 0) return nullptr;
    attached_.push_back(SDL_JoystickGetDeviceInstanceID(index));
    return SDL_JoystickOpen(index);
  }

  // One frame: the window pumps SDL's events, which updates joysticks; then input is read.
  static void Pump(ExternalInputC& input) {
    SDL_JoystickUpdate();
    input.Update();
  }

  platform::SdlInput sdl_{[](SDL_Window*) { return gFocused; }};
  std::vector<SDL_JoystickID> attached_;
};

TEST_F(SdlInputTest, JoystickAxesAreScaledAndButtonsCounted) {
  SDL_Joystick* pad = Attach(SDL_JOYSTICK_TYPE_UNKNOWN, 4, 12);
  if (!pad) GTEST_SKIP() << "no virtual joystick (or a real one is attached)";
  ExternalInputC input;
  ASSERT_TRUE(input.Create(nullptr));
  ASSERT_TRUE(input.JoyStickUsed());

  // SDL axes x, y, z, rz and the readings J_LEFT_H, J_LEFT_V, J_RIGHT_H, J_RIGHT_V. Right
  // stick: raw = SDL value + 32768, so -1 is DirectInput's rest 32767; left stick: 0 within
  // 25 % of the centre, then stretched to reach the end of the range.
  const struct {
    Sint16 axes[4];
    int expected[4];
  } cases[] = {{{0, 0, -1, -32768}, {0, 0, 0, -1000}},
               {{8000, 8000, 32767, -1}, {0, 0, 1000, 0}},
               {{-8000, -8000, -1, 0}, {0, 0, 0, 0}},
               {{16384, 16384, 0, 0}, {333, 333, 0, 0}},
               {{32767, 32767, -32768, 32767}, {1000, 1000, -1000, 1000}},
               {{-32768, -32768, 0, 0}, {-1000, -1000, 0, 0}}};
  for (const auto& c : cases) {
    for (int axis = 0; axis < 4; ++axis) SDL_JoystickSetVirtualAxis(pad, axis, c.axes[axis]);
    Pump(input);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(input.GetJoyStickState(J_LEFT_H + i), c.expected[i]) << i << ": " << c.axes[i];
    }
  }

  SDL_JoystickSetVirtualButton(pad, 11, SDL_PRESSED);
  Pump(input);
  Pump(input);
  EXPECT_EQ(input.GetJoyStickState(J_12), 2);
  gFocused = false;  // the read fails: everything 0, counting starts again
  Pump(input);
  EXPECT_EQ(input.GetJoyStickState(J_12), 0);
  EXPECT_EQ(input.GetJoyStickState(J_LEFT_H), 0);
  gFocused = true;
  Pump(input);
  EXPECT_EQ(input.GetJoyStickState(J_12), 1);
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
  SDL_Event down{}, up{}, wheel{}, click{}, motion{};
  down.type = SDL_KEYDOWN;
  down.key.keysym.scancode = SDL_SCANCODE_A;
  up = down;
  up.type = SDL_KEYUP;
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.y = 1;
  wheel.wheel.preciseY = 1.0f;
  click.type = SDL_MOUSEBUTTONDOWN;
  click.button.button = SDL_BUTTON_RIGHT;
  motion.type = SDL_MOUSEMOTION;
  motion.motion.xrel = 4;
  motion.motion.yrel = -2;
  for (SDL_Event* event : {&down, &up, &wheel, &click, &motion, &motion}) SDL_PushEvent(event);
  input.Update();
  EXPECT_EQ(input.GetPressedKey(K_A), 1u);
  EXPECT_EQ(input.GetMouseState(M_WHEEL), 120);
  EXPECT_EQ(input.GetMouseState(M_RIGHT), 1);
  EXPECT_EQ(input.GetMouseState(M_HORIZOTAL), 8);
  EXPECT_EQ(input.GetMouseState(M_VERTICAL), -4);
  input.Update();
  EXPECT_EQ(input.GetPressedKey(K_A) + input.GetMouseState(M_WHEEL) + input.GetMouseState(M_RIGHT) +
                input.GetMouseState(M_HORIZOTAL),
            0u);

  // What happens without the focus is dropped, not delivered when it returns.
  gFocused = false;
  for (SDL_Event* event : {&down, &wheel}) SDL_PushEvent(event);
  input.Update();
  EXPECT_EQ(input.GetPressedKey(K_A), 0u);
  gFocused = true;
  input.Update();
  EXPECT_EQ(input.GetPressedKey(K_A), 0u);
  EXPECT_EQ(input.GetMouseState(M_WHEEL), 0);
}

}  // namespace
