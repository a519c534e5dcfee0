// Containers of the styled library: non-visual components holding numbered
// bitmaps, image strips, string lists and wave sounds, which controls and
// the message box share by referring to a list and an index in it.
//
// - Items are components owned by their container; each writes itself as
//   one item record (flags, description, identifier, data; the stored forms
//   of qelstrm.h) and reads it back.
// - A container tells its users of every change through change links; a
//   `TQELContainerComponent` keeps one link on the list it shows from and
//   loses the reference when that list is freed. Index references are not
//   renumbered when an item goes: the user is told of the change and the
//   same index then names the next item, or nothing.
// - `QELContainer()` is the library-wide container: one list of each kind,
//   made on first use and freed at exit. Form data refers to its bitmap and
//   image lists by the signatures "QELBML30" and "QELIML30".
// - Container files: a signature naming the kind, the item count, one
//   offset per item and the item records, so a single item can be read
//   without the rest.
//
// Every reader meets damaged data with an exception (EQELDamagedData,
// EReadError, EInvalidGraphic or EInvalidGraphicOperation) and leaves the
// container as consistent as before: counts and sizes are checked against
// the bytes that are there before anything is allocated.
#pragma once

#include <QString>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

#include "controls/styled/qelclass.h"
#include "controls/styled/qelgraph.h"
#include "controls/styled/qelwave.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"

namespace qel {

ORBISCA_ENUM(TQELSavePixelFormat, spfDefault, spfMono, spf4bit, spf8bit)
// -1 (the bitmap's own format), 2, 16 or 256.
int SavePixelFormatColors(TQELSavePixelFormat format);

// Kinds of container files.
inline constexpr int ckImageList = 0;
inline constexpr int ckBitmapList = 1;
inline constexpr int ckWaveList = 2;
inline constexpr int ckStringList = 3;
inline constexpr int ckGlyphList = 4;
inline constexpr int ckRichTextList = 5;
inline constexpr int ckUnknown = 6;
// The 8-character signature of a kind (empty for ckUnknown).
QString ContainerSignature(int kind);
// The file extension of a kind for file dialogs ("iml", "bmp", "wav",
// "txt", "*", "rtf"), with a leading "." when asked.
QString ContainerFileExtension(int kind, bool with_dot = false);

// Bits of an item record's flags byte.
inline constexpr std::uint8_t ifCompressed = 0x01;
inline constexpr std::uint8_t ifDescription = 0x02;
inline constexpr std::uint8_t ifIdent = 0x04;
inline constexpr std::uint8_t ifData = 0x08;
inline constexpr std::uint8_t ifMono = 0x10;
inline constexpr std::uint8_t if4bit = 0x20;
inline constexpr std::uint8_t if8bit = 0x40;

class TQELBaseContainer;
class TQELCustomContainer;

// ---------------------------------------------------------------------------
// Change links

class TQELChangeLink : public rtl::TObject {
  ORBISCA_CLASS(TQELChangeLink, rtl::TObject)

 public:
  TQELChangeLink() = default;
  // Leaves the container it is attached to.
  ~TQELChangeLink() override;

  TQELBaseContainer *Container() const { return container_; }
  // Called with the container after each change of its items.
  TNotifyEvent OnChange;

 private:
  friend class TQELBaseContainer;
  TQELBaseContainer *container_ = nullptr;
};

class TQELBaseContainer : public TQELCustomComponent {
  ORBISCA_CLASS(TQELBaseContainer, TQELCustomComponent)

 public:
  explicit TQELBaseContainer(vcl::TComponent *owner);
  ~TQELBaseContainer() override;

  // A link belongs to one container at a time; registering moves it.
  void RegisterChanges(TQELChangeLink *link);
  void UnRegisterChanges(TQELChangeLink *link);
  int LinkCount() const { return int(links_.size()); }

  // Fires OnChange and tells every link, unless an update is open.
  void Change() override;

 private:
  std::vector<TQELChangeLink *> links_;
};

// ---------------------------------------------------------------------------
// Items

class TQELListItem : public TQELCustomComponent {
  ORBISCA_CLASS(TQELListItem, TQELCustomComponent)

 public:
  explicit TQELListItem(vcl::TComponent *owner);

