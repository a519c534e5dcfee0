// Controls: layout by Align, inherited fonts and colours, window hooks,
// painting through the canvas, mouse events, accelerators and the standard
// controls' values.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include <memory>

#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

using namespace vcl;

namespace {

bool Activate(TCustomForm *f) {
  f->Show();
  QApplication::setActiveWindow(f->Handle());
  return QTest::qWaitForWindowActive(f->Handle());
}

// A custom control that paints a red square through its canvas and logs
// its mouse events.
class Swatch : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  QStringList log;

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(clWhite);
    Canvas()->FillRect(ClientRect());
    Canvas()->Brush()->SetColor(clRed);
    Canvas()->FillRect(Rect(2, 2, 6, 6));
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    log << QStringLiteral("down %1 %2,%3%4").arg(int(b)).arg(x).arg(y).arg(s.Contains(ssDouble) ? " dbl" : "");
    TCustomControl::MouseDown(b, s, x, y);
  }
};

}  // namespace

TEST(Controls, AlignLaysOutTopBottomLeftRightAndClient) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  auto make = [&](TAlign a, int size) {
    auto *p = new TPanel(&form);
    p->SetParent(&form);
    p->SetBounds(0, 0, size, size);
    p->SetAlign(a);
    return p;
  };
  TPanel *top = make(alTop, 30);
  TPanel *bottom = make(alBottom, 20);
  TPanel *left = make(alLeft, 50);
  TPanel *client = make(alClient, 10);
  TPanel *right = make(alRight, 40);
  EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 400, 30));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 280, 400, 300));
  EXPECT_EQ(left->BoundsRect(), Rect(0, 30, 50, 280));
  EXPECT_EQ(right->BoundsRect(), Rect(360, 30, 400, 280));
  EXPECT_EQ(client->BoundsRect(), Rect(50, 30, 360, 280));
  // Resizing the form lays them out again; hiding one gives its room away.
  int resized = 0;
  client->OnResize = [&](rtl::TObject *) { ++resized; };
  form.SetWidth(500);
  EXPECT_EQ(client->BoundsRect(), Rect(50, 30, 460, 280));
  EXPECT_EQ(resized, 1);
  top->Hide();
  EXPECT_EQ(left->BoundsRect(), Rect(0, 0, 50, 280));
  // A panel's children stay inside its bevel.
  auto *inner = new TPanel(&form);
  inner->SetParent(client);
  inner->SetAlign(alClient);
  EXPECT_EQ(inner->BoundsRect(), Rect(1, 1, client->Width() - 1, client->Height() - 1));
}

TEST(Controls, FontsAndColoursFollowTheParentUntilSetOwnValues) {
  TForm form(nullptr);
  auto *panel = new TPanel(&form);
  panel->SetParent(&form);
  auto *edit = new TEdit(&form);
  edit->SetParent(panel);
  auto *label = new TLabel(&form);
  label->SetParent(panel);
  form.Font()->SetName("Arial");
  form.Font()->SetSize(12);
  EXPECT_EQ(edit->Font()->Name(), "Arial");
  EXPECT_EQ(label->Font()->Size(), 12);
  EXPECT_TRUE(edit->ParentFont());
  edit->Font()->SetStyle(TFontStyles{fsBold});
  EXPECT_FALSE(edit->ParentFont());
  form.Font()->SetName("Courier New");
  EXPECT_EQ(edit->Font()->Name(), "Arial");  // no longer follows
  EXPECT_EQ(label->Font()->Name(), "Courier New");
  EXPECT_EQ(edit->Handle()->font().bold(), true);

  panel->SetColor(clYellow);
  EXPECT_EQ(label->Color(), clYellow);  // labels take their parent's colour
  EXPECT_EQ(edit->Color(), clWindow);   // edits keep their own
}

