// Finding text in finished pages, and the find dialog (see kvfind.h).
#include "report/engine/preview/kvfind.h"

#include <algorithm>

#include "platform/vcl/metafile.h"
#include "report/engine/prepare/kvemfpages.h"

namespace report {

namespace {

bool IsWordSeparator(QChar c) { return !c.isLetterOrNumber() && c != u'_'; }

}  // namespace

bool KvTextMatches(const QString &record_text, const QString &text, bool case_sensitive, bool sub_string) {
  if (text.isEmpty()) return false;
  QString haystack;
  haystack.reserve(record_text.size());
  for (QChar c : record_text)
    if (c >= u' ') haystack += c;
  const Qt::CaseSensitivity cs = case_sensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
  for (qsizetype at = haystack.indexOf(text, 0, cs); at >= 0; at = haystack.indexOf(text, at + 1, cs)) {
    if (sub_string) return true;
    const qsizetype end = at + text.size();
    const bool starts = at == 0 || IsWordSeparator(haystack.at(at - 1));
    const bool ends = end == haystack.size() || IsWordSeparator(haystack.at(end));
    if (starts && ends) return true;
  }
  return false;
}

std::vector<TkvTextMatch> KvFindMatches(const TkvEMFPages &pages, const QString &text, bool case_sensitive,
                                        bool sub_string) {
  std::vector<TkvTextMatch> out;
  for (int p = 0; p < pages.Count(); ++p) {
    const TkvEMFPage *page = pages.Page(p);
    if (page == nullptr || page->Picture == nullptr) continue;
    int record = 0;
    page->Picture->Enumerate([&](const vcl::TEmfRecord &r) {
      if ((r.Type == vcl::EMR_EXTTEXTOUTW || r.Type == vcl::EMR_EXTTEXTOUTA) &&
          KvTextMatches(r.Text(), text, case_sensitive, sub_string)) {
        out.push_back({p, record, r.Bounds()});
      }
      ++record;
      return true;
    });
  }
  return out;
}

int KvPickMatch(const std::vector<TkvTextMatch> &matches, TkvFindOrigin origin, int current_page, int last) {
  const int count = int(matches.size());
  switch (origin) {
    case foFirstPage:
      return count > 0 ? 0 : -1;
    case foCurrentPage:
      for (int i = 0; i < count; ++i)
        if (matches[size_t(i)].Page >= current_page) return i;
      return -1;
    case foNext:
      return last + 1 < count ? last + 1 : -1;
    case foPrevious:
      return last - 1 >= 0 && last - 1 < count ? last - 1 : -1;
  }
  return -1;
}

TkvFindSettings &KvFindSettings() {
  static TkvFindSettings settings;
  return settings;
}

// ---- the dialog -----------------------------------------------------------------------

// The dialog's layout, in pixels.
// NOLINTBEGIN(readability-magic-numbers)
TFindForm::TFindForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetCaption(QStringLiteral("Trova testo."));
  SetBorderStyle(vcl::bsDialog);
  SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 360, 230);
  label_ = new vcl::TLabel(this);
  label_->SetParent(this);
  label_->SetCaption(QStringLiteral("Testo da trovare"));
  label_->SetBounds(12, 12, 200, 16);
  text_ = new vcl::TComboBox(this);
  text_->SetParent(this);
  text_->SetBounds(12, 30, 336, 24);
  text_->OnChange = [this](rtl::TObject *) { TextChanged(); };
  case_ = new vcl::TCheckBox(this);
  case_->SetParent(this);
  case_->SetCaption(QStringLiteral("Maiuscole/minuscole"));
  case_->SetBounds(12, 66, 160, 20);
  part_ = new vcl::TCheckBox(this);
  part_->SetParent(this);
  part_->SetCaption(QStringLiteral("Parte di una parola"));
  part_->SetBounds(12, 90, 160, 20);
  origin_ = new vcl::TRadioGroup(this);
  origin_->SetParent(this);
  origin_->SetBounds(188, 62, 160, 116);
  for (const char *item : {"Prima pagina", "Pagina corrente", "Successivo", "Precedente"})
    origin_->Items()->Add(QString::fromUtf8(item));
  origin_->SetItemIndex(foFirstPage);
  ok_ = new vcl::TButton(this);
  ok_->SetParent(this);
  ok_->SetCaption(QStringLiteral("&OK"));
  ok_->SetDefault(true);
  ok_->SetModalResult(vcl::mrOk);
  ok_->SetBounds(188, 190, 75, 25);
  cancel_ = new vcl::TButton(this);
  cancel_->SetParent(this);
  cancel_->SetCaption(QStringLiteral("&Annulla"));
  cancel_->SetCancel(true);
  cancel_->SetModalResult(vcl::mrCancel);
  cancel_->SetBounds(273, 190, 75, 25);
  SetActiveControl(text_);
}
// NOLINTEND(readability-magic-numbers)

void TFindForm::Load(const TkvFindSettings &settings) {
  loading_ = true;
  text_->Items()->Clear();
  for (const QString &t : settings.History) text_->Items()->Add(t);
  text_->SetText(settings.Options.Text);
  case_->SetChecked(settings.Options.CaseSensitive);
  part_->SetChecked(settings.Options.SubString);
  // Going on from a match is possible only after one.
  for (int i = foNext; i <= foPrevious; ++i) origin_->Buttons(i)->SetEnabled(settings.HasMatch);
  TkvFindOrigin origin = settings.Options.Origin;
  if (!settings.HasMatch && origin >= foNext) origin = foFirstPage;
  origin_->SetItemIndex(origin);
  loading_ = false;
}

void TFindForm::Store(TkvFindSettings &settings) const {
  settings.Options.Text = text_->Text();
  settings.Options.CaseSensitive = case_->Checked();
  settings.Options.SubString = part_->Checked();
  settings.Options.Origin = TkvFindOrigin(std::clamp(origin_->ItemIndex(), 0, 3));
}

void TFindForm::TextChanged() {
  if (loading_) return;
  for (int i = foNext; i <= foPrevious; ++i) origin_->Buttons(i)->SetEnabled(false);
  origin_->SetItemIndex(foFirstPage);
}

bool TFindForm::Execute() {
  TkvFindSettings &settings = KvFindSettings();
  Load(settings);
  if (ShowModal() != vcl::mrOk) return false;
  Store(settings);
  if (settings.Options.Text.isEmpty()) return false;
  return true;
}

}  // namespace report
