// The common part of the report objects: naming, frames, backgrounds, the
// common stream record, the band table, the add-in registry and the object
// factory. Memo, picture, band and sub-report drawing live in
// kvclass_draw.cpp.
#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvformat.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "platform/rtl/formatsettings.h"
#include "platform/rtl/numbers.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "report/engine/model/kvstrio.h"

namespace report {

namespace {

const char *const kBandNames[kvBandTypeCount] = {
    "Titolo report",
    "Piè di pagina report",
    "Instestazione pagina",
    "Piè di pagina",
    "Intestazione principale",
    "Dati principali",
    "Piè di pagina principale",
    "Intestazione dettagli",
    "Dati dettagli",
    "Piè di pagina dettagli",
    "Intestazione sottodettagli",
    "Dati sottodettagli",
    "Piè di pagina sottodettagli",
    "Copertura (Sfondo)",
    "Intestazione colonna",
    "Piè di pagina colonna",
    "Intestazione gruppo",
    "Piè di pagina gruppo",
    "Intestazione Tabella",
    "Dati Tabella",
    "Piè di pagina Tabella",
    "Nessuna",
};

// Band types each option applies to, as bit masks over the type number.
constexpr std::uint32_t Types(std::initializer_list<int> types) {
  std::uint32_t mask = 0;
  for (int t : types) mask |= 1u << t;
  return mask;
}
constexpr std::uint32_t kStretchTypes = Types({0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 18});
constexpr std::uint32_t kNewPageTypes = Types({0, 1, 5, 6, 8, 9, 11, 12, 16});
constexpr std::uint32_t kPrintIfEmptyTypes = Types({5, 8});
constexpr std::uint32_t kBreakedTypes = Types({0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17});
constexpr std::uint32_t kFillEmptyTypes = Types({5, 8, 11});

std::vector<TkvView *> ViewsOf(const TkvReport *report) {
  const TkvEngineState &engine = kvEngine();
  if (report == nullptr || !engine.ReportViews) return {};
  return engine.ReportViews(report);
}

bool NameUsedByOther(const TkvView *view, const QString &name) {
  return FindViewByName(view->Report, name, view) != nullptr;
}

void ShowError(const QString &text) { vcl::MessageDlg(text, vcl::mtError, vcl::TMsgDlgButtons{vcl::mbOK}); }

}  // namespace

QString BandTypeName(int band_type) {
  if (band_type < 0 || band_type >= kvBandTypeCount) return QString();
  return QString::fromUtf8(kBandNames[band_type]);
}

bool IsVerticalBandType(int band_type) { return band_type >= btTableHeader && band_type <= btTableFooter; }

bool BandOptionApplies(int band_type, int option) {
  if (band_type < 0 || band_type >= kvBandTypeCount) return false;
  std::uint32_t mask = 0;
  switch (option) {
    case flStretched:
      mask = kStretchTypes;
      break;
    case flBandNewPage:
      mask = kNewPageTypes;
      break;
    case flBandPrintIfEmpty:
      mask = kPrintIfEmptyTypes;
      break;
    case flBandBreaked:
      mask = kBreakedTypes;
      break;
    case flBandFillEmpty:
      mask = kFillEmptyTypes;
      break;
    default:
      return false;
  }
  return mask & (1u << band_type);
}

// ---------------------------------------------------------------------------
// TkvView

TkvView::TkvView(TkvReport *report) : Report(report) {
  // Text, two decimals, the locale's separator.
  Format = KvFormatWord(fkText, 0, 2, rtl::FormatSettings().DecimalSeparator.unicode());
}

TkvView::~TkvView() {
  TkvEngineState &engine = kvEngine();
  if (engine.CurView == this) engine.CurView = nullptr;
}

void TkvView::AssignDefaultName() { AssignDefaultName(ViewsOf(Report)); }

void TkvView::AssignDefaultName(const std::vector<TkvView *> &views) {
  // TkvMemoView -> Memo: the class name less "Tkv" and "View".
  QString base = ClassName().mid(3);
  if (base.endsWith(QLatin1String("View"))) base.chop(4);
  for (int n = 1;; ++n) {
    const QString candidate = base + QString::number(n);
    const bool used = std::any_of(views.begin(), views.end(), [&](const TkvView *v) {
      return v != this && v->Name.compare(candidate, Qt::CaseInsensitive) == 0;
    });
    if (!used) {
      Name = candidate;
      return;
    }
  }
}

bool TkvView::Printing() const { return kvEngine().DrawMode == kvDrawPrinting; }

void TkvView::CalcDrawRect() {
  const int w = FrameWidth;
  const int h = w / 2;
  const int a = (w - 1) / 2;
  gx = h + 2;
  gy = h / 2 + 1;
  DRect.Left = GetFrameLeft() ? x + a : x;
  DRect.Top = GetFrameTop() ? y + a : y;
  DRect.Right = x + dx + 1 - (GetFrameRight() ? h : 0);
  DRect.Bottom = y + dy + 1 - (GetFrameBottom() ? h : 0);
}

void TkvView::DrawBackground() {
  if (kvEngine().Calculating || Canvas == nullptr) return;
  const bool printing = Printing();
  if (printing && FillColor == kvNoColor) return;
  vcl::TBrush *brush = Canvas->Brush();
  brush->SetStyle(vcl::bsSolid);
  brush->SetColor(FillColor == kvNoColor ? vcl::clWhite : FillColor);
  Canvas->FillRect(printing ? vcl::Rect(x, y, x + dx, y + dy) : DRect);
}

void TkvView::DrawFrame() {
  if (kvEngine().Calculating || Canvas == nullptr) return;
  const int lines = FrameTyp & frAll;
  const bool printing = Printing();
  if (printing && lines == 0) return;
  vcl::TPen *pen = Canvas->Pen();
  Canvas->Brush()->SetStyle(vcl::bsClear);
  if (lines == 0) {
    // Design time: corner marks show where an unframed object lies.
    pen->SetStyle(vcl::psSolid);
    pen->SetWidth(1);
    pen->SetColor(vcl::clBlack);
    const int right = x + dx, bottom = y + dy;
    auto mark = [&](int cx, int cy, int hx, int vy) {
      Canvas->MoveTo(cx, cy);
      Canvas->LineTo(cx + 4 * hx, cy);
      Canvas->MoveTo(cx, cy);
      Canvas->LineTo(cx, cy + 4 * vy);
    };
    mark(x, y, 1, 1);
    mark(right, y, -1, 1);
    mark(x, bottom, 1, -1);
    mark(right, bottom, -1, -1);
    return;
  }
  // "No colour" draws no frame lines, as it paints no fill.
  if (FrameColor == kvNoColor) return;
  pen->SetStyle(vcl::psSolid);
  pen->SetWidth(FrameWidth);
  pen->SetColor(FrameColor);
  if (lines == frAll) {
    Canvas->Rectangle(x, y, x + dx + 1, y + dy + 1);
    return;
  }
  auto line = [&](int x1, int y1, int x2, int y2) {
    Canvas->MoveTo(x1, y1);
    Canvas->LineTo(x2, y2);
  };
  if (lines & frRight) line(x + dx, y, x + dx, y + dy);
  if (lines & frLeft) line(x, y, x, y + dy);
  if (lines & frBottom) line(x, y + dy, x + dx, y + dy);
  if (lines & frTop) line(x, y, x + dx, y);
}

void TkvView::CrossOut() {
  if (Canvas == nullptr || Printing() || Visible) return;
  vcl::TPen *pen = Canvas->Pen();
  pen->SetStyle(vcl::psSolid);
  pen->SetColor(vcl::clRed);
  pen->SetWidth(2);
  Canvas->MoveTo(x, y);
  Canvas->LineTo(x + dx, y + dy);
  Canvas->MoveTo(x + dx, y);
  Canvas->LineTo(x, y + dy);
}

void TkvView::Assign(const TkvView *source) {
  if (source == nullptr || source == this) return;
  if (!NameUsedByOther(this, source->Name)) Name = source->Name;
  x = source->x;
  y = source->y;
  dx = source->dx;
  dy = source->dy;
  Flags = source->Flags;
  FrameTyp = source->FrameTyp;
  FrameWidth = source->FrameWidth;
  FrameColor = source->FrameColor;
  FrameStyle = source->FrameStyle;
  FillColor = source->FillColor;
  Format = source->Format;
  FormatStr = source->FormatStr;
  Memo.Assign(&source->Memo);
  Visible = source->Visible;
}

void TkvView::LoadCommon(rtl::TStream &stream) {
  const int version = kvEngine().Version;
  x = stream.ReadInt32();
  y = stream.ReadInt32();
  dx = stream.ReadInt32();
  dy = stream.ReadInt32();
  Flags = stream.ReadUInt16();
  FrameTyp = stream.ReadUInt16();
  FrameWidth = stream.ReadInt32();
  FrameColor = stream.ReadInt32();
  FrameStyle = stream.ReadUInt16();
  FillColor = stream.ReadInt32();
  Format = stream.ReadInt32();
  FormatStr = ReadOneLine(stream);
  ReadStrings(stream, Memo);
  if (version > 22) {
    Visible = stream.ReadUInt8() != 0;
    Name = stream.ReadShortString();
  }
  if (version < 24) {
    // Older templates were laid out at a slightly smaller scale.
    auto scale = [](std::int32_t v) { return std::int32_t(rtl::Round(double(v) * 1123.0 / 1088.0)); };
    x = scale(x);
    y = scale(y);
    dx = scale(dx);
    dy = scale(dy);
  }
  // A damaged frame width must not make a pen that covers the whole page
  // or a negative inset.
  FrameWidth = std::clamp(FrameWidth, 0, 1000);
}

void TkvView::SaveCommon(rtl::TStream &stream) const {
  stream.WriteInt32(x);
  stream.WriteInt32(y);
  stream.WriteInt32(dx);
  stream.WriteInt32(dy);
  stream.WriteUInt16(Flags);
  stream.WriteUInt16(FrameTyp);
  stream.WriteInt32(FrameWidth);
  stream.WriteInt32(FrameColor);
  stream.WriteUInt16(FrameStyle);
  stream.WriteInt32(FillColor);
  stream.WriteInt32(Format);
  WriteOneLine(stream, FormatStr);
  WriteStrings(stream, Memo);
  if (kvEngine().Version > 22) {
    stream.WriteUInt8(Visible ? 1 : 0);
    stream.WriteShortString(Name);
  }
}

void TkvView::LoadFromStream(rtl::TStream &stream) { LoadCommon(stream); }

void TkvView::SaveToStream(rtl::TStream &stream) { SaveCommon(stream); }

void TkvView::LoadFromField(vcl::TField *) {}

void TkvView::AddMenuItems(vcl::TPopupMenu *) {}

QRegion TkvView::GetClipRegion(bool grow) {
  const int w = FrameWidth;
  int left = x - (GetFrameLeft() ? w / 2 : 0);
  int top = y - (GetFrameTop() ? w / 2 : 0);
  int right = x + dx + 1 + (GetFrameRight() ? (w - 1) / 2 : 0);
  int bottom = y + dy + 1 + (GetFrameBottom() ? (w - 1) / 2 : 0);
  if (grow) {
    left -= 10;
    top -= 10;
    right += 10;
    bottom += 10;
  }
  return QRegion(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

// ---------------------------------------------------------------------------
// Constructors of the kinds (their drawing is in kvclass_draw.cpp)

TkvCustomMemoView::TkvCustomMemoView(TkvReport *report) : TkvView(report) { Typ = gtMemo; }

TkvMemoView::TkvMemoView(TkvReport *report) : TkvCustomMemoView(report) {
  Font.SetName(QStringLiteral("Arial"));
  Font.SetSize(10);
  Font.SetColor(vcl::clBlack);
  AssignDefaultName();
}

int TkvMemoView::GetVertAlignment() const {
  if (Adjust & adVertBottom) return 2;
  if (Adjust & adVertCenter) return 1;
  return 0;
}

void TkvMemoView::SetVertAlignment(int value) {
  Adjust &= ~(adVertCenter | adVertBottom);
  if (value == 1) Adjust |= adVertCenter;
  if (value == 2) Adjust |= adVertBottom;
}

void TkvMemoView::Assign(const TkvView *source) {
  TkvView::Assign(source);
  if (auto *memo = dynamic_cast<const TkvMemoView *>(source)) {
    Adjust = memo->Adjust;
    HighlightStyle = memo->HighlightStyle;
    HighlightFontColor = memo->HighlightFontColor;
    HighlightFillColor = memo->HighlightFillColor;
    HighlightCondition = memo->HighlightCondition;
    HighlightOn = memo->HighlightOn;
    Font.Assign(&memo->Font);
  }
}

namespace {

// Font style bits of the template stream: 1 italic, 2 bold, 4 underline.
std::uint16_t StyleBits(vcl::TFontStyles style) {
  std::uint16_t bits = 0;
  if (style.Contains(vcl::fsItalic)) bits |= 1;
  if (style.Contains(vcl::fsBold)) bits |= 2;
  if (style.Contains(vcl::fsUnderline)) bits |= 4;
  return bits;
}

vcl::TFontStyles StyleFromBits(std::uint16_t bits) {
  vcl::TFontStyles style;
  if (bits & 1) style.Include(vcl::fsItalic);
  if (bits & 2) style.Include(vcl::fsBold);
  if (bits & 4) style.Include(vcl::fsUnderline);
  return style;
}

}  // namespace

void TkvMemoView::LoadFromStream(rtl::TStream &stream) {
  LoadCommon(stream);
  QString font_name = ReadOneLine(stream);
  if (font_name.isEmpty()) font_name = QStringLiteral("Arial");
  Font.SetName(font_name);
  // A damaged size is kept within what a page can show.
  Font.SetSize(std::clamp(stream.ReadInt32(), 1, 1000));
  Font.SetStyle(StyleFromBits(stream.ReadUInt16()));
  Font.SetColor(stream.ReadInt32());
  Adjust = stream.ReadInt32();
  HighlightStyle = StyleFromBits(stream.ReadUInt16());
  HighlightFontColor = stream.ReadInt32();
  HighlightFillColor = stream.ReadInt32();
  HighlightOn = stream.ReadInt16() != 0 ? -1 : 0;
  HighlightCondition = ReadOneLine(stream);
  if (kvEngine().Version == 21) Flags |= flWordWrap;
}

void TkvMemoView::SaveToStream(rtl::TStream &stream) {
  SaveCommon(stream);
  WriteOneLine(stream, Font.Name());
  stream.WriteInt32(Font.Size());
  stream.WriteUInt16(StyleBits(Font.Style()));
  stream.WriteInt32(Font.Color());
  stream.WriteInt32(Adjust);
  stream.WriteUInt16(StyleBits(HighlightStyle));
  stream.WriteInt32(HighlightFontColor);
  stream.WriteInt32(HighlightFillColor);
  stream.WriteInt16(HighlightOn ? -1 : 0);
  WriteOneLine(stream, HighlightCondition);
}

TkvBandView::TkvBandView(TkvReport *report) : TkvView(report) {
  Typ = gtBand;
  Format = 0;
  AssignDefaultName();
}

TkvBandView::~TkvBandView() {
  if (!IsDataBand() || FormatStr.isEmpty()) return;
  const auto &release = kvEngine().ReleaseInternalDataset;
  if (!release || kvEngine().KeepSources > 0) return;
  try {
    release(Report, this, FormatStr);
  } catch (...) {
    // Nothing may leave a destructor; the dataset then stays with the report.
  }
}

bool TkvBandView::IsDataBand() const {
  const int t = GetBandType();
  return t == btMasterData || t == btDetailData || t == btSubDetailData || t == btTableData;
}

QRegion TkvBandView::GetClipRegion(bool grow) {
  const int g = grow ? 10 : 0;
  QRegion region(x - g, y - g, dx + 1 + 2 * g, dy + 1 + 2 * g);
  if (IsVertical()) return region.united(QRegion(x - 18, y, 18, 130));
  return region.united(QRegion(x, y - 18, 130, 18));
}

TkvSubReportView::TkvSubReportView(TkvReport *report) : TkvView(report) {
  Typ = gtSubReport;
  AssignDefaultName();
}

void TkvSubReportView::Assign(const TkvView *source) {
  TkvView::Assign(source);
  if (auto *sub = dynamic_cast<const TkvSubReportView *>(source)) PageIndex = sub->PageIndex;
}

void TkvSubReportView::LoadFromStream(rtl::TStream &stream) {
  LoadCommon(stream);
  PageIndex = stream.ReadInt32();
}

void TkvSubReportView::SaveToStream(rtl::TStream &stream) {
  SaveCommon(stream);
  stream.WriteInt32(PageIndex);
}

TkvCustomPictureView::TkvCustomPictureView(TkvReport *report) : TkvView(report) {
  Typ = gtPicture;
  Flags = flStretched | flPictRatio;
}

TkvPictureView::TkvPictureView(TkvReport *report) : TkvCustomPictureView(report) { AssignDefaultName(); }

TkvPictureView::~TkvPictureView() = default;

// ---------------------------------------------------------------------------
// Names and small helpers

bool IsValidViewName(const QString &name) {
  if (name.isEmpty()) return false;
  auto letter = [](QChar c) {
    const QChar u = c.toUpper();
    return u >= QLatin1Char('A') && u <= QLatin1Char('Z');
  };
  if (name[0] != QLatin1Char('_') && !letter(name[0])) return false;
  return std::all_of(name.begin() + 1, name.end(), [&](QChar c) {
    return c == QLatin1Char('_') || letter(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
  });
}

bool SetViewName(TkvView *view, const QString &name) {
  if (view == nullptr) return false;
  if (!IsValidViewName(name)) {
    ShowError(QStringLiteral("Formato del nome errato."));
    return false;
  }
  if (NameUsedByOther(view, name)) {
    ShowError(QString::fromUtf8("Non è possibile assegnare un nome già esistente."));
    return false;
  }
  view->Name = name;
  return true;
}

void SetMemoText(TkvView *view, const QString &text) {
  if (view == nullptr) return;
  view->Memo.SetText(text);
}

TkvView *FindViewByName(const TkvReport *report, const QString &name, const TkvView *except) {
  for (TkvView *view : ViewsOf(report)) {
    if (view != except && view->Name.compare(name, Qt::CaseInsensitive) == 0) return view;
  }
  return nullptr;
}

std::unique_ptr<vcl::TFont> MakeRotatedFont(const vcl::TFont *font) {
  auto rotated = std::make_unique<vcl::TFont>();
  if (font != nullptr) rotated->Assign(font);
  rotated->SetOrientation(900);
  return rotated;
}

rtl::TDateTime GetFileDateTime(const QString &file_name) {
  const rtl::TDateTime age = rtl::FileAge(file_name);
  return age < 0 ? 0 : age;
}

}  // namespace report
