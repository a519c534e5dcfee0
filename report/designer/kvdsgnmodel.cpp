// The designer's work on a template: pages, selection, moves, z-order,
// formatting and the inspector's rows (see kvdsgnmodel.h). The undo
// history and the clipboard are in kvundo.cpp.
#include "report/designer/kvdsgnmodel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/rtl/formatsettings.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/sysutils.h"
#include "report/designer/kvdsgncmds.h"

namespace report {

namespace {

constexpr int kClickMemoWidth = 120;
constexpr int kClickMemoHeight = 16;
constexpr int kClickObjectHeight = 48;
constexpr int kMaxNameLength = 100;
constexpr int kNoCandidate = 10000;
constexpr double kMillimetresPerPixel = 0.26448362720403024;
constexpr double kInchesPerPixel = 0.010416666666666666;

const QString kInvalidValue = QString::fromUtf8("Il valore inserito non è valido.");
const QString kTooManyPages = QString::fromUtf8("Un report non può avere più di 256 pagine.");

bool IsBand(const TkvView *v) { return v->Typ == gtBand; }
TkvMemoView *AsMemo(TkvView *v) { return v->Typ == gtMemo ? dynamic_cast<TkvMemoView *>(v) : nullptr; }
int Right(const TkvView *v) { return v->x + v->dx; }
int Bottom(const TkvView *v) { return v->y + v->dy; }

// The rank of an object in the regrouped order.
int GroupRank(const TkvView *v) {
  if (!IsBand(v)) return 3;
  const auto *band = static_cast<const TkvBandView *>(v);
  if (band->GetBandType() == btOverlay) return 0;
  return band->IsVertical() ? 2 : 1;
}

}  // namespace

QRect KvSpan(const QPoint &a, const QPoint &b) {
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

double KvUnitFactor(int unit) {
  switch (unit) {
    case kvUnitMillimetres:
      return kMillimetresPerPixel;
    case kvUnitInches:
      return kInchesPerPixel;
    default:
      return 1.0;
  }
}

TkvDesignerModel::TkvDesignerModel(TkvReport *report) : report_(report) {
  if (report_->Pages().Count() == 0) report_->Pages().AddPage();
}

TkvDesignerModel::~TkvDesignerModel() = default;

void TkvDesignerModel::Notice(const QString &text) const {
  if (OnNotice) OnNotice(text);
}

// ---- pages -------------------------------------------------------------------------

TkvPage *TkvDesignerModel::Page() const {
  TkvPages &pages = report_->Pages();
  if (pages.Count() == 0) pages.AddPage();
  return pages.Page(std::clamp(page_index_, 0, pages.Count() - 1));
}

void TkvDesignerModel::SetPageIndex(int index) {
  ClearSelection();
  page_index_ = std::clamp(index, 0, std::max(0, PageCount() - 1));
  RegroupBands();
}

bool TkvDesignerModel::AddPage() {
  if (PageCount() >= kvMaxPages) {
    Notice(kTooManyPages);
    return false;
  }
  TkvReport::TakePaper(*report_->Pages().AddPage());
  SetPageIndex(PageCount() - 1);
  return true;
}

void TkvDesignerModel::RemovePage() {
  ClearSelection();
  if (PageCount() <= 1) {
    Page()->Views.clear();
    page_index_ = 0;
    return;
  }
  const int removed = page_index_;
  // A sub-report that shows the removed page has nothing left to show.
  for (int p = 0; p < PageCount(); ++p) {
    if (p == removed) continue;
    auto &views = report_->Pages().Page(p)->Views;
    views.erase(std::remove_if(views.begin(), views.end(),
                               [removed](const std::unique_ptr<TkvView> &v) {
                                 const auto *sub = dynamic_cast<const TkvSubReportView *>(v.get());
                                 return sub != nullptr && sub->PageIndex == removed;
                               }),
                views.end());
  }
  report_->Pages().Delete(removed);
  std::vector<int> new_index;
  for (int p = 0; p <= PageCount(); ++p) new_index.push_back(p < removed ? p : p - 1);
  Renumber(new_index);
  SetPageIndex(removed > 0 ? removed - 1 : 0);
}

void TkvDesignerModel::ReorderPages(const std::vector<int> &order) {
  if (static_cast<int>(order.size()) != PageCount()) return;
  std::vector<int> new_index(order.size(), -1);
  for (size_t i = 0; i < order.size(); ++i) {
    const int old = order[i];
    if (old < 0 || old >= PageCount() || new_index[size_t(old)] >= 0) return;  // not a permutation
    new_index[size_t(old)] = static_cast<int>(i);
  }
  report_->Pages().Reorder(order);
  Renumber(new_index);
  SetPageIndex(new_index[size_t(std::clamp(page_index_, 0, PageCount() - 1))]);
}

void TkvDesignerModel::Renumber(const std::vector<int> &new_index_of_old) {
  for (int p = 0; p < PageCount(); ++p) {
    for (auto &v : report_->Pages().Page(p)->Views) {
      auto *sub = dynamic_cast<TkvSubReportView *>(v.get());
      if (sub == nullptr || sub->PageIndex < 0 || sub->PageIndex >= static_cast<int>(new_index_of_old.size())) continue;
      sub->PageIndex = new_index_of_old[size_t(sub->PageIndex)];
    }
  }
}

// ---- selection ------------------------------------------------------------------------

std::vector<TkvView *> TkvDesignerModel::Views() const {
  std::vector<TkvView *> out;
  for (auto &v : Page()->Views) out.push_back(v.get());
  return out;
}

std::vector<TkvView *> TkvDesignerModel::Selected() const {
  std::vector<TkvView *> out;
  for (auto &v : Page()->Views)
    if (v->Selected) out.push_back(v.get());
  return out;
}

int TkvDesignerModel::SelectedCount() const { return static_cast<int>(Selected().size()); }

TkvView *TkvDesignerModel::SingleSelected() const {
  const std::vector<TkvView *> selected = Selected();
  return selected.size() == 1 ? selected.front() : nullptr;
}

int TkvDesignerModel::SelectionWord() const {
  int word = 0;
  const std::vector<TkvView *> selected = Selected();
  if (selected.size() > 1) {
    word = kvSelMany;
  } else if (selected.size() == 1) {
    const TkvView *v = selected.front();
    word = IsBand(v) ? kvSelBand : (v->Typ == gtMemo ? kvSelMemo : kvSelOther);
  }
  if (!KvDesignerClipboard().Empty()) word |= kvSelClipboard;
  return word;
}

TkvSelectionBox TkvDesignerModel::Box() const {
  TkvSelectionBox box;
  bool first = true;
  for (TkvView *v : Selected()) {
    if (first) {
      box.Left = v->x;
      box.Top = v->y;
    }
    box.Left = std::min(box.Left, v->x);
    box.Top = std::min(box.Top, v->y);
    if (first || Right(v) > box.Right || (Right(v) == box.Right && Bottom(v) > box.Bottom)) {
      box.Right = Right(v);
      box.Bottom = Bottom(v);
      box.Reference = v;
    }
    first = false;
  }
  return box;
}

TkvView *TkvDesignerModel::LastSelected() const {
  const std::vector<TkvView *> selected = Selected();
  return selected.empty() ? nullptr : selected.back();
}

TkvView *TkvDesignerModel::Clicked() const { return clicked_.isEmpty() ? nullptr : FindObject(clicked_); }

void TkvDesignerModel::SetClicked(const TkvView *view) { clicked_ = view != nullptr ? view->Name : QString(); }

void TkvDesignerModel::ClearSelection() {
  // Every page: the objects' pop-up items act on what is selected anywhere.
  for (int p = 0; p < PageCount(); ++p)
    for (auto &v : report_->Pages().Page(p)->Views) v->Selected = false;
}

void TkvDesignerModel::SetSelected(TkvView *view, bool selected) {
  if (view != nullptr) view->Selected = selected;
}

void TkvDesignerModel::SelectOnly(TkvView *view) {
  ClearSelection();
  SetSelected(view, true);
}

void TkvDesignerModel::SelectAll() {
  for (TkvView *v : Views()) v->Selected = true;
}

void TkvDesignerModel::SelectIn(const QPoint &a, const QPoint &b) {
  const QRect band = KvSpan(a, b);
  for (TkvView *v : Views()) {
    const bool meets =
        v->x <= band.right() && Right(v) >= band.left() && v->y <= band.bottom() && Bottom(v) >= band.top();
    if (meets) v->Selected = true;
  }
}

TkvView *TkvDesignerModel::ObjectAt(int x, int y) const {
  const std::vector<TkvView *> views = Views();
  for (auto it = views.rbegin(); it != views.rend(); ++it) {
    if ((*it)->GetClipRegion(false).contains(QPoint(x, y))) return *it;
  }
  return nullptr;
}

TkvView *TkvDesignerModel::FindObject(const QString &name) const {
  for (TkvView *v : Views())
    if (v->Name.compare(name, Qt::CaseInsensitive) == 0) return v;
  return nullptr;
}

TkvView *TkvDesignerModel::Nearest(TkvDirection direction) const {
  const TkvView *s = SingleSelected();
  if (s == nullptr) return nullptr;
  const bool horizontal = direction == TkvDirection::Left || direction == TkvDirection::Right;
  // In the moving axis: s from a to b; across it: from c to d.
  const int a = horizontal ? s->x : s->y;
  const int b = horizontal ? Right(s) : Bottom(s);
  const int c = horizontal ? s->y : s->x;
  const int d = horizontal ? Bottom(s) : Right(s);
  const bool forward = direction == TkvDirection::Right || direction == TkvDirection::Down;
  TkvView *best = nullptr;
  int best_score = kNoCandidate;
  for (TkvView *r : Views()) {
    if (r->Selected || IsBand(r)) continue;
    const int ra = horizontal ? r->x : r->y;
    const int rb = horizontal ? Right(r) : Bottom(r);
    const int rc = horizontal ? r->y : r->x;
    const int rd = horizontal ? Bottom(r) : Right(r);
    int m;
    if (rd <= c)
      m = c - rd;
    else if (rc >= d)
      m = rc - d;
    else if (rc <= c && rd >= d)
      m = 0;
    else
      m = rc - c;
    // An object not beyond the selected one's near edge in that
    // direction is never taken, however far it lies the other way.
    if (forward ? ra <= a : rb >= b) continue;
    const int score = forward ? m + (ra > b ? ra - b : ra - a) : m + (rb < a ? a - rb : b - rb);
    if (score < best_score) {
      best_score = score;
      best = r;
    }
  }
  return best;
}

// ---- changes ----------------------------------------------------------------------------

void TkvDesignerModel::MoveSelected(int dx, int dy) {
  for (TkvView *v : Selected()) {
    v->x += dx;
    v->y += dy;
  }
}

void TkvDesignerModel::ResizeSelected(int dw, int dh) {
  for (TkvView *v : Selected()) {
    v->dx = std::max(0, v->dx + dw);
    v->dy = std::max(0, v->dy + dh);
  }
}

void TkvDesignerModel::Normalize(TkvView *view) {
  if (view->dx < 0) {
    view->x += view->dx;
    view->dx = -view->dx;
  }
  if (view->dy < 0) {
    view->y += view->dy;
    view->dy = -view->dy;
  }
}

void TkvDesignerModel::ResizeGroup(const TkvSelectionBox &old_box, int new_width, int new_height) {
  // A box of no size has nothing to scale by on that axis; a new size is
  // never negative.
  const double kx = old_box.Width() > 0 ? double(std::max(1, new_width)) / old_box.Width() : 1.0;
  const double ky = old_box.Height() > 0 ? double(std::max(1, new_height)) / old_box.Height() : 1.0;
  auto scale = [](int origin, int pos, int size, double k, int &new_pos, int &new_size) {
    const double offset = (pos - origin) * k;
    const int start = int(rtl::Round(offset));
    new_pos = origin + start;
    new_size = std::max(0, int(rtl::Round(offset + size * k)) - start);
  };
  for (TkvView *v : Selected()) {
    int nx = 0, ndx = 0, ny = 0, ndy = 0;
    scale(old_box.Left, v->x, v->dx, kx, nx, ndx);
    scale(old_box.Top, v->y, v->dy, ky, ny, ndy);
    v->x = nx;
    v->dx = ndx;
    v->y = ny;
    v->dy = ndy;
  }
}

void TkvDesignerModel::DeleteSelected() {
  auto &views = Page()->Views;
  views.erase(std::remove_if(views.begin(), views.end(), [](const std::unique_ptr<TkvView> &v) { return v->Selected; }),
              views.end());
}

void TkvDesignerModel::BringToFront() {
  auto &views = Page()->Views;
  std::stable_partition(views.begin(), views.end(), [](const std::unique_ptr<TkvView> &v) { return !v->Selected; });
  RegroupBands();
}

void TkvDesignerModel::SendToBack() {
  auto &views = Page()->Views;
  std::stable_partition(views.begin(), views.end(), [](const std::unique_ptr<TkvView> &v) { return v->Selected; });
  RegroupBands();
}

void TkvDesignerModel::RegroupBands() {
  auto &views = Page()->Views;
  std::stable_sort(views.begin(), views.end(),
                   [](const std::unique_ptr<TkvView> &l, const std::unique_ptr<TkvView> &r) {
                     return GroupRank(l.get()) < GroupRank(r.get());
                   });
}

void TkvDesignerModel::ApplyFormat(int tag, const TkvFormatValue &value) {
  for (TkvView *v : Selected()) {
    if (IsBand(v)) continue;
    TkvMemoView *memo = AsMemo(v);
    switch (tag) {
      case kvTagFrameTop:
        v->SetFrameTop(value.On);
        break;
      case kvTagFrameLeft:
        v->SetFrameLeft(value.On);
        break;
      case kvTagFrameBottom:
        v->SetFrameBottom(value.On);
        break;
      case kvTagFrameRight:
        v->SetFrameRight(value.On);
        break;
      case kvTagFillColor:
        v->FillColor = value.Color;
        break;
      case kvTagFrameWidth:
        v->FrameWidth = value.Number;
        break;
      case kvTagFrameColor:
        v->FrameColor = value.Color;
        break;
      case kvTagFrameAll:
        v->SetAllFrames();
        break;
      case kvTagFrameNone:
        v->ClearAllFrames();
        break;
      default:
        break;
    }
    if (memo == nullptr) continue;
    auto style = [memo](vcl::TFontStyle s, bool on) {
      vcl::TFontStyles styles = memo->Font.Style();
      styles = on ? styles + vcl::TFontStyles{s} : styles - vcl::TFontStyles{s};
      memo->Font.SetStyle(styles);
    };
    switch (tag) {
      case kvTagFontName:
        memo->Font.SetName(value.Text);
        break;
      case kvTagFontSize:
        memo->Font.SetSize(value.Number);
        break;
      case kvTagBold:
        style(vcl::fsBold, value.On);
        break;
      case kvTagItalic:
        style(vcl::fsItalic, value.On);
        break;
      case kvTagUnderline:
        style(vcl::fsUnderline, value.On);
        break;
      case kvTagAlignLeft:
        memo->SetHorzAlignment(adLeft);
        break;
      case kvTagAlignRight:
        memo->SetHorzAlignment(adRight);
        break;
      case kvTagAlignCenter:
        memo->SetHorzAlignment(adCenter);
        break;
      case kvTagJustify:
        memo->SetHorzAlignment(adJustify);
        break;
      case kvTagRotate:
        memo->SetRotated(value.On);
        break;
      case kvTagVertical:
        memo->SetVertAlignment(value.Number);
        break;
      case kvTagFontColor:
        memo->Font.SetColor(value.Color);
        break;
      default:
        break;
    }
  }
}

bool TkvDesignerModel::AllBandTypesUsed() const {
  std::vector<bool> used(btNone, false);
  for (TkvView *v : Views()) {
    if (!IsBand(v)) continue;
    const int type = static_cast<TkvBandView *>(v)->GetBandType();
    if (type >= 0 && type < btNone) used[size_t(type)] = true;
  }
  return std::all_of(used.begin(), used.end(), [](bool u) { return u; });
}

TkvView *TkvDesignerModel::Insert(int tag, const QPoint &a, const QPoint &b, int band_type) {
  if (tag == gtSubReport && PageCount() >= kvMaxPages) {
    Notice(kTooManyPages);
    return nullptr;
  }
  std::unique_ptr<TkvView> view = KvNewViewOfTag(tag, report_);
  if (view == nullptr) return nullptr;
  const QRect r = KvSpan(a, b);
  int w = r.width() - 1, h = r.height() - 1;
  if (w <= 0 || h <= 0) {
    w = kClickMemoWidth;
    h = tag == gtMemo ? kClickMemoHeight : kClickObjectHeight;
  }
  view->x = r.left();
  view->y = r.top();
  view->dx = w;
  view->dy = h;
  view->FrameWidth = 1;
  if (auto *band = dynamic_cast<TkvBandView *>(view.get()))
    band->SetBandType(band_type);
  else
    view->SetAllFrames();
  if (auto *memo = AsMemo(view.get())) {
    if (!NewMemoFontName.isEmpty()) memo->Font.SetName(NewMemoFontName);
    memo->Font.SetSize(NewMemoFontSize);
  }
  if (auto *sub = dynamic_cast<TkvSubReportView *>(view.get())) {
    TkvReport::TakePaper(*report_->Pages().AddPage());
    sub->PageIndex = PageCount() - 1;
  }
  ClearSelection();
  view->Selected = true;
  TkvView *raw = view.get();
  Page()->Views.push_back(std::move(view));
  if (IsBand(raw)) RegroupBands();
  return raw;
}

// ---- inspector rows ------------------------------------------------------------------------

QStringList TkvDesignerModel::RowNames() {
  return {QStringLiteral("Nome"),    QStringLiteral("X"),        QStringLiteral("Y"),    QStringLiteral("Larghezza"),
          QStringLiteral("Altezza"), QStringLiteral("Visibile"), QStringLiteral("Testo")};
}

void TkvDesignerModel::SetUnit(int unit) { unit_ = std::clamp(unit, kvUnitPixels, kvUnitInches); }

QString TkvDesignerModel::InUnit(int pixels) const {
  return rtl::FormatFloat(QStringLiteral("0.##"), pixels * KvUnitFactor(unit_));
}

QString TkvDesignerModel::RowValue(int row) const {
  const TkvView *v = SingleSelected();
  if (v == nullptr) return QString();
  switch (row) {
    case rowName:
      return v->Name.left(kMaxNameLength);
    case rowX:
      return InUnit(v->x);
    case rowY:
      return InUnit(v->y);
    case rowWidth:
      return InUnit(std::abs(v->dx));
    case rowHeight:
      return InUnit(std::abs(v->dy));
    case rowVisible:
      return v->Visible ? QStringLiteral("Vero") : QStringLiteral("Falso");
    default:
      return QString();
  }
}

bool TkvDesignerModel::SetCoordinate(TkvView *view, int row, const QString &text, QString &shown) {
  QString t = text.trimmed();
  t.replace(rtl::FormatSettings().DecimalSeparator, QLatin1Char('.'));
  bool ok = false;
  const double value = t.toDouble(&ok);
  const double pixels = ok && std::isfinite(value) ? value / KvUnitFactor(unit_) : 0;
  const bool size_row = row == rowWidth || row == rowHeight;
  if (!ok || !std::isfinite(value) || std::abs(pixels) > std::numeric_limits<std::int32_t>::max() / 2 ||
      (size_row && pixels < 0)) {
    Notice(kInvalidValue);
    shown = RowValue(row);
    return false;
  }
  const auto px = static_cast<std::int32_t>(rtl::Round(pixels));
  switch (row) {
    case rowX:
      view->x = px;
      break;
    case rowY:
      view->y = px;
      break;
    case rowWidth:
      view->dx = px;
      break;
    default:
      view->dy = px;
      break;
  }
  shown = RowValue(row);
  return true;
}

bool TkvDesignerModel::ApplyRow(int row, const QString &text, QString &shown) {
  TkvView *v = SingleSelected();
  if (v == nullptr) return false;
  switch (row) {
    case rowName: {
      const bool renamed = text != v->Name && SetViewName(v, text.trimmed());
      shown = RowValue(row);
      return renamed;
    }
    case rowX:
    case rowY:
    case rowWidth:
    case rowHeight:
      return SetCoordinate(v, row, text, shown);
    case rowVisible: {
      const QString t = text.trimmed();
      if (t.compare(QStringLiteral("Vero"), Qt::CaseInsensitive) == 0) {
        v->Visible = true;
      } else if (t.compare(QStringLiteral("Falso"), Qt::CaseInsensitive) == 0) {
        v->Visible = false;
      } else {
        Notice(kInvalidValue);
        shown = RowValue(row);
        return false;
      }
      shown = RowValue(row);
      return true;
    }
    default:
      shown = RowValue(row);
      return false;
  }
}

}  // namespace report
