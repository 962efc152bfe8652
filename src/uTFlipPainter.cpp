#include "uTFlipPainter.h"

#include <string>

#include "options.h"
#include "winobj/canvas.h"
#include "winobj/utils.h"

namespace {

int* ColorSetting(TFlipPainter* painter, const std::string& name) {
  if (name == "-background") return &painter->Background;
  if (name == "-foreground") return &painter->Foreground;
  if (name == "-shadow") return &painter->Shadow;
  if (name == "-highlight") return &painter->Highlight;
  if (name == "-font") return &painter->FontColor;
  return nullptr;
}

}  // namespace

TFlipPainter::TFlipPainter() {
  Background = 0x00A56E44;
  Foreground = 0x00926137;
  Shadow = 0x00332111;
  Highlight = 0x00AF9176;
  FontColor = 0x00EEEEEE;
  Transparency = 255;
  RowHeight = 32;
  ReadOptions();
}

void TFlipPainter::ReadOptions() {
  int count = ParameterCount();
  for (int i = 1; i <= count; ++i) {
    std::string parameter = GetParameter(i);
    std::string name, value;
    if (!SplitOption(parameter, name, value)) continue;

    if (name == "-largerows") {
      if (value == "true") RowHeight = 64;
    } else if (name == "-smallrows") {
      if (value == "true") RowHeight = 24;
    } else if (name == "-transparency") {
      // Outside 0..255 the window would take only the low byte as alpha: 256 would hide it.
      int alpha;
      if (TextToInt(value, alpha) && alpha >= 0 && alpha <= 255) {
        Transparency = alpha;
      } else {
        ShowError("-transparency has to be a number between 0 and 255");
      }
    } else if (int* color = ColorSetting(this, name)) {
      if (!TextToColor(value, *color)) ShowError("could not parse parameter" + parameter);
    }
  }
}

// Leaves the brush solid in Background: the text written next takes its cells' colour from it.
void TFlipPainter::FillBackground(TWinCanvas* canvas, const RECT& r) {
  canvas->Brush()->SetColor(Background);
  canvas->Brush()->SetBrushStyle(0);
  canvas->FillRectangle(r);
}
