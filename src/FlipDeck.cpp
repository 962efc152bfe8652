// FlipDeck: a keyboard task switcher that takes the place of the desktop's Alt+Tab list.
#include "main.h"
#include "quit.h"
#include "winobj/events.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (IsQuitRequest()) return QuitRunningCopies();
  CreateSwitcher();
  Run(Switcher->Form);
  return ExitCode;
}
