// Key codes between Qt and the platform's virtual keys, shift states,
// shortcuts, and the synthesised key input.
#include "platform/vcl/messages.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace vcl {

TShortCut ShortCut(int key, TShiftState shift) {
  TShortCut result = static_cast<TShortCut>(key & 0xFF);
  if (shift.Contains(ssShift)) result |= scShift;
  if (shift.Contains(ssCtrl)) result |= scCtrl;
  if (shift.Contains(ssAlt)) result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut shortcut, int &key, TShiftState &shift) {
  key = shortcut & 0xFF;
  shift = {};
  if (shortcut & scShift) shift.Include(ssShift);
  if (shortcut & scCtrl) shift.Include(ssCtrl);
  if (shortcut & scAlt) shift.Include(ssAlt);
}

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState s;
  if (modifiers & Qt::ShiftModifier) s.Include(ssShift);
  if (modifiers & Qt::AltModifier) s.Include(ssAlt);
  if (modifiers & Qt::ControlModifier) s.Include(ssCtrl);
  if (buttons & Qt::LeftButton) s.Include(ssLeft);
  if (buttons & Qt::RightButton) s.Include(ssRight);
  if (buttons & Qt::MiddleButton) s.Include(ssMiddle);
  return s;
}

namespace {
Qt::KeyboardModifiers g_scope_modifiers;
bool g_in_scope = false;
}  // namespace

TKeyModifierScope::TKeyModifierScope(Qt::KeyboardModifiers modifiers) : saved_(g_scope_modifiers), had_(g_in_scope) {
  g_scope_modifiers = modifiers;
  g_in_scope = true;
}

TKeyModifierScope::~TKeyModifierScope() {
  g_scope_modifiers = saved_;
  g_in_scope = had_;
}

Qt::KeyboardModifiers CurrentKeyModifiers() {
  return g_in_scope ? g_scope_modifiers : QGuiApplication::queryKeyboardModifiers();
}

TShiftState KeyDataToShiftState(LPARAM key_data) {
  TShiftState s;
  const Qt::KeyboardModifiers live = CurrentKeyModifiers();
  if (live & Qt::ShiftModifier) s.Include(ssShift);
  if (live & Qt::ControlModifier) s.Include(ssCtrl);
  if (key_data & KF_ALTDOWN_BIT) s.Include(ssAlt);
  return s;
}

namespace {

struct KeyPair {
  int qt;
  int vk;
};

// Keys whose codes differ between the two worlds. Letters and digits are
// the same on both sides (ASCII upper case).
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_Tab, VK_TAB},
    {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Clear, VK_CLEAR},
    {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL},
    {Qt::Key_Alt, VK_MENU},
    {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_CapsLock, VK_CAPITAL},
    {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},
    {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Select, VK_SELECT},
    {Qt::Key_Print, VK_SNAPSHOT},
    {Qt::Key_Execute, VK_EXECUTE},
    {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},
    {Qt::Key_Help, VK_HELP},
    {Qt::Key_Meta, VK_LWIN},
    {Qt::Key_Menu, VK_APPS},
    {Qt::Key_NumLock, VK_NUMLOCK},
    {Qt::Key_ScrollLock, VK_SCROLL},
    {Qt::Key_Asterisk, VK_MULTIPLY},
    {Qt::Key_Plus, VK_OEM_PLUS},
    {Qt::Key_Equal, VK_OEM_PLUS},
    {Qt::Key_Minus, VK_OEM_MINUS},
    {Qt::Key_Underscore, VK_OEM_MINUS},
    {Qt::Key_Slash, VK_DIVIDE},
    {Qt::Key_Period, 0xBE},
    {Qt::Key_Comma, 0xBC},
};

}  // namespace

int VirtualKeyFromQtKey(int qt_key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers & Qt::KeypadModifier;
  if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return keypad ? VK_NUMPAD0 + (qt_key - Qt::Key_0) : qt_key;
  if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return qt_key;
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return VK_F1 + (qt_key - Qt::Key_F1);
  if (keypad && qt_key == Qt::Key_Period) return VK_DECIMAL;
  // The keypad's plus and minus are keys of their own; the main keyboard's
  // are the plus/equals and minus keys.
  if (keypad && qt_key == Qt::Key_Plus) return VK_ADD;
  if (keypad && qt_key == Qt::Key_Minus) return VK_SUBTRACT;
  if (keypad && qt_key == Qt::Key_Comma) return VK_DECIMAL;
  for (const KeyPair &k : kKeys)
    if (k.qt == qt_key) return k.vk;
  return 0;
}

int VirtualKeyFromQt(const QKeyEvent *event) { return VirtualKeyFromQtKey(event->key(), event->modifiers()); }

