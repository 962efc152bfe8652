#include "iconcache.h"

#include <algorithm>
#include <vector>

namespace {

// The caches of the process: an answer that comes after its cache has gone finds none.
std::vector<TIconCache*>& Caches() {
  static std::vector<TIconCache*> caches;
  return caches;
}

// The lookup asks the window, then its owner, these five things each, in this order.
const int StepsPerWindow = 5;
const int ClassIconStep = 3;
const int DragIconStep = 4;

WPARAM IconKind(int step, bool bigFirst) {
  static const WPARAM bigOrder[] = {ICON_BIG, ICON_SMALL, ICON_SMALL2};
  static const WPARAM smallOrder[] = {ICON_SMALL, ICON_SMALL2, ICON_BIG};
  return bigFirst ? bigOrder[step] : smallOrder[step];
}

HICON ApplicationIcon() {
  // A shared system icon: the handle stays valid, so it is loaded once.
  static HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
  return icon;
}

HICON ClassIcon(HWND window) {
  return reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
}

}  // namespace

TIconCache::TIconCache() { Caches().push_back(this); }

TIconCache::~TIconCache() {
  std::vector<TIconCache*>& caches = Caches();
  caches.erase(std::find(caches.begin(), caches.end(), this));
  for (auto& entry : Known) Release(entry.second);
  if (ImageDC) {
    SelectObject(ImageDC, FirstBitmap);
    DeleteDC(ImageDC);
  }
}

TIconCache::TKnownIcon& TIconCache::Entry(HWND window) {
  auto found = Known.find(window);
  if (found != Known.end()) return found->second;
  HICON icon = IconOf(window);
  TKnownIcon& known = Known[window];
  known.Icon = icon;
  return known;
}

void TIconCache::Ask(HWND window, bool bigFirst) {
  TKnownIcon& known = Entry(window);
  if (known.Asking) return;
  known.Step = 0;
  known.BigFirst = bigFirst;
  Continue(window, known);
}

HICON TIconCache::IconOf(HWND window) const {
  auto found = Known.find(window);
  if (found != Known.end()) return found->second.Icon;
  HICON icon = ClassIcon(window);
  return icon ? icon : ApplicationIcon();
}

// Takes the lookup from known.Step to the first step that has an answer or needs one
// from the window's thread. Questions to a window of this thread are answered at once,
// inside SendMessageCallbackW.
void TIconCache::Continue(HWND window, TKnownIcon& known) {
  while (known.Step < 2 * StepsPerWindow) {
    const int step = known.Step % StepsPerWindow;
    HWND target = known.Step < StepsPerWindow ? window : GetWindow(window, GW_OWNER);
    if (!target) break;
    ++known.Step;
    if (step == ClassIconStep) {
      if (HICON icon = ClassIcon(target)) return Settle(window, known, icon);
      continue;
    }
    // A hung program would never answer: the row keeps the icon it has.
    if (IsHungAppWindow(target)) return;
    known.Asking = true;
    const UINT message = step == DragIconStep ? WM_QUERYDRAGICON : WM_GETICON;
    const WPARAM kind = step == DragIconStep ? 0 : IconKind(step, known.BigFirst);
    if (SendMessageCallbackW(target, message, kind, 0, Answer, reinterpret_cast<ULONG_PTR>(window)))
      return;
    known.Asking = false;
  }
  Settle(window, known, ApplicationIcon());
}

// Each window has one question on its way at most, so the answer is to that one. A window
// forgotten meanwhile has nothing to answer.
void CALLBACK TIconCache::Answer(HWND, UINT, ULONG_PTR listed, LRESULT result) {
  HWND window = reinterpret_cast<HWND>(listed);
  for (TIconCache* cache : Caches()) {
    auto found = cache->Known.find(window);
    if (found == cache->Known.end() || !found->second.Asking) continue;
    TKnownIcon& known = found->second;
    known.Asking = false;
    if (HICON icon = reinterpret_cast<HICON>(result)) return cache->Settle(window, known, icon);
    return cache->Continue(window, known);
  }
}

void TIconCache::Settle(HWND window, TKnownIcon& known, HICON icon) {
  known.Step = 2 * StepsPerWindow;
  if (known.Icon == icon) return;
  known.Icon = icon;
  if (OnArrived) OnArrived(Receiver, window);
}

void TIconCache::Draw(HDC dc, int x, int y, HWND window, int size, COLORREF background) {
  TKnownIcon& known = Entry(window);
  const int half = ImageHalf(dc, known, known.Icon, size, background);
  if (half < 0) return;
  BitBlt(dc, x, y, size, size, ImageDC, half * size, 0, SRCCOPY);
}

// Selects the window's image into ImageDC and returns which half shows the icon on
// background, drawing it there first if needed; -1 when no image could be made.
int TIconCache::ImageHalf(HDC dc, TKnownIcon& known, HICON icon, int size,
                          COLORREF background) {
  if (!ImageDC) {
    ImageDC = CreateCompatibleDC(dc);
    if (!ImageDC) return -1;
    FirstBitmap = GetCurrentObject(ImageDC, OBJ_BITMAP);
  }
  if (known.Image && (known.ImageIcon != icon || known.ImageSize != size)) Release(known);
  if (!known.Image) {
    known.Image = CreateCompatibleBitmap(dc, 2 * size, size);
    if (!known.Image) return -1;
    known.ImageIcon = icon;
    known.ImageSize = size;
  }
  SelectObject(ImageDC, known.Image);
  for (int half = 0; half < 2; ++half)
    if (known.Backgrounds[half] == background) return half;
  const int half = known.NextHalf;
  known.NextHalf = 1 - half;
  known.Backgrounds[half] = background;
  RECT cell = {half * size, 0, half * size + size, size};
  HBRUSH brush = CreateSolidBrush(background);
  FillRect(ImageDC, &cell, brush);
  DeleteObject(brush);
  DrawIconEx(ImageDC, half * size, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  return half;
}

void TIconCache::ForgetGoneWindows() {
  for (auto it = Known.begin(); it != Known.end();) {
    if (IsWindow(it->first)) {
      ++it;
      continue;
    }
    Release(it->second);
    it = Known.erase(it);
  }
}

void TIconCache::Release(TKnownIcon& known) {
  if (!known.Image) return;
  if (ImageDC) SelectObject(ImageDC, FirstBitmap);
  DeleteObject(known.Image);
  known.Image = 0;
  known.ImageIcon = 0;
  known.ImageSize = 0;
  known.Backgrounds[0] = known.Backgrounds[1] = CLR_INVALID;
  known.NextHalf = 0;
}
