#include "data/series_style.h"

namespace korvan {

uint32_t ColorToRgb(uint32_t color) {
  return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

uint32_t RgbToColor(uint32_t rgb) { return ColorToRgb(rgb); }

SeriesStyleEnabling StyleEnabling(int type, int line_thickness, int point_size) {
  if (type == 2) return {false, false, false};
  return {line_thickness == 1, true, point_size != 0};
}

SeriesStyle FastDisplayStyle(const SeriesStyle& style) {
  SeriesStyle fast = style;
  fast.type = 0;
  fast.line_thickness = 1;
  fast.line_style = 0;
  fast.point_size = 0;
  return fast;
}

SeriesKind SeriesKindOf(const SeriesStyle& style) {
  if (style.type == 2) return kBars;
  if (style.type == 1 || (style.line_thickness == 1 && style.line_style != 0) ||
      style.point_size != 0) {
    return kLine;
  }
  return kFastLine;
}

SeriesStyle ReadBackStyle(const SeriesStyle& style, const SeriesStyle& shown) {
  SeriesStyle read = style;
  read.color &= 0xFFFFFF;  // the chart's colours have no bits above blue
  switch (SeriesKindOf(style)) {
    case kFastLine:
      read.point_style = 0;
      break;
    case kLine:  // invisible marks keep their shape
      break;
    case kBars:
      read.line_style = shown.line_style;
      read.point_size = shown.point_size;
      read.point_style = shown.point_style;
      break;
  }
  return read;
}

}  // namespace korvan