  QString Description() const { return description_; }
  void SetDescription(const QString &v);
  int Ident() const { return ident_; }  // 0..65535
  void SetIdent(int v);
  bool Compressed() const { return compressed_; }
  void SetCompressed(bool v);

  virtual bool IsEmpty() const { return true; }
  // The item record (see the header comment of this file).
  virtual void ReadFromStream(rtl::TStream *stream);
  virtual void WriteToStream(rtl::TStream *stream) const;
  virtual std::uint8_t ItemFlags() const;

  // The stored property "Internal": the item record.
  void ReadInternal(rtl::TStream *stream) { ReadFromStream(stream); }
  void WriteInternal(rtl::TStream *stream) const { WriteToStream(stream); }

  TQELCustomContainer *Container() const;
  bool HasParent() const override { return true; }
  vcl::TComponent *GetParentComponent() const override;
  void SetParentComponent(vcl::TComponent *parent) override;

  void Assign(const rtl::TPersistent *source) override;

 protected:
  virtual bool HasData() const { return !IsEmpty(); }
  // Copies the description, identifier and compressed flag, quietly.
  void CopyListItem(const TQELListItem &source);
  virtual TQELSavePixelFormat ItemPixelFormat() const { return spfDefault; }
  // The data part of the record; `flags` as read.
  virtual void ReadData(rtl::TStream *stream, std::uint8_t flags) = 0;
  virtual void WriteData(rtl::TStream *stream) const = 0;

 private:
  QString description_;
  int ident_ = 0;
  bool compressed_ = false;
};

class TQELBitmapListItem : public TQELListItem {
  ORBISCA_CLASS(TQELBitmapListItem, TQELListItem)

 public:
  explicit TQELBitmapListItem(vcl::TComponent *owner);
  ~TQELBitmapListItem() override;

  vcl::TBitmap *Bitmap() const { return bitmap_.get(); }
  void SetBitmap(const vcl::TBitmap *bitmap);
  TQELSavePixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TQELSavePixelFormat v);

  bool IsEmpty() const override { return bitmap_->Empty(); }
  void Assign(const rtl::TPersistent *source) override;

 protected:
  TQELSavePixelFormat ItemPixelFormat() const override { return pixel_format_; }
  void ReadData(rtl::TStream *stream, std::uint8_t flags) override;
  void WriteData(rtl::TStream *stream) const override;

 private:
  std::unique_ptr<vcl::TBitmap> bitmap_;
  TQELSavePixelFormat pixel_format_ = spfDefault;
};

// Drawing styles of an image-list item.
inline constexpr int isFocus = 0;
inline constexpr int isSelected = 1;
inline constexpr int isNormal = 2;
inline constexpr int isTransparent = 3;

class TQELImageListItem : public TQELListItem {
  ORBISCA_CLASS(TQELImageListItem, TQELListItem)

 public:
  explicit TQELImageListItem(vcl::TComponent *owner);
  ~TQELImageListItem() override;

