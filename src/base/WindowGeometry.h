// Placement and sizing rules of the game window, as pure functions of rectangles.
#pragma once

#include "platform/window/Window.h"

namespace BaseN {

/// Edges of a drag that resizes the window (the values of the WMSZ_ codes).
enum SizingEdge {
  kSizingNone = 0,
  kSizingLeft = 1,
  kSizingRight = 2,
  kSizingTop = 3,
  kSizingTopLeft = 4,
  kSizingTopRight = 5,
  kSizingBottom = 6,
  kSizingBottomLeft = 7,
  kSizingBottomRight = 8,
};

/// The top-left corner of a new window: centred on the right and bottom halves of the
/// work area, shifted by the offsets. The frame is added to the configured size before
/// halving, exactly as the original placement did.
platform::ScreenRect PlaceWindow(const platform::ScreenRect& workArea,
                                 const platform::FrameBorders& frame, int width, int height,
                                 int xOffset, int yOffset);

/// The rectangle a drag of `edge` should give so the window keeps the aspect ratio of
/// the configured size with its frame. The edge opposite the dragged one never moves.
platform::ScreenRect KeepAspectOnSizing(int edge, int width, int height,
                                        const platform::FrameBorders& frame,
                                        platform::ScreenRect rect);

/// Which edge a resize moved, judged from the rectangles before and after it.
int DraggedEdge(const platform::ScreenRect& before, const platform::ScreenRect& after);

}  // namespace BaseN
