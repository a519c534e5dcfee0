// Messages: how the component library talks to its controls. Every Qt event
// that reaches a control's widget is turned into a `TMessage` with the
// platform's message number (WM_KEYDOWN, WM_LBUTTONDOWN, WM_PAINT...), and
// controls also send each other CM_ notifications (CM_ENTER, CM_DIALOGKEY,
// CM_FONTCHANGED...). Keys travel as virtual-key codes (VK_RETURN...) with
// the key data in LParam: bit 24 set marks the keypad's Enter, as the
// platform's extended-key flag does, so code can tell the two Enter keys
// apart. The Qt event a message came from rides along in `Event`, so the
// default handling can hand it to the widget.
#pragma once

#include <QEvent>
#include <Qt>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/vcl/consts.h"

class QKeyEvent;

namespace vcl {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct TMessage {
  unsigned Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
  // The Qt event behind the message (nullptr for messages sent in code).
  QEvent *Event = nullptr;
  // Set by the control's default handler once the widget's own handling has
  // run (or was not needed): the event is then not swallowed.
  bool DefaultDone = false;
  // What the widget's own handling returned.
  bool DefaultResult = false;
  // The widget's own handling, available while a Qt event is dispatched.
  std::function<bool(QEvent *)> *DefaultProc = nullptr;
  // An event made in place of `Event` (a key whose character a handler
  // changed); it lives as long as the message.
  std::shared_ptr<QEvent> OwnedEvent;

  // Typed views of the common layouts.
  int CharCode() const { return static_cast<int>(WParam); }
  void SetCharCode(int code) { WParam = static_cast<WPARAM>(code); }
  std::int32_t KeyData() const { return static_cast<std::int32_t>(LParam); }
  int XPos() const { return static_cast<std::int16_t>(LParam & 0xFFFF); }
  int YPos() const { return static_cast<std::int16_t>((LParam >> 16) & 0xFFFF); }
  unsigned Keys() const { return static_cast<unsigned>(WParam); }
};

constexpr LPARAM MakeLParam(int low, int high) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(low))) |
                             (static_cast<std::uint32_t>(static_cast<std::uint16_t>(high)) << 16));
}

// --- window messages ----------------------------------------------------------------
inline constexpr unsigned WM_NULL = 0x0000;
inline constexpr unsigned WM_CREATE = 0x0001;
inline constexpr unsigned WM_DESTROY = 0x0002;
inline constexpr unsigned WM_MOVE = 0x0003;
inline constexpr unsigned WM_SIZE = 0x0005;
inline constexpr unsigned WM_ACTIVATE = 0x0006;
inline constexpr unsigned WM_SETFOCUS = 0x0007;
inline constexpr unsigned WM_KILLFOCUS = 0x0008;
inline constexpr unsigned WM_ENABLE = 0x000A;
inline constexpr unsigned WM_SETTEXT = 0x000C;
inline constexpr unsigned WM_GETTEXT = 0x000D;
inline constexpr unsigned WM_PAINT = 0x000F;
inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_QUIT = 0x0012;
inline constexpr unsigned WM_ERASEBKGND = 0x0014;
inline constexpr unsigned WM_SHOWWINDOW = 0x0018;
inline constexpr unsigned WM_CANCELMODE = 0x001F;
inline constexpr unsigned WM_SETCURSOR = 0x0020;
inline constexpr unsigned WM_MOUSEACTIVATE = 0x0021;
inline constexpr unsigned WM_GETMINMAXINFO = 0x0024;
inline constexpr unsigned WM_CONTEXTMENU = 0x007B;
inline constexpr unsigned WM_NCHITTEST = 0x0084;
inline constexpr unsigned WM_GETDLGCODE = 0x0087;
inline constexpr unsigned WM_KEYDOWN = 0x0100;
inline constexpr unsigned WM_KEYUP = 0x0101;
inline constexpr unsigned WM_CHAR = 0x0102;
inline constexpr unsigned WM_SYSKEYDOWN = 0x0104;
inline constexpr unsigned WM_SYSKEYUP = 0x0105;
inline constexpr unsigned WM_SYSCHAR = 0x0106;
inline constexpr unsigned WM_COMMAND = 0x0111;
inline constexpr unsigned WM_SYSCOMMAND = 0x0112;
inline constexpr unsigned WM_TIMER = 0x0113;
inline constexpr unsigned WM_INITMENUPOPUP = 0x0117;
inline constexpr unsigned WM_MOUSEMOVE = 0x0200;
inline constexpr unsigned WM_LBUTTONDOWN = 0x0201;
inline constexpr unsigned WM_LBUTTONUP = 0x0202;
inline constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
inline constexpr unsigned WM_RBUTTONDOWN = 0x0204;
inline constexpr unsigned WM_RBUTTONUP = 0x0205;
inline constexpr unsigned WM_RBUTTONDBLCLK = 0x0206;
inline constexpr unsigned WM_MBUTTONDOWN = 0x0207;
inline constexpr unsigned WM_MBUTTONUP = 0x0208;
inline constexpr unsigned WM_MBUTTONDBLCLK = 0x0209;
inline constexpr unsigned WM_MOUSEWHEEL = 0x020A;
inline constexpr unsigned WM_USER = 0x0400;