  int AllocBy() const { return alloc_by_; }
  void SetAllocBy(int v);
  bool Masked() const { return masked_; }
  // Changing the mask kind empties the strip.
  void SetMasked(bool v);
  // Sizes of one image; 0 or less is ignored; a change empties the strip.
  int Width() const { return width_; }
  void SetWidth(int v);
  int Height() const { return height_; }
  void SetHeight(int v);
  TQELSavePixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TQELSavePixelFormat v);
  TColor BkColor() const { return bk_color_; }
  void SetBkColor(TColor v) { bk_color_ = v; }
  TColor BlendColor() const { return blend_color_; }
  void SetBlendColor(TColor v) { blend_color_ = v; }
  int DrawingStyle() const { return drawing_style_; }
  void SetDrawingStyle(int v);
  int ImageType() const { return image_type_; }
  void SetImageType(int v) { image_type_ = v; }
  bool ShareImages() const { return share_images_; }
  void SetShareImages(bool v) { share_images_ = v; }

  // Images in use.
  int Count() const { return count_; }
  // Adds an image of Width x Height (and its mask for a masked item);
  // returns its index.
  int Add(const vcl::TBitmap *image, const vcl::TBitmap *mask);
  // Adds with the mask derived from `transparent`.
  int AddMasked(const vcl::TBitmap *image, TColor transparent);
  void Replace(int index, const vcl::TBitmap *image, const vcl::TBitmap *mask);
  void ReplaceMasked(int index, const vcl::TBitmap *image, TColor transparent);
  void Delete(int index);
  void ClearImages();
  // Replaces the strip: `strip` must be Height high and a multiple of Width
  // wide ("Invalid image size"); `mask` (masked items) the same size.
  void SetStrip(const vcl::TBitmap *strip, const vcl::TBitmap *mask);
  // Copies image `index` (and its mask) into the bitmaps; false past the
  // end.
  bool GetImage(int index, vcl::TBitmap *image, vcl::TBitmap *mask = nullptr) const;
  // The colour of the image's bottom-left pixel.
  TColor ImageTransparentColor(int index) const;
  TColor ImagePixel(int index, int x, int y) const;
  // Draws image `index` with its top-left at (x, y) in the drawing style.
  void Draw(vcl::TCanvas *canvas, int x, int y, int index) const;
  const vcl::TBitmap *Strip() const { return strip_.get(); }
  const vcl::TBitmap *MaskStrip() const { return mask_.get(); }
  vcl::TCanvas *StripCanvas() const { return strip_->Canvas(); }

  // The older stored property "Bitmap": the strip data alone, from the
  // image count on.
  void ReadLegacyBitmap(rtl::TStream *stream);

  bool IsEmpty() const override { return count_ == 0; }
  void Assign(const rtl::TPersistent *source) override;

 protected:
  TQELSavePixelFormat ItemPixelFormat() const override { return pixel_format_; }
  void ReadData(rtl::TStream *stream, std::uint8_t flags) override;
  void WriteData(rtl::TStream *stream) const override;

 private:
  void ReadStrips(rtl::TStream *stream, bool compressed);
  void Grow(int needed);
  void PutImage(int index, const vcl::TBitmap *image, const vcl::TBitmap *mask);
  void ResetStrip();
  int alloc_by_ = 4;
  bool masked_ = false;
  int width_ = 16;
  int height_ = 16;
  int count_ = 0;
  TQELSavePixelFormat pixel_format_ = spfDefault;
  TColor bk_color_ = kNoColor;
  TColor blend_color_ = kNoColor;
  int drawing_style_ = isNormal;
  int image_type_ = 0;
  bool share_images_ = false;
  std::unique_ptr<vcl::TBitmap> strip_;
  std::unique_ptr<vcl::TBitmap> mask_;
};

class TQELStringListItem : public TQELListItem {
  ORBISCA_CLASS(TQELStringListItem, TQELListItem)

 public:
  explicit TQELStringListItem(vcl::TComponent *owner);
  ~TQELStringListItem() override;

  rtl::TStrings *Items() const { return items_.get(); }
  void SetItems(const rtl::TStrings *items) { items_->Assign(items); }

  bool IsEmpty() const override { return items_->Count() == 0; }
  void Assign(const rtl::TPersistent *source) override;

 protected:
  void ReadData(rtl::TStream *stream, std::uint8_t flags) override;
  void WriteData(rtl::TStream *stream) const override;

 private:
  std::unique_ptr<rtl::TStringList> items_;
};

class TQELWaveListItem : public TQELListItem {
  ORBISCA_CLASS(TQELWaveListItem, TQELListItem)

 public:
  explicit TQELWaveListItem(vcl::TComponent *owner);
  ~TQELWaveListItem() override;

  TQELWave *Wave() const { return wave_.get(); }
  void SetWave(const TQELWave *wave) { wave_->Assign(wave); }

  bool IsEmpty() const override { return wave_->Empty(); }
  void Assign(const rtl::TPersistent *source) override;

 protected:
  void ReadData(rtl::TStream *stream, std::uint8_t flags) override;
  void WriteData(rtl::TStream *stream) const override;

 private:
  std::unique_ptr<TQELWave> wave_;
};

// ---------------------------------------------------------------------------
// Containers

class TQELCustomContainer : public TQELBaseContainer {
  ORBISCA_CLASS(TQELCustomContainer, TQELBaseContainer)

 public:
  explicit TQELCustomContainer(vcl::TComponent *owner);
  ~TQELCustomContainer() override;

