// String lists: sorting and duplicates, the text forms (Text, CommaText,
// DelimitedText, Names/Values), change events, owned objects and files.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/rtl/classes.h"
#include "platform/rtl/streams.h"

namespace rtl {
namespace {

QStringList Lines(const TStrings &s) { return s.ToStringList(); }

TEST(StringList, SortedListWithDuplicatesAsErrorRaisesThePlatformText) {
  TStringList list;
  list.SetSorted(true);
  list.SetDuplicates(dupError);
  list.Add(QStringLiteral("Zeta"));
  list.Add(QStringLiteral("alfa"));
  try {
    list.Add(QStringLiteral("ALFA"));  // equal ignoring case
    FAIL() << "no exception";
  } catch (const EStringListError &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("String list does not allow duplicates"));
  }
  EXPECT_EQ(Lines(list), (QStringList{QStringLiteral("alfa"), QStringLiteral("Zeta")}));
}

TEST(StringList, SortedAddsFindAndDuplicateModes) {
  TStringList list;
  list.SetSorted(true);
  for (const char *s : {"mela", "Banana", "ciliegia", "arancia", "banana"}) list.Add(QString::fromLatin1(s));
  // dupIgnore keeps the first spelling and returns its index.
  EXPECT_EQ(Lines(list), (QStringList{QStringLiteral("arancia"), QStringLiteral("Banana"), QStringLiteral("ciliegia"),
                                      QStringLiteral("mela")}));
  int index = -1;
  EXPECT_TRUE(list.Find(QStringLiteral("CILIEGIA"), index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find(QStringLiteral("kiwi"), index));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(list.IndexOf(QStringLiteral("MELA")), 3);
  EXPECT_EQ(list.IndexOf(QStringLiteral("kiwi")), -1);

  list.SetDuplicates(dupAccept);
  list.Add(QStringLiteral("banana"));
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.IndexOf(QStringLiteral("banana")), 1);

  // Positional edits would break the order.
  EXPECT_THROW(list.Insert(0, QStringLiteral("x")), EStringListError);
  EXPECT_THROW(list.SetStrings(0, QStringLiteral("x")), EStringListError);
  EXPECT_THROW(list.Move(0, 2), EStringListError);
  EXPECT_THROW(list.Exchange(0, 4), EStringListError);
  EXPECT_EQ(list.Count(), 5);  // a refused move loses nothing
  EXPECT_EQ(list.IndexOf(QStringLiteral("mela")), 4);
}

TEST(StringList, AccentedWordsSortAsTheLocaleDoes) {
  TStringList list;
  list.AddStrings(
      QStringList{QStringLiteral("zucca"), QStringLiteral("Èra"), QStringLiteral("eco"), QStringLiteral("Ape")});
  list.Sort();
  EXPECT_EQ(Lines(list), (QStringList{QStringLiteral("Ape"), QStringLiteral("eco"), QStringLiteral("Èra"),
                                      QStringLiteral("zucca")}));
}

TEST(StringList, CaseSensitiveChangesLookupAndResorts) {
  TStringList list;
  list.AddStrings(QStringList{QStringLiteral("b"), QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("B")});
  EXPECT_EQ(list.IndexOf(QStringLiteral("a")), 1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf(QStringLiteral("a")), 2);
  list.SetSorted(true);
  list.SetCaseSensitive(false);
  list.SetCaseSensitive(true);
  for (int i = 0; i < list.Count(); ++i) {
    int at = -1;
    ASSERT_TRUE(list.Find(list[i], at)) << i;
    EXPECT_EQ(at, i);
  }
}

TEST(StringList, IndexErrorsCarryTheIndex) {
  TStringList list;
  list.Add(QStringLiteral("uno"));
  try {
    list.Strings(3);
    FAIL() << "no exception";
  } catch (const EStringListError &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("List index out of bounds (3)"));
  }
  EXPECT_THROW(list.Delete(-1), EStringListError);
  EXPECT_THROW(list.Insert(2, QString()), EStringListError);
  EXPECT_THROW(list.Exchange(0, 1), EStringListError);
  list.Insert(1, QStringLiteral("due"));  // Count itself is a valid insert position
  EXPECT_EQ(list.Count(), 2);
}

TEST(StringList, TextSplitsOnAnyLineBreakAndWritesCrLf) {
  TStringList list;
  list.SetText(QStringLiteral("uno\r\ndue\ntre\rquattro\r\n\r\nsei"));
  EXPECT_EQ(Lines(list), (QStringList{QStringLiteral("uno"), QStringLiteral("due"), QStringLiteral("tre"),
                                      QStringLiteral("quattro"), QString(), QStringLiteral("sei")}));
  list.SetText(QStringLiteral("a\r\nb\r\n"));
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Text(), QStringLiteral("a\r\nb\r\n"));
  list.SetLineBreak(QStringLiteral("\n"));
  EXPECT_EQ(list.Text(), QStringLiteral("a\nb\n"));
  list.Clear();
  EXPECT_EQ(list.Text(), QString());
}

