#include <string>

#include "main.h"
#include "options.h"
#include "winobj/utils.h"

void TSwitcher::ReadOptions() {
  int count = ParameterCount();
  for (int i = 1; i <= count; ++i) {
    std::string name, value;
    if (!SplitOption(GetParameter(i), name, value)) continue;

    if (name == "-centerX") {
      if (TextToInt(value, CenterX)) {
        CenterGiven = true;
      } else {
        ShowError("-centerX has to be a number");
      }
    } else if (name == "-centerY") {
      if (TextToInt(value, CenterY)) {
        CenterGiven = true;
      } else {
        ShowError("-centerY has to be a number");
      }
    } else if (name == "-sortAlphabetically") {
      if (value == "true") SortAlphabetically = true;
    } else if (name == "-trayIcon") {
      if (value == "false") UseTrayIcon = false;
    }
  }
}