  virtual int Count() const { return int(items_.size()); }
  // nullptr past the end.
  virtual TQELListItem *Item(int index) const;
  // Appends a new item (with the container's default settings) and returns
  // its index.
  int Add();
  void Delete(int index);
  void Clear();
  // The file kind of this container's items.
  virtual int Kind() const = 0;

  bool DefaultCompressed() const { return default_compressed_; }
  void SetDefaultCompressed(bool v) { default_compressed_ = v; }
  TQELSavePixelFormat DefaultPixelFormat() const { return default_pixel_format_; }
  void SetDefaultPixelFormat(TQELSavePixelFormat v) { default_pixel_format_ = v; }

  // Copies every item of a container of the same class.
  void Assign(const rtl::TPersistent *source) override;
  // The item count, with `with_index` one absolute position per item, then
  // the item records. Loading replaces the items: on damaged data it raises
  // and the container keeps what it held before.
  void LoadFromStream(rtl::TStream *stream, bool with_index);
  void SaveToStream(rtl::TStream *stream, bool with_index) const;
  // A container file of this container's kind.
  void SaveToFile(const QString &file_name) const;
  void LoadFromFile(const QString &file_name);

  // Items created by the form reader are added here.
  void AddItem(TQELListItem *item);

 protected:
  // A new item owned by this container (not yet in the list).
  virtual TQELListItem *CreateItem() = 0;
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;

 private:
  void Adopt(TQELListItem *item);
  std::vector<TQELListItem *> items_;
  bool default_compressed_ = false;
  TQELSavePixelFormat default_pixel_format_ = spfDefault;
  bool destroying_ = false;
};

// Size kinds of TQELCustomImageList::GetSize.
inline constexpr int skWidth = 0;
inline constexpr int skHeight = 1;

// The operations every image list offers: `list` names an item, `image`
// an image of it (a bitmap list has one image per item and ignores it).
// Indexes past the end give 0, false, nothing or white.
class TQELCustomImageList : public TQELCustomContainer {
  ORBISCA_CLASS(TQELCustomImageList, TQELCustomContainer)

 public:
  explicit TQELCustomImageList(vcl::TComponent *owner) : TQELCustomContainer(owner) {}

  virtual vcl::TCanvas *GetCanvas(int list, int image) const = 0;
  virtual TRect GetBounds(int list, int image) const = 0;
  virtual int GetSize(int list, int image, int kind) const = 0;
  virtual int GetImageCount(int list) const = 0;
  virtual bool IsValid(int list, int image) const = 0;
  virtual bool CopyImage(int list, int image, vcl::TBitmap *dest) const = 0;
  virtual bool IsMasked(int list) const = 0;
  virtual QVector<QRgb> GetPalette(int list) const = 0;
  virtual TColor GetTransparentColor(int list, int image) const = 0;
  virtual TColor GetPixel(int list, int image, int x, int y) const = 0;
  virtual void Draw(vcl::TCanvas *canvas, int x, int y, int list, int image) const = 0;
  // Into `rect` by the im* flags of the drawing routines, pixels of
  // `transparent` left out with imTransparent.
  virtual void DrawInRect(vcl::TCanvas *canvas, const TRect &rect, int list, int image, TColor transparent,
                          unsigned flags) const = 0;
  virtual void DrawFx(vcl::TCanvas *canvas, const TRect &rect, int list, int image, unsigned flags) const = 0;
};

class TQELBitmapList : public TQELCustomImageList {
  ORBISCA_CLASS(TQELBitmapList, TQELCustomImageList)

 public:
  explicit TQELBitmapList(vcl::TComponent *owner) : TQELCustomImageList(owner) {}
  TQELBitmapListItem *Items(int index) const { return static_cast<TQELBitmapListItem *>(Item(index)); }
  int Kind() const override { return ckBitmapList; }