TEST(StringList, CommaTextQuotesWhatNeedsIt) {
  TStringList list;
  list.AddStrings(QStringList{QStringLiteral("semplice"), QStringLiteral("con spazio"), QString(),
                              QStringLiteral("a,b"), QStringLiteral("di \"lui\"")});
  EXPECT_EQ(list.CommaText(), QStringLiteral("semplice,\"con spazio\",,\"a,b\",\"di \"\"lui\"\"\""));

  TStringList back;
  back.SetCommaText(list.CommaText());
  EXPECT_TRUE(back.Equals(&list));

  TStringList one;
  one.Add(QString());
  EXPECT_EQ(one.CommaText(), QStringLiteral("\"\""));

  // Unquoted blanks separate items too; a trailing delimiter adds an empty
  // item; an unterminated quote takes the rest.
  back.SetCommaText(QStringLiteral("  a b ,c,"));
  EXPECT_EQ(Lines(back), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QString()}));
  back.SetCommaText(QStringLiteral("\"aperta, mai chiusa"));
  EXPECT_EQ(Lines(back), (QStringList{QStringLiteral("aperta, mai chiusa")}));
}

TEST(StringList, DelimitedTextWithOwnDelimiterQuoteAndStrictMode) {
  TStringList list;
  list.SetDelimiter(QLatin1Char(';'));
  list.SetQuoteChar(QLatin1Char('\''));
  list.SetDelimitedText(QStringLiteral("'l''altro';due tre;;"));
  EXPECT_EQ(Lines(list), (QStringList{QStringLiteral("l'altro"), QStringLiteral("due"), QStringLiteral("tre"),
                                      QString(), QString()}));
  list.SetStrictDelimiter(true);
  list.SetDelimitedText(QStringLiteral(" due tre ;x"));
  EXPECT_EQ(Lines(list), (QStringList{QStringLiteral(" due tre "), QStringLiteral("x")}));
  EXPECT_EQ(list.DelimitedText(), QStringLiteral(" due tre ;x"));
  // CommaText keeps its own rules whatever the list's settings are.
  EXPECT_EQ(list.CommaText(), QStringLiteral("\" due tre \",x"));
  EXPECT_EQ(list.Delimiter(), QLatin1Char(';'));
}