Qt::Key QtKeyFromVirtualKey(int vk) {
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return static_cast<Qt::Key>(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<Qt::Key>(Qt::Key_0 + vk - VK_NUMPAD0);
  if (vk >= VK_F1 && vk <= VK_F24) return static_cast<Qt::Key>(Qt::Key_F1 + vk - VK_F1);
  if (vk == VK_ADD) return Qt::Key_Plus;
  if (vk == VK_SUBTRACT) return Qt::Key_Minus;
  for (const KeyPair &k : kKeys)
    if (k.vk == vk && k.qt != Qt::Key_Backtab && k.qt != Qt::Key_Enter) return static_cast<Qt::Key>(k.qt);
  return Qt::Key_unknown;
}

LPARAM KeyDataFromQt(const QKeyEvent *event) {
  LPARAM data = 1;  // repeat count
  data |= static_cast<LPARAM>(event->nativeScanCode() & 0xFF) << 16;
  const int key = event->key();
  const bool keypad = event->modifiers() & Qt::KeypadModifier;
  // The platform marks the keypad Enter, the arrows and the editing block as
  // extended keys.
  if (key == Qt::Key_Enter || (keypad && key == Qt::Key_Slash) ||
      ((key >= Qt::Key_Left && key <= Qt::Key_Down) && !keypad) ||
      ((key == Qt::Key_Insert || key == Qt::Key_Delete || key == Qt::Key_Home || key == Qt::Key_End ||
        key == Qt::Key_PageUp || key == Qt::Key_PageDown) &&
       !keypad))
    data |= KF_EXTENDED_BIT;
  if (event->modifiers() & Qt::AltModifier) data |= KF_ALTDOWN_BIT;
  if (event->isAutoRepeat()) data |= LPARAM{1} << 30;
  if (event->type() == QEvent::KeyRelease) data |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
  return data;
}

short GetKeyState(int vk) {
  const Qt::KeyboardModifiers m = CurrentKeyModifiers();
  bool down = false;
  switch (vk) {
    case VK_SHIFT:
      down = m & Qt::ShiftModifier;
      break;
    case VK_CONTROL:
      down = m & Qt::ControlModifier;
      break;
    case VK_MENU:
      down = m & Qt::AltModifier;
      break;
    default:
      break;
  }
  return down ? static_cast<short>(-32768) : 0;
}

namespace {

// A synthesised key waits in the queue as this event and becomes a real key
// event for whatever has the focus when it is delivered.
class SyntheticKeyEvent : public QEvent {
 public:
  static QEvent::Type TypeId() {
    static const int id = QEvent::registerEventType();
    return static_cast<QEvent::Type>(id);
  }
  SyntheticKeyEvent(int vk, bool key_up, bool extended)
      : QEvent(TypeId()), vk_(vk), key_up_(key_up), extended_(extended) {}
  int vk_;
  bool key_up_;
  bool extended_;
};

class SyntheticKeyDelivery : public QObject {
 public:
  bool event(QEvent *e) override {
    if (e->type() != SyntheticKeyEvent::TypeId()) return QObject::event(e);
    const auto *k = static_cast<SyntheticKeyEvent *>(e);
    QWidget *target = QApplication::focusWidget();
    if (target == nullptr) target = QApplication::activeWindow();
    if (target == nullptr) return true;  // nobody to type to: the key is lost
    Qt::Key key = QtKeyFromVirtualKey(k->vk_);
    Qt::KeyboardModifiers mods = CurrentKeyModifiers();
    if (k->vk_ == VK_RETURN && k->extended_) {
      key = Qt::Key_Enter;
      mods |= Qt::KeypadModifier;
    }
    QString text;
    switch (k->vk_) {
      case VK_TAB:
        text = QStringLiteral("\t");
        break;
      case VK_RETURN:
        text = QStringLiteral("\r");
        break;
      case VK_ESCAPE:
        text = QString(QChar(27));
        break;
      case VK_BACK:
        text = QString(QChar(8));
        break;
      case VK_SPACE:
        text = QStringLiteral(" ");
        break;
      default:
        if ((k->vk_ >= '0' && k->vk_ <= '9') || (k->vk_ >= 'A' && k->vk_ <= 'Z'))
          text = (mods & Qt::ShiftModifier) ? QString(QChar(k->vk_)) : QString(QChar(k->vk_)).toLower();
        break;
    }
    QKeyEvent ke(k->key_up_ ? QEvent::KeyRelease : QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &ke);
    return true;
  }
};

SyntheticKeyDelivery *Delivery() {
  static QPointer<SyntheticKeyDelivery> delivery;
  if (delivery.isNull()) delivery = new SyntheticKeyDelivery;
  return delivery.data();
}

}  // namespace

void keybd_event(int vk, int /*scan*/, unsigned flags, std::uintptr_t /*extra_info*/) {
  if (QCoreApplication::instance() == nullptr) return;
  QCoreApplication::postEvent(Delivery(),
                              new SyntheticKeyEvent(vk, flags & KEYEVENTF_KEYUP, flags & KEYEVENTF_EXTENDEDKEY));
}

}  // namespace vcl
