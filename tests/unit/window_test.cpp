// The game window's placement and aspect rules, the window object driven through a fake
// window system, and the conversion of script numbers used for window sizes.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <limits>

#include "base/MainWindowC.h"
#include "base/Startup.h"
#include "base/WindowGeometry.h"
#include "platform/Platform.h"
#include "platform/clock/fake/FakeClock.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/window/fake/FakeWindow.h"

using namespace BaseN;
using platform::FrameBorders;
using platform::ScreenRect;

namespace {

// Rectangles compared as left, top, right, bottom, which gtest can print.
using Edges = std::array<int, 4>;
Edges E(const ScreenRect& r) {
  return {r.left, r.top, r.right, r.bottom};
}

// 640x480 with this frame is 648x507 framed, the ratio a drag has to keep.
constexpr FrameBorders kFrame{4, 23, 4, 4};

// Expects a drag of each edge in `edges` that made `dragged` to end as `kept`.
void ExpectKept(std::initializer_list<int> edges, const ScreenRect& dragged, const Edges& kept) {
  for (int edge : edges) {
    EXPECT_EQ(E(KeepAspectOnSizing(edge, 640, 480, kFrame, dragged)), kept) << edge;
  }
}

}  // namespace

TEST(WindowAspect, SidesChangeTheOtherDimensionCornersKeepTheDominantOne) {
  // 800 wide: 800 * 507 / 648 = 625.9 high; 500 high: 500 * 648 / 507 = 639.05 wide.
  const ScreenRect side{100, 100, 900, 600};
  ExpectKept({kSizingLeft, kSizingRight}, side, {100, 100, 900, 725});
  ExpectKept({kSizingTop, kSizingBottom}, side, {100, 100, 739, 600});
  ExpectKept({kSizingNone, 9}, side, E(side));
  // Wider than 648:507: the width stays, the height follows, the opposite corner stays.
  const ScreenRect wide{1000, 1000, 1648, 1400}, tall{1000, 1000, 1500, 1507};
  ExpectKept({kSizingTopLeft, kSizingTopRight}, wide, {1000, 893, 1648, 1400});
  ExpectKept({kSizingBottomLeft, kSizingBottomRight}, wide, {1000, 1000, 1648, 1507});
  // Taller than 648:507, so the height stays and the width follows.
  ExpectKept({kSizingTopLeft, kSizingBottomLeft}, tall, {852, 1000, 1500, 1507});
  ExpectKept({kSizingTopRight, kSizingBottomRight}, tall, {1000, 1000, 1648, 1507});
  // 0x0 with no frame has no ratio; the drag must stay as the user made it.
  for (int edge = 1; edge <= 8; ++edge) {
    EXPECT_EQ(E(KeepAspectOnSizing(edge, 0, 0, FrameBorders{}, side)), E(side)) << edge;
  }
}

TEST(WindowAspect, DraggedEdgeFromBeforeAndAfter) {
  const ScreenRect before{100, 100, 900, 700};
  // clang-format off
  const std::pair<ScreenRect, int> cases[] = {
      {{50, 100, 900, 700}, kSizingLeft},       {{100, 100, 950, 700}, kSizingRight},
      {{100, 50, 900, 700}, kSizingTop},        {{100, 100, 900, 750}, kSizingBottom},
      {{50, 50, 900, 700}, kSizingTopLeft},     {{100, 50, 950, 700}, kSizingTopRight},
      {{50, 100, 900, 750}, kSizingBottomLeft}, {{100, 100, 950, 750}, kSizingBottomRight},
      {{150, 150, 950, 750}, kSizingNone},      {before, kSizingNone}};  // moved; unchanged
  // clang-format on
  for (const auto& [after, edge] : cases) EXPECT_EQ(DraggedEdge(before, after), edge) << edge;
}

TEST(WindowPlacement, CentredOnTheWorkAreaWithTheFrameAndShiftedByOffsets) {
  const ScreenRect work{0, 0, 1920, 1040};
  // x = 960 - (648 >> 1), y = 520 - (507 >> 1)
  EXPECT_EQ(E(PlaceWindow(work, kFrame, 640, 480, 0, 0)), (Edges{636, 267, 1276, 747}));
  EXPECT_EQ(E(PlaceWindow(work, kFrame, 640, 480, 10, -20)), (Edges{646, 247, 1286, 727}));
  EXPECT_EQ(E(PlaceWindow(work, FrameBorders{}, 800, 600, 0, 0)), (Edges{560, 220, 1360, 820}));
}

TEST(MainWindow, CreateShowResizeAndClose) {
  // The window object lives for the whole process, so the fakes it points at must too.
  static platform::FakeWindow window;
  static platform::FakeClock clock;
  static platform::FakeDialog dialog;
  window = platform::FakeWindow();  // a repeated run starts from a window never created
  platform::Install(platform::Components{&clock, &dialog, &window});
  MainWindowC& main = MainWindowC::GetInstance();
  ASSERT_EQ(main.mWindowHandle, nullptr);

  ASSERT_EQ(main.Create("Game", 640, 480, 0, 0, true), &window);
  EXPECT_EQ(window.mTitle, "Game");
  EXPECT_TRUE(window.mWindowed);
  EXPECT_FALSE(window.mVisible);  // shown only after the game's initialisation
  EXPECT_EQ(E(window.mOuter), (Edges{636, 267, 1276, 747}));
  main.Show();
  EXPECT_TRUE(window.mVisible);
  // A second Create returns the window as it is.
  EXPECT_EQ(main.Create("Other", 320, 240, 5, 5, false), &window);
  EXPECT_EQ(window.mCreateCount, 1);
  EXPECT_EQ(window.mTitle, "Game");

  // Dragging the right edge to 800 wide: the height follows at 648:507.
  main.WindowProcedure(platform::WindowMessage{platform::WindowMessageKind::kResized,
                                               ScreenRect{636, 267, 1436, 747}, window.mOuter});
  EXPECT_EQ(E(window.mOuter), (Edges{636, 267, 1436, 892}));
  main.WindowProcedure(platform::WindowMessage{});  // neither close nor resize
  EXPECT_TRUE(window.mExists);
  EXPECT_FALSE(window.mQuitPosted);
  main.WindowProcedure(platform::WindowMessage{platform::WindowMessageKind::kClose, {}, {}});
  EXPECT_TRUE(window.mClosed);
  EXPECT_FALSE(window.mVisible);
  EXPECT_TRUE(window.mQuitPosted);
}

TEST(ScriptNumbers, TruncateToInt32) {
  EXPECT_EQ(TruncateToInt32(800.9), 800);
  EXPECT_EQ(TruncateToInt32(-0.5), 0);
  EXPECT_EQ(TruncateToInt32(-2.9), -2);
  EXPECT_EQ(TruncateToInt32(1e20), INT_MAX);
  EXPECT_EQ(TruncateToInt32(-1e20), INT_MIN);
  EXPECT_EQ(TruncateToInt32(std::numeric_limits<double>::infinity()), INT_MAX);
  EXPECT_EQ(TruncateToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
}