TEST(Controls, WindowHooksSeeMessagesLastAttachedFirstAndMaySwallowThem) {
  TForm form(nullptr);
  auto *edit = new TEdit(&form);
  edit->SetParent(&form);
  ASSERT_TRUE(Activate(&form));
  QStringList log;
  int first_key = 0, second_key = 0;
  edit->AttachHook(&first_key, {[&](TMessage &m) {
                                  if (m.Msg == WM_KEYDOWN) log << "first before";
                                  return false;
                                },
                                [&](TMessage &m) {
                                  if (m.Msg == WM_KEYDOWN) log << "first after";
                                }});
  edit->AttachHook(&second_key, {[&](TMessage &m) {
                                   if (m.Msg == WM_KEYDOWN) log << "second before";
                                   return m.Msg == WM_CHAR && m.CharCode() == 'x';
                                 },
                                 nullptr});
  edit->OnKeyDown = [&](rtl::TObject *, int &, TShiftState) { log << "control"; };
  QTest::keyClick(form.Handle()->windowHandle(), 'a');
  EXPECT_EQ(log, (QStringList{"second before", "first before", "control", "first after"}));
  QTest::keyClick(form.Handle()->windowHandle(), 'x');  // swallowed as a character
  EXPECT_EQ(edit->Text(), "a");
  edit->DetachHook(&second_key);
  EXPECT_FALSE(edit->HasHook(&second_key));
  QTest::keyClick(form.Handle()->windowHandle(), 'x');
  EXPECT_EQ(edit->Text(), "ax");
  // WindowProc can be replaced, keeping the old one to call.
  auto previous = edit->WindowProc;
  int seen = 0;
  edit->WindowProc = [&, previous](TMessage &m) {
    if (m.Msg == WM_CHAR) ++seen;
    previous(m);
  };
  QTest::keyClick(form.Handle()->windowHandle(), 'y');
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(edit->Text(), "axy");
}

TEST(Controls, CustomControlsPaintThroughTheCanvasAndGetMouseEvents) {
  TForm form(nullptr);
  auto *swatch = new Swatch(&form);
  swatch->SetParent(&form);
  swatch->SetBounds(10, 10, 20, 20);
  int clicks = 0, double_clicks = 0;
  swatch->OnClick = [&](rtl::TObject *) { ++clicks; };
  swatch->OnDblClick = [&](rtl::TObject *) { ++double_clicks; };
  ASSERT_TRUE(Activate(&form));
  const QImage img = swatch->Handle()->grab().toImage();
  ASSERT_EQ(img.width(), 20);
  EXPECT_EQ(img.pixelColor(2, 2), QColor(Qt::red));
  EXPECT_EQ(img.pixelColor(5, 5), QColor(Qt::red));
  EXPECT_EQ(img.pixelColor(6, 6), QColor(Qt::white));  // right and bottom edges left out
  QTest::mouseClick(swatch->Handle(), Qt::LeftButton, {}, QPoint(4, 7));
  EXPECT_EQ(clicks, 1);
  QTest::mouseDClick(swatch->Handle(), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(double_clicks, 1);
  ASSERT_GE(swatch->log.size(), 2);
  EXPECT_EQ(swatch->log.front(), "down 0 4,7");
  EXPECT_TRUE(swatch->log.contains("down 0 3,3 dbl"));
  // A press that ends outside the control is no click.
  const int before = clicks;
  QTest::mousePress(swatch->Handle(), Qt::LeftButton, {}, QPoint(4, 4));
  QTest::mouseRelease(swatch->Handle(), Qt::LeftButton, {}, QPoint(40, 40));
  EXPECT_EQ(clicks, before);
}

TEST(Controls, LabelAcceleratorFocusesItsControl) {
  TForm form(nullptr);
  auto *first = new TEdit(&form);
  first->SetParent(&form);
  auto *label = new TLabel(&form);
  label->SetParent(&form);
  label->SetCaption("&Quantità");
  auto *qty = new TEdit(&form);
  qty->SetParent(&form);
  label->SetFocusControl(qty);
  ASSERT_TRUE(Activate(&form));
  ASSERT_TRUE(first->Focused());
  EXPECT_GT(label->Width(), 0);  // sized to its text
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_Q, Qt::AltModifier);
  EXPECT_TRUE(qty->Focused());
  EXPECT_TRUE(first->Text().isEmpty());
  delete qty;  // the label forgets a freed control
  EXPECT_EQ(label->FocusControl(), nullptr);
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_Q, Qt::AltModifier);
  EXPECT_TRUE(IsAccel(u'q', "&Quantità"));
  EXPECT_FALSE(IsAccel(u'q', "&&Quantità"));
}

