// The report wizard's layout and the report it builds (see kvwizlayout.h).
#include "report/designer/kvwizlayout.h"

#include <algorithm>
#include <memory>

#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/numbers.h"
#include "platform/vcl/db/dataset.h"
#include "platform/vcl/db/fields.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/component/kvslots.h"
#include "report/engine/data/kvdset.h"

namespace report {

namespace {

// Pixels per character of display width, and between two columns.
constexpr int kPixelsPerChar = 32;
constexpr int kGap = 8;
constexpr int kDefaultWidth = 10;

// The bands: type, top and height.
struct BandPlace {
  int Type, Y, Height;
};
constexpr BandPlace kTitleBand{btReportTitle, 50, 29};
constexpr BandPlace kHeaderBand{btPageHeader, 116, 33};
constexpr BandPlace kDataBand{btMasterData, 206, 21};
constexpr BandPlace kFooterBand{btPageFooter, 272, 29};

// The memos' tops and heights.
constexpr int kTitleY = 54, kTitleHeight = 21, kTitleFontSize = 12;
constexpr int kFooterY = 281, kFooterHeight = 17, kFooterFrame = 2;
constexpr int kHeadingY = 124, kColumnHeight = 21, kColumnFontSize = 10;

// The margins of a landscape page: left, top, right, bottom.
constexpr int kLandscapeMargins[4] = {38, 38, 57, 38};
// The width the title, the footer and the columns take on each sheet.
constexpr int kLandscapeWidth = 1028;
constexpr int kPortraitWidth = 719;

constexpr vcl::TColor kTeal = 0x808000;
constexpr vcl::TColor kMaroon = 0x000080;

// The dataset stays open while the object lives, then goes back to how it
// was.
class OpenForTheMoment {
 public:
  explicit OpenForTheMoment(vcl::TDataSet *dataset) : dataset_(dataset), was_active_(dataset->Active()) {
    if (!was_active_) dataset_->Open();
  }
  ~OpenForTheMoment() {
    if (!was_active_ && dataset_->Active())
      rtl::IgnoreFailure("the fields were read; the dataset only goes back to closed", [this] { dataset_->Close(); });
  }
  OpenForTheMoment(const OpenForTheMoment &) = delete;
  OpenForTheMoment &operator=(const OpenForTheMoment &) = delete;

