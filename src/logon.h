// Starting FlipDeck at log-on: its value under the user's Run key.
#pragma once

bool StartsAtLogOn();
// Writes or removes the value. A registry that refuses leaves the menu's check mark as it
// was, which says so.
void SetStartAtLogOn(bool start);