TEST(Controls, EditsMemosAndCheckBoxesKeepTheirValues) {
  TForm form(nullptr);
  auto *edit = new TEdit(&form);
  int changes = 0;
  edit->OnChange = [&](rtl::TObject *) { ++changes; };
  edit->SetText("prima");  // before the widget exists
  edit->SetMaxLength(4);
  edit->SetParent(&form);
  EXPECT_EQ(edit->Text(), "prima");
  ASSERT_TRUE(Activate(&form));
  edit->SetText("12345678");
  EXPECT_EQ(edit->Text(), "1234");
  EXPECT_EQ(changes, 1);
  edit->SetSelStart(1);
  edit->SetSelLength(2);
  EXPECT_EQ(edit->SelText(), "23");
  edit->SetSelText("x");
  EXPECT_EQ(edit->Text(), "1x4");

  auto *memo = new TMemo(&form);
  memo->SetParent(&form);
  memo->Lines()->Add("uno");
  memo->Lines()->Add("due");
  EXPECT_EQ(memo->Text(), "uno\r\ndue\r\n");
  memo->Lines()->Insert(1, "mezzo");
  EXPECT_EQ(memo->Lines()->Count(), 3);
  EXPECT_EQ(memo->Lines()->Strings(1), "mezzo");
  memo->Lines()->Delete(0);
  EXPECT_EQ(memo->Lines()->Strings(0), "mezzo");
  EXPECT_THROW(memo->Lines()->Strings(5), rtl::EStringListError);
  memo->Lines()->Clear();
  EXPECT_EQ(memo->Lines()->Count(), 0);

  auto *box = new TCheckBox(&form);
  box->SetParent(&form);
  int clicks = 0;
  box->OnClick = [&](rtl::TObject *) { ++clicks; };
  box->SetChecked(true);  // a change from code clicks too
  EXPECT_EQ(clicks, 1);
  QTest::mouseClick(box->Handle(), Qt::LeftButton, {}, QPoint(5, 8));
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(clicks, 2);
  box->SetState(cbGrayed);  // not allowed: stays unchecked
  EXPECT_EQ(box->State(), cbUnchecked);
  EXPECT_EQ(clicks, 2);
}

TEST(Controls, PropertiesByNameReachControlsAndTheirFonts) {
  TForm form(nullptr);
  form.SetName("MenuForm");
  auto *edit = new TEdit(&form);
  edit->SetName("azzera");
  edit->SetParent(&form);
  SetStrProp(edit, "Text", "000");
  rtl::TObject *target = nullptr;
  const TPropInfo &name = ResolvePropPath(&form, "azzera.Font.Name", &target);
  name.SetStr(target, "Arial");
  EXPECT_EQ(edit->Font()->Name(), "Arial");
  SetSetProp(edit->Font(), "Style", "[fsBold,fsItalic]");
  EXPECT_EQ(GetSetProp(edit->Font(), "Style"), "[fsBold,fsItalic]");
  EXPECT_EQ(GetStrProp(edit, "text"), "000");
  SetEnumProp(edit, "Align", "alBottom");
  EXPECT_EQ(edit->Align(), alBottom);
  SetEnumProp(edit, "CharCase", "ecUpperCase");
  EXPECT_EQ(edit->CharCase(), ecUpperCase);
  EXPECT_TRUE(IsPublishedProp(edit, "OnChange"));
  EXPECT_TRUE(IsStoredProp(edit, FindPropInfo(edit, "Font")));  // its own now
  auto *memo = new TMemo(&form);
  memo->SetParent(&form);
  EXPECT_FALSE(IsStoredProp(memo, FindPropInfo(memo, "Font")));  // follows the form's
  auto *lines = dynamic_cast<rtl::TStrings *>(GetObjectProp(memo, "Lines"));
  ASSERT_NE(lines, nullptr);
  lines->SetText("a\r\nb");
  EXPECT_EQ(memo->Lines()->Count(), 2);
  TComponent *made = FindClass("TButton")(&form);
  EXPECT_EQ(made->ClassName(), "TButton");
}

