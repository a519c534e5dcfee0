// String lists. TStrings builds every text form and search on the few
// virtual members a concrete list provides, so list boxes and memos that
// keep their lines in a widget get the same behaviour as TStringList.
#include "platform/rtl/classes.h"

#include <QStringDecoder>
#include <utility>

#include "platform/rtl/cp1252.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace rtl {
namespace {

const QString kListIndexError = QStringLiteral("List index out of bounds (%1)");
const QString kDuplicateError = QStringLiteral("String list does not allow duplicates");
const QString kSortedListError = QStringLiteral("Operation not allowed on sorted list");

// Keeps an update open for the lifetime of a scope, so an exception in the
// middle still ends it.
class UpdateScope {
 public:
  explicit UpdateScope(TStrings &s) : s_(s) { s_.BeginUpdate(); }
  ~UpdateScope() { s_.EndUpdate(); }
  UpdateScope(const UpdateScope &) = delete;
  UpdateScope &operator=(const UpdateScope &) = delete;

 private:
  TStrings &s_;
};

bool IsBlank(QChar c) { return c.unicode() <= ' '; }

}  // namespace

// ---- TStrings ---------------------------------------------------------------------

void TStrings::Error(const QString &message, int data) const {
  throw EStringListError(message.contains(QLatin1String("%1")) ? message.arg(data) : message);
}

TObject *TStrings::GetObject(int) const { return nullptr; }

void TStrings::Put(int index, const QString &s) {
  TObject *object = GetObject(index);
  UpdateScope scope(*this);
  Delete(index);
  InsertObject(index, s, object);
}

void TStrings::PutObject(int, TObject *) {}

void TStrings::InsertObject(int index, const QString &s, TObject *object) {
  Insert(index, s);
  PutObject(index, object);
}

int TStrings::Add(const QString &s) {
  const int index = Count();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const QString &s, TObject *object) {
  const int index = Add(s);
  PutObject(index, object);
  return index;
}

void TStrings::AddStrings(const TStrings *strings) {
  if (strings == nullptr) return;
  UpdateScope scope(*this);
  // Read the count once: adding a list to itself doubles it once.
  const int n = strings->Count();
  for (int i = 0; i < n; ++i) AddObject(strings->Get(i), strings->GetObject(i));
}

void TStrings::AddStrings(const QStringList &strings) {
  UpdateScope scope(*this);
  for (const QString &s : strings) Add(s);
}

void TStrings::AssignStrings(const QStringList &strings) {
  UpdateScope scope(*this);
  Clear();
  AddStrings(strings);
}

void TStrings::Exchange(int index1, int index2) {
  UpdateScope scope(*this);
  const QString s1 = Get(index1);
  TObject *o1 = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, s1);
  PutObject(index2, o1);
}

void TStrings::Move(int cur_index, int new_index) {
  if (cur_index == new_index) return;
  if (new_index < 0 || new_index >= Count()) Error(kListIndexError, new_index);
  UpdateScope scope(*this);
  const QString s = Get(cur_index);
  TObject *object = GetObject(cur_index);
  Delete(cur_index);
  InsertObject(new_index, s, object);
}

int TStrings::CompareStrings(const QString &a, const QString &b) const { return AnsiCompareText(a, b); }

