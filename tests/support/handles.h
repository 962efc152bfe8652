// Counting this process's GDI objects and windows. Wine's GetGuiResources is a stub that
// always answers 0, so the counts come from probing the handle tables instead.
#pragma once

// Live GDI objects of this process (stock objects included: compare counts, not totals).
int CountGdiObjects();
// Windows (top-level and child) of this process, the system's input-method window aside.
int CountWindows();
