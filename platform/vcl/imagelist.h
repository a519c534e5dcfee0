// `TImageList`: images of one size, each with its mask, drawn by index
// (see graphics.h).
#pragma once

#include <QImage>
#include <functional>
#include <vector>

#include "platform/rtl/object.h"
#include "platform/vcl/canvas.h"
#include "platform/vcl/colors.h"
#include "platform/vcl/pictures.h"

namespace vcl {

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };

// Images of one size, each with its mask, drawn by index.
class TImageList : public rtl::TPersistent {
  ORBISCA_CLASS(TImageList, rtl::TPersistent)
 public:
  TImageList(int width = 16, int height = 16);
  ~TImageList() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Changing the size clears the list.
  void SetWidth(int width);
  void SetHeight(int height);
  int Count() const { return int(images_.size()); }
  TColor BkColor() const { return bk_color_; }
  void SetBkColor(TColor color) { bk_color_ = color; }
  TDrawingStyle DrawingStyle() const { return drawing_style_; }
  void SetDrawingStyle(TDrawingStyle style) { drawing_style_ = style; }

  // Adds the image (cut into Width-wide cells when wider); the mask is
  // black where the image shows, white where it is transparent (nullptr:
  // opaque). Returns the index of the first image added.
  virtual int Add(const TBitmap *image, const TBitmap *mask);
  // Pixels of mask_color are transparent.
  virtual int AddMasked(const TBitmap *image, TColor mask_color);
  int AddImage(const QImage &argb);
  virtual void Delete(int index);
  void Clear();
  void Replace(int index, const TBitmap *image, const TBitmap *mask);
  void ReplaceMasked(int index, const TBitmap *image, TColor mask_color);
  void Move(int from, int to);
  // Draws image `index`; a disabled image is drawn greyed.
  void Draw(TCanvas *canvas, int x, int y, int index, bool enabled = true) const;
  // Copies the image into `bitmap` on the background colour (clNone: the
  // platform's black).
  void GetBitmap(int index, TBitmap *bitmap) const;
  // ARGB image (alpha 0 where masked); raises EInvalidOperation on a bad index.
  QImage Image(int index) const;

  std::function<void(TImageList *sender)> OnChange;

 protected:
  void Changed();
  void CheckIndex(int index) const;

 private:
  int width_;
  int height_;
  std::vector<QImage> images_;
  TColor bk_color_ = clNone;
  TDrawingStyle drawing_style_ = dsNormal;
};

}  // namespace vcl
