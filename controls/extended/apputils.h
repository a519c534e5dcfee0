// Where a program keeps its settings and how one form's window placement is
// written there: the default settings file, registry key and section names,
// reading and writing one value through either an ini file or a registry
// key, and the placement keys of a form (Flags, ShowCmd, PixelsPerInch,
// MinMaxPos, NormPos).
//
// The window placement is the platform's record of a top-level window:
// its state as a show command, the normal (restored) rectangle, and where it
// goes when minimised and maximised. Forms here are Qt windows, so the
// record is read from and applied to the form's bounds and state; the two
// positions live with the form's window.
#pragma once

#include <QString>
#include <functional>

#include "platform/rtl/object.h"
#include "platform/vcl/graphics.h"

namespace vcl {
class TComponent;
class TCustomForm;
}  // namespace vcl

namespace ext {

// Show commands and placement flags as the settings files store them.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int WPF_SETMINPOSITION = 1;

struct TWindowPlacement {
  int Flags = 0;
  int ShowCmd = SW_SHOWNORMAL;
  vcl::TPoint MinPosition{-1, -1};
  vcl::TPoint MaxPosition{-1, -1};
  vcl::TRect NormalPosition;
};

TWindowPlacement GetWindowPlacement(vcl::TCustomForm *form);
// Moves and sizes the form to the normal rectangle while it is in the
// normal state (a maximised form keeps its size until restored) and keeps
// the two positions.
void SetWindowPlacement(vcl::TCustomForm *form, const TWindowPlacement &placement);

// Set by a program that keeps its settings file elsewhere than beside its
// name: DefaultIniFileName returns what it returns.
extern std::function<QString()> IniFileNameHook;
// DefaultRegistryKey names the program by its title instead of its file
// name when set; the sub-key, when not empty, is added below.
extern bool UseApplicationTitle;
extern QString RegistrySubKey;

QString DefaultSectionName(const vcl::TComponent *component);
QString DefaultIniFileName();
QString DefaultRegistryKey();

// One value through a TRegIniFile or an ini file object; anything else
// reads the default and writes nothing.
QString StorageReadString(const rtl::TObject *file, const QString &section, const QString &key, const QString &def);
int StorageReadInteger(const rtl::TObject *file, const QString &section, const QString &key, int def);
void StorageWriteString(rtl::TObject *file, const QString &section, const QString &key, const QString &value);
void StorageWriteInteger(rtl::TObject *file, const QString &section, const QString &key, int value);
void StorageEraseSection(rtl::TObject *file, const QString &section);

// "(1024x768)": the screen size, added to the position keys so that each
// screen size keeps its own.
QString ScreenSizeSuffix();

void WritePlacementKeys(vcl::TCustomForm *form, rtl::TObject *file, const QString &section);
void ReadPlacementKeys(vcl::TCustomForm *form, const rtl::TObject *file, const QString &section, bool load_position,
                       bool load_state);

}  // namespace ext