int TStrings::IndexOf(const QString &s) const {
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    if (CompareStrings(Get(i), s) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfName(const QString &name) const {
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    const QString line = Get(i);
    const qsizetype p = line.indexOf(name_value_separator_);
    if (p >= 0 && CompareStrings(line.left(p), name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject *object) const {
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    if (GetObject(i) == object) return i;
  }
  return -1;
}

bool TStrings::Equals(const TStrings *strings) const {
  if (strings == nullptr) return false;
  const int n = Count();
  if (n != strings->Count()) return false;
  for (int i = 0; i < n; ++i) {
    if (Get(i) != strings->Get(i)) return false;
  }
  return true;
}

QString TStrings::Names(int index) const {
  const QString line = Get(index);
  const qsizetype p = line.indexOf(name_value_separator_);
  return p >= 0 ? line.left(p) : QString();
}

QString TStrings::ValueFromIndex(int index) const {
  const QString line = Get(index);
  const qsizetype p = line.indexOf(name_value_separator_);
  return p >= 0 ? line.mid(p + 1) : QString();
}

void TStrings::SetValueFromIndex(int index, const QString &value) {
  if (value.isEmpty()) {
    Delete(index);
    return;
  }
  Put(index, Names(index) + name_value_separator_ + value);
}

QString TStrings::Values(const QString &name) const {
  const int i = IndexOfName(name);
  return i >= 0 ? ValueFromIndex(i) : QString();
}

void TStrings::SetValues(const QString &name, const QString &value) {
  int i = IndexOfName(name);
  if (value.isEmpty()) {
    if (i >= 0) Delete(i);
    return;
  }
  if (i < 0) {
    Add(name + name_value_separator_ + value);
  } else {
    Put(i, name + name_value_separator_ + value);
  }
}

QString TStrings::Text() const {
  QString out;
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    out += Get(i);
    out += line_break_;
  }
  return out;
}

void TStrings::SetText(const QString &text) {
  UpdateScope scope(*this);
  Clear();
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n) {
    const qsizetype start = i;
    while (i < n && text.at(i) != QLatin1Char('\r') && text.at(i) != QLatin1Char('\n')) ++i;
    Add(text.mid(start, i - start));
    if (i < n && text.at(i) == QLatin1Char('\r')) ++i;
    if (i < n && text.at(i) == QLatin1Char('\n')) ++i;
  }
}

QString TStrings::DelimitedText() const {
  const int n = Count();
  if (n == 1 && Get(0).isEmpty()) return QString(2, quote_char_);
  QString out;
  for (int i = 0; i < n; ++i) {
    const QString s = Get(i);
    bool quote = false;
    for (QChar c : s) {
      if ((!strict_delimiter_ && IsBlank(c)) || c == quote_char_ || c == delimiter_ || c.unicode() == 0) {
        quote = true;
        break;
      }
    }
    if (i > 0) out += delimiter_;
    out += quote ? AnsiQuotedStr(s, quote_char_) : s;
  }
  return out;
}

void TStrings::SetDelimitedText(const QString &text) {
  UpdateScope scope(*this);
  Clear();
  const qsizetype n = text.size();
  qsizetype p = 0;
  auto skip_blanks = [&] {
    if (!strict_delimiter_) {
      while (p < n && IsBlank(text.at(p))) ++p;
    }
  };
  skip_blanks();
  while (p < n) {
    QString item;
    if (text.at(p) == quote_char_) {
      // The opening quote is always consumed, so the loop always advances.
      int pos = static_cast<int>(p);
      item = AnsiExtractQuotedStr(text, pos, quote_char_);
      p = std::max<qsizetype>(pos, p + 1);
    } else {
      const qsizetype start = p;
      while (p < n && text.at(p) != delimiter_ && (strict_delimiter_ || !IsBlank(text.at(p)))) ++p;
      item = text.mid(start, p - start);
    }
    Add(item);
    skip_blanks();
    if (p < n && text.at(p) == delimiter_) {
      if (p + 1 == n) Add(QString());
      ++p;
      skip_blanks();
    }
  }
}

QString TStrings::CommaText() const {
  auto *self = const_cast<TStrings *>(this);
  const QChar d = delimiter_, q = quote_char_;
  const bool strict = strict_delimiter_;
  self->delimiter_ = QLatin1Char(',');
  self->quote_char_ = QLatin1Char('"');
  self->strict_delimiter_ = false;
  QString out = DelimitedText();
  self->delimiter_ = d;
  self->quote_char_ = q;
  self->strict_delimiter_ = strict;
  return out;
}

void TStrings::SetCommaText(const QString &text) {
  const QChar d = delimiter_, q = quote_char_;
  const bool strict = strict_delimiter_;
  delimiter_ = QLatin1Char(',');
  quote_char_ = QLatin1Char('"');
  strict_delimiter_ = false;
  struct Restore {
    TStrings *s;
    QChar d, q;
    bool strict;
    ~Restore() {
      s->delimiter_ = d;
      s->quote_char_ = q;
      s->strict_delimiter_ = strict;
    }
  } restore{this, d, q, strict};
  SetDelimitedText(text);
}

void TStrings::BeginUpdate() {
  if (update_count_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (update_count_ <= 0) return;
  if (--update_count_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

QString TStrings::DecodeText(const QByteArray &bytes, TTextEncoding encoding) {
  if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
  if (bytes.startsWith("\xFF\xFE")) {
    QStringDecoder dec(QStringDecoder::Utf16LE);
    return dec(bytes.mid(2));
  }
  if (bytes.startsWith("\xFE\xFF")) {
    QStringDecoder dec(QStringDecoder::Utf16BE);
    return dec(bytes.mid(2));
  }
  return encoding == TTextEncoding::Utf8 ? QString::fromUtf8(bytes) : FromCp1252(bytes);
}

void TStrings::LoadFromStream(TStream *stream, TTextEncoding encoding) {
  if (stream == nullptr) return;
  SetText(DecodeText(stream->ReadBytes(stream->Remaining()), encoding));
}

void TStrings::SaveToStream(TStream *stream, TTextEncoding encoding) const {
  if (stream == nullptr) return;
  const QString text = Text();
  stream->WriteBytes(encoding == TTextEncoding::Utf8 ? text.toUtf8() : ToCp1252(text));
}

void TStrings::LoadFromFile(const QString &file_name, TTextEncoding encoding) {
  TFileStream f(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f, encoding);
}

void TStrings::SaveToFile(const QString &file_name, TTextEncoding encoding) const {
  TFileStream f(file_name, fmCreate);
  SaveToStream(&f, encoding);
}

QStringList TStrings::ToStringList() const {
  QStringList out;
  const int n = Count();
  out.reserve(n);
  for (int i = 0; i < n; ++i) out.append(Get(i));
  return out;
}

void TStrings::Assign(const TPersistent *source) {
  if (const auto *src = dynamic_cast<const TStrings *>(source)) {
    if (src == this) return;
    UpdateScope scope(*this);
    Clear();
    AddStrings(src);
    return;
  }
  TPersistent::Assign(source);
}

// ---- TStringList --------------------------------------------------------------------

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (owns_objects_) {
    for (Item &item : items_) delete std::exchange(item.object, nullptr);
  }
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) Error(kListIndexError, index);
}

void TStringList::CheckUnsorted() const {
  if (sorted_) Error(kSortedListError, 0);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating) {
    if (OnChanging) OnChanging(this);
  } else {
    if (OnChange) OnChange(this);
  }
}

QString TStringList::Get(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].text;
}

