// FlipDeck.exe -quit: closing the running copies from the command line.
#pragma once

// Exit codes of a -quit run.
const int QuitDone = 0;          // every running copy has ended
const int QuitNoneRunning = 1;   // no copy was running
const int QuitStillRunning = 2;  // a copy refused to close in time (F4 pressed in its list)

// True when "-quit" is among the parameters.
bool IsQuitRequest();
// Sends the hand-over broadcast that a new copy sends, without a window of its own, and
// waits a bounded time for the copies it found to end.
int QuitRunningCopies();
