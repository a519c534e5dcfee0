// Enhanced metafiles: the picture form of a report page.
//
// `TMetafile` holds EMF records as they are stored in an .emf file. A
// `TMetafileCanvas` records them: it is a `TCanvas` drawing on a QPainter
// whose paint engine turns every drawing call into records (lines, rectangle
// fills, polygons, ellipses, text with its font and colour, images, clip
// regions, world transforms), so code written for a canvas draws into a
// metafile unchanged. `TEmfPlayer` draws records on any QPainter (a window,
// a printer, a PDF file) scaled into a target rectangle, and can be fed the
// records one at a time by `TMetafile::Enumerate`, which is how the export
// filters read the text of a page while tracking the font in use.
//
// Coordinates are pixels at 96 per inch; the header's frame gives the
// picture's size in hundredths of a millimetre. Loading checks the whole
// file, every record included, so a damaged file raises EInvalidGraphic on
// load rather than later while painting.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/vcl/graphics.h"

class QPainter;
class QPaintDevice;

namespace vcl {

// Record types the layer writes or plays.
enum : std::uint32_t {
  EMR_HEADER = 1,
  EMR_POLYGON = 3,
  EMR_POLYLINE = 4,
  EMR_POLYPOLYGON = 8,
  EMR_EOF = 14,
  EMR_SETPIXELV = 15,
  EMR_SETMAPMODE = 17,
  EMR_SETBKMODE = 18,
  EMR_SETPOLYFILLMODE = 19,
  EMR_SETROP2 = 20,
  EMR_SETTEXTALIGN = 22,
  EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25,
  EMR_MOVETOEX = 27,
  EMR_EXCLUDECLIPRECT = 29,
  EMR_INTERSECTCLIPRECT = 30,
  EMR_SAVEDC = 33,
  EMR_RESTOREDC = 34,
  EMR_SETWORLDTRANSFORM = 35,
  EMR_MODIFYWORLDTRANSFORM = 36,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40,
  EMR_ELLIPSE = 42,
  EMR_RECTANGLE = 43,
  EMR_LINETO = 54,
  EMR_EXTSELECTCLIPRGN = 75,
  EMR_BITBLT = 76,
  EMR_STRETCHDIBITS = 81,
  EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTA = 83,
  EMR_EXTTEXTOUTW = 84,
  EMR_POLYGON16 = 86,
  EMR_POLYLINE16 = 87,
  EMR_EXTCREATEPEN = 95,
  EMR_SETGRAPHICSMODE = 98,
  EMR_ALPHABLEND = 114,
};

// Text alignment bits of EMR_SETTEXTALIGN.
inline constexpr std::uint32_t TA_UPDATECP = 1;
inline constexpr std::uint32_t TA_RIGHT = 2;
inline constexpr std::uint32_t TA_CENTER = 6;
inline constexpr std::uint32_t TA_BOTTOM = 8;
inline constexpr std::uint32_t TA_BASELINE = 24;

// One record, pointing into its metafile's bytes (valid while the metafile
// is unchanged). Offsets count from the start of the record.
struct TEmfRecord {
  std::uint32_t Type = 0;
  std::uint32_t Size = 0;  // whole record, type and size included
  const unsigned char *Data = nullptr;

  // Little-endian fields; reading beyond the record raises EInvalidGraphic.
  std::int32_t Int(std::uint32_t offset) const;
  std::uint32_t UInt(std::uint32_t offset) const;
  float Float(std::uint32_t offset) const;
  // The text of a text-out record (ANSI records through Windows-1252).
  QString Text() const;
  // The reference point of a text-out record.
  TPoint TextPoint() const;
  // The bounds a drawing record covers (corners included), as recorded.
  QRect Bounds() const;
};

// The logical font a player has selected, as the records describe it.
struct TEmfFont {
  int Height = -11;  // negative: character height in pixels
  int Width = 0;
  int Escapement = 0;  // tenths of a degree
  int Weight = 400;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  int Charset = 1;
  int Quality = 0;
  int PitchAndFamily = 0;
  QString FaceName;
};

class TMetafile;

// Plays records on a painter (or, with no painter, only follows the state
// they set: selected font, colours, transform).
class TEmfPlayer {
 public:
  // `frame` is the metafile's picture area in its own pixels; it is mapped
  // onto `target` on the painter.
  TEmfPlayer(QPainter *painter, const QRectF &frame, const QRectF &target, int handle_count);
  ~TEmfPlayer();
  TEmfPlayer(const TEmfPlayer &) = delete;
  TEmfPlayer &operator=(const TEmfPlayer &) = delete;

