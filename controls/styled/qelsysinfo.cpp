// System information for the styled controls; see qelsysinfo.h.
#include "controls/styled/qelsysinfo.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include "platform/os/instance.h"
#include "platform/vcl/forms.h"

namespace qel {

int ColorDepth() {
  const QScreen *screen = QGuiApplication::primaryScreen();
  return screen != nullptr && screen->depth() > 0 ? screen->depth() : 24;
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CYCAPTION:
      return 18;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXSIZE:
    case SM_CYSIZE:
      return 18;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return 4;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CYSMCAPTION:
      return 15;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE:
      return 12;
    default:
      return 0;
  }
}

TQELCaptionGeometry CaptionGeometry(int width, vcl::TFormBorderStyle border, bool system_menu, bool minimize,
                                    bool maximize, bool help, bool minimized) {
  TQELCaptionGeometry g;
  if (minimized) g.Flags |= cgMinimized;
  if (border == vcl::bsNone) return g;
  const bool tool = border == vcl::bsToolWindow || border == vcl::bsSizeToolWin;
  const bool sizing = border == vcl::bsSizeable || border == vcl::bsSizeToolWin;
  const int fx = sizing ? GetSystemMetrics(SM_CXFRAME) : GetSystemMetrics(SM_CXDLGFRAME);
  const int fy = sizing ? GetSystemMetrics(SM_CYFRAME) : GetSystemMetrics(SM_CYDLGFRAME);
  const int height = GetSystemMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION);
  g.CaptionRect = vcl::Rect(fx, fy, std::max(fx, width - fx), fy + height);

  // Tool windows and dialogs show no icon; the buttons are close, the
  // minimise/maximise pair, or help when there is no pair.
  const bool dialog = border == vcl::bsDialog;
  const bool icon = system_menu && !tool && !dialog;
  if (icon) g.Flags |= cgIcon;
  if (system_menu) {
    g.ButtonCount = 1;
    if (!tool && !dialog && (minimize || maximize))
      g.ButtonCount += 2;
    else if (help)
      g.ButtonCount += 1;
  }
  const int button = GetSystemMetrics(tool ? SM_CXSMSIZE : SM_CXSIZE);
  g.TextRect = g.CaptionRect;
  if (icon) g.TextRect.Left += GetSystemMetrics(SM_CXSMICON) + 2;
  g.TextRect.Right -= g.ButtonCount * button + (g.ButtonCount > 0 ? 2 : 0);
  if (g.TextRect.Right < g.TextRect.Left) g.TextRect.Right = g.TextRect.Left;
  return g;
}

TQELCaptionGeometry CaptionGeometry(const vcl::TCustomForm *form) {
  if (form == nullptr) return {};
  const vcl::TBorderIcons icons = form->BorderIcons();
  return CaptionGeometry(form->Width(), form->BorderStyle(), icons.Contains(vcl::biSystemMenu),
                         icons.Contains(vcl::biMinimize), icons.Contains(vcl::biMaximize), icons.Contains(vcl::biHelp),
                         form->WindowState() == vcl::wsMinimized);
}

QString UserName() {
  const QString user = os::CurrentUserName();
  return user.isEmpty() ? QStringLiteral("(Unknown)") : user;
}

bool IsTrueTypeFont(const vcl::TFont *font) {
  if (font == nullptr) return false;
  return QFontDatabase::isSmoothlyScalable(font->ToQFont().family());
}

}  // namespace qel