TEST(Controls, KeysMapBetweenQtAndThePlatform) {
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_A, Qt::NoModifier), 'A');
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_7, Qt::NoModifier), '7');
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_7, Qt::KeypadModifier), VK_NUMPAD0 + 7);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_F10, Qt::NoModifier), VK_F10);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Enter, Qt::KeypadModifier), VK_RETURN);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Backtab, Qt::ShiftModifier), VK_TAB);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Period, Qt::KeypadModifier), VK_DECIMAL);
  EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_unknown, Qt::NoModifier), 0);
  for (int vk : {VK_RETURN, VK_TAB, VK_ESCAPE, VK_DOWN, VK_DELETE, VK_F1, VK_F12, int('Q'), int('0')})
    EXPECT_EQ(VirtualKeyFromQtKey(QtKeyFromVirtualKey(vk), Qt::NoModifier), vk) << vk;

  const QKeyEvent main_enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  const QKeyEvent pad_enter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier, "\r");
  EXPECT_EQ(KeyDataFromQt(&main_enter) & KF_EXTENDED_BIT, 0);
  EXPECT_NE(KeyDataFromQt(&pad_enter) & KF_EXTENDED_BIT, 0);

  EXPECT_EQ(ShortCut(VK_DOWN, TShiftState{ssAlt}), 32808);
  int key = 0;
  TShiftState shift;
  ShortCutToKey(ShortCut('S', TShiftState{ssCtrl, ssShift}), key, shift);
  EXPECT_EQ(key, 'S');
  EXPECT_EQ(shift, (TShiftState{ssCtrl, ssShift}));
  EXPECT_EQ(MakeLParam(-3, 40), LPARAM(0x0028FFFD));
  TMessage m;
  m.LParam = MakeLParam(-3, 40);
  EXPECT_EQ(m.XPos(), -3);
  EXPECT_EQ(m.YPos(), 40);
}

TEST(Controls, ArrowsMoveAmongButtonsButStayInEdits) {
  TForm form(nullptr);
  auto *edit = new TEdit(&form);
  edit->SetParent(&form);
  auto *b1 = new TButton(&form);
  b1->SetParent(&form);
  auto *b2 = new TButton(&form);
  b2->SetParent(&form);
  b2->SetTabStop(false);  // arrows ignore tab stops, Tab does not
  ASSERT_TRUE(Activate(&form));
  edit->SetText("abc");
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_Left);
  EXPECT_TRUE(edit->Focused());
  b1->SetFocus();
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_Down);
  EXPECT_TRUE(b2->Focused());
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_Up);
  EXPECT_TRUE(b1->Focused());
  QTest::keyClick(form.Handle()->windowHandle(), Qt::Key_Tab);
  EXPECT_TRUE(edit->Focused());  // b2 is no tab stop
  EXPECT_EQ(form.FindNextControl(edit, false, true, false), b1);
  EXPECT_EQ(form.FindNextControl(b1, true, false, false), b2);
}

TEST(Controls, FreeingFromInsideAnEventDoesNotCrash) {
  auto *form = new TForm(nullptr);
  auto *button = new TButton(form);
  button->SetParent(form);
  auto *gone = new TButton(form);
  gone->SetParent(form);
  gone->SetTop(40);
  ASSERT_TRUE(Activate(form));
  const QPointer<QWidget> gone_widget = gone->Handle();
  gone->OnClick = [gone](rtl::TObject *) { delete gone; };
  QTest::mouseClick(gone->Handle(), Qt::LeftButton);
  EXPECT_EQ(form->ControlCount(), 1);
  const QPointer<QWidget> window = form->Handle();
  const int forms = Screen->FormCount();
  bool deleted = false;
  button->OnClick = [form, &deleted](rtl::TObject *) {
    bool &flag = deleted;  // this closure goes with the form
    delete form;
    flag = true;
  };
  button->SetFocus();
  QTest::keyClick(form->Handle()->windowHandle(), Qt::Key_Space);
  QTest::qWait(10);  // the widgets go once the event is over
  // Both went, with their widgets, and the screen no longer lists the form.
  EXPECT_TRUE(deleted);
  EXPECT_TRUE(gone_widget.isNull());
  EXPECT_TRUE(window.isNull());
  EXPECT_EQ(Screen->FormCount(), forms - 1);
}

