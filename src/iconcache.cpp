#include "iconcache.h"

#include <utility>

namespace {

// The questions on their way, in every cache of the process: an answer whose cache or
// window has gone meanwhile finds nothing here and is dropped.
struct TQuestion {
  TIconCache* Cache;
  HWND Window;  // the listed one, whose owner may have been asked instead
};

std::unordered_map<ULONG_PTR, TQuestion>& Questions() {
  static std::unordered_map<ULONG_PTR, TQuestion> questions;
  return questions;
}

ULONG_PTR LastQuestion = 0;

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

TIconCache::TIconCache() = default;

TIconCache::~TIconCache() {
  auto& questions = Questions();
  for (auto it = questions.begin(); it != questions.end();)
    it = it->second.Cache == this ? questions.erase(it) : std::next(it);
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
  if (known.Question) return;
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
    const ULONG_PTR question = ++LastQuestion;
    Questions()[question] = {this, window};
    known.Question = question;
    const UINT message = step == DragIconStep ? WM_QUERYDRAGICON : WM_GETICON;
    const WPARAM kind = step == DragIconStep ? 0 : IconKind(step, known.BigFirst);
    if (SendMessageCallbackW(target, message, kind, 0, Answer, question)) return;
    Questions().erase(question);
    known.Question = 0;
  }
  Settle(window, known, ApplicationIcon());
}

void CALLBACK TIconCache::Answer(HWND, UINT, ULONG_PTR question, LRESULT result) {
  auto& questions = Questions();
  auto asked = questions.find(question);
  if (asked == questions.end()) return;
  TQuestion to = asked->second;
  questions.erase(asked);
  auto found = to.Cache->Known.find(to.Window);
  if (found == to.Cache->Known.end() || found->second.Question != question) return;
  TKnownIcon& known = found->second;
  known.Question = 0;
  if (HICON icon = reinterpret_cast<HICON>(result)) return to.Cache->Settle(to.Window, known, icon);
  to.Cache->Continue(to.Window, known);
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
