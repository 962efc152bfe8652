// FlipDeck: a keyboard task switcher that takes the place of the desktop's Alt+Tab list.
#include "main.h"
#include "winobj/events.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  CreateSwitcher();
  Run(Switcher->Form);
  return ExitCode;
}
