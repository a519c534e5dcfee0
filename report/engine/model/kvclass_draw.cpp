// Drawing of the report objects: memo text (expansion, word wrap, alignment,
// turned text, justification, highlight), pictures (stretched, centred,
// proportional, loaded from data fields), band markers and sub-report
// placeholders, and the designer's pop-up options of each kind.
//
// The same Draw serves the designer's surface and the report pages; the
// engine's draw mode and calculation flag (kvglobals.h) say which, and
// a memo's own DrawMode says whether it is measured, drawn, or drawn from
// lines prepared by an earlier measuring pass.
#include <QByteArray>
#include <algorithm>
#include <cmath>

#include "platform/rtl/numbers.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/db/db.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/metafile.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvservices.h"

namespace report {

namespace {

// Whether a condition's value counts as true: 1, or a boolean true.
bool IsTrue(const rtl::Variant &value) {
  if (value.Type() == rtl::VarType::Boolean) return value.AsDouble() != 0;
  return value.IsNumeric() && value.AsDouble() == 1.0;
}

// Draws text clipped to `clip`, turned or not. The canvas's own clip is
// left alone: a recording canvas has no surface to restore it to.
void ClippedTextOut(vcl::TCanvas *canvas, const vcl::TRect &clip, int px, int py, const QString &text) {
  canvas->Brush()->SetStyle(vcl::bsClear);
  canvas->TextRect(clip, px, py, text);
}

void SetSmallFont(vcl::TCanvas *canvas) {
  vcl::TFont *font = canvas->Font();
  font->SetName(QStringLiteral("Arial"));
  font->SetSize(8);
  font->SetStyle({});
  font->SetColor(vcl::clBlack);
  font->SetOrientation(0);
}

// The selected views of the report that are of the same kind as `self`
// (for the designer's pop-up toggles); `self` alone when the report does
// not list its views.
template <class Kind>
std::vector<Kind *> SelectedLike(TkvView *self) {
  std::vector<Kind *> result;
  const TkvEngineState &engine = kvEngine();
  if (self->Report != nullptr && engine.ReportViews) {
    for (TkvView *v : engine.ReportViews(self->Report)) {
      if (v->Selected) {
        if (auto *k = dynamic_cast<Kind *>(v)) result.push_back(k);
      }
    }
  }
  if (std::find(result.begin(), result.end(), self) == result.end()) {
    if (auto *k = dynamic_cast<Kind *>(self)) result.push_back(k);
  }
  return result;
}

vcl::TMenuItem *AddItem(vcl::TPopupMenu *menu, const QString &caption) {
  auto *item = new vcl::TMenuItem(menu);
  item->SetCaption(caption);
  menu->Items()->Add(item);
  return item;
}

// A pop-up item that toggles one Flags bit on every selected object of the
// kind. `applies` filters the objects that may take the bit.
template <class Kind>
void AddFlagItem(vcl::TPopupMenu *menu, Kind *self, const QString &caption, int bit, bool redraw,
                 std::function<bool(Kind *)> applies = {}) {
  vcl::TMenuItem *item = AddItem(menu, caption);
  item->SetChecked((self->Flags & bit) != 0);
  item->OnClick = [self, bit, redraw, applies](rtl::TObject *) {
    const bool on = (self->Flags & bit) == 0;
    const TkvEngineState &engine = kvEngine();
    for (Kind *v : SelectedLike<Kind>(self)) {
      if (applies && !applies(v)) continue;
      const std::uint16_t before = v->Flags;
      v->Flags = on ? std::uint16_t(v->Flags | bit) : std::uint16_t(v->Flags & ~bit);
      if (redraw && before != v->Flags && engine.DesignerRedraw) engine.DesignerRedraw(v);
    }
    if (engine.DesignerModified) engine.DesignerModified();
  };
}

// A canvas for measuring text when a memo is laid out without one.
vcl::TCanvas *MeasuringCanvas() {
  static const std::unique_ptr<vcl::TBitmap> scratch = std::make_unique<vcl::TBitmap>(1, 1);
  return scratch->Canvas();
}

// The designer's hatch of band markers: light diagonal lines on white.
const vcl::TBitmap &HatchBitmap() {
  static const std::unique_ptr<vcl::TBitmap> hatch = [] {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(QColor(255, 255, 255));
    for (int i = 0; i < 8; ++i) image.setPixel(i, 7 - i, qRgb(192, 192, 192));
    auto bitmap = std::make_unique<vcl::TBitmap>();
    bitmap->SetImage(image);
    return bitmap;
  }();
  return *hatch;
}

}  // namespace

// ---------------------------------------------------------------------------
// Memo: expansion and layout

bool TkvMemoView::FindBracket(const QString &line, int from, int &open, int &close) {
  open = line.indexOf(QLatin1Char('['), from);
  if (open < 0) return false;
  int depth = 0;
  for (int i = open; i < line.size(); ++i) {
    if (line[i] == QLatin1Char('[')) {
      ++depth;
    } else if (line[i] == QLatin1Char(']') && --depth == 0) {
      close = i;
      return true;
    }
  }
  return false;
}

QString TkvMemoView::ExpandBrackets(const QString &line) {
  const auto &expand = kvEngine().ExpandBracket;
  if (!expand) return line;
  QString out = line;
  int from = 0, open = 0, close = 0;
  while (FindBracket(out, from, open, close)) {
    const QString value = expand(out.mid(open + 1, close - open - 1));
    out.replace(open, close - open + 1, value);
    from = open + int(value.size());
  }
  return out;
}

void TkvMemoView::ExpandMemo() {
  DisplayLines.Clear();
  const bool printing = Printing();
  for (int i = 0; i < Memo.Count(); ++i) {
    const QString line = Memo.Strings(i);
    if (!printing) {
      DisplayLines.Add(line);
      continue;
    }
    const QString expanded = ExpandBrackets(line);
    if (expanded.contains(QLatin1String("\r\n")) && !line.contains(QLatin1String("\r\n"))) LineBreak = 1;
    DisplayLines.Add(expanded);
  }
}

void TkvMemoView::PrepareLines() {
  TkvEngineState &engine = kvEngine();
  const bool printing = Printing();
  Canvas->SetFont(&Font);
  vcl::TFont *font = Canvas->Font();
  if (printing && engine.PrintPixelsPerInch > 0 && engine.PrintPixelsPerInch != vcl::kScreenPixelsPerInch) {
    font->SetHeight(int(rtl::Round(double(font->Height()) * engine.PrintPixelsPerInch / vcl::kScreenPixelsPerInch)));
  }

  QStringList lines = DisplayLines.ToStringList();
  if (LineBreak) {
    QStringList split;
    for (const QString &line : lines) split.append(line.split(QLatin1String("\r\n")));
    lines = split;
  }

  if ((Flags & flAutoWidth) && printing) {
    int widest = 0;
    for (const QString &line : lines) widest = std::max(widest, Canvas->TextWidth(line));
    dx = 2 * gx + widest;
    CalcDrawRect();
  }

  // The font height is negative for point sizes; a positive one is a cell
  // height. Either way the text is that many pixels tall.
  line_height_ = 2 + std::abs(font->Height());
  const bool rotated = GetRotated();
  if (rotated) font->SetOrientation(900);
  const int avail = rotated ? dy - 2 * gy : dx - 2 * gx;

  QStringList laid;
  if (Flags & flWordWrap) {
    auto is_break = [](QChar c) {
      return c == QLatin1Char(' ') || c == QLatin1Char(',') || c == QLatin1Char('-') || c == QLatin1Char('.');
    };
    for (const QString &line : lines) {
      // Each piece measured on its own, without shaping it again.
      const vcl::TTextRuler ruler(Canvas, line);
      const int n = int(line.size());
      auto width = [&](int from, int to) { return ruler.Width(from, to); };
      if (n < 2 || width(0, n) < avail) {
        laid.append(line);
        continue;
      }
      // Each piece ends at the first character where the text from the
      // piece's start reaches the width (found by halving, the width growing
      // with the length), cut back to the last break point before it.
      int start = 0;
      while (start < n) {
        if (width(start, n) < avail) {
          laid.append(line.mid(start));
          break;
        }
        int lo = start, hi = n - 1;
        while (lo < hi) {
          const int mid = lo + (hi - lo) / 2;
          if (width(start, mid + 1) >= avail) {
            hi = mid;
          } else {
            lo = mid + 1;
          }
        }
        int last_break = -1;
        for (int k = lo - 1; k >= start; --k) {
          if (is_break(line[k])) {
            last_break = k;
            break;
          }
        }
        // Without a break point the piece ends before the current character,
        // but holds at least one so that a narrow memo cannot loop.
        const int end = last_break >= 0 ? last_break + 1 : std::max(lo, start + 1);
        laid.append(line.mid(start, end - start));
        start = end;
      }
    }
  } else {
    laid = lines;
  }

  const int count = int(laid.size());
  text_height_ = count * line_height_ + 2 * gy;
  if (printing && (Flags & flStretched)) {
    if (rotated) {
      dx = count * line_height_ + 2 * gx;
      CalcDrawRect();
    } else if (engine.BandStretched) {
      dy = text_height_;
      CalcDrawRect();
    }
  }
  DisplayLines.AssignStrings(laid);
}

// ---------------------------------------------------------------------------
// Memo: drawing

void TkvMemoView::DrawOneLine(const QString &line, int px, int py, bool clipped) {
  if (!clipped) {
    Canvas->TextOut(px, py, line);
    return;
  }
  const vcl::TRect clip = vcl::Rect(DRect.Left + 1, DRect.Top, DRect.Right - 2, DRect.Bottom - 1);
  ClippedTextOut(Canvas, clip, px, py, line);
}

void TkvMemoView::DrawLines() {
  const vcl::TRect clip = vcl::Rect(DRect.Left + 1, DRect.Top, DRect.Right - 2, DRect.Bottom - 1);
  const bool rotated = GetRotated();
  const bool wrapped = (Flags & flWordWrap) != 0;
  const int lh = line_height_;
  const int saved_x = x, saved_y = y;
  const int shift_room = (rotated ? dx : dy) - text_height_;
  int &moved = rotated ? x : y;
  if (Adjust & adVertCenter) moved += shift_room / 2;
  if (Adjust & adVertBottom) moved += shift_room;

  Canvas->Brush()->SetStyle(vcl::bsClear);
  const int count = DisplayLines.Count();
  const int first = std::max(0, int(FirstLine));
  int next = count;
  for (int i = first; i < count; ++i) {
    const QString line = DisplayLines.Strings(i);
    const int k = i - first;
    const int tw = Canvas->TextWidth(line);
    if (rotated) {
      const int px = x + gx + k * lh;
      if (px + lh > clip.Right) {
        next = i;
        break;
      }
      int py;
      switch (Adjust & 3) {
        case adRight:
          py = y + gy + tw;
          break;
        case adCenter:
          py = y + dy - gy - (dy - 2 * gy - tw) / 2 - 1;
          break;
        default:
          py = y + dy - gy;
          break;
      }
      const bool fits = py - tw >= clip.Top && py <= clip.Bottom && px >= clip.Left;
      DrawOneLine(line, px, py, wrapped || !fits);
      continue;
    }
    const int py = y + gy + k * lh;
    if (py + lh > clip.Bottom) {
      next = i;
      break;
    }
    if (Adjust == adJustify && line.contains(QLatin1Char(' ')) && !line.startsWith(QLatin1Char(' '))) {
      // Justified: the spare width is shared out between the blanks.
      QString trimmed = line;
      while (trimmed.endsWith(QLatin1Char(' '))) trimmed.chop(1);
      const int blanks = int(trimmed.count(QLatin1Char(' ')));
      if (blanks > 0) {
        const int spare = clip.Width() - gx - 1 - Canvas->TextWidth(trimmed);
        const double extra = (double(Canvas->TextWidth(QStringLiteral(" "))) * blanks + spare) / blanks;
        double pos = x + gx;
        for (const QString &word : trimmed.split(QLatin1Char(' '))) {
          DrawOneLine(word, int(rtl::Round(pos)), py, true);
          pos += Canvas->TextWidth(word) + extra;
        }
        continue;
      }
    }
    int px;
    switch (Adjust & 3) {
      case adRight:
        px = x + dx - gx - tw - 1;
        break;
      case adCenter:
        px = x + gx + (dx - 2 * gx - tw) / 2;
        break;
      default:
        px = x + gx;
        break;
    }
    const bool fits = px >= clip.Left && px + tw <= clip.Right && py >= clip.Top;
    DrawOneLine(line, px, py, wrapped || !fits);
  }
  FirstLine = next;
  x = saved_x;
  y = saved_y;
}

void TkvMemoView::Draw(vcl::TCanvas *canvas) {
  TkvEngineState &engine = kvEngine();
  // Laying out needs text metrics even when nothing is to be drawn.
  Canvas = canvas != nullptr ? canvas : MeasuringCanvas();
  const bool printing = Printing();
  if (printing && !Visible) return;
  engine.CurView = this;
  if (Parent != nullptr) engine.CurBand = Parent;
  const int mode = printing ? int(DrawMode) : int(dmDraw);
  const std::uint16_t saved_flags = Flags;
  if (mode != dmDrawContinuation) FirstLine = 0;

  if (mode == dmDraw || mode == dmMeasure) {
    const bool bound = printing && engine.BindField && engine.BindField(this);
    if (!bound) ExpandMemo();
  }

  vcl::TFont saved_font;
  saved_font.Assign(&Font);
  const vcl::TColor saved_fill = FillColor;
  SaveHighlightOn = HighlightOn != 0;
  if (printing && mode != dmMeasure && HighlightOn) {
    bool on = false;
    try {
      if (engine.Evaluate) on = IsTrue(engine.Evaluate(HighlightCondition));
    } catch (const rtl::Exception &) {
      kvSetError(QStringLiteral("Espressione per il calcolo dell'evidenziatura errata"));
    }
    if (on) {
      Font.SetStyle(HighlightStyle);
      Font.SetColor(HighlightFontColor);
      FillColor = HighlightFillColor;
    } else {
      HighlightOn = 0;
    }
  }

  CalcDrawRect();
  if (DisplayLines.Count() > 0) {
    if (mode == dmDraw || mode == dmMeasure) {
      PrepareLines();
    } else {
      Canvas->SetFont(&Font);
      if (GetRotated()) Canvas->Font()->SetOrientation(900);
    }
    if (mode != dmMeasure) {
      DrawBackground();
      DrawFrame();
      if (!engine.Calculating) DrawLines();
    }
    if (mode == dmMeasure && (Flags & flStretched)) {
      engine.LowestBottom = std::max(engine.LowestBottom, y + text_height_ + 2);
    }
  } else if (mode != dmMeasure) {
    // An empty stretched memo grows with the band it stands in.
    const int saved_dy = dy;
    if (printing && (Flags & flStretched) && engine.BandStretched && engine.BandOldHeight > 0 &&
        engine.BandNewHeight > 0) {
      dy = int(rtl::Round(double(dy) * engine.BandNewHeight / engine.BandOldHeight));
      CalcDrawRect();
    }
    DrawBackground();
    DrawFrame();
    dy = saved_dy;
  }

  Font.Assign(&saved_font);
  FillColor = saved_fill;
  HighlightOn = SaveHighlightOn ? -1 : 0;
  Flags = saved_flags;
  CrossOut();
}

void TkvMemoView::LoadFromField(vcl::TField *field) {
  if (field == nullptr) return;
  DisplayLines.SetText(field->AsString());
}

void TkvMemoView::AddMenuItems(vcl::TPopupMenu *menu) {
  vcl::TMenuItem *format = AddItem(menu, QStringLiteral("Formatta variabile..."));
  format->OnClick = [this](rtl::TObject *) {
    const TkvEngineState &engine = kvEngine();
    const auto &edit_format = KvEditorServices().EditFormat;
    std::int32_t value = Format;
    QString text = FormatStr;
    if (!edit_format || !edit_format(value, text)) return;
    for (TkvMemoView *memo : SelectedLike<TkvMemoView>(this)) {
      memo->Format = value;
      memo->FormatStr = text;
    }
    if (engine.DesignerModified) engine.DesignerModified();
  };
  AddItem(menu, QStringLiteral("-"));
  AddFlagItem<TkvMemoView>(menu, this, QStringLiteral("Adattato"), flStretched, false);
  AddFlagItem<TkvMemoView>(menu, this, QStringLiteral("A capo"), flWordWrap, true);
  AddFlagItem<TkvMemoView>(menu, this, QStringLiteral("Largezza automatica"), flAutoWidth, true);
}

// ---------------------------------------------------------------------------
// Band marker and sub-report placeholder (design time only)

void TkvBandView::Draw(vcl::TCanvas *canvas) {
  Canvas = canvas;
  if (Printing() || canvas == nullptr || kvEngine().Calculating) return;
  const TkvEngineState &engine = kvEngine();
  int page_width = 0, page_height = 0;
  if (engine.PageSize) engine.PageSize(this, page_width, page_height);
  const bool vertical = IsVertical();
  if (vertical) {
    y = 0;
    if (page_height > 0) dy = page_height;
  } else {
    x = 0;
    if (page_width > 0) dx = page_width;
  }

  vcl::TBrush *brush = canvas->Brush();
  brush->SetBitmap(&HatchBitmap());
  canvas->FillRect(vcl::Rect(x, y, x + dx + 1, y + dy + 1));
  brush->SetBitmap(nullptr);
  vcl::TPen *pen = canvas->Pen();
  pen->SetStyle(vcl::psSolid);
  pen->SetWidth(1);
  pen->SetColor(vcl::clBlack);
  brush->SetStyle(vcl::bsClear);
  canvas->Rectangle(x, y, x + dx + 1, y + dy + 1);

  DrawTitleTab(canvas);
}

void TkvBandView::DrawTitleTab(vcl::TCanvas *canvas) {
  if (canvas == nullptr) return;
  const bool vertical = IsVertical();
  vcl::TBrush *brush = canvas->Brush();
  vcl::TPen *pen = canvas->Pen();
  pen->SetStyle(vcl::psSolid);
  pen->SetWidth(1);
  // The title tab with the band type's name.
  brush->SetStyle(vcl::bsSolid);
  brush->SetColor(vcl::clBtnFace);
  SetSmallFont(canvas);
  if (vertical) {
    canvas->FillRect(vcl::Rect(x - 18, y, x, y + 130));
    pen->SetColor(vcl::clBtnShadow);
    canvas->MoveTo(x - 18, y + 128);
    canvas->LineTo(x, y + 128);
    pen->SetColor(vcl::clBlack);
    canvas->MoveTo(x - 18, y + 129);
    canvas->LineTo(x, y + 129);
    brush->SetStyle(vcl::bsClear);
    canvas->Font()->SetOrientation(900);
    ClippedTextOut(canvas, vcl::Rect(x - 18, y, x, y + 128), x - 17, y + 126, BandTypeName(GetBandType()));
    canvas->Font()->SetOrientation(0);
  } else {
    canvas->FillRect(vcl::Rect(x, y - 18, x + 130, y));
    pen->SetColor(vcl::clBtnShadow);
    canvas->MoveTo(x + 128, y - 18);
    canvas->LineTo(x + 128, y);
    pen->SetColor(vcl::clBlack);
    canvas->MoveTo(x + 129, y - 18);
    canvas->LineTo(x + 129, y);
    brush->SetStyle(vcl::bsClear);
    ClippedTextOut(canvas, vcl::Rect(x, y - 18, x + 128, y), x + 4, y - 17, BandTypeName(GetBandType()));
  }
}

void TkvBandView::AddMenuItems(vcl::TPopupMenu *menu) {
  AddItem(menu, QStringLiteral("-"));
  const int type = GetBandType();
  struct Option {
    const char *caption;
    int bit;
  };
  static const Option options[] = {
      {"Adattato", flStretched},
      {"Forza pagina nuova", flBandNewPage},
      {"Stampa se i dettagli sono vuoti", flBandPrintIfEmpty},
      {"Banda interrotta", flBandBreaked},
      {"Completa l'elenco", flBandFillEmpty},
  };
  for (const Option &option : options) {
    if (!BandOptionApplies(type, option.bit)) continue;
    const int bit = option.bit;
    AddFlagItem<TkvBandView>(menu, this, QString::fromUtf8(option.caption), bit, false,
                             [bit](TkvBandView *band) { return BandOptionApplies(band->GetBandType(), bit); });
  }
}

void TkvSubReportView::Draw(vcl::TCanvas *canvas) {
  Canvas = canvas;
  if (Printing() || canvas == nullptr || kvEngine().Calculating) return;
  CalcDrawRect();
  vcl::TPen *pen = canvas->Pen();
  pen->SetStyle(vcl::psSolid);
  pen->SetWidth(1);
  pen->SetColor(vcl::clBlack);
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(vcl::clWhite);
  canvas->Rectangle(x, y, x + dx + 1, y + dy + 1);
  SetSmallFont(canvas);
  canvas->Brush()->SetStyle(vcl::bsClear);
  canvas->TextRect(DRect, x + 2, y + 2, QStringLiteral("SottoReport in pagina ") + QString::number(PageIndex + 1));
  CrossOut();
}

// ---------------------------------------------------------------------------
// Picture

std::function<std::unique_ptr<vcl::TGraphic>()> &TkvPictureView::MetafileFactory() {
  static std::function<std::unique_ptr<vcl::TGraphic>()> factory;
  return factory;
}

TkvPictureKind TkvPictureView::KindOf(const vcl::TGraphic *graphic) {
  if (graphic == nullptr || graphic->Empty()) return pkNone;
  if (dynamic_cast<const vcl::TBitmap *>(graphic)) return pkBitmap;
  if (dynamic_cast<const vcl::TIcon *>(graphic)) return pkIcon;
  if (dynamic_cast<const vcl::TJPEGImage *>(graphic)) return pkJPEG;
  return pkMetafile;
}

namespace {

const char kUnknownFormat[] = "Formato immagine sconosciuto.";

std::unique_ptr<vcl::TGraphic> MakeGraphic(TkvPictureKind kind) {
  switch (kind) {
    case pkBitmap:
      return std::make_unique<vcl::TBitmap>();
    case pkIcon:
      return std::make_unique<vcl::TIcon>();
    case pkJPEG:
      return std::make_unique<vcl::TJPEGImage>();
    case pkMetafile: {
      const auto &factory = TkvPictureView::MetafileFactory();
      if (factory) {
        if (auto graphic = factory()) return graphic;
      }
      return std::make_unique<vcl::TMetafile>();
    }
    case pkNone:
      break;
  }
  throw vcl::EInvalidGraphic(QString::fromLatin1(kUnknownFormat));
}

// The kind a blob's bytes at `offset` announce, or pkNone.
TkvPictureKind SignatureAt(const QByteArray &data, int offset) {
  auto byte = [&](int i) { return offset + i < data.size() ? std::uint8_t(data[offset + i]) : 0x100; };
  if (byte(0) == 'B' && byte(1) == 'M') return pkBitmap;
  if (byte(0) == 0 && byte(1) == 0 && byte(2) == 1 && byte(3) == 0) return pkIcon;
  if (byte(0) == 0xFF && byte(1) == 0xD8) return pkJPEG;
  if (byte(0) == 0xD7 && byte(1) == 0xCD && byte(2) == 0xC6 && byte(3) == 0x9A) return pkMetafile;
  return pkNone;
}

}  // namespace

void TkvPictureView::LoadFromBlob(const QByteArray &data) {
  int offset = 0;
  TkvPictureKind kind = SignatureAt(data, 0);
  if (kind == pkNone) {
    kind = SignatureAt(data, 8);
    offset = 8;
  }
  if (kind == pkNone && data.size() >= 2) {
    // A metafile's first record type is 1 (or 0 for an old memory one).
    const int word = std::uint8_t(data[0]) | (std::uint8_t(data[1]) << 8);
    if (word == 0 || word == 1) {
      kind = pkMetafile;
      offset = 0;
    }
  }
  if (kind == pkNone) throw vcl::EInvalidGraphic(QString::fromLatin1(kUnknownFormat));
  std::unique_ptr<vcl::TGraphic> graphic = MakeGraphic(kind);
  graphic->LoadFromBytes(data.mid(offset));
  FieldPicture = std::move(graphic);
  LoadedFromField = 1;
}

void TkvPictureView::LoadFromField(vcl::TField *field) {
  if (field == nullptr) return;
  if (field->IsNull()) {
    // This row has no picture: nothing of an earlier row may show.
    FieldPicture.reset();
    LoadedFromField = 1;
    return;
  }
  if (auto *blob = dynamic_cast<vcl::TBlobField *>(field)) {
    LoadFromBlob(blob->AsBytes());
  } else {
    throw vcl::EInvalidGraphic(QString::fromLatin1(kUnknownFormat));
  }
}

void TkvPictureView::Assign(const TkvView *source) {
  TkvView::Assign(source);
  auto *picture = dynamic_cast<const TkvPictureView *>(source);
  if (picture == nullptr) return;
  Picture.Assign(&picture->Picture);
  StreamGraphic.reset();
  if (picture->Picture.Graphic() == nullptr && picture->StreamGraphic) {
    // A kind the picture holder cannot copy goes through its stored form.
    StreamGraphic = MakeGraphic(KindOf(picture->StreamGraphic.get()));
    StreamGraphic->LoadFromBytes(picture->StreamGraphic->SaveToBytes());
  }
}

const vcl::TGraphic *TkvPictureView::DesignedGraphic() const {
  if (Picture.Graphic() != nullptr) return Picture.Graphic();
  return StreamGraphic.get();
}

void TkvPictureView::LoadFromStream(rtl::TStream &stream) {
  LoadCommon(stream);
  const int kind = stream.ReadUInt8();
  const qint64 end = stream.ReadInt32();
  const qint64 here = stream.Position();
  if (kind > pkJPEG || end < here || end > stream.Size()) {
    throw rtl::EReadError(QStringLiteral("Dati dell'immagine danneggiati"));
  }
  StreamGraphic.reset();
  if (kind == pkNone) {
    Picture.SetGraphic(nullptr);
  } else {
    const QByteArray bytes = stream.ReadBytes(end - here);
    StreamGraphic = MakeGraphic(TkvPictureKind(kind));
    StreamGraphic->LoadFromBytes(bytes);
    if (kind == pkMetafile) {
      Picture.SetGraphic(nullptr);  // the holder keeps no metafiles
    } else {
      Picture.SetGraphic(StreamGraphic.get());
    }
  }
  // The picture reader may have read less than was stored: stay in step.
  stream.Seek(end, rtl::soBeginning);
}

void TkvPictureView::SaveToStream(rtl::TStream &stream) {
  SaveCommon(stream);
  const vcl::TGraphic *graphic = DesignedGraphic();
  const TkvPictureKind kind = KindOf(graphic);
  stream.WriteUInt8(kind);
  const qint64 slot = stream.Position();
  stream.WriteInt32(0);
  if (kind != pkNone) stream.WriteBytes(graphic->SaveToBytes());
  const qint64 end = stream.Position();
  stream.Seek(slot, rtl::soBeginning);
  stream.WriteInt32(std::int32_t(end));
  stream.Seek(end, rtl::soBeginning);
}

void TkvPictureView::Draw(vcl::TCanvas *canvas) {
  TkvEngineState &engine = kvEngine();
  Canvas = canvas;
  const bool printing = Printing();
  if (printing && !Visible) return;
  engine.CurView = this;
  if (Parent != nullptr) engine.CurBand = Parent;
  if (printing) {
    // Each row decides afresh whether its field supplies the picture.
    LoadedFromField = 0;
    if (engine.BindField) engine.BindField(this);
  }

  const vcl::TGraphic *graphic = (printing && LoadedFromField) ? FieldPicture.get() : DesignedGraphic();
  if (graphic != nullptr && graphic->Empty()) graphic = nullptr;
  if (printing && dynamic_cast<const vcl::TJPEGImage *>(graphic) != nullptr) {
    // Printers take bitmaps: the JPEG picture goes through the work bitmap.
    WorkBitmap.SetImage(graphic->ToImage());
    graphic = &WorkBitmap;
  }

  CalcDrawRect();
  DrawBackground();
  if (!engine.Calculating && Canvas != nullptr) {
    if (graphic != nullptr) {
      const int pw = graphic->Width(), ph = graphic->Height();
      if (Flags & flStretched) {
        vcl::TRect target = DRect;
        if ((Flags & flPictRatio) && pw > 0 && ph > 0) {
          const double k = std::min(double(dx) / pw, double(dy) / ph);
          const int w = int(rtl::Round(pw * k)), h = int(rtl::Round(ph * k));
          target = vcl::Bounds(DRect.Left, DRect.Top, w, h);
          if (Flags & flPictCenter) vcl::OffsetRect(target, (dx - w) / 2, (dy - h) / 2);
        }
        Canvas->StretchDraw(target, graphic);
      } else {
        int px = DRect.Left, py = DRect.Top;
        if (Flags & flPictCenter) {
          px += (dx - pw) / 2;
          py += (dy - ph) / 2;
        }
        const vcl::TRect area = vcl::Rect(x, y, x + dx + 1, y + dy + 1);
        const vcl::TRect whole = vcl::Bounds(px, py, pw, ph);
        vcl::TRect shown;
        if (vcl::IntersectRect(shown, whole, area)) {
          if (shown == whole) {
            Canvas->Draw(px, py, graphic);
          } else {
            // Only the part inside the object is drawn (without touching
            // the canvas's clip, which a recording canvas cannot restore).
            Canvas->DrawImage(shown, graphic->ToImage(),
                              QRect(shown.Left - px, shown.Top - py, shown.Width(), shown.Height()));
          }
        }
      }
    } else if (!printing) {
      SetSmallFont(Canvas);
      Canvas->Brush()->SetStyle(vcl::bsClear);
      Canvas->TextOut(x + 2, y + 2, QStringLiteral("[Immagine]"));
    }
  }
  DrawFrame();
  CrossOut();
}

void TkvPictureView::AddMenuItems(vcl::TPopupMenu *menu) {
  AddItem(menu, QStringLiteral("-"));
  AddFlagItem<TkvPictureView>(menu, this, QStringLiteral("Adattato"), flStretched, false);
  AddFlagItem<TkvPictureView>(menu, this, QStringLiteral("Centra immagine"), flPictCenter, false);
  AddFlagItem<TkvPictureView>(menu, this, QStringLiteral("Mantieni le proporzioni"), flPictRatio, false);
}

}  // namespace report
