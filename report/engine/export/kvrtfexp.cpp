// Rich-text export filter (see kvrtfexp.h).
#include "report/engine/export/kvrtfexp.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

#include "platform/rtl/cp1252.h"

namespace report {

bool RegisterRichExportFilter() {
  static const bool done =
      KvRegisterExportFilter([](rtl::TStream *stream) { return std::make_unique<TkvRichExportFilter>(stream); },
                             TkvRichExportFilter::kDescription, QStringLiteral("*.rtf"));
  return done;
}

TkvRichExportObject::TkvRichExportObject(vcl::TComponent *owner) : vcl::TComponent(owner) {
  RegisterRichExportFilter();
}

namespace {

const bool registered = RegisterRichExportFilter();

QByteArray Num(long long n) { return QByteArray::number(n); }

// The text of a piece: braces and backslashes would otherwise end groups
// or start control words, so they are escaped.
QByteArray Escaped(const QString &text) {
  QByteArray out;
  for (char c : rtl::ToCp1252(text)) {
    if (c == '\\' || c == '{' || c == '}') out += '\\';
    out += c;
  }
  return out;
}

// Character height plus external leading: the height a line of the font
// takes in a word processor.
int HeightOf(const vcl::TFont *font) {
  const int h = font->Height();
  const QFontMetrics metrics(font->ToQFont());
  const int character = h < 0 ? -h : std::max(0, h - (metrics.height() - metrics.ascent() - metrics.descent()));
  return character + std::max(0, metrics.leading());
}

}  // namespace

TkvRichExportFilter::~TkvRichExportFilter() {
  (void)registered;
  // A destructor must not throw; a write error here loses only the file
  // being written, which the export then removes as incomplete.
  try {
    if (first_page_) WriteHeader();
    QByteArray out = "{\\fonttbl";
    for (int i = 0; i < fonts_.size(); ++i) out += "{\\f" + Num(i) + ' ' + rtl::ToCp1252(fonts_[i]) + '}';
    out += "}\r\n{\\colortbl;";
    for (const QByteArray &c : colors_) out += c;
    out += "}\r\n";
    out += body_;
    if (out.endsWith("\r\n")) out.chop(2);
    out += "\\par}";
    Stream->WriteBuffer(out.constData(), out.size());
  } catch (...) {
  }
}

void TkvRichExportFilter::WriteHeader() {
  first_page_ = false;
  const QByteArray header = "{\\rtf1\\ansi\r\n\\margl" + Num(Options.LeftMargin) + "\\margr" +
                            Num(Options.RightMargin) + "\\margt" + Num(Options.TopMargin) + "\\margb" +
                            Num(Options.BottomMargin) + "\r\n";
  Stream->WriteBuffer(header.constData(), header.size());
}

void TkvRichExportFilter::OnBeginPage(int width, int height) {
  (void)width, (void)height;
  if (first_page_) {
    WriteHeader();
  } else if (Options.PageBreak) {
    body_ += "\\page\r\n";
  }
  line_top_ = -1;
  tabs_.clear();
  pieces_.clear();
}

void TkvRichExportFilter::OnEndPage() {
  if (line_top_ >= 0) Flush();
  line_top_ = -1;
}

void TkvRichExportFilter::AddKeyed(Keyed &list, int key, const QByteArray &entry) {
  auto at = std::upper_bound(list.begin(), list.end(), key,
                             [](int k, const std::pair<int, QByteArray> &e) { return k < e.first; });
  list.insert(at, {key, entry});
}

void TkvRichExportFilter::Flush() {
  body_ += "\\pard";
  for (const auto &t : tabs_) body_ += t.second;
  body_ += '{';
  for (const auto &p : pieces_) body_ += p.second;
  body_ += "\\par}\r\n";
}

void TkvRichExportFilter::FillGap(double pixels) {
  static constexpr struct {
    int height;
    const char *paragraph;
  } kFillers[] = {{16, "{\\f0\\fs20 \\par}\r\n"}, {15, "{\\f0\\fs18 \\par}\r\n"}, {14, "{\\f0\\fs16 \\par}\r\n"},
                  {11, "{\\f0\\fs14 \\par}\r\n"}, {10, "{\\f0\\fs12 \\par}\r\n"}, {7, "{\\f0\\fs10 \\par}\r\n"},
                  {6, "{\\f0\\fs8 \\par}\r\n"},   {5, "{\\f0\\fs6 \\par}\r\n"},   {4, "{\\f0\\fs4 \\par}\r\n"}};
  while (pixels >= 4) {
    for (const auto &f : kFillers) {
      if (f.height <= pixels) {
        body_ += f.paragraph;
        pixels -= f.height;
        break;
      }
    }
  }
}

void TkvRichExportFilter::OnText(int x, int y, const QString &text, vcl::TFont *font) {
  if (!fonts_.contains(font->Name())) fonts_ << font->Name();
  vcl::TColor rgb = vcl::ColorToRGB(font->Color());
  if ((rgb & 0xFFFFFF) == 0xFFFFFF) rgb = 0;  // white paper: white text would vanish
  const QByteArray color = "\\red" + Num(vcl::GetRValue(rgb)) + "\\green" + Num(vcl::GetGValue(rgb)) + "\\blue" +
                           Num(vcl::GetBValue(rgb)) + ';';
  if (!colors_.contains(color)) colors_ << color;

  const int height = HeightOf(font);
  if (line_top_ < 0) {
    line_top_ = y;
    line_height_ = height;
    if (!Options.RemoveLineSpacing) FillGap(y - Options.TopMargin / kvTwipsPerPixel);
    tabs_.clear();
    pieces_.clear();
  } else if (y > line_top_ + line_height_ / 2.0 - 1) {
    Flush();
    if (!Options.RemoveLineSpacing) FillGap(y - line_top_ - line_height_);
    tabs_.clear();
    pieces_.clear();
    line_top_ = y;
    line_height_ = height;
  } else if (line_top_ + line_height_ < y + height) {
    line_height_ = y + height - line_top_;
  }

  const long long tab = std::llround(x * kvTwipsPerPixel) - Options.LeftMargin;
  AddKeyed(tabs_, x, "\\tx" + Num(tab));
  const vcl::TFontStyles style = font->Style();
  QByteArray words = "\\f" + Num(fonts_.indexOf(font->Name())) + "\\fs" + Num(2LL * font->Size());
  if (style.Contains(vcl::fsItalic)) words += "\\i";
  if (style.Contains(vcl::fsBold)) words += "\\b";
  if (style.Contains(vcl::fsUnderline)) words += "\\ul";
  words += "\\cf" + Num(colors_.indexOf(color) + 1);
  AddKeyed(pieces_, x, "{\\tab" + words + ' ' + Escaped(text) + '}');
}

}  // namespace report
