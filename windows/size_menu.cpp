// The size menu's layer.
#include "windows/size_menu.h"

#include "windows/bar_paint.h"

namespace lantern::windows {

void DrawSizeMenu(const platform::Surface& layer, int32_t size_index,
                  const platform::DecodedImage& picture, const HighlightColours& colours) {
  ClearLayer(layer);
  if (size_index >= 1 && size_index <= kMenuChoices) {
    FillGradient(layer, SizeChoiceHighlight(size_index), colours.from, colours.to,
                 /*vertical=*/false);
  }
  DrawImageOver(layer, picture, {0, 0, kMenuWidth, kMenuHeight});
}

}  // namespace lantern::windows
