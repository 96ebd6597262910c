// The game window's placement and aspect rules, the window object driven through a fake
// window system, and the conversion of script numbers used for window sizes.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <limits>

#include "base/MainWindowC.h"
#include "base/Startup.h"
#include "base/WindowGeometry.h"
#include "platform/Platform.h"
#include "platform/clock/fake/FakeClock.h"
#include "platform/dialog/fake/FakeDialog.h"
#include "platform/window/fake/FakeWindow.h"

using BaseN::DraggedEdge;
using BaseN::KeepAspectOnSizing;
using BaseN::PlaceWindow;
using platform::FrameBorders;
using platform::ScreenRect;

namespace {

// Rectangles compared as left, top, right, bottom, which gtest can print.
using Edges = std::array<int, 4>;
Edges E(const ScreenRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// 640x480 with this frame is 648x507 framed, the ratio a drag has to keep.
constexpr FrameBorders kFrame{4, 23, 4, 4};

ScreenRect Keep(int edge, const ScreenRect& rect) {
    return KeepAspectOnSizing(edge, 640, 480, kFrame, rect);
}

}  // namespace

TEST(WindowAspect, SideDragsChangeOnlyTheOtherDimension) {
    const ScreenRect dragged{100, 100, 900, 600};  // 800 wide: 800 * 507 / 648 = 625.9
    EXPECT_EQ(E(Keep(BaseN::kSizingRight, dragged)), (Edges{100, 100, 900, 725}));
    EXPECT_EQ(E(Keep(BaseN::kSizingLeft, dragged)), (Edges{100, 100, 900, 725}));
    // 500 high: 500 * 648 / 507 = 639.05
    EXPECT_EQ(E(Keep(BaseN::kSizingTop, dragged)), (Edges{100, 100, 739, 600}));
    EXPECT_EQ(E(Keep(BaseN::kSizingBottom, dragged)), (Edges{100, 100, 739, 600}));
}

TEST(WindowAspect, CornersKeepTheDominantDimensionAndTheOppositeCorner) {
    // Wider than 648:507, so the width stays and the height follows (648 wide -> 507 high).
    const ScreenRect wide{1000, 1000, 1648, 1400};
    EXPECT_EQ(E(Keep(BaseN::kSizingTopLeft, wide)), (Edges{1000, 893, 1648, 1400}));
    EXPECT_EQ(E(Keep(BaseN::kSizingTopRight, wide)), (Edges{1000, 893, 1648, 1400}));
    EXPECT_EQ(E(Keep(BaseN::kSizingBottomLeft, wide)), (Edges{1000, 1000, 1648, 1507}));
    EXPECT_EQ(E(Keep(BaseN::kSizingBottomRight, wide)), (Edges{1000, 1000, 1648, 1507}));

    // Taller than 648:507, so the height stays and the width follows (507 high -> 648 wide).
    const ScreenRect tall{1000, 1000, 1500, 1507};
    EXPECT_EQ(E(Keep(BaseN::kSizingTopLeft, tall)), (Edges{852, 1000, 1500, 1507}));
    EXPECT_EQ(E(Keep(BaseN::kSizingTopRight, tall)), (Edges{1000, 1000, 1648, 1507}));
    EXPECT_EQ(E(Keep(BaseN::kSizingBottomLeft, tall)), (Edges{852, 1000, 1500, 1507}));
    EXPECT_EQ(E(Keep(BaseN::kSizingBottomRight, tall)), (Edges{1000, 1000, 1648, 1507}));
}

TEST(WindowAspect, UnknownEdgesAndEmptyConfigurationsLeaveTheRectangle) {
    const ScreenRect rect{100, 100, 900, 600};
    for (int edge : {0, 9, -1}) {
        SCOPED_TRACE(edge);
        EXPECT_EQ(E(Keep(edge, rect)), E(rect));
    }
    // 0x0 with no frame has no ratio; the drag must stay as the user made it.
    for (int edge = 1; edge <= 8; ++edge) {
        SCOPED_TRACE(edge);
        EXPECT_EQ(E(KeepAspectOnSizing(edge, 0, 0, FrameBorders{}, rect)), E(rect));
    }
}

TEST(WindowAspect, DraggedEdgeFromBeforeAndAfter) {
    const ScreenRect before{100, 100, 900, 700};
    struct Case {
        ScreenRect after;
        int edge;
    };
    const Case cases[] = {
        {{50, 100, 900, 700}, BaseN::kSizingLeft},
        {{100, 100, 950, 700}, BaseN::kSizingRight},
        {{100, 50, 900, 700}, BaseN::kSizingTop},
        {{100, 100, 900, 750}, BaseN::kSizingBottom},
        {{50, 50, 900, 700}, BaseN::kSizingTopLeft},
        {{100, 50, 950, 700}, BaseN::kSizingTopRight},
        {{50, 100, 900, 750}, BaseN::kSizingBottomLeft},
        {{100, 100, 950, 750}, BaseN::kSizingBottomRight},
        {{150, 150, 950, 750}, BaseN::kSizingNone},  // moved, not resized
        {before, BaseN::kSizingNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(DraggedEdge(before, c.after), c.edge);
    }
}

TEST(WindowPlacement, CentredOnTheWorkAreaWithTheFrameAndShiftedByOffsets) {
    const ScreenRect work{0, 0, 1920, 1040};
    // x = 960 - (648 >> 1), y = 520 - (507 >> 1)
    EXPECT_EQ(E(PlaceWindow(work, kFrame, 640, 480, 0, 0)), (Edges{636, 267, 1276, 747}));
    EXPECT_EQ(E(PlaceWindow(work, kFrame, 640, 480, 10, -20)), (Edges{646, 247, 1286, 727}));
    EXPECT_EQ(E(PlaceWindow(work, FrameBorders{}, 800, 600, 0, 0)),
              (Edges{560, 220, 1360, 820}));
}

TEST(MainWindow, CreateShowResizeAndClose) {
    // The window object lives for the whole process, so the fakes it points at must too.
    static platform::FakeWindow window;
    static platform::FakeClock clock;
    static platform::FakeDialog dialog;
    window = platform::FakeWindow();  // a repeated run starts from a window never created
    platform::Install(platform::Components{&clock, &dialog, &window});
    BaseN::MainWindowC& main = BaseN::MainWindowC::GetInstance();
    ASSERT_EQ(main.mWindowHandle, nullptr);

    ASSERT_EQ(main.Create("Game", 640, 480, 0, 0, true), &window);
    EXPECT_EQ(main.mWindowHandle, &window);
    EXPECT_EQ(window.mCreateCount, 1);
    EXPECT_EQ(window.mTitle, "Game");
    EXPECT_TRUE(window.mWindowed);
    EXPECT_FALSE(window.mVisible);  // shown only after the game's initialisation
    EXPECT_EQ(E(window.mOuter), (Edges{636, 267, 1276, 747}));

    main.Show();
    EXPECT_TRUE(window.mVisible);
    EXPECT_EQ(E(window.mOuter), (Edges{636, 267, 1276, 747}));

    EXPECT_EQ(main.Create("Other", 320, 240, 5, 5, false), &window);
    EXPECT_EQ(window.mCreateCount, 1);
    EXPECT_EQ(window.mTitle, "Game");
    EXPECT_EQ(E(window.mOuter), (Edges{636, 267, 1276, 747}));

    // Dragging the right edge to 800 wide: the height follows at 648:507.
    const ScreenRect placed = window.mOuter;
    main.WindowProcedure(platform::WindowMessage{platform::WindowMessageKind::kResized,
                                                 ScreenRect{636, 267, 1436, 747}, placed});
    EXPECT_EQ(E(window.mOuter), (Edges{636, 267, 1436, 892}));

    // Messages that are neither close nor resize change nothing.
    main.WindowProcedure(platform::WindowMessage{});
    EXPECT_TRUE(window.mExists);
    EXPECT_FALSE(window.mQuitPosted);

    main.WindowProcedure(platform::WindowMessage{platform::WindowMessageKind::kClose, {}, {}});
    EXPECT_FALSE(window.mExists);
    EXPECT_EQ(main.mWindowHandle, nullptr);
    EXPECT_TRUE(window.mQuitPosted);
}

TEST(ScriptNumbers, TruncateToInt32) {
    EXPECT_EQ(BaseN::TruncateToInt32(800.9), 800);
    EXPECT_EQ(BaseN::TruncateToInt32(-0.5), 0);
    EXPECT_EQ(BaseN::TruncateToInt32(-2.9), -2);
    EXPECT_EQ(BaseN::TruncateToInt32(1e20), INT_MAX);
    EXPECT_EQ(BaseN::TruncateToInt32(-1e20), INT_MIN);
    EXPECT_EQ(BaseN::TruncateToInt32(std::numeric_limits<double>::infinity()), INT_MAX);
    EXPECT_EQ(BaseN::TruncateToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
}
