// Window icons kept from one refresh to the next: asked for without ever waiting on the
// window's program, and drawn once into row-sized images that a repaint only copies.
#pragma once

#include <unordered_map>
#include <utility>
#include <vector>

#include <windows.h>

class TIconCache {
 public:
  TIconCache();
  TIconCache(const TIconCache&) = delete;
  TIconCache& operator=(const TIconCache&) = delete;
  ~TIconCache();

  // Starts asking the window, then its owner, for its icon without waiting, unless a
  // question is still on its way or the window is hung. The answers arrive as messages on
  // this thread; after one without an icon, the next question waits for AskQueued.
  // OnArrived hears of each icon that changes a row. True while a question is on its way.
  bool Ask(HWND window, bool bigFirst);
  // Lookups waiting for AskQueued, in place of those an earlier list left waiting. Windows
  // without one are forgotten, and the images no window shows any more given back: asking
  // whether each known window still exists would cost a call to the system per window.
  void Queue(std::vector<std::pair<HWND, bool>> lookups);
  // Asks the next few questions of the waiting lookups. Their answers are handled before
  // keyboard input, so asking all of a long list at once would hold up the key that ends
  // it. False once no lookup waits to be asked (questions may still be on their way).
  bool AskQueued();
  // What the window's row shows: the latest answer, else the class icon, else the
  // system's application icon.
  HICON IconOf(HWND window) const;
  // Copies the window's icon, size pixels square, drawn on background, to (x, y).
  void Draw(HDC dc, int x, int y, HWND window, int size, COLORREF background);
  void (*OnArrived)(void* receiver, HWND window) = nullptr;
  void* Receiver = nullptr;

 private:
  struct TKnownIcon {
    HICON Icon = 0;
    int Step = 0;  // of the lookup, see Continue
    bool BigFirst = false;
    bool Asking = false;  // a question is on its way
  };
  // One icon drawn on two backgrounds side by side, for the row as it is and as it is
  // selected; windows that show the same icon share it.
  struct TImage {
    HBITMAP Bitmap = 0;
    int Size = 0;
    COLORREF Backgrounds[2] = {CLR_INVALID, CLR_INVALID};
    int NextHalf = 0;
  };

  TKnownIcon& Entry(HWND window);
  static void CALLBACK Answer(HWND target, UINT message, ULONG_PTR question, LRESULT result);
  void Continue(HWND window, TKnownIcon& known);
  void Settle(HWND window, TKnownIcon& known, HICON icon);
  int ImageHalf(HDC dc, HICON icon, int size, COLORREF background);
  void ReleaseUnshownImages();
  void Release(TImage& image);

  std::vector<std::pair<HWND, bool>> Queued;  // window and bigFirst, for AskQueued
  size_t NextQueued = 0;
  std::vector<HWND> Waiting;  // lookups whose last question had no icon for an answer
  bool Sending = false;       // inside SendMessageCallbackW, where this thread answers
  std::unordered_map<HWND, TKnownIcon> Known;
  std::unordered_map<HICON, TImage> Images;
  HDC ImageDC = 0;
  HGDIOBJ FirstBitmap = 0;  // of ImageDC, selected back before it goes
};
