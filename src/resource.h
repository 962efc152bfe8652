// Resource ids shared by FlipDeck.rc and the code.
#pragma once

// The program's icon: the first icon group, so also the icon of FlipDeck.exe.
#define IDI_FLIPDECK 1