  vcl::TCanvas *GetCanvas(int list, int image) const override;
  TRect GetBounds(int list, int image) const override;
  int GetSize(int list, int image, int kind) const override;
  int GetImageCount(int list) const override;
  bool IsValid(int list, int image) const override;
  bool CopyImage(int list, int image, vcl::TBitmap *dest) const override;
  bool IsMasked(int) const override { return false; }
  QVector<QRgb> GetPalette(int list) const override;
  TColor GetTransparentColor(int list, int image) const override;
  TColor GetPixel(int list, int image, int x, int y) const override;
  void Draw(vcl::TCanvas *canvas, int x, int y, int list, int image) const override;
  void DrawInRect(vcl::TCanvas *canvas, const TRect &rect, int list, int image, TColor transparent,
                  unsigned flags) const override;
  void DrawFx(vcl::TCanvas *canvas, const TRect &rect, int list, int image, unsigned flags) const override;

 protected:
  TQELListItem *CreateItem() override;
};

class TQELImageList : public TQELCustomImageList {
  ORBISCA_CLASS(TQELImageList, TQELCustomImageList)

 public:
  explicit TQELImageList(vcl::TComponent *owner) : TQELCustomImageList(owner) {}
  TQELImageListItem *Items(int index) const { return static_cast<TQELImageListItem *>(Item(index)); }
  int Kind() const override { return ckImageList; }

  vcl::TCanvas *GetCanvas(int list, int image) const override;
  TRect GetBounds(int list, int image) const override;
  int GetSize(int list, int image, int kind) const override;
  int GetImageCount(int list) const override;
  bool IsValid(int list, int image) const override;
  bool CopyImage(int list, int image, vcl::TBitmap *dest) const override;
  bool IsMasked(int list) const override;
  QVector<QRgb> GetPalette(int list) const override;
  TColor GetTransparentColor(int list, int image) const override;
  TColor GetPixel(int list, int image, int x, int y) const override;
  void Draw(vcl::TCanvas *canvas, int x, int y, int list, int image) const override;
  void DrawInRect(vcl::TCanvas *canvas, const TRect &rect, int list, int image, TColor transparent,
                  unsigned flags) const override;
  void DrawFx(vcl::TCanvas *canvas, const TRect &rect, int list, int image, unsigned flags) const override;

 protected:
  TQELListItem *CreateItem() override;
};

class TQELStringList : public TQELCustomContainer {
  ORBISCA_CLASS(TQELStringList, TQELCustomContainer)

 public:
  explicit TQELStringList(vcl::TComponent *owner) : TQELCustomContainer(owner) {}
  TQELStringListItem *Items(int index) const { return static_cast<TQELStringListItem *>(Item(index)); }
  int Kind() const override { return ckStringList; }

 protected:
  TQELListItem *CreateItem() override;
};

class TQELWaveList : public TQELCustomContainer {
  ORBISCA_CLASS(TQELWaveList, TQELCustomContainer)

 public:
  explicit TQELWaveList(vcl::TComponent *owner) : TQELCustomContainer(owner) {}
  TQELWaveListItem *Items(int index) const { return static_cast<TQELWaveListItem *>(Item(index)); }
  int Kind() const override { return ckWaveList; }

 protected:
  TQELListItem *CreateItem() override;
};

// An entry of a connector: a standard image list under a name.
class TQELBorImageListItem : public rtl::TPersistent {
  ORBISCA_CLASS(TQELBorImageListItem, rtl::TPersistent)

 public:
  QString Name() const { return name_; }
  void SetName(const QString &v) { name_ = v; }
  vcl::TImageList *ImageList() const { return image_list_; }
  void SetImageList(vcl::TImageList *v) { image_list_ = v; }
  // The entry's position among the connector's entries.
  int Index() const { return index_; }
  // The name, or else the class of the image list it names.
  QString DisplayName() const;

 private:
  friend class TQELImageListConnector;
  QString name_;
  vcl::TImageList *image_list_ = nullptr;
  int index_ = 0;
};

// Offers standard image lists through the image-list operations: list
// index i is the i-th entry, image index j an image of its list. It keeps
// no items of its own; as an item it lends one scratch item described by
// the entry's name.
class TQELImageListConnector : public TQELCustomImageList {
  ORBISCA_CLASS(TQELImageListConnector, TQELCustomImageList)

 public:
  explicit TQELImageListConnector(vcl::TComponent *owner);
  ~TQELImageListConnector() override;

  int EntryCount() const { return int(entries_.size()); }
  TQELBorImageListItem *Entry(int index) const;
  TQELBorImageListItem *AddEntry(const QString &name, vcl::TImageList *list);
  void DeleteEntry(int index);
  // The standard list is going: entries naming it lose it.
  void ImageListRemoved(const vcl::TImageList *list);

