// Finding text in the finished pages: the matches of a text in the pages'
// text records, and the preview's find dialog.
//
// A match is a text record that holds the text (as a whole word unless a
// part of a word will do, ignoring case unless asked not to); it is known
// by its page and the record's place among the page's records, so a page
// of any number of records keeps its matches apart. TFindForm asks for the
// text, the two options and where to start; its settings and the texts
// searched before last as long as the program.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <vector>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"

namespace report {

class TkvEMFPages;

// Where a search starts.
enum TkvFindOrigin { foFirstPage = 0, foCurrentPage = 1, foNext = 2, foPrevious = 3 };

struct TkvFindOptions {
  QString Text;
  bool CaseSensitive = false;
  bool SubString = true;
  TkvFindOrigin Origin = foFirstPage;
};

struct TkvTextMatch {
  int Page = -1;    // finished page, from 0
  int Record = -1;  // the text record's index among the page's records
  QRect Bounds;     // the record's bounding rectangle, page pixels
  bool operator==(const TkvTextMatch &o) const { return Page == o.Page && Record == o.Record; }
};

// True when `record_text` holds `text` under the options (characters
// below a blank are left out of the record's text first).
bool KvTextMatches(const QString &record_text, const QString &text, bool case_sensitive, bool sub_string);

// Every match in the pages, in page and record order.
std::vector<TkvTextMatch> KvFindMatches(const TkvEMFPages &pages, const QString &text, bool case_sensitive,
                                        bool sub_string);

// Which match a search takes: the first one, the first on or after the
// current page (0-based), or the one after or before the match shown last
// (`last`, an index into `matches`). -1 when none.
int KvPickMatch(const std::vector<TkvTextMatch> &matches, TkvFindOrigin origin, int current_page, int last);

// The find dialog's settings and text history, kept for the program's life.
struct TkvFindSettings {
  TkvFindOptions Options;
  QStringList History;
  bool HasMatch = false;  // "Successivo" and "Precedente" may be chosen
};
TkvFindSettings &KvFindSettings();

class TFindForm : public vcl::TForm {
  ORBISCA_CLASS(TFindForm, vcl::TForm)

 public:
  explicit TFindForm(vcl::TComponent *owner = nullptr);

  // The settings into the controls, and back (the text joins the history).
  void Load(const TkvFindSettings &settings);
  void Store(TkvFindSettings &settings) const;
  // Shows the dialog on the program's settings; true on OK, the settings
  // then hold what the user chose.
  bool Execute();

  vcl::TComboBox *TextBox() const { return text_; }
  vcl::TCheckBox *CaseBox() const { return case_; }
  vcl::TCheckBox *PartBox() const { return part_; }
  vcl::TRadioGroup *OriginGroup() const { return origin_; }
  vcl::TButton *OkButton() const { return ok_; }
  vcl::TButton *CancelButton() const { return cancel_; }

 private:
  // A new text starts again from the first page.
  void TextChanged();

  vcl::TLabel *label_ = nullptr;
  vcl::TComboBox *text_ = nullptr;
  vcl::TCheckBox *case_ = nullptr;
  vcl::TCheckBox *part_ = nullptr;
  vcl::TRadioGroup *origin_ = nullptr;
  vcl::TButton *ok_ = nullptr;
  vcl::TButton *cancel_ = nullptr;
  bool loading_ = false;
};

}  // namespace report
