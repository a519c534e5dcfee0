// The window manager's close request (the title bar's close button, Alt+F4),
// sent straight to the window (the tests' X server runs no window manager),
// and the X server's keyboard focus. Apart from the other files because the
// X headers define names (None, Status, Bool) that clash with Qt's and
// GoogleTest's.
#include "tests/program/program_fixture.h"

#ifdef ORBISCA_HAVE_X11
#include <X11/Xlib.h>
#endif

namespace program_test {

bool SendCloseRequest(unsigned long window) {
#ifdef ORBISCA_HAVE_X11
  Display *display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(display, window, False, NoEventMask, &event) != 0;
  XFlush(display);
  XCloseDisplay(display);
  return sent;
#else
  (void)window;
  return false;
#endif
}

bool DropKeyboardFocus() {
#ifdef ORBISCA_HAVE_X11
  Display *display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XSetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);
  XSync(display, False);
  XCloseDisplay(display);
  return true;
#else
  return false;
#endif
}

bool HasKeyboardFocus(unsigned long window) {
#ifdef ORBISCA_HAVE_X11
  Display *display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  Window focused = 0;
  int revert = 0;
  XGetInputFocus(display, &focused, &revert);
  // The focus may sit on a child of the top-level window.
  bool inside = false;
  while (focused != 0 && focused != PointerRoot && !inside) {
    inside = focused == window;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, focused, &root, &parent, &children, &count) == 0) break;
    if (children != nullptr) XFree(children);
    focused = parent == root ? 0 : parent;
  }
  XCloseDisplay(display);
  return inside;
#else
  (void)window;
  return false;
#endif
}

}  // namespace program_test
