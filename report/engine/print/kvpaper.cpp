// The paper table; see kvpaper.h.
#include "report/engine/print/kvpaper.h"

namespace report {

namespace {

// Display names of the papers: entry 0 the custom size, entry n code n.
const char16_t *const kPaperNames[kvPaperCount] = {
    u"Personalizzato",  // custom size
    u"Lettera, 8 1/2 x 11\"",
    u"Lettera piccola, 8 1/2 x 11\"",
    u"Compresso, 11 x 17\"",
    u"Libro mastro, 17 x 11\"",
    u"Legale, 8 1/2 x 14\"",
    u"Dichiarazione, 5 1/2 x 8 1/2\"",
    u"Esecutivo, 7 1/4 x 10 1/2\"",
    u"A3 297 x 420 mm",
    u"A4 210 x 297 mm",
    u"A4 foglio piccolo, 210 x 297 mm",
    u"A5 148 x 210 mm",
    u"B4 250 x 354 mm",
    u"B5 182 x 257 mm",
    u"Foglio, 8 1/2 x 13\"",
    u"Foglio quarto, 215 x 275 mm",
    u"Foglio 10 x 14\"",
    u"Foglio 11 x 17\"",
    u"Note, 8 1/2 x 11\"",
    u"9 Busta, 3 7/8 x 8 7/8\"",
    u"#10 Busta, 4 1/8  x 9 1/2\"",
    u"#11 Busta, 4 1/2 x 10 3/8\"",
    u"#12 Busta, 4 3/4 x 11\"",
    u"#14 Busta, 5 x 11 1/2\"",
    u"C Foglio, 17 x 22\"",
    u"D Foglio, 22 x 34\"",
    u"E Foglio, 34 x 44\"",
    u"DL Busta, 110 x 220 mm",
    u"C5 Busta, 162 x 229 mm",
    u"C3 Busta,  324 x 458 mm",
    u"C4 Busta,  229 x 324 mm",
    u"C6 Busta,  114 x 162 mm",
    u"C65 Busta, 114 x 229 mm",
    u"B4 Busta,  250 x 353 mm",
    u"B5 Busta,  176 x 250 mm",
    u"B6 Busta,  176 x 125 mm",
    u"Busta italiana, 110 x 230 mm",
    u"Busta re, 3 7/8 x 7 1/2\"",
    u"6 3/4 Busta, 3 5/8 x 6 1/2\"",
    u"Standard Fanfold americano, 14 7/8 x 11\"",
    u"Standard Fanfold tedesco, 8 1/2 x 12\"",
    u"Legale Fanfold tedesco, 8 1/2 x 13\"",
    u"B4 (ISO) 250 x 353 mm",
    u"Cartolina giapponese 100 x 148 mm",
    u"Foglio 9 x 11\"",
    u"Foglio 10 x 11\"",
    u"Foglio 15 x 11\"",
    u"Busta Invito 220 x 220 mm",
    u"Lettera Extra 9 \\ 275 x 12\"",
    u"Legale Extra 9 \\275 x 15\"",
    u"Compresso Extra 11.69 x 18\"",
    u"A4 Extra 9.27 x 12.69\"",
    u"Lettera Trasversale 8 \\275 x 11\"",
    u"A4 Transversale 210 x 297 mm",
    u"Lettera Extra Trasversale 9\\275 x 12\"",
    u"SuperASuperAA4 227 x 356 mm",
    u"SuperBSuperBA3 305 x 487 mm",
    u"Lettera Plus 8.5 x 12.69\"",
    u"A4 Plus 210 x 330 mm",
    u"A5 Trasversale 148 x 210 mm",
    u"B5 (JIS) Trasversale 182 x 257 mm",
    u"A3 Extra 322 x 445 mm",
    u"A5 Extra 174 x 235 mm",
    u"B5 (ISO) Extra 201 x 276 mm",
    u"A2 420 x 594 mm",
    u"A3 Trasversale 297 x 420 mm",
    u"A3 Extra Trasversale 322 x 445 mm",
};

struct PaperDims {
  int code;
  int width;
  int height;
};

// The device-mode papers with their standard sizes, tenths of a mm.
constexpr PaperDims kPaperDims[kvPaperCount] = {
    {1, 2159, 2794},  {2, 2159, 2794},   {3, 2794, 4318},  {4, 4318, 2794},  {5, 2159, 3556},  {6, 1397, 2159},
    {7, 1842, 2667},  {8, 2970, 4200},   {9, 2100, 2970},  {10, 2100, 2970}, {11, 1480, 2100}, {12, 2500, 3540},
    {13, 1820, 2570}, {14, 2159, 3302},  {15, 2150, 2750}, {16, 2540, 3556}, {17, 2794, 4318}, {18, 2159, 2794},
    {19, 984, 2254},  {20, 1048, 2413},  {21, 1143, 2635}, {22, 1207, 2794}, {23, 1270, 2921}, {24, 4318, 5588},
    {25, 5588, 8636}, {26, 8636, 11176}, {27, 1100, 2200}, {28, 1620, 2290}, {29, 3240, 4580}, {30, 2290, 3240},
    {31, 1140, 1620}, {32, 1140, 2290},  {33, 2500, 3530}, {34, 1760, 2500}, {35, 1760, 1250}, {36, 1100, 2300},
    {37, 984, 1905},  {38, 920, 1651},   {39, 3778, 2794}, {40, 2159, 3048}, {41, 2159, 3302}, {42, 2500, 3530},
    {43, 1000, 1480}, {44, 2286, 2794},  {45, 2540, 2794}, {46, 3810, 2794}, {47, 2200, 2200}, {48, 2355, 3048},
    {49, 2355, 3810}, {50, 2969, 4572},  {51, 2354, 3223}, {52, 2101, 2794}, {53, 2100, 2970}, {54, 2355, 3048},
    {55, 2270, 3560}, {56, 3050, 4870},  {57, 2159, 3223}, {58, 2100, 3300}, {59, 1480, 2100}, {60, 1820, 2570},
    {61, 3220, 4450}, {62, 1740, 2350},  {63, 2010, 2760}, {64, 4200, 5940}, {65, 2970, 4200}, {66, 3220, 4450},
    {256, 0, 0},
};

}  // namespace

QString PaperName(int index) {
  if (index < 0 || index >= kvPaperCount) return QString();
  return QString::fromUtf16(kPaperNames[index]);
}

const std::array<TPaperSizeRow, kvPaperCount> &PaperSizes() {
  static const std::array<TPaperSizeRow, kvPaperCount> table = [] {
    std::array<TPaperSizeRow, kvPaperCount> t;
    for (int i = 0; i < kvPaperCount; ++i) {
      const PaperDims &d = kPaperDims[i];
      t[size_t(i)] = {d.code, PaperName(d.code == kvCustomPaper ? 0 : d.code), d.width, d.height};
    }
    return t;
  }();
  return table;
}

}  // namespace report