TEST(StringList, DelimitedTextWithControlCharactersEnds) {
  TStringList list;
  list.SetCommaText(QString::fromUtf16(u"a\0\0b", 4));
  EXPECT_EQ(Lines(list), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

TEST(StringList, NamesAndValues) {
  TStringList list;
  list.AddStrings(QStringList{QStringLiteral("Server=locale"), QStringLiteral("senza"), QStringLiteral("Vuoto="),
                              QStringLiteral("Uguale=a=b")});
  EXPECT_EQ(list.Names(0), QStringLiteral("Server"));
  EXPECT_EQ(list.Names(1), QString());
  EXPECT_EQ(list.ValueFromIndex(1), QString());
  EXPECT_EQ(list.Values(QStringLiteral("SERVER")), QStringLiteral("locale"));
  EXPECT_EQ(list.Values(QStringLiteral("Uguale")), QStringLiteral("a=b"));
  EXPECT_EQ(list.IndexOfName(QStringLiteral("vuoto")), 2);
  list.SetValues(QStringLiteral("server"), QStringLiteral("remoto"));
  EXPECT_EQ(list[0], QStringLiteral("server=remoto"));
  list.SetValues(QStringLiteral("Nuovo"), QStringLiteral("1"));
  EXPECT_EQ(list[4], QStringLiteral("Nuovo=1"));
  list.SetValues(QStringLiteral("Vuoto"), QString());  // empty value removes the line
  EXPECT_EQ(list.IndexOfName(QStringLiteral("Vuoto")), -1);
  list.SetNameValueSeparator(QLatin1Char(':'));
  list.Add(QStringLiteral("k:v"));
  EXPECT_EQ(list.Values(QStringLiteral("K")), QStringLiteral("v"));
}

TEST(StringList, ChangeEventsFireOncePerUpdate) {
  TStringList list;
  int changing = 0, changed = 0;
  TObject *sender = nullptr;
  list.OnChanging = [&](TObject *) { ++changing; };
  list.OnChange = [&](TObject *s) {
    ++changed;
    sender = s;
  };
  list.Add(QStringLiteral("a"));
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(sender, &list);
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add(QStringLiteral("b"));
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(changed, 1);
  list.EndUpdate();
  EXPECT_EQ(changed, 2);
  list.SetText(QStringLiteral("x\ny\nz"));
  EXPECT_EQ(changed, 3);
  list.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(list.UpdateCount(), 0);
}

class Counted : public TObject {
 public:
  explicit Counted(int *alive) : alive_(alive) { ++*alive_; }
  ~Counted() override { --*alive_; }

 private:
  int *alive_;
};

TEST(StringList, OwnedObjectsAreFreedAndMovedNotFreed) {
  int alive = 0;
  {
    TStringList list(true);
    list.AddObject(QStringLiteral("a"), new Counted(&alive));
    list.AddObject(QStringLiteral("b"), new Counted(&alive));
    list.AddObject(QStringLiteral("c"), new Counted(&alive));
    TObject *b = list.Objects(1);
    list.Move(1, 0);
    list.Exchange(0, 2);
    EXPECT_EQ(alive, 3);
    EXPECT_EQ(list.IndexOfObject(b), 2);
    list.Delete(0);
    EXPECT_EQ(alive, 2);
    list.SetObjects(0, new Counted(&alive));
    EXPECT_EQ(alive, 2);
  }
  EXPECT_EQ(alive, 0);
}

TEST(StringList, CustomSortWithAnInconsistentComparisonStaysInside) {
  TStringList list;
  for (int i = 0; i < 50; ++i) list.Add(QString::number(i));
  list.CustomSort([](TStringList *, int, int) { return -1; });
  EXPECT_EQ(list.Count(), 50);
  list.CustomSort([](TStringList *l, int a, int b) { return l->Strings(b).toInt() - l->Strings(a).toInt(); });
  EXPECT_EQ(list[0], QStringLiteral("49"));
  EXPECT_EQ(list[49], QStringLiteral("0"));
}

TEST(StringList, AssignAddStringsAndEquals) {
  TStringList a, b;
  a.AddStrings(QStringList{QStringLiteral("x"), QStringLiteral("y")});
  b.Add(QStringLiteral("old"));
  b.Assign(&a);
  EXPECT_TRUE(b.Equals(&a));
  b.AddStrings(&b);  // adding a list to itself doubles it once
  EXPECT_EQ(b.Count(), 4);
  EXPECT_FALSE(b.Equals(&a));
  TStringList c;
  c.AddStrings(QStringList{QStringLiteral("X"), QStringLiteral("y")});
  EXPECT_FALSE(c.Equals(&a));  // Equals compares exactly
  TPersistent other;
  EXPECT_THROW(a.Assign(&other), EConvertError);
}

TEST(StringList, FilesAreWindows1252WithCrLfAndBomsAreHonoured) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("lista.txt"));
  TStringList list;
  list.AddStrings(QStringList{QStringLiteral("Prezzo: 2 €"), QStringLiteral("Città")});
  list.SaveToFile(path);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("Prezzo: 2 \x80\r\nCitt\xE0\r\n"));
  f.close();

  TStringList back;
  back.LoadFromFile(path);
  EXPECT_TRUE(back.Equals(&list));

  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(
      "\xEF\xBB\xBF"
      "Citt\xC3\xA0\n");
  f.close();
  back.LoadFromFile(path);
  EXPECT_EQ(Lines(back), QStringList{QStringLiteral("Città")});

  TMemoryStream m;
  list.SaveToStream(&m, TTextEncoding::Utf8);
  m.SetPosition(0);
  back.LoadFromStream(&m, TTextEncoding::Utf8);
  EXPECT_TRUE(back.Equals(&list));

  EXPECT_THROW(back.LoadFromFile(dir.filePath(QStringLiteral("manca.txt"))), EFOpenError);
  EXPECT_TRUE(back.Equals(&list));  // a failed load keeps the lines
}

// A list that keeps only texts, as a list box keeps its items: everything
// beyond the five members it provides comes from TStrings.
class BareStrings : public TStrings {
 public:
  int Count() const override { return static_cast<int>(lines.size()); }
  QString Get(int index) const override { return lines.at(index); }
  void Insert(int index, const QString &s) override { lines.insert(index, s); }
  void Delete(int index) override { lines.removeAt(index); }
  void Clear() override { lines.clear(); }
  void SetUpdateState(bool updating) override { updates += updating ? "[" : "]"; }
  QStringList lines;
  QString updates;
};

TEST(Strings, TheBaseClassBuildsEditsOnTheFiveMembers) {
  BareStrings list;
  list.SetText(QStringLiteral("a=1\nb=2\nc"));
  EXPECT_EQ(list.updates, QStringLiteral("[]"));
  list.Exchange(0, 2);
  EXPECT_EQ(list.lines, (QStringList{QStringLiteral("c"), QStringLiteral("b=2"), QStringLiteral("a=1")}));
  list.Move(0, 2);
  EXPECT_EQ(list.lines, (QStringList{QStringLiteral("b=2"), QStringLiteral("a=1"), QStringLiteral("c")}));
  EXPECT_THROW(list.Move(0, 3), EStringListError);
  list.SetValues(QStringLiteral("A"), QStringLiteral("9"));
  EXPECT_EQ(list.lines.at(1), QStringLiteral("A=9"));
  EXPECT_EQ(list.IndexOf(QStringLiteral("C")), 2);
  EXPECT_EQ(list.AddObject(QStringLiteral("d"), &list), 3);  // objects are dropped
  EXPECT_EQ(list.Objects(3), nullptr);
  TStringList copy;
  copy.Assign(&list);
  EXPECT_EQ(copy.CommaText(), QStringLiteral("b=2,A=9,c,d"));
}

}  // namespace
}  // namespace rtl
