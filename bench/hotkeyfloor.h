#pragma once
// What the responsiveness benchmark and hotkeyfloor.exe agree on.
#include <windows.h>

// The floor window's class, and its one colour: one no farm window shows.
constexpr const wchar_t* kFloorClass = L"FlipDeckHotKeyFloor";
constexpr COLORREF kFloorColour = RGB(201, 31, 142);