// --- component messages ---------------------------------------------------------------
inline constexpr unsigned CM_BASE = 0xB000;
inline constexpr unsigned CM_ACTIVATE = CM_BASE + 0;
inline constexpr unsigned CM_DEACTIVATE = CM_BASE + 1;
inline constexpr unsigned CM_GOTFOCUS = CM_BASE + 2;
inline constexpr unsigned CM_LOSTFOCUS = CM_BASE + 3;
inline constexpr unsigned CM_CANCELMODE = CM_BASE + 4;
inline constexpr unsigned CM_DIALOGKEY = CM_BASE + 5;
inline constexpr unsigned CM_DIALOGCHAR = CM_BASE + 6;
inline constexpr unsigned CM_FOCUSCHANGED = CM_BASE + 7;
inline constexpr unsigned CM_PARENTFONTCHANGED = CM_BASE + 8;
inline constexpr unsigned CM_PARENTCOLORCHANGED = CM_BASE + 9;
inline constexpr unsigned CM_HITTEST = CM_BASE + 10;
inline constexpr unsigned CM_VISIBLECHANGED = CM_BASE + 11;
inline constexpr unsigned CM_ENABLEDCHANGED = CM_BASE + 12;
inline constexpr unsigned CM_COLORCHANGED = CM_BASE + 13;
inline constexpr unsigned CM_FONTCHANGED = CM_BASE + 14;
inline constexpr unsigned CM_CURSORCHANGED = CM_BASE + 15;
inline constexpr unsigned CM_TEXTCHANGED = CM_BASE + 18;
inline constexpr unsigned CM_MOUSEENTER = CM_BASE + 19;
inline constexpr unsigned CM_MOUSELEAVE = CM_BASE + 20;
inline constexpr unsigned CM_BUTTONPRESSED = CM_BASE + 24;
inline constexpr unsigned CM_SHOWINGCHANGED = CM_BASE + 25;
inline constexpr unsigned CM_ENTER = CM_BASE + 26;
inline constexpr unsigned CM_EXIT = CM_BASE + 27;
inline constexpr unsigned CM_WANTSPECIALKEY = CM_BASE + 30;
inline constexpr unsigned CM_RELEASE = CM_BASE + 33;
inline constexpr unsigned CM_SHOWHINTCHANGED = CM_BASE + 34;
inline constexpr unsigned CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
inline constexpr unsigned CM_TABSTOPCHANGED = CM_BASE + 40;
inline constexpr unsigned CM_CHILDKEY = CM_BASE + 46;
inline constexpr unsigned CM_HINTSHOW = CM_BASE + 48;
inline constexpr unsigned CM_RECREATEWND = CM_BASE + 51;
inline constexpr unsigned CM_INVALIDATE = CM_BASE + 52;
inline constexpr unsigned CM_CONTROLCHANGE = CM_BASE + 54;
inline constexpr unsigned CM_CHANGED = CM_BASE + 55;
inline constexpr unsigned CM_BORDERCHANGED = CM_BASE + 59;
// Notifications a control reflects to itself (the platform's CN_ range).
inline constexpr unsigned CN_BASE = 0xBC00;
inline constexpr unsigned CN_COMMAND = CN_BASE + WM_COMMAND;
inline constexpr unsigned CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
inline constexpr unsigned CN_KEYUP = CN_BASE + WM_KEYUP;
inline constexpr unsigned CN_CHAR = CN_BASE + WM_CHAR;
inline constexpr unsigned CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
inline constexpr unsigned CN_SYSCHAR = CN_BASE + WM_SYSCHAR;

// --- WM_GETDLGCODE answers -------------------------------------------------------------
inline constexpr LRESULT DLGC_WANTARROWS = 0x0001;
inline constexpr LRESULT DLGC_WANTTAB = 0x0002;
inline constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
inline constexpr LRESULT DLGC_HASSETSEL = 0x0008;
inline constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x0010;
inline constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x0020;
inline constexpr LRESULT DLGC_RADIOBUTTON = 0x0040;
inline constexpr LRESULT DLGC_WANTCHARS = 0x0080;
inline constexpr LRESULT DLGC_STATIC = 0x0100;
inline constexpr LRESULT DLGC_BUTTON = 0x2000;

// Mouse key flags in WParam of mouse messages.
inline constexpr unsigned MK_LBUTTON = 0x0001;
inline constexpr unsigned MK_RBUTTON = 0x0002;
inline constexpr unsigned MK_SHIFT = 0x0004;
inline constexpr unsigned MK_CONTROL = 0x0008;
inline constexpr unsigned MK_MBUTTON = 0x0010;

// Bit 24 of a key message's LParam: the keypad's Enter (and the other
// extended keys).
inline constexpr LPARAM KF_EXTENDED_BIT = LPARAM{1} << 24;
// Bit 29: Alt was down.
inline constexpr LPARAM KF_ALTDOWN_BIT = LPARAM{1} << 29;

