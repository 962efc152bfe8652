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

// Questions that AskQueued asks in one go: a key that comes meanwhile waits behind their
// answers, well under a millisecond for two.
const int QuestionsPerPass = 2;

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
  for (auto& image : Images) Release(image.second);
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

bool TIconCache::Ask(HWND window, bool bigFirst) {
  TKnownIcon& known = Entry(window);
  if (known.Asking) return true;
  known.Step = 0;
  known.BigFirst = bigFirst;
  Continue(window, known);
  return known.Asking;
}

void TIconCache::Queue(std::vector<std::pair<HWND, bool>> lookups) {
  Queued = std::move(lookups);
  NextQueued = 0;
  Waiting.clear();
  std::vector<HWND> listed;
  listed.reserve(Queued.size());
  for (const auto& lookup : Queued) listed.push_back(lookup.first);
  std::sort(listed.begin(), listed.end());
  for (auto it = Known.begin(); it != Known.end();)
    it = std::binary_search(listed.begin(), listed.end(), it->first) ? std::next(it)
                                                                      : Known.erase(it);
  ReleaseUnshownImages();
}

// Lookups waiting for their next question go first. Lookups that send nothing (a hung
// window's, one settled at once) do not count: the pass ends with a question on its way,
// whose answer wakes the loop for the next pass.
bool TIconCache::AskQueued() {
  for (int started = 0; started < QuestionsPerPass;) {
    if (!Waiting.empty()) {
      auto found = Known.find(Waiting.back());
      Waiting.pop_back();
      if (found == Known.end() || found->second.Asking) continue;
      Continue(found->first, found->second);
      if (found->second.Asking) ++started;
      continue;
    }
    if (NextQueued == Queued.size()) break;
    const std::pair<HWND, bool>& next = Queued[NextQueued++];
    if (Ask(next.first, next.second)) ++started;
  }
  if (NextQueued == Queued.size()) {
    Queued.clear();
    NextQueued = 0;
  }
  return !Waiting.empty() || !Queued.empty();
}

HICON TIconCache::IconOf(HWND window) const {
  auto found = Known.find(window);
  if (found != Known.end()) return found->second.Icon;
  HICON icon = ClassIcon(window);
  return icon ? icon : ApplicationIcon();
}

// Takes the lookup from known.Step to the first step that has an answer or needs one
// from the window's thread. Questions to a window of this thread are answered at once,
// inside SendMessageCallbackW, and the lookup goes on here.
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
    Sending = true;
    const BOOL sent = SendMessageCallbackW(target, message, kind, 0, Answer,
                                           reinterpret_cast<ULONG_PTR>(window));
    Sending = false;
    if (!sent) {
      known.Asking = false;
      continue;
    }
    // Still asking, or answered at once by this thread: settled, or on to the next step.
    if (known.Asking || known.Step == 2 * StepsPerWindow) return;
  }
  Settle(window, known, ApplicationIcon());
}

// Each window has one question on its way at most, so the answer is to that one. A window
// forgotten meanwhile has nothing to answer. An answer comes before keyboard input, so it
// only records: the next question waits for the loop's next idle pass.
void CALLBACK TIconCache::Answer(HWND, UINT, ULONG_PTR listed, LRESULT result) {
  HWND window = reinterpret_cast<HWND>(listed);
  for (TIconCache* cache : Caches()) {
    auto found = cache->Known.find(window);
    if (found == cache->Known.end() || !found->second.Asking) continue;
    TKnownIcon& known = found->second;
    known.Asking = false;
    if (HICON icon = reinterpret_cast<HICON>(result)) return cache->Settle(window, known, icon);
    if (!cache->Sending) cache->Waiting.push_back(window);
    return;
  }
}

void TIconCache::Settle(HWND window, TKnownIcon& known, HICON icon) {
  known.Step = 2 * StepsPerWindow;
  if (known.Icon == icon) return;
  known.Icon = icon;
  if (OnArrived) OnArrived(Receiver, window);
}

void TIconCache::Draw(HDC dc, int x, int y, HWND window, int size, COLORREF background) {
  const HICON icon = Entry(window).Icon;
  const int half = ImageHalf(dc, icon, size, background);
  if (half < 0) return;
  BitBlt(dc, x, y, size, size, ImageDC, half * size, 0, SRCCOPY);
}

// Selects the icon's image into ImageDC and returns which half shows it on background,
// drawing it there first if needed; -1 when no image could be made.
int TIconCache::ImageHalf(HDC dc, HICON icon, int size, COLORREF background) {
  if (!ImageDC) {
    ImageDC = CreateCompatibleDC(dc);
    if (!ImageDC) return -1;
    FirstBitmap = GetCurrentObject(ImageDC, OBJ_BITMAP);
  }
  TImage& image = Images[icon];
  if (image.Bitmap && image.Size != size) Release(image);
  if (!image.Bitmap) {
    image.Bitmap = CreateCompatibleBitmap(dc, 2 * size, size);
    if (!image.Bitmap) return -1;
    image.Size = size;
  }
  SelectObject(ImageDC, image.Bitmap);
  for (int half = 0; half < 2; ++half)
    if (image.Backgrounds[half] == background) return half;
  const int half = image.NextHalf;
  image.NextHalf = 1 - half;
  image.Backgrounds[half] = background;
  RECT cell = {half * size, 0, half * size + size, size};
  HBRUSH brush = CreateSolidBrush(background);
  FillRect(ImageDC, &cell, brush);
  DeleteObject(brush);
  DrawIconEx(ImageDC, half * size, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  return half;
}

void TIconCache::ReleaseUnshownImages() {
  // An icon is kept by its window, which may destroy it once it shows another: its image
  // goes as soon as no window shows it.
  std::vector<HICON> shown;
  shown.reserve(Known.size());
  for (const auto& known : Known) shown.push_back(known.second.Icon);
  std::sort(shown.begin(), shown.end());
  for (auto it = Images.begin(); it != Images.end();) {
    if (std::binary_search(shown.begin(), shown.end(), it->first)) {
      ++it;
      continue;
    }
    Release(it->second);
    it = Images.erase(it);
  }
}

void TIconCache::Release(TImage& image) {
  if (!image.Bitmap) return;
  if (ImageDC) SelectObject(ImageDC, FirstBitmap);
  DeleteObject(image.Bitmap);
  image = TImage();
}