  int Count() const override { return EntryCount(); }
  TQELListItem *Item(int index) const override;
  int Kind() const override { return ckImageList; }

  vcl::TCanvas *GetCanvas(int, int) const override { return nullptr; }
  TRect GetBounds(int list, int image) const override;
  int GetSize(int list, int image, int kind) const override;
  int GetImageCount(int list) const override;
  bool IsValid(int list, int image) const override;
  bool CopyImage(int list, int image, vcl::TBitmap *dest) const override;
  bool IsMasked(int list) const override;
  QVector<QRgb> GetPalette(int) const override { return {}; }
  TColor GetTransparentColor(int list, int image) const override;
  TColor GetPixel(int, int, int, int) const override { return vcl::clWhite; }
  void Draw(vcl::TCanvas *canvas, int x, int y, int list, int image) const override;
  void DrawInRect(vcl::TCanvas *canvas, const TRect &rect, int list, int image, TColor transparent,
                  unsigned flags) const override;
  void DrawFx(vcl::TCanvas *canvas, const TRect &rect, int list, int image, unsigned flags) const override;

 protected:
  TQELListItem *CreateItem() override;

 private:
  vcl::TImageList *ListOf(int index) const;
  std::vector<std::unique_ptr<TQELBorImageListItem>> entries_;
  TQELBitmapListItem *scratch_;
};

// One list of each kind. Placed on a form in design mode it copies every
// change of its lists into the library-wide container's lists.
class TQELContainer : public TQELBaseContainer {
  ORBISCA_CLASS(TQELContainer, TQELBaseContainer)

 public:
  explicit TQELContainer(vcl::TComponent *owner);
  ~TQELContainer() override;

  TQELBitmapList *BitmapList() const { return bitmap_list_; }
  TQELImageList *ImageList() const { return image_list_; }
  TQELStringList *StringList() const { return string_list_; }
  TQELWaveList *WaveList() const { return wave_list_; }

 private:
  void ListChanged(TQELCustomContainer *list);
  TQELBitmapList *bitmap_list_;
  TQELImageList *image_list_;
  TQELStringList *string_list_;
  TQELWaveList *wave_list_;
};

// The library-wide container (made on first use, freed at exit).
TQELContainer *QELContainer();
// Frees it early (tests; the program's end does it too).
void DoneQELContainer();

// ---------------------------------------------------------------------------
// Users of image lists

class TQELContainerComponent : public TQELCustomComponent {
  ORBISCA_CLASS(TQELContainerComponent, TQELCustomComponent)

 public:
  explicit TQELContainerComponent(vcl::TComponent *owner);
  ~TQELContainerComponent() override;

  TQELCustomImageList *ImageList() const { return image_list_; }
  void SetImageList(TQELCustomImageList *list);
  int ListIndex() const { return list_index_; }
  void SetListIndex(int v);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int v);

  // The stored property "Internal": the signature of the library-wide list
  // referred to, empty when the reference is an ordinary one (or none).
  QString InternalReference() const;
  // Resolves a stored signature; false (nothing changed) for any other.
  bool ReadInternalReference(const QString &signature);

  // The change handler: runs when the list or the references change.
  void GetChange(rtl::TObject *sender) override;

 protected:
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;

 private:
  TQELChangeLink link_;
  TQELCustomImageList *image_list_ = nullptr;
  int list_index_ = 0;
  int image_index_ = 0;
};

// --- container files -------------------------------------------------------------

// The kind of the file (ckUnknown for any other content), its item count
// and, when `offsets` is given and the kind is known, the items' offsets.
int ReadContainerHeader(const QString &file_name, int &count, std::vector<std::int32_t> *offsets);
// Reads item `index` of a file of `kind` into `item` (offsets: from an
// earlier ReadContainerHeader, or nullptr to read them). A file of another
// kind raises "Cannot open file <name>".
void LoadItemFromFile(const QString &file_name, int kind, const std::vector<std::int32_t> *offsets, TQELListItem *item,
                      int index);
void LoadBitmapFromFile(const QString &file_name, int index, vcl::TBitmap *bitmap);

}  // namespace qel