TObject *TStringList::GetObject(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].object;
}

void TStringList::Put(int index, const QString &s) {
  CheckUnsorted();
  CheckIndex(index);
  Changing();
  items_[static_cast<size_t>(index)].text = s;
  Changed();
}

void TStringList::PutObject(int index, TObject *object) {
  CheckIndex(index);
  Changing();
  TObject *old = std::exchange(items_[static_cast<size_t>(index)].object, object);
  if (owns_objects_ && old != object) delete old;
  Changed();
}

void TStringList::InsertItem(int index, const QString &s, TObject *object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TStringList::Insert(int index, const QString &s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const QString &s, TObject *object) {
  CheckUnsorted();
  if (index < 0 || index > Count()) Error(kListIndexError, index);
  InsertItem(index, s, object);
}

int TStringList::AddObject(const QString &s, TObject *object) {
  int index = Count();
  if (sorted_ && Find(s, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) Error(kDuplicateError, 0);
  }
  InsertItem(index, s, object);
  return index;
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  TObject *object = items_[static_cast<size_t>(index)].object;
  items_.erase(items_.begin() + index);
  if (owns_objects_) delete object;
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<Item> old;
  old.swap(items_);
  if (owns_objects_) {
    for (Item &item : old) delete item.object;
  }
  Changed();
}

void TStringList::ExchangeItems(int a, int b) {
  std::swap(items_[static_cast<size_t>(a)], items_[static_cast<size_t>(b)]);
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  if (index1 == index2) return;
  // A swapped pair would leave the list out of order, and Find and IndexOf
  // (binary searches) would then miss lines that are there.
  CheckUnsorted();
  Changing();
  ExchangeItems(index1, index2);
  Changed();
}

void TStringList::Move(int cur_index, int new_index) {
  if (cur_index == new_index) return;
  // Checked before anything moves: the generic delete-and-insert would
  // lose the line (and free an owned object) when the insert is refused.
  CheckUnsorted();
  CheckIndex(cur_index);
  CheckIndex(new_index);
  Changing();
  Item item = std::move(items_[static_cast<size_t>(cur_index)]);
  items_.erase(items_.begin() + cur_index);
  items_.insert(items_.begin() + new_index, std::move(item));
  Changed();
}

int TStringList::CompareStrings(const QString &a, const QString &b) const {
  return case_sensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

bool TStringList::Find(const QString &s, int &index) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = CompareStrings(items_[static_cast<size_t>(mid)].text, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) found = true;
    }
  }
  index = lo;
  return found;
}

int TStringList::IndexOf(const QString &s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::QuickSort(int lo, int hi, const TStringListSortCompare &compare) {
  // The platform's partitioning, with the scans kept inside [lo, hi] so a
  // comparison that contradicts itself cannot run off the list.
  while (lo < hi) {
    int i = lo, j = hi, p = lo + (hi - lo) / 2;
    do {
      while (i < hi && compare(this, i, p) < 0) ++i;
      while (j > lo && compare(this, j, p) > 0) --j;
      if (i <= j) {
        if (i != j) ExchangeItems(i, j);
        if (p == i) {
          p = j;
        } else if (p == j) {
          p = i;
        }
        ++i;
        --j;
      }
    } while (i <= j);
    if (lo < j) QuickSort(lo, j, compare);
    lo = i;
  }
}

void TStringList::CustomSort(const TStringListSortCompare &compare) {
  if (sorted_ || Count() < 2 || !compare) return;
  Changing();
  QuickSort(0, Count() - 1, compare);
  Changed();
}

void TStringList::Sort() {
  CustomSort([](TStringList *list, int a, int b) {
    return list->CompareStrings(list->items_[static_cast<size_t>(a)].text, list->items_[static_cast<size_t>(b)].text);
  });
}

void TStringList::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  if (sorted) Sort();
  sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool v) {
  if (v == case_sensitive_) return;
  case_sensitive_ = v;
  // Re-sorted under the new comparison, or Find would search an order the
  // list no longer has.
  if (sorted_) {
    sorted_ = false;
    Sort();
    sorted_ = true;
  }
}

}  // namespace rtl
