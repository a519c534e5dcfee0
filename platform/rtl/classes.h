// String lists. TStrings is the abstract list of lines with attached
// objects that list boxes, memos, combo boxes and the data components
// expose; TStringList is the list kept in memory, with sorting, duplicate
// control, change events and loading and saving in Windows-1252.
//
// The text forms follow the platform: Text joins lines with LineBreak
// ("\r\n") after every line and splits on CR, LF or CR LF; CommaText and
// DelimitedText quote an item that holds a blank or control character, the
// quote or the delimiter (a list of one empty line is a pair of quotes);
// Names/Values split "name=value" lines at the first NameValueSeparator.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"

namespace rtl {

class TStream;

// Event without arguments besides the sender.
using TNotifyEvent = std::function<void(TObject *sender)>;

// How Windows-1252 files are read and written. Loading also accepts a file
// that starts with a UTF-8 or UTF-16 byte-order mark, whatever is asked.
enum class TTextEncoding { Ansi, Utf8 };

class TStrings : public TPersistent {
  ORBISCA_CLASS(TStrings, TPersistent)

 public:
  // ---- what a concrete list provides ----
  virtual int Count() const = 0;
  virtual QString Get(int index) const = 0;
  virtual TObject *GetObject(int index) const;  // default: no objects
  virtual void Put(int index, const QString &s);
  virtual void PutObject(int index, TObject *object);
  virtual void Insert(int index, const QString &s) = 0;
  virtual void InsertObject(int index, const QString &s, TObject *object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  // ---- built on them ----
  virtual int Add(const QString &s);
  virtual int AddObject(const QString &s, TObject *object);
  void Append(const QString &s) { Add(s); }
  void AddStrings(const TStrings *strings);
  void AddStrings(const QStringList &strings);
  // Replaces every line with `strings` in one update (one change event).
  void AssignStrings(const QStringList &strings);
  virtual void Exchange(int index1, int index2);
  virtual void Move(int cur_index, int new_index);
  virtual int IndexOf(const QString &s) const;
  int IndexOfName(const QString &name) const;
  int IndexOfObject(const TObject *object) const;
  // Same count and the same lines, compared exactly.
  bool Equals(const TStrings *strings) const;

  QString Strings(int index) const { return Get(index); }
  void SetStrings(int index, const QString &s) { Put(index, s); }
  QString operator[](int index) const { return Get(index); }
  TObject *Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject *object) { PutObject(index, object); }

  // The part before the first separator; "" when the line has none.
  QString Names(int index) const;
  QString ValueFromIndex(int index) const;
  void SetValueFromIndex(int index, const QString &value);
  // The value after "name=" of the first line with that name (compared as
  // the list compares); "" when there is none.
  QString Values(const QString &name) const;
  // Replaces the value, or adds "name=value"; an empty value deletes the
  // line.
  void SetValues(const QString &name, const QString &value);

  QString Text() const;
  void SetText(const QString &text);
  QString CommaText() const;
  void SetCommaText(const QString &text);
  QString DelimitedText() const;
  void SetDelimitedText(const QString &text);

  QChar Delimiter() const { return delimiter_; }
  void SetDelimiter(QChar c) { delimiter_ = c; }
  QChar QuoteChar() const { return quote_char_; }
  void SetQuoteChar(QChar c) { quote_char_ = c; }
  QChar NameValueSeparator() const { return name_value_separator_; }
  void SetNameValueSeparator(QChar c) { name_value_separator_ = c; }
  // When set, only the delimiter splits DelimitedText (blanks are kept).
  bool StrictDelimiter() const { return strict_delimiter_; }
  void SetStrictDelimiter(bool v) { strict_delimiter_ = v; }
  QString LineBreak() const { return line_break_; }
  void SetLineBreak(const QString &s) { line_break_ = s; }

  // Nested; the list reports one change when the outermost update ends.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  // Loading replaces the lines; the stream is read from its position to
  // its end, the file through a TFileStream (EFOpenError when missing).
  virtual void LoadFromStream(TStream *stream, TTextEncoding encoding = TTextEncoding::Ansi);
  virtual void SaveToStream(TStream *stream, TTextEncoding encoding = TTextEncoding::Ansi) const;
  void LoadFromFile(const QString &file_name, TTextEncoding encoding = TTextEncoding::Ansi);
  void SaveToFile(const QString &file_name, TTextEncoding encoding = TTextEncoding::Ansi) const;

  QStringList ToStringList() const;
  void Assign(const TPersistent *source) override;

  // <0, 0, >0: how this list compares lines (case-insensitive by default).
  virtual int CompareStrings(const QString &a, const QString &b) const;

 protected:
  // Called when the outermost BeginUpdate starts (true) and EndUpdate ends.
  virtual void SetUpdateState(bool updating);
  [[noreturn]] void Error(const QString &message, int data) const;
  // Decodes a file's bytes: a byte-order mark wins over `encoding`.
  static QString DecodeText(const QByteArray &bytes, TTextEncoding encoding);

 private:
  QChar delimiter_ = QLatin1Char(',');
  QChar quote_char_ = QLatin1Char('"');
  QChar name_value_separator_ = QLatin1Char('=');
  bool strict_delimiter_ = false;
  QString line_break_ = QStringLiteral("\r\n");
  int update_count_ = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };
using TStringsDuplicates = TDuplicates;

class TStringList;
using TStringListSortCompare = std::function<int(TStringList *list, int index1, int index2)>;

class TStringList : public TStrings {
  ORBISCA_CLASS(TStringList, TStrings)

 public:
  TStringList() = default;
  explicit TStringList(bool owns_objects) : owns_objects_(owns_objects) {}
  ~TStringList() override;

  int Count() const override { return static_cast<int>(items_.size()); }
  QString Get(int index) const override;
  TObject *GetObject(int index) const override;
  void Put(int index, const QString &s) override;
  void PutObject(int index, TObject *object) override;
  void Insert(int index, const QString &s) override;
  void InsertObject(int index, const QString &s, TObject *object) override;
  void Delete(int index) override;
  void Clear() override;
  int Add(const QString &s) override { return AddObject(s, nullptr); }
  int AddObject(const QString &s, TObject *object) override;
  void Exchange(int index1, int index2) override;
  void Move(int cur_index, int new_index) override;
  int IndexOf(const QString &s) const override;

  // Binary search of a sorted list: true and the first matching index, or
  // false and the index where `s` would go.
  bool Find(const QString &s, int &index) const;
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare &compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates d) { duplicates_ = d; }
  bool CaseSensitive() const { return case_sensitive_; }
  void SetCaseSensitive(bool v);
  // When set, Delete, Clear and the destructor free the objects.
  bool OwnsObjects() const { return owns_objects_; }
  void SetOwnsObjects(bool v) { owns_objects_ = v; }

  int CompareStrings(const QString &a, const QString &b) const override;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  void SetUpdateState(bool updating) override;
  virtual void Changed();
  virtual void Changing();

 private:
  struct Item {
    QString text;
    TObject *object = nullptr;
  };
  void CheckIndex(int index) const;
  void CheckUnsorted() const;
  void InsertItem(int index, const QString &s, TObject *object);
  void QuickSort(int lo, int hi, const TStringListSortCompare &compare);
  void ExchangeItems(int a, int b);

  std::vector<Item> items_;
  bool sorted_ = false;
  bool case_sensitive_ = false;
  bool owns_objects_ = false;
  TDuplicates duplicates_ = dupIgnore;
};

}  // namespace rtl
