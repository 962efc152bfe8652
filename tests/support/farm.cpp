#include "farm.h"

#include <algorithm>
#include <functional>

#include "toplevel.h"
#include "wait.h"

namespace {

// Asks for a change until done() says it happened: another process carries it out later,
// and under Wine a request can get lost.
bool Retried(const std::function<void()>& request, const std::function<bool()>& done) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    request();
    if (WaitUntil(done, 1000)) return true;
  }
  return false;
}

bool Foreground(HWND hwnd) {
  return Retried([&] { SetForegroundWindow(hwnd); }, [&] { return GetForegroundWindow() == hwnd; });
}

}  // namespace

bool WindowFarm::Open(int count, const std::string& prefix,
                      const std::vector<std::string>& kinds) {
  std::string args = std::to_string(count) + " " + QuoteArgument(prefix);
  for (const std::string& kind : kinds) args += " " + QuoteArgument(kind);
  const size_t expected = count + 1 + kinds.size();
  windows_ = StartReporting(program_, "windowfarm.exe", args, expected);
  if (windows_.size() != expected) return false;
  control_ = windows_[0];
  windows_.erase(windows_.begin());
  return count == 0 || Foreground(windows_[0]);
}

int WindowFarm::IndexOf(HWND hwnd) const {
  auto found = std::find(windows_.begin(), windows_.end(), hwnd);
  return found == windows_.end() ? -1 : static_cast<int>(found - windows_.begin());
}

std::vector<HWND> WindowFarm::InZOrder() const {
  std::vector<HWND> ordered;
  for (HWND hwnd : TopLevelWindows(0))
    if (IndexOf(hwnd) >= 0) ordered.push_back(hwnd);
  return ordered;
}

std::vector<HWND> WindowFarm::VisibleWindows() const {
  std::vector<HWND> visible;
  for (HWND hwnd : TopLevelWindows(program_.Id()))
    if (IsWindowVisible(hwnd)) visible.push_back(hwnd);
  return visible;
}

bool WindowFarm::Restack() {
  // SetForegroundWindow alone does not always raise a window to the very top under Wine.
  for (size_t i = windows_.size(); i-- > 0;) {
    HWND hwnd = windows_[i];
    if (!Retried([&] { SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); },
                 [&] { return InZOrder()[0] == hwnd; }))
      return false;
  }
  return Foreground(windows_[0]) && InZOrder() == windows_;
}

LRESULT WindowFarm::Command(UINT message, WPARAM wParam, DWORD timeoutMs) const {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(control_, message, wParam, 0, SMTO_NORMAL, timeoutMs, &result))
    return -1;
  return static_cast<LRESULT>(result);
}