  // Raises EInvalidGraphic for a record whose contents do not hold up.
  void Play(const TEmfRecord &record);

  const TEmfFont &Font() const;
  QFont QtFont() const;
  TColor TextColor() const;
  TColor BkColor() const;
  QTransform WorldTransform() const;

 private:
  struct State;
  struct Object;
  void Apply();
  void ApplyClip();
  void DrawLine(QPoint from, QPoint to);
  void DrawDib(const TEmfRecord &r, QRect dest, QRect src, std::uint32_t off_bmi, std::uint32_t cb_bmi,
               std::uint32_t off_bits, std::uint32_t cb_bits, std::uint32_t rop, int alpha, bool premultiplied);
  void SetClip(const std::optional<QRegion> &device_region);

  QPainter *painter_;
  QTransform base_;
  std::unique_ptr<State> state_;
  std::vector<State> saved_;
  std::vector<std::unique_ptr<Object>> objects_;
};

class TMetafile : public TGraphic {
  ORBISCA_CLASS(TMetafile, TGraphic)
 public:
  TMetafile();
  ~TMetafile() override;

  bool Empty() const override { return data_.isEmpty(); }
  // The picture's size in pixels; set before recording.
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  // The size in hundredths of a millimetre (the header's frame).
  int MMWidth() const;
  int MMHeight() const;
  // Who made the picture, stored in the header's description.
  QString Description() const { return description_; }
  void Clear();

  // The records in file order, header and end record included.
  std::vector<TEmfRecord> Records() const;
  // Hands each record to `visit` in order until it returns false.
  void Enumerate(const std::function<bool(const TEmfRecord &)> &visit) const;
  // Plays the picture on a painter, scaled into `target`.
  void Play(QPainter *painter, const QRectF &target) const;
  // A player for this picture, for callers that enumerate the records and
  // play them one by one (nullptr painter: follow the state only).
  std::unique_ptr<TEmfPlayer> CreatePlayer(QPainter *painter, const QRectF &target) const;
  // The object table's size the header asks for.
  int HandleCount() const;
  // The picture area in its own pixels: (0, 0, Width, Height).
  QRectF Frame() const;

  QImage ToImage() const override;
  void Draw(TCanvas *canvas, const TRect &r) const override;
  void Assign(const rtl::TPersistent *source) override;

  // The .emf file. Loading checks every record; damage raises
  // EInvalidGraphic and leaves the picture as it was.
  void LoadFromBytes(const QByteArray &data) override;
  QByteArray SaveToBytes() const override { return data_; }

 protected:
  qint64 LoadedLength() const override { return loaded_length_; }

 private:
  friend class TMetafileCanvas;

  QByteArray data_;
  int width_ = 0;
  int height_ = 0;
  qint64 loaded_length_ = -1;
  QString description_;
};

class EmfRecorder;

// A canvas whose drawing becomes the records of a metafile. The picture is
// complete when the canvas is closed or destroyed; what the metafile held
// before is replaced then.
class TMetafileCanvas : public TCanvas {
  ORBISCA_CLASS(TMetafileCanvas, TCanvas)
 public:
  // Records at the metafile's size (its Width and Height; 0 x 0 takes the
  // size of what is drawn).
  explicit TMetafileCanvas(TMetafile *metafile, const QString &description = QString());
  ~TMetafileCanvas() override;

  // Records the playing state (selected pen, brush, font, clip, transform)
  // and returns to it; the canvas's own pen, brush and font stay.
  void SaveDC();
  void RestoreDC();
  // Writes the records into the metafile; further drawing raises.
  void Close();

 protected:
  void PaintText(QPainter *painter, QPoint at, const QString &text, TTextAdvances &metrics, int width) override;

 private:
  TMetafile *metafile_;
  QString description_;
  std::unique_ptr<EmfRecorder> recorder_;
  std::unique_ptr<QPaintDevice> device_;
  std::unique_ptr<QPainter> painter_;
};

}  // namespace vcl