TEST(Controls, PerformSkipsWindowHooksAndSendMessageGoesThroughThem) {
  TForm form(nullptr);
  auto *panel = new TPanel(&form);
  panel->SetParent(&form);
  int hooked = 0;
  panel->AttachHook(&hooked, {[&](TMessage &m) {
                                if (m.Msg == WM_USER + 1) ++hooked;
                                return false;
                              },
                              nullptr});
  panel->Perform(WM_USER + 1);
  EXPECT_EQ(hooked, 0);
  panel->SendMessage(WM_USER + 1);
  EXPECT_EQ(hooked, 1);
  // CM_ messages broadcast to children stop at the first that answers.
  auto *b = new TButton(&form);
  b->SetParent(panel);
  b->SetCancel(true);
  int clicked = 0;
  b->OnClick = [&](rtl::TObject *) { ++clicked; };
  panel->SetEnabled(false);
  EXPECT_EQ(panel->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 0);  // a disabled button is no target
  panel->SetEnabled(true);
  EXPECT_EQ(panel->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 1);
  EXPECT_EQ(clicked, 1);
}

TEST(Controls, InnerWidgetsReachTheirControlsMessagePath) {
  TForm form(nullptr);
  auto *holder = new TCustomControl(&form);
  holder->SetParent(&form);
  holder->SetBounds(0, 0, 100, 30);
  auto *inner = new QLineEdit(holder->Handle());
  inner->setGeometry(0, 0, 100, 30);
  RouteEventsToControl(inner, holder);
  QString pressed;
  holder->OnKeyPress = [&](rtl::TObject *, QChar &key) {
    pressed += key;
    if (key == u'z') key = QChar();
    if (key == u'b') key = u'c';
  };
  ASSERT_TRUE(Activate(&form));
  inner->setFocus();
  for (char c : {'a', 'z', 'b'}) QTest::keyClick(form.Handle()->windowHandle(), c);
  EXPECT_EQ(pressed, "azb");
  EXPECT_EQ(inner->text(), "ac");
  EXPECT_EQ(FindControl(inner), holder);
}

TEST(Controls, EnabledVisibleAndHintsFollowTheParents) {
  TForm form(nullptr);
  auto *panel = new TPanel(&form);
  panel->SetParent(&form);
  auto *edit = new TEdit(&form);
  edit->SetParent(panel);
  edit->SetHint("Codice a barre|Il codice letto dallo scanner");
  ASSERT_TRUE(Activate(&form));
  EXPECT_TRUE(edit->CanFocus());
  panel->SetEnabled(false);
  EXPECT_FALSE(edit->CanFocus());
  EXPECT_FALSE(edit->Handle()->isEnabled());
  EXPECT_TRUE(edit->Enabled());  // its own setting is kept
  panel->SetEnabled(true);
  panel->Hide();
  EXPECT_FALSE(edit->Showing());
  EXPECT_TRUE(edit->Visible());
  panel->Show();
  EXPECT_TRUE(edit->Showing());

  EXPECT_TRUE(edit->Handle()->toolTip().isEmpty());
  form.SetShowHint(true);
  EXPECT_TRUE(edit->ShowHint());
  EXPECT_EQ(edit->Handle()->toolTip(), "Codice a barre");  // the short part
  edit->SetShowHint(false);
  EXPECT_FALSE(edit->ParentShowHint());
  EXPECT_TRUE(edit->Handle()->toolTip().isEmpty());
  edit->SetCursor(crHandPoint);
  EXPECT_EQ(edit->Handle()->cursor().shape(), Qt::PointingHandCursor);
}

namespace {
// A control made of a Qt widget with an editor inside, routed while the
// widget is being made (as combo boxes do).
class Composite : public TWinControl {
 public:
  using TWinControl::TWinControl;
  QLineEdit *editor = nullptr;

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override {
    auto *w = new TControlWidget<QWidget>(this, parent_widget);
    editor = new QLineEdit(w);
    editor->setGeometry(0, 0, 80, 20);
    RouteEventsToControl(editor, this);
    return w;
  }
};
}  // namespace

