// The containers of the styled library (see qelcont.h): the change links
// that tell users of every change, the lists of each kind, the connector
// that lends their operations to standard image lists, the library-wide
// container and the container files.
#pragma once

#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "controls/styled/qelclass.h"
#include "controls/styled/qelcontitems.h"
#include "controls/styled/qelgraph.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"

namespace qel {

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
