// Small builders the program's windows share: a control made with its
// owner, name and parent, a caption label, and a page of a page control.
// The windows are built in code, so these keep each window's builder to
// what is particular to it.
#pragma once

#include <QString>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/stdctrls.h"

namespace app {

template <typename T>
T *Make(vcl::TComponent *owner, vcl::TWinControl *parent, const QString &name) {
  auto *c = new T(owner);
  c->SetName(name);
  c->SetParent(parent);
  return c;
}

inline vcl::TLabel *AddLabel(vcl::TComponent *owner, vcl::TWinControl *parent, const QString &text, int x, int y,
                             int width = 120) {
  auto *l = new vcl::TLabel(owner);
  l->SetParent(parent);
  // Placed first, then captioned: the label sizes itself to its text, so a
  // wide box never covers the caption of the field beside it.
  l->SetBounds(x, y, width, 16);
  l->SetCaption(text);
  return l;
}

inline vcl::TTabSheet *AddSheet(vcl::TComponent *owner, vcl::TPageControl *pages, const QString &name,
                                const QString &caption) {
  auto *s = new vcl::TTabSheet(owner);
  s->SetName(name);
  s->SetPageControl(pages);
  s->SetCaption(caption);
  return s;
}

}  // namespace app