 private:
  vcl::TDataSet *dataset_;
  bool was_active_;
};

// Calls `visit` with each field of the open dataset, in order: its field
// objects, or fields made from its definitions when it has none.
template <class Visit>
void ForEachField(vcl::TDataSet *dataset, Visit visit) {
  if (dataset->FieldCount() > 0) {
    for (int i = 0; i < dataset->FieldCount(); ++i) visit(dataset->Fields()[i]);
    return;
  }
  dataset->FieldDefs().Update();
  for (int i = 0; i < dataset->FieldDefs().Count(); ++i) {
    const std::unique_ptr<vcl::TField> field(dataset->FieldDefs()[i]->CreateField(nullptr));
    if (field != nullptr) visit(field.get());
  }
}

int AdjustOf(vcl::TAlignment alignment) {
  switch (alignment) {
    case vcl::taRightJustify:
      return adRight;
    case vcl::taCenter:
      return adCenter;
    default:
      return adLeft;
  }
}

TkvMemoView *AddMemo(TkvPage &page, int x, int y, int dx, int dy, const QString &text) {
  auto *memo = page.Add<TkvMemoView>(x, y, dx, dy);
  SetMemoText(memo, text);
  return memo;
}

TkvBandView *AddBand(TkvPage &page, const BandPlace &place) { return page.AddBand(place.Type, place.Y, place.Height); }

}  // namespace

QStringList KvWizardSelectableFields(vcl::TDataSet *dataset) {
  QStringList names;
  if (dataset == nullptr) return names;
  OpenForTheMoment open(dataset);
  ForEachField(dataset, [&names](vcl::TField *field) {
    if (dynamic_cast<vcl::TBlobField *>(field) == nullptr) names << field->FieldName();
  });
  return names;
}

std::vector<TkvWizardField> KvWizardFields(vcl::TDataSet *dataset, const QStringList &names) {
  std::vector<TkvWizardField> fields;
  for (const QString &name : names) fields.push_back({name, name, kDefaultWidth, vcl::taLeftJustify, false});
  if (dataset == nullptr) return fields;
  OpenForTheMoment open(dataset);
  ForEachField(dataset, [&fields](vcl::TField *field) {
    for (TkvWizardField &f : fields) {
      if (f.Name.compare(field->FieldName(), Qt::CaseInsensitive) != 0) continue;
      f.Label = field->DisplayLabel();
      f.DisplayWidth = field->DisplayWidth();
      f.Alignment = field->Alignment();
      f.Currency = dynamic_cast<vcl::TCurrencyField *>(field) != nullptr;
    }
  });
  return fields;
}

int KvWizardUsableWidth(bool landscape) { return landscape ? kLandscapeWidth : kPortraitWidth; }

std::vector<TkvWizardColumn> KvWizardColumns(const std::vector<int> &display_widths, int usable_width) {
  std::vector<TkvWizardColumn> columns;
  if (display_widths.empty()) return columns;
  // A field without a width keeps only its gap. When no field has a
  // width there is nothing to share by (a lone such field would divide by
  // zero): the columns then share the width equally.
  const bool equal = std::all_of(display_widths.begin(), display_widths.end(), [](int w) { return w <= 0; });
  std::vector<double> raw;
  double total = -kGap;
  for (int w : display_widths) {
    raw.push_back(double(equal ? 1 : std::max(0, w)) * kPixelsPerChar);
    total += raw.back() + kGap;
  }
  const double scale = usable_width / total;
  double p = 0;
  for (double r : raw) {
    columns.push_back({int(rtl::Round(p + kvWizardLeft)), int(rtl::Round(r * scale))});
    p += (r + kGap) * scale;
  }
  return columns;
}

void KvBuildWizardReport(TkvReport &report, vcl::TDataSet *dataset, const QString &title,
                         const std::vector<TkvWizardField> &fields, bool landscape) {
  report.ClearReport();
  if (TkvReportDesigner *designer = KvCurrentDesigner()) designer->ClearUndo();
  report.SetTitle(title);
  // The footer shows the page count, which the first pass counts.
  report.SetDoublePass(true);
  TkvPage &page = *report.Pages().Page(0);
  if (landscape) {
    std::copy(std::begin(kLandscapeMargins), std::end(kLandscapeMargins), page.Margins);
    page.Orientation = 1;
    TkvReport::TakePaper(page);
  }
  const int width = KvWizardUsableWidth(landscape);

  AddBand(page, kTitleBand);
  AddBand(page, kHeaderBand);
  TkvBandView *data = AddBand(page, kDataBand);
  if (dataset != nullptr) {
    auto *source = new TkvDBDataSet(nullptr);
    source->SetDataSet(dataset);
    report.LinkDataSetToBand(data->Name, source);
  }
  AddBand(page, kFooterBand);

  TkvMemoView *heading = AddMemo(page, kvWizardLeft, kTitleY, width, kTitleHeight, title);
  heading->SetHorzAlignment(adCenter);
  heading->FillColor = kTeal;
  heading->Font.SetSize(kTitleFontSize);
  heading->Font.SetStyle(vcl::TFontStyles{vcl::fsBold});
  heading->Font.SetColor(vcl::clWhite);

  TkvMemoView *footer =
      AddMemo(page, kvWizardLeft, kFooterY, width, kFooterHeight, QStringLiteral("Pagina [Page#] di [TotalPages]"));
  footer->SetHorzAlignment(adRight);
  footer->FrameWidth = kFooterFrame;
  footer->SetFrameTop(true);

  std::vector<int> widths;
  for (const TkvWizardField &f : fields) widths.push_back(f.DisplayWidth);
  const std::vector<TkvWizardColumn> columns = KvWizardColumns(widths, width);
  for (size_t i = 0; i < fields.size(); ++i) {
    const TkvWizardField &f = fields[i];
    const TkvWizardColumn &c = columns[i];
    TkvMemoView *head = AddMemo(page, c.X, kHeadingY, c.Width, kColumnHeight, f.Label);
    head->SetHorzAlignment(AdjustOf(f.Alignment));
    head->Font.SetSize(kColumnFontSize);
    head->Font.SetStyle(vcl::TFontStyles{vcl::fsBold});
    head->Font.SetColor(kMaroon);
    head->FrameWidth = 1;
    head->SetFrameBottom(true);

    const QString field = u'"' + f.Name + u'"';
    TkvMemoView *cell = AddMemo(page, c.X, kDataBand.Y, c.Width, kColumnHeight,
                                u'[' + (f.Currency ? QStringLiteral("MONEY(%1)").arg(field) : field) + u']');
    cell->SetHorzAlignment(AdjustOf(f.Alignment));
    cell->Font.SetSize(kColumnFontSize);
  }
}

// ---- TkvWizardLists ---------------------------------------------------------------

void TkvWizardLists::Reset(const QStringList &selectable) {
  source_ = selectable;
  source_.sort(Qt::CaseInsensitive);
  chosen_.clear();
}

int TkvWizardLists::Move(QStringList &from, QStringList &to, const std::vector<int> &rows, bool sort_to) {
  if (rows.empty()) return from.isEmpty() ? -1 : 0;
  const int first = *std::min_element(rows.begin(), rows.end());
  for (int row = int(from.size()) - 1; row >= 0; --row) {
    if (std::find(rows.begin(), rows.end(), row) == rows.end()) continue;
    to << from.takeAt(row);
  }
  if (sort_to) to.sort(Qt::CaseInsensitive);
  if (from.isEmpty()) return -1;
  return std::clamp(first, 0, int(from.size()) - 1);
}

int TkvWizardLists::Include(const std::vector<int> &rows) { return Move(source_, chosen_, rows, false); }
int TkvWizardLists::Exclude(const std::vector<int> &rows) { return Move(chosen_, source_, rows, true); }

void TkvWizardLists::IncludeAll() {
  chosen_ << source_;
  source_.clear();
}

void TkvWizardLists::ExcludeAll() {
  source_ << chosen_;
  source_.sort(Qt::CaseInsensitive);
  chosen_.clear();
}

}  // namespace report