// --- virtual keys ---------------------------------------------------------------------------
inline constexpr int VK_LBUTTON = 0x01;
inline constexpr int VK_RBUTTON = 0x02;
inline constexpr int VK_CANCEL = 0x03;
inline constexpr int VK_MBUTTON = 0x04;
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_CLEAR = 0x0C;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12;
inline constexpr int VK_PAUSE = 0x13;
inline constexpr int VK_CAPITAL = 0x14;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_PRIOR = 0x21;
inline constexpr int VK_NEXT = 0x22;
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_SELECT = 0x29;
inline constexpr int VK_PRINT = 0x2A;
inline constexpr int VK_EXECUTE = 0x2B;
inline constexpr int VK_SNAPSHOT = 0x2C;
inline constexpr int VK_INSERT = 0x2D;
inline constexpr int VK_DELETE = 0x2E;
inline constexpr int VK_HELP = 0x2F;
// '0'..'9' and 'A'..'Z' are their ASCII codes.
inline constexpr int VK_LWIN = 0x5B;
inline constexpr int VK_RWIN = 0x5C;
inline constexpr int VK_APPS = 0x5D;
inline constexpr int VK_NUMPAD0 = 0x60;
inline constexpr int VK_NUMPAD9 = 0x69;
inline constexpr int VK_MULTIPLY = 0x6A;
inline constexpr int VK_ADD = 0x6B;
inline constexpr int VK_SEPARATOR = 0x6C;
inline constexpr int VK_SUBTRACT = 0x6D;
// The main keyboard's plus/equals and minus keys.
inline constexpr int VK_OEM_PLUS = 0xBB;
inline constexpr int VK_OEM_MINUS = 0xBD;
inline constexpr int VK_DECIMAL = 0x6E;
inline constexpr int VK_DIVIDE = 0x6F;
inline constexpr int VK_F1 = 0x70;
inline constexpr int VK_F2 = 0x71;
inline constexpr int VK_F3 = 0x72;
inline constexpr int VK_F4 = 0x73;
inline constexpr int VK_F5 = 0x74;
inline constexpr int VK_F6 = 0x75;
inline constexpr int VK_F7 = 0x76;
inline constexpr int VK_F8 = 0x77;
inline constexpr int VK_F9 = 0x78;
inline constexpr int VK_F10 = 0x79;
inline constexpr int VK_F11 = 0x7A;
inline constexpr int VK_F12 = 0x7B;
inline constexpr int VK_F24 = 0x87;
inline constexpr int VK_NUMLOCK = 0x90;
inline constexpr int VK_SCROLL = 0x91;

// --- shift state and shortcuts -------------------------------------------------------------
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TEnumSet<TShiftStateFlag>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// A key with its modifiers in one 16-bit value: the key in the low byte,
// scShift/scCtrl/scAlt above it (Alt+Down is 32808).
using TShortCut = std::uint16_t;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;

TShortCut ShortCut(int key, TShiftState shift);
void ShortCutToKey(TShortCut shortcut, int &key, TShiftState &shift);

// Keyboard and mouse modifiers of Qt as a shift state.
TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = {});
// The shift state packed in a key message's key data (Alt from bit 29) and
// the live state of Shift and Ctrl.
TShiftState KeyDataToShiftState(LPARAM key_data);

// The virtual key of a Qt key event (0 when it has none). Keypad keys map to
// the VK_NUMPADx codes only for digits; the keypad Enter is VK_RETURN with
// the extended flag in the key data.
int VirtualKeyFromQt(const QKeyEvent *event);
int VirtualKeyFromQtKey(int qt_key, Qt::KeyboardModifiers modifiers);
// The Qt key of a virtual key (Qt::Key_unknown when none).
Qt::Key QtKeyFromVirtualKey(int vk);
// Key data for a key message made from a Qt key event.
LPARAM KeyDataFromQt(const QKeyEvent *event);

// While a key event is dispatched, the modifiers it carries are what
// GetKeyState and KeyDataToShiftState report (the event may be synthetic).
class TKeyModifierScope {
 public:
  explicit TKeyModifierScope(Qt::KeyboardModifiers modifiers);
  ~TKeyModifierScope();
  TKeyModifierScope(const TKeyModifierScope &) = delete;
  TKeyModifierScope &operator=(const TKeyModifierScope &) = delete;

 private:
  Qt::KeyboardModifiers saved_;
  bool had_;
};
Qt::KeyboardModifiers CurrentKeyModifiers();

// Whether a key is down at this moment (only the modifiers are tracked:
// VK_SHIFT, VK_CONTROL, VK_MENU); negative when down, as the platform says.
short GetKeyState(int vk);

// Synthesises a key press as if typed: it joins the event queue and reaches
// the control that has the focus when it is delivered, through the
// application's message hook. Only the key-down half when `flags` has
// KEYEVENTF_KEYUP clear, only the key-up half otherwise.
inline constexpr unsigned KEYEVENTF_EXTENDEDKEY = 0x0001;
inline constexpr unsigned KEYEVENTF_KEYUP = 0x0002;
void keybd_event(int vk, int scan, unsigned flags, std::uintptr_t extra_info);

}  // namespace vcl
