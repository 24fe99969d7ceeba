// The mouse over the screen saver's cover windows. A cover hands it on at
// screen pixels; the player takes it as a point of PicDst, which fills its
// client area, so the screen saver's movement rule measures one movement
// the same whichever windows it crosses.
#include "player/frm_pb.h"

namespace lantern::player {

namespace {

struct Point {
  int32_t x;
  int32_t y;
};

Point OnPicDst(platform::Platform& platform, platform::WindowId window, int32_t x, int32_t y) {
  const platform::Rect client = platform.windows().ClientBounds(window);
  return {x - client.left, y - client.top};
}

}  // namespace

void FrmPb::ScreenMouseDown(int button, int shift, int32_t x, int32_t y) {
  const Point p = OnPicDst(platform_, window_, x, y);
  PicDst_MouseDown(button, shift, p.x, p.y);
}

void FrmPb::ScreenMouseMove(int button, int shift, int32_t x, int32_t y) {
  const Point p = OnPicDst(platform_, window_, x, y);
  PicDst_MouseMove(button, shift, p.x, p.y);
}

void FrmPb::ScreenMouseUp(int button, int shift, int32_t x, int32_t y) {
  const Point p = OnPicDst(platform_, window_, x, y);
  PicDst_MouseUp(button, shift, p.x, p.y);
}

}  // namespace lantern::player
