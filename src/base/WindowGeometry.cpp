// Window placement and aspect keeping.
#include "base/WindowGeometry.h"

#include <cmath>
#include <cstdint>

namespace BaseN {
namespace {

int FrameWidth(const platform::FrameBorders& f) { return f.left + f.right; }
int FrameHeight(const platform::FrameBorders& f) { return f.top + f.bottom; }

// The new coordinate base + length, truncated toward zero; a length that does not fit (a
// zero-sized configuration) leaves the coordinate where it was.
int Offset(int base, double length, int fallback) {
  const double coordinate = base + length;
  if (!std::isfinite(coordinate) || std::fabs(coordinate) > 1e9) return fallback;
  return static_cast<int>(coordinate);
}

}  // namespace

platform::ScreenRect PlaceWindow(const platform::ScreenRect& workArea,
                                 const platform::FrameBorders& frame, int width, int height,
                                 int xOffset, int yOffset) {
  // The halves of the sums are unsigned shifts, the halves of the work area signed
  // divisions; the arithmetic wraps like the 32-bit original.
  const std::uint32_t halfW = static_cast<std::uint32_t>(width + FrameWidth(frame)) >> 1;
  const std::uint32_t halfH = static_cast<std::uint32_t>(height + FrameHeight(frame)) >> 1;
  const int x = static_cast<int>(static_cast<std::uint32_t>(workArea.right / 2) - halfW +
                                 static_cast<std::uint32_t>(xOffset));
  const int y = static_cast<int>(static_cast<std::uint32_t>(workArea.bottom / 2) - halfH +
                                 static_cast<std::uint32_t>(yOffset));
  return platform::ScreenRect{x, y, x + width, y + height};
}

platform::ScreenRect KeepAspectOnSizing(int edge, int width, int height,
                                        const platform::FrameBorders& frame,
                                        platform::ScreenRect rect) {
  const double w = static_cast<double>(width) + FrameWidth(frame);
  const double h = static_cast<double>(height) + FrameHeight(frame);
  const double cw = rect.right - rect.left;
  const double ch = rect.bottom - rect.top;
  const bool wideEnough = cw / ch >= w / h;
  switch (edge) {
    case kSizingLeft:
    case kSizingRight:
      rect.bottom = Offset(rect.top, cw * h / w, rect.bottom);
      break;
    case kSizingTop:
    case kSizingBottom:
      rect.right = Offset(rect.left, ch * w / h, rect.right);
      break;
    case kSizingTopLeft:
      if (wideEnough) rect.top = Offset(rect.bottom, -(cw * h / w), rect.top);
      else rect.left = Offset(rect.right, -(ch * w / h), rect.left);
      break;
    case kSizingTopRight:
      if (wideEnough) rect.top = Offset(rect.bottom, -(cw * h / w), rect.top);
      else rect.right = Offset(rect.left, ch * w / h, rect.right);
      break;
    case kSizingBottomLeft:
      if (wideEnough) rect.bottom = Offset(rect.top, cw * h / w, rect.bottom);
      else rect.left = Offset(rect.right, -(ch * w / h), rect.left);
      break;
    case kSizingBottomRight:
      if (wideEnough) rect.bottom = Offset(rect.top, cw * h / w, rect.bottom);
      else rect.right = Offset(rect.left, ch * w / h, rect.right);
      break;
    default:
      break;
  }
  return rect;
}

int DraggedEdge(const platform::ScreenRect& before, const platform::ScreenRect& after) {
  const bool widthChanged = (after.right - after.left) != (before.right - before.left);
  const bool heightChanged = (after.bottom - after.top) != (before.bottom - before.top);
  const bool leftMoved = after.left != before.left;
  const bool topMoved = after.top != before.top;
  if (widthChanged && heightChanged) {
    if (topMoved) return leftMoved ? kSizingTopLeft : kSizingTopRight;
    return leftMoved ? kSizingBottomLeft : kSizingBottomRight;
  }
  if (widthChanged) return leftMoved ? kSizingLeft : kSizingRight;
  if (heightChanged) return topMoved ? kSizingTop : kSizingBottom;
  return kSizingNone;
}

}  // namespace BaseN
