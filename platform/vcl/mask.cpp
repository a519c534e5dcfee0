// The masked edit (see mask.h).
#include "platform/vcl/mask.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include "platform/rtl/formatsettings.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/reportfailures.h"

namespace vcl {

// --- TEditMask ----------------------------------------------------------------------------------

namespace {

bool IsInputKind(QChar c) {
  switch (c.unicode()) {
    case u'L':
    case u'l':
    case u'A':
    case u'a':
    case u'C':
    case u'c':
    case u'0':
    case u'9':
    case u'#':
      return true;
    default:
      return false;
  }
}

bool IsRequiredKind(QChar c) { return c == u'L' || c == u'A' || c == u'C' || c == u'0'; }

}  // namespace

TEditMask::TEditMask(const QString &mask) {
  // The fields after the mask: the first unescaped ";" ends it.
  qsizetype end = -1;
  for (qsizetype i = 0; i < mask.size(); ++i) {
    if (mask[i] == u'\\') {
      ++i;
      continue;
    }
    if (mask[i] == u';') {
      end = i;
      break;
    }
  }
  const QString body = end >= 0 ? mask.left(end) : mask;
  if (end >= 0) {
    const QStringList fields = mask.mid(end + 1).split(u';');
    if (!fields.isEmpty() && !fields[0].isEmpty()) save_literals_ = fields[0][0] != u'0';
    if (fields.size() > 1 && !fields[1].isEmpty()) blank_ = fields[1][0];
  }
  const rtl::TFormatSettings &fs = rtl::FormatSettings();
  int case_mode = 0;
  for (qsizetype i = 0; i < body.size(); ++i) {
    const QChar c = body[i];
    Place p;
    if (c == u'\\' && i + 1 < body.size()) {
      p.ch = body[++i];
    } else if (c == u'!') {
      continue;
    } else if (c == u'>') {
      if (i + 1 < body.size() && body[i + 1] == u'<') {
        case_mode = 0;
        ++i;
      } else {
        case_mode = 1;
      }
      continue;
    } else if (c == u'<') {
      case_mode = 2;
      continue;
    } else if (IsInputKind(c)) {
      p.literal = false;
      p.ch = c;
      p.case_mode = case_mode;
    } else if (c == u':') {
      p.ch = fs.TimeSeparator;
    } else if (c == u'/') {
      p.ch = fs.DateSeparator;
    } else if (c == u'_') {
      p.ch = QLatin1Char(' ');
    } else {
      p.ch = c;
    }
    places_.push_back(p);
  }
}

bool TEditMask::IsLiteral(int pos) const {
  return pos < 0 || pos >= Length() || places_[static_cast<size_t>(pos)].literal;
}

QChar TEditMask::Convert(int pos, QChar c) const {
  if (IsLiteral(pos)) return c;
  switch (places_[static_cast<size_t>(pos)].case_mode) {
    case 1:
      return c.toUpper();
    case 2:
      return c.toLower();
    default:
      return c;
  }
}

bool TEditMask::Accepts(int pos, QChar c) const {
  if (IsLiteral(pos)) return false;
  switch (places_[static_cast<size_t>(pos)].ch.unicode()) {
    case u'L':
    case u'l':
      return c.isLetter();
    case u'A':
    case u'a':
      return c.isLetterOrNumber();
    case u'C':
    case u'c':
      return c.isPrint();
    case u'0':
    case u'9':
      return c >= u'0' && c <= u'9';
    case u'#':
      return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-';
    default:
      return false;
  }
}

int TEditMask::NextInput(int pos) const {
  for (int i = std::max(pos, 0); i < Length(); ++i)
    if (!places_[static_cast<size_t>(i)].literal) return i;
  return Length();
}

int TEditMask::PrevInput(int pos) const {
  for (int i = std::min(pos, Length()) - 1; i >= 0; --i)
    if (!places_[static_cast<size_t>(i)].literal) return i;
  return -1;
}

QString TEditMask::EmptyEditText() const {
  QString out;
  for (const Place &p : places_) out += p.literal ? p.ch : blank_;
  return out;
}

QString TEditMask::EditFromText(const QString &text) const {
  QString out = EmptyEditText();
  if (save_literals_) {
    // Place by place: a character that does not fit leaves its place empty.
    for (int i = 0; i < Length() && i < text.size(); ++i)
      if (!IsLiteral(i) && text[i] != u' ' && Accepts(i, Convert(i, text[i]))) out[i] = Convert(i, text[i]);
  } else {
    int pos = NextInput(0);
    for (QChar c : text) {
      if (pos >= Length()) break;
      if (c != u' ' && Accepts(pos, Convert(pos, c))) out[pos] = Convert(pos, c);
      pos = NextInput(pos + 1);
    }
  }
  return out;
}

QString TEditMask::TextFromEdit(const QString &edit_text) const {
  QString out;
  for (int i = 0; i < Length(); ++i) {
    const QChar c = i < edit_text.size() ? edit_text[i] : blank_;
    if (IsLiteral(i)) {
      if (save_literals_) out += places_[static_cast<size_t>(i)].ch;
    } else {
      out += c == blank_ ? QChar(u' ') : c;
    }
  }
  return out;
}

bool TEditMask::IsComplete(const QString &edit_text) const {
  bool any = false, missing = false;
  for (int i = 0; i < Length(); ++i) {
    if (IsLiteral(i)) continue;
    const bool empty = i >= edit_text.size() || edit_text[i] == blank_ || edit_text[i] == u' ';
    if (!empty) any = true;
    if (empty && IsRequiredKind(places_[static_cast<size_t>(i)].ch)) missing = true;
  }
  return !any || !missing;
}

// --- TCustomMaskEdit --------------------------------------------------------------------------------

TCustomMaskEdit::TCustomMaskEdit(TComponent *owner) : TCustomEdit(owner) {}

void TCustomMaskEdit::SetEditMask(const QString &mask) {
  const QString text = GetText();
  edit_mask_ = mask;
  mask_ = TEditMask(mask);
  if (IsMasked()) {
    text_ = mask_.TextFromEdit(mask_.EditFromText(text));
    if (widget_ != nullptr) PutEditText(mask_.EditFromText(text_), 0);
  }
}

QString TCustomMaskEdit::EditText() const {
  if (!IsMasked()) return GetText();
  if (auto *e = LineEdit()) return e->text();
  return mask_.EditFromText(text_);
}

void TCustomMaskEdit::SetEditText(const QString &text) {
  if (!IsMasked()) {
    SetText(text);
    return;
  }
  SetText(mask_.TextFromEdit(text));
}

QString TCustomMaskEdit::GetText() const {
  if (!IsMasked()) return TCustomEdit::GetText();
  if (auto *e = LineEdit()) return mask_.TextFromEdit(e->text());
  return mask_.TextFromEdit(mask_.EditFromText(text_));
}

void TCustomMaskEdit::SetTextInWidget(const QString &text) {
  if (!IsMasked()) {
    TCustomEdit::SetTextInWidget(text);
    return;
  }
  PutEditText(mask_.EditFromText(text), 0);
}

void TCustomMaskEdit::InitWidget() {
  TCustomEdit::InitWidget();
  if (IsMasked()) {
    const QSignalBlocker blocker(widget_);
    LineEdit()->setText(mask_.EditFromText(text_));
  }
}

void TCustomMaskEdit::PutEditText(const QString &text, int cursor) {
  QLineEdit *e = LineEdit();
  if (e == nullptr) {
    text_ = mask_.TextFromEdit(text);
    return;
  }
  if (e->text() != text) e->setText(text);
  e->setCursorPosition(cursor);
}

void TCustomMaskEdit::ClearRange(QString &text, int from, int to) const {
  for (int i = from; i < to && i < text.size(); ++i)
    if (!mask_.IsLiteral(i)) text[i] = mask_.Blank();
}

void TCustomMaskEdit::KeyDown(int &key, TShiftState shift) {
  TCustomEdit::KeyDown(key, shift);
  if (key == 0 || !IsMasked() || LineEdit() == nullptr) return;
  QLineEdit *e = LineEdit();
  if (key == VK_ESCAPE && Modified()) {
    Reset();
    key = 0;
    return;
  }
  if (key != VK_BACK && key != VK_DELETE) return;
  if (ReadOnly()) {
    key = 0;
    return;
  }
  QString text = e->text();
  int cursor = e->cursorPosition();
  if (e->hasSelectedText()) {
    const int start = e->selectionStart();
    ClearRange(text, start, start + static_cast<int>(e->selectedText().size()));
    cursor = start;
  } else if (key == VK_BACK) {
    const int p = mask_.PrevInput(cursor);
    if (p >= 0) {
      text[p] = mask_.Blank();
      cursor = p;
    }
  } else {
    const int p = mask_.NextInput(cursor);
    if (p < mask_.Length()) text[p] = mask_.Blank();
  }
  PutEditText(text, cursor);
  SetModified(true);
  key = 0;
}

void TCustomMaskEdit::KeyPress(QChar &key) {
  TCustomEdit::KeyPress(key);
  if (key.isNull() || !IsMasked() || LineEdit() == nullptr) return;
  // Backspace was done on its key-down; other control characters pass.
  if (key.unicode() == 8) key = QChar();
  if (key.unicode() < 32) return;
  QLineEdit *e = LineEdit();
  const QChar typed = key;
  key = QChar();  // the widget never types into a mask itself
  if (ReadOnly()) return;
  QString text = e->text();
  int cursor = e->cursorPosition();
  if (e->hasSelectedText()) {
    const int start = e->selectionStart();
    ClearRange(text, start, start + static_cast<int>(e->selectedText().size()));
    cursor = start;
  }
  const int p = mask_.NextInput(cursor);
  const QChar c = mask_.Convert(p, typed);
  if (p >= mask_.Length() || !mask_.Accepts(p, c)) {
    // The literal the cursor has just skipped after a full field: typing it
    // ("07" then "/") is already done, not the end of the next field.
    if (cursor > 0 && mask_.IsLiteral(cursor - 1) && text[cursor - 1] == typed) {
      PutEditText(text, cursor);
      return;
    }
    // A typed literal (the date separator) ends the field: the cursor goes
    // past the next such literal.
    for (int q = cursor; q < mask_.Length(); ++q)
      if (mask_.IsLiteral(q) && text[q] == typed) {
        PutEditText(text, std::min(mask_.NextInput(q + 1), mask_.Length()));
        return;
      }
  }
  if (p >= mask_.Length()) return;
  if (!mask_.Accepts(p, c)) {
    PutEditText(text, cursor);
    return;
  }
  text[p] = c;
  const int next = mask_.NextInput(p + 1);
  PutEditText(text, next < mask_.Length() ? next : p + 1);
  SetModified(true);
}

void TCustomMaskEdit::ValidateEdit() {
  if (IsMasked() && !mask_.IsComplete(EditText())) throw EDBEditError(QString::fromLatin1(kMaskEditError));
}

void TCustomMaskEdit::Reset() {
  if (!IsMasked()) return;
  PutEditText(mask_.EditFromText(entered_text_), 0);
  SetModified(false);
}

void TCustomMaskEdit::DoEnter() {
  entered_text_ = GetText();
  TCustomEdit::DoEnter();
}

void TCustomMaskEdit::DoExit() {
  if (IsMasked() && Modified() && !mask_.IsComplete(EditText())) {
    // The focus stays so the user can finish or press Esc.
    SetFocus();
    if (QLineEdit *e = LineEdit()) e->setCursorPosition(mask_.NextInput(0));
    ReportException(this, EDBEditError(QString::fromLatin1(kMaskEditError)));
    return;
  }
  TCustomEdit::DoExit();
}

ORBISCA_PUBLISHED(TCustomMaskEdit, TWinControl) {
  p.Property("EditMask", &TCustomMaskEdit::EditMask, &TCustomMaskEdit::SetEditMask);
  p.Property("Text", &TCustomMaskEdit::Text, &TCustomMaskEdit::SetText);
}

namespace {
[[maybe_unused]] const bool kMaskClassesRegistered = [] {
  RegisterClass<TMaskEdit>();
  return true;
}();
}  // namespace

}  // namespace vcl