TEST(Controls, RoutingFromInsideCreateWidget) {
  TForm form(nullptr);
  auto *c = new Composite(&form);
  c->SetParent(&form);
  c->SetBounds(0, 0, 80, 20);
  int keys = 0;
  c->OnKeyDown = [&](rtl::TObject *, int &, TShiftState) { ++keys; };
  ASSERT_TRUE(Activate(&form));
  ASSERT_NE(c->editor, nullptr);
  c->editor->setFocus();
  QTest::keyClick(form.Handle()->windowHandle(), 'k');
  EXPECT_EQ(keys, 1);
  EXPECT_EQ(c->editor->text(), "k");
  EXPECT_EQ(form.ActiveControl(), c);
}

TEST(Controls, LabelsSizeToTheirTextAndPanelsDrawTheirBevels) {
  TForm form(nullptr);
  form.SetColor(clWhite);
  auto *label = new TLabel(&form);
  label->SetParent(&form);
  label->SetBounds(100, 10, 10, 10);
  label->SetCaption("Resto");
  const int short_width = label->Width();
  label->SetCaption("Resto da pagare");
  EXPECT_GT(label->Width(), short_width);
  EXPECT_EQ(label->Left(), 100);
  auto *right = new TLabel(&form);
  right->SetParent(&form);
  right->SetAlignment(taRightJustify);
  right->SetBounds(100, 40, 10, 10);
  right->SetCaption("Totale");
  EXPECT_EQ(right->Left() + right->Width(), 110);  // grows to the left
  const int h = label->Height();
  label->Font()->SetSize(20);
  EXPECT_GT(label->Height(), h);

  auto *panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(0, 60, 50, 30);
  panel->SetColor(clYellow);
  ASSERT_TRUE(Activate(&form));
  const QImage img = panel->Handle()->grab().toImage();
  EXPECT_EQ(img.pixelColor(0, 0), ColorToQColor(clBtnHighlight));  // raised: light top-left
  EXPECT_EQ(img.pixelColor(49, 29), ColorToQColor(clBtnShadow));   // dark bottom-right
  EXPECT_EQ(img.pixelColor(25, 3), QColor(Qt::yellow));
  panel->SetBevelOuter(bvLowered);
  const QImage lowered = panel->Handle()->grab().toImage();
  EXPECT_EQ(lowered.pixelColor(0, 0), ColorToQColor(clBtnShadow));

  label->SetTransparent(false);
  label->SetColor(clRed);
  const QImage opaque = label->Handle()->grab().toImage();
  EXPECT_EQ(opaque.pixelColor(opaque.width() - 1, opaque.height() - 1), QColor(Qt::red));
}

TEST(Controls, AnEditStoresItsTextOnce) {
  TForm form(nullptr);
  auto *edit = new TEdit(&form);
  auto *button = new TButton(&form);
  edit->SetText("000");
  button->SetCaption("Cambia");
  EXPECT_TRUE(IsStoredProp(edit, FindPropInfo(edit, "Text")));
  EXPECT_FALSE(IsStoredProp(edit, FindPropInfo(edit, "Caption")));
  EXPECT_TRUE(IsStoredProp(button, FindPropInfo(button, "Caption")));
  SetStrProp(&form, "Caption", "Gestione Orbisca 04.03");
  EXPECT_EQ(form.Handle()->windowTitle(), "Gestione Orbisca 04.03");
}

TEST(Controls, TheWheelReachesOnMouseWheelBeforeTheWidgetScrolls) {
  TForm form(nullptr);
  auto *memo = new TMemo(&form);
  memo->SetParent(&form);
  int seen_delta = 0;
  bool handle = true;
  memo->OnMouseWheel = [&](rtl::TObject *, TShiftState, int delta, TPoint, bool &handled) {
    seen_delta = delta;
    handled = handle;
  };
  ASSERT_TRUE(Activate(&form));
  QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  EXPECT_TRUE(QApplication::sendEvent(memo->Handle(), &down));
  EXPECT_EQ(seen_delta, -120);
}
