// Settings locations and the placement keys of a form (see apputils.h).
#include "controls/extended/apputils.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>
#include <QVariant>
#include <QWidget>
#include <algorithm>

#include "controls/extended/utils.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/forms.h"

namespace ext {

using vcl::TCustomForm;

std::function<QString()> IniFileNameHook;
bool UseApplicationTitle = false;
QString RegistrySubKey;

namespace {

// The minimised and maximised positions ride on the form's window.
constexpr const char *kMinPosProperty = "orbiscaMinPosition";
constexpr const char *kMaxPosProperty = "orbiscaMaxPosition";

vcl::TPoint PointProperty(const TCustomForm *form, const char *name) {
  if (!form->HandleAllocated()) return {-1, -1};
  const QVariant v = const_cast<TCustomForm *>(form)->Handle()->property(name);
  if (!v.isValid()) return {-1, -1};
  const QPoint p = v.toPoint();
  return {p.x(), p.y()};
}

QString PointsText(const vcl::TPoint &a, const vcl::TPoint &b) {
  return QStringLiteral("%1,%2,%3,%4").arg(a.X).arg(a.Y).arg(b.X).arg(b.Y);
}

// A position key: the one for this screen size first, the plain one when
// that is empty.
QString ReadPositionKey(const rtl::TObject *file, const QString &section, const QString &key) {
  QString text = StorageReadString(file, section, key + ScreenSizeSuffix(), QString());
  if (text.isEmpty()) text = StorageReadString(file, section, key, QString());
  return text;
}

int WordAsInt(const QString &text, int n, int def) {
  static const TCharSet delimiters{u' ', u','};
  bool ok = false;
  const int v = GetWordAt(n, text, delimiters).trimmed().toInt(&ok);
  return ok ? v : def;
}

// A damaged file must not give a window no one can see or one too large to
// draw: the rectangle needs a width and a height, at most a few screens'
// worth.
bool SensibleWindowRect(const vcl::TRect &r) {
  const qint64 max_w = 4LL * std::max(vcl::Screen->Width(), 640);
  const qint64 max_h = 4LL * std::max(vcl::Screen->Height(), 480);
  const qint64 w = qint64{r.Right} - r.Left, h = qint64{r.Bottom} - r.Top;
  return w > 0 && h > 0 && w <= max_w && h <= max_h;
}

}  // namespace

TWindowPlacement GetWindowPlacement(TCustomForm *form) {
  TWindowPlacement p;
  switch (form->WindowState()) {
    case vcl::wsMinimized:
      p.ShowCmd = SW_SHOWMINIMIZED;
      break;
    case vcl::wsMaximized:
      p.ShowCmd = SW_SHOWMAXIMIZED;
      break;
    default:
      p.ShowCmd = SW_SHOWNORMAL;
  }
  p.NormalPosition = form->BoundsRect();
  if (form->HandleAllocated() && form->WindowState() != vcl::wsNormal) {
    // A maximised window's own bounds are the screen's; the normal ones are
    // what it goes back to.
    const QRect normal = form->Handle()->normalGeometry();
    if (normal.isValid())
      p.NormalPosition =
          vcl::Rect(normal.left(), normal.top(), normal.left() + normal.width(), normal.top() + normal.height());
  }
  p.MinPosition = PointProperty(form, kMinPosProperty);
  p.MaxPosition = PointProperty(form, kMaxPosProperty);
  return p;
}

void SetWindowPlacement(TCustomForm *form, const TWindowPlacement &p) {
  if (form->WindowState() == vcl::wsNormal) form->SetBoundsRect(p.NormalPosition);
  QWidget *w = form->Handle();
  w->setProperty(kMinPosProperty, QPoint(p.MinPosition.X, p.MinPosition.Y));
  w->setProperty(kMaxPosProperty, QPoint(p.MaxPosition.X, p.MaxPosition.Y));
}

QString DefaultSectionName(const vcl::TComponent *component) {
  if (component == nullptr) return QString();
  if (dynamic_cast<const TCustomForm *>(component) != nullptr) return component->ClassName();
  if (const auto *control = dynamic_cast<const vcl::TControl *>(component)) {
    if (const TCustomForm *form = control->GetParentForm()) return form->ClassName() + control->Name();
    if (control->Parent() != nullptr) return control->Parent()->Name() + control->Name();
  }
  if (dynamic_cast<const TCustomForm *>(component->Owner()) != nullptr)
    return QStringLiteral("%1.%2").arg(component->Owner()->ClassName(), component->Name());
  return component->Name();
}

QString DefaultIniFileName() {
  if (IniFileNameHook) return IniFileNameHook();
  const QString exe = vcl::Application != nullptr ? vcl::Application->ExeName() : QString();
  return rtl::ExtractFileName(rtl::ChangeFileExt(exe, QStringLiteral(".INI")));
}

QString DefaultRegistryKey() {
  QString name;
  if (UseApplicationTitle && vcl::Application != nullptr && !vcl::Application->Title().isEmpty())
    name = vcl::Application->Title();
  else
    name = QFileInfo(vcl::Application != nullptr ? vcl::Application->ExeName() : QString()).completeBaseName();
  QString key = QStringLiteral("Software\\") + name;
  if (!RegistrySubKey.isEmpty()) key += QStringLiteral("\\") + RegistrySubKey;
  return key;
}

QString StorageReadString(const rtl::TObject *file, const QString &section, const QString &key, const QString &def) {
  if (const auto *reg = dynamic_cast<const rtl::TRegIniFile *>(file)) return reg->ReadString(section, key, def);
  if (const auto *ini = dynamic_cast<const rtl::TCustomIniFile *>(file)) return ini->ReadString(section, key, def);
  return def;
}

int StorageReadInteger(const rtl::TObject *file, const QString &section, const QString &key, int def) {
  if (const auto *reg = dynamic_cast<const rtl::TRegIniFile *>(file)) return reg->ReadInteger(section, key, def);
  if (const auto *ini = dynamic_cast<const rtl::TCustomIniFile *>(file)) return ini->ReadInteger(section, key, def);
  return def;
}

void StorageWriteString(rtl::TObject *file, const QString &section, const QString &key, const QString &value) {
  if (auto *reg = dynamic_cast<rtl::TRegIniFile *>(file)) {
    reg->WriteString(section, key, value);
  } else if (auto *ini = dynamic_cast<rtl::TCustomIniFile *>(file)) {
    // Reading an ini value strips one pair of matching quotes: a quoted
    // value gets one more pair so that it comes back as it went.
    const bool quoted = value.size() >= 2 && ((value.startsWith(u'"') && value.endsWith(u'"')) ||
                                              (value.startsWith(u'\'') && value.endsWith(u'\'')));
    ini->WriteString(section, key, quoted ? u'"' + value + u'"' : value);
  }
}

void StorageWriteInteger(rtl::TObject *file, const QString &section, const QString &key, int value) {
  if (auto *reg = dynamic_cast<rtl::TRegIniFile *>(file))
    reg->WriteInteger(section, key, value);
  else if (auto *ini = dynamic_cast<rtl::TCustomIniFile *>(file))
    ini->WriteInteger(section, key, value);
}

void StorageEraseSection(rtl::TObject *file, const QString &section) {
  if (auto *reg = dynamic_cast<rtl::TRegIniFile *>(file))
    reg->EraseSection(section);
  else if (auto *ini = dynamic_cast<rtl::TCustomIniFile *>(file))
    ini->EraseSection(section);
}

QString ScreenSizeSuffix() { return QStringLiteral("(%1x%2)").arg(vcl::Screen->Width()).arg(vcl::Screen->Height()); }

void WritePlacementKeys(TCustomForm *form, rtl::TObject *file, const QString &section) {
  const TWindowPlacement p = GetWindowPlacement(form);
  int flags = p.Flags;
  if (form->FormStyle() == vcl::fsMDIChild && form->WindowState() == vcl::wsMinimized) flags |= WPF_SETMINPOSITION;
  StorageWriteInteger(file, section, QStringLiteral("Flags"), flags);
  StorageWriteInteger(file, section, QStringLiteral("ShowCmd"), p.ShowCmd);
  StorageWriteInteger(file, section, QStringLiteral("PixelsPerInch"), vcl::Screen->PixelsPerInch());
  const QString min_max = PointsText(p.MinPosition, p.MaxPosition);
  const QString norm = QStringLiteral("%1,%2,%3,%4")
                           .arg(p.NormalPosition.Left)
                           .arg(p.NormalPosition.Top)
                           .arg(p.NormalPosition.Right)
                           .arg(p.NormalPosition.Bottom);
  StorageWriteString(file, section, QStringLiteral("MinMaxPos") + ScreenSizeSuffix(), min_max);
  StorageWriteString(file, section, QStringLiteral("MinMaxPos"), min_max);
  StorageWriteString(file, section, QStringLiteral("NormPos") + ScreenSizeSuffix(), norm);
  StorageWriteString(file, section, QStringLiteral("NormPos"), norm);
}

void ReadPlacementKeys(TCustomForm *form, const rtl::TObject *file, const QString &section, bool load_position,
                       bool load_state) {
  if (!load_position && !load_state) return;
  TWindowPlacement p = GetWindowPlacement(form);
  if (!form->Visible()) p.ShowCmd = SW_HIDE;

  if (load_position) {
    p.Flags = StorageReadInteger(file, section, QStringLiteral("Flags"), p.Flags);
    const QString min_max = ReadPositionKey(file, section, QStringLiteral("MinMaxPos"));
    if (!min_max.isEmpty()) {
      p.MinPosition = {WordAsInt(min_max, 1, 0), WordAsInt(min_max, 2, 0)};
      p.MaxPosition = {WordAsInt(min_max, 3, 0), WordAsInt(min_max, 4, 0)};
    }
    const QString norm = ReadPositionKey(file, section, QStringLiteral("NormPos"));
    if (!norm.isEmpty()) {
      p.NormalPosition.Left = WordAsInt(norm, 1, form->Left());
      p.NormalPosition.Top = WordAsInt(norm, 2, form->Top());
      p.NormalPosition.Right = WordAsInt(norm, 3, form->Left() + form->Width());
      p.NormalPosition.Bottom = WordAsInt(norm, 4, form->Top() + form->Height());
    }
    const int ppi = StorageReadInteger(file, section, QStringLiteral("PixelsPerInch"), vcl::Screen->PixelsPerInch());
    if ((!min_max.isEmpty() || !norm.isEmpty()) && ppi == vcl::Screen->PixelsPerInch()) {
      const vcl::TFormBorderStyle border = form->BorderStyle();
      if (border != vcl::bsSizeable && border != vcl::bsSizeToolWin) {
        // A fixed-size window moves but keeps the size it was built with.
        p.NormalPosition.Right = p.NormalPosition.Left + form->Width();
        p.NormalPosition.Bottom = p.NormalPosition.Top + form->Height();
      }
      if (SensibleWindowRect(p.NormalPosition)) {
        if (form->Position() == vcl::poScreenCenter || form->Position() == vcl::poDesktopCenter) {
          // Centring on show would undo the stored position.
          const bool designing = form->IsDesigning();
          form->IncludeState(vcl::csDesigning);
          form->SetPosition(vcl::poDesigned);
          if (!designing) form->ExcludeState(vcl::csDesigning);
        }
        SetWindowPlacement(form, p);
      }
    }
  }

  if (load_state) {
    vcl::TCustomForm *main = vcl::Application != nullptr ? vcl::Application->MainForm() : nullptr;
    const bool is_main = main == nullptr || main == form;
    vcl::TWindowState state = vcl::wsNormal;
    if (is_main && (form->FormStyle() == vcl::fsMDIForm ||
                    (form->FormStyle() == vcl::fsNormal && form->Position() == vcl::poDefault)))
      state = vcl::wsMaximized;
    switch (StorageReadInteger(file, section, QStringLiteral("ShowCmd"), SW_HIDE)) {
      case 1:
      case 5:
      case 9:
        state = vcl::wsNormal;
        break;
      case 2:
      case 6:
      case 7:
        state = vcl::wsMinimized;
        break;
      case 3:
        state = vcl::wsMaximized;
        break;
      default:
        break;
    }
    if (state == vcl::wsMinimized && is_main) {
      // The main window is minimised once it is up, as the application
      // does with a minimise command from the queue.
      form->SetWindowState(vcl::wsNormal);
      QPointer<QWidget> window = form->Handle();
      QMetaObject::invokeMethod(
          window.data(),
          [window] {
            if (window) window->setWindowState(window->windowState() | Qt::WindowMinimized);
          },
          Qt::QueuedConnection);
      return;
    }
    form->SetWindowState(state);
  }
  form->Update();
}

}  // namespace ext
