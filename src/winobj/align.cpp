// Alignment: children that fill a side or the rest of their parent's client area.
#include "objects.h"

TWinControl* TWinControl::SetAlign(BYTE kind) {
  RealignHook = Realign;
  if (kind == Align) return this;
  Align = kind;
  Realign(Parent);
  return this;
}

static bool CountsAsShown(TWinControl* c) {
  if (!c->Visible && !c->CreatedHidden) return false;
  if (!c->IsControl) return true;
  if (!c->Parent) return true;
  c->Parent->IsVisible();
  return c->Parent->Visible || c->Parent->CreatedHidden;
}

static void AlignChild(TWinControl* child, RECT& area, int m) {
  RECT old = child->GetBounds();
  RECT r = old;
  int w = r.right - r.left, h = r.bottom - r.top;
  switch (child->Align) {
    case AlignTop:
      OffsetRect(&r, 0, area.top + m - r.top);
      area.top += m + h;
      r.left = area.left + m;
      r.right = area.right - m;
      break;
    case AlignBottom:
      OffsetRect(&r, 0, area.bottom - m - r.bottom);
      area.bottom -= m + h;
      r.left = area.left + m;
      r.right = area.right - m;
      break;
    case AlignLeft:
      OffsetRect(&r, area.left + m - r.left, 0);
      area.left += m + w;
      r.top = area.top + m;
      r.bottom = area.bottom - m;
      break;
    case AlignRight:
      OffsetRect(&r, area.right - m - r.right, 0);
      area.right -= m + w;
      r.top = area.top + m;
      r.bottom = area.bottom - m;
      break;
    case AlignClient:
      r = {area.left + m, area.top + m, area.right - m, area.bottom - m};
      break;
  }
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  if (EqualRect(&r, &old)) return;
  child->SetBounds(r);
  bool resized =
      r.right - r.left != old.right - old.left || r.bottom - r.top != old.bottom - old.top;
  if (resized) Realign(child);
}

void Realign(TWinControl* c) {
  if (!c) return;
  RECT area = c->ClientRect();
  static const BYTE passes[3][2] = {
      {AlignTop, AlignBottom}, {AlignLeft, AlignRight}, {AlignClient, AlignClient}};
  for (const auto& pass : passes) {
    for (int i = 0; i < c->Children->Count; i++) {
      TWinControl* child = static_cast<TWinControl*>(c->Children->Items[i]);
      if (child->Align != pass[0] && child->Align != pass[1]) continue;
      if (!CountsAsShown(child)) continue;
      AlignChild(child, area, c->Margin);
    }
  }
}
