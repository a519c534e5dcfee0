// Containers, their items, the library-wide container and container files
// (see qelcont.h). The image-strip items are in qelcont_image.cpp.
#include "controls/styled/qelcont.h"

#include <QCoreApplication>
#include <QPainter>
#include <algorithm>

#include "controls/styled/qelcont_internal.h"
#include "controls/styled/qelstrm.h"
#include "platform/rtl/exceptions.h"

namespace qel {

using detail::PixelFormatFromFlags;

namespace {

const char *const kSignatures[] = {"QELIML30", "QELBML30", "QELWVL30", "QELSLL30", "QELGLL50", "QELRTL50"};
const char *const kExtensions[] = {"iml", "bmp", "wav", "txt", "*", "rtf"};

std::uint8_t PixelFormatFlags(TQELSavePixelFormat format) {
  switch (format) {
    case spfMono:
      return ifMono;
    case spf4bit:
      return if4bit;
    case spf8bit:
      return if8bit;
    default:
      return 0;
  }
}

// A count read from damaged data can claim anything; every entry needs at
// least `entry_size` bytes, so more than that cannot be there.
std::int32_t ReadCount(rtl::TStream *stream, qint64 entry_size) {
  const std::int32_t count = stream->ReadInt32();
  if (count < 0 || qint64(count) * entry_size > stream->Remaining())
    throw EQELDamagedData(QStringLiteral("Invalid item count %1").arg(count));
  return count;
}

}  // namespace

int SavePixelFormatColors(TQELSavePixelFormat format) {
  switch (format) {
    case spfMono:
      return 2;
    case spf4bit:
      return 16;
    case spf8bit:
      return 256;
    default:
      return -1;
  }
}

QString ContainerSignature(int kind) {
  return kind >= 0 && kind < ckUnknown ? QString::fromLatin1(kSignatures[kind]) : QString();
}

QString ContainerFileExtension(int kind, bool with_dot) {
  if (kind < 0 || kind >= ckUnknown) return QString();
  const QString ext = QString::fromLatin1(kExtensions[kind]);
  return with_dot ? QStringLiteral(".") + ext : ext;
}

// ---------------------------------------------------------------------------
// Change links

TQELChangeLink::~TQELChangeLink() {
  if (container_) container_->UnRegisterChanges(this);
}

TQELBaseContainer::TQELBaseContainer(vcl::TComponent *owner) : TQELCustomComponent(owner) {}

TQELBaseContainer::~TQELBaseContainer() {
  for (TQELChangeLink *link : links_) link->container_ = nullptr;
}

void TQELBaseContainer::RegisterChanges(TQELChangeLink *link) {
  if (!link || link->container_ == this) return;
  if (link->container_) link->container_->UnRegisterChanges(link);
  links_.push_back(link);
  link->container_ = this;
}

void TQELBaseContainer::UnRegisterChanges(TQELChangeLink *link) {
  const auto it = std::find(links_.begin(), links_.end(), link);
  if (it == links_.end()) return;
  links_.erase(it);
  link->container_ = nullptr;
}

void TQELBaseContainer::Change() {
  if (Updating()) return;
  TQELCustomComponent::Change();
  // A handler may detach links (its own or others'): walk a copy and skip
  // the ones that left.
  const std::vector<TQELChangeLink *> links = links_;
  for (TQELChangeLink *link : links) {
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
    if (link->OnChange) link->OnChange(this);
  }
}

// ---------------------------------------------------------------------------
// Items

ORBISCA_PUBLISHED(TQELListItem, TQELCustomComponent) {
  p.Property("Compressed", &TQELListItem::Compressed, &TQELListItem::SetCompressed).Default(false);
  p.Property("Description", &TQELListItem::Description, &TQELListItem::SetDescription);
  p.Property("Ident", &TQELListItem::Ident, &TQELListItem::SetIdent).Default(0);
}

ORBISCA_PUBLISHED(TQELBitmapListItem, TQELListItem) {
  p.Property("Bitmap", &TQELBitmapListItem::Bitmap, &TQELBitmapListItem::SetBitmap);
  p.Property("PixelFormat", &TQELBitmapListItem::PixelFormat, &TQELBitmapListItem::SetPixelFormat).Default(spfDefault);
}

ORBISCA_PUBLISHED(TQELImageListItem, TQELListItem) {
  p.Property("AllocBy", &TQELImageListItem::AllocBy, &TQELImageListItem::SetAllocBy).Default(4);
  p.Property("Masked", &TQELImageListItem::Masked, &TQELImageListItem::SetMasked).Default(false);
  p.Property("Height", &TQELImageListItem::Height, &TQELImageListItem::SetHeight).Default(16);
  p.Property("Width", &TQELImageListItem::Width, &TQELImageListItem::SetWidth).Default(16);
  p.Property("PixelFormat", &TQELImageListItem::PixelFormat, &TQELImageListItem::SetPixelFormat).Default(spfDefault);
}

ORBISCA_PUBLISHED(TQELStringListItem, TQELListItem) {
  p.Property("Items", &TQELStringListItem::Items, &TQELStringListItem::SetItems);
}

ORBISCA_PUBLISHED(TQELWaveListItem, TQELListItem) {
  p.Property("Wave", &TQELWaveListItem::Wave, &TQELWaveListItem::SetWave);
}

ORBISCA_PUBLISHED(TQELBitmapList, TQELCustomComponent) {
  p.Property("DefaultCompressed", &TQELBitmapList::DefaultCompressed, &TQELBitmapList::SetDefaultCompressed)
      .Default(false);
  p.Property("DefaultPixelFormat", &TQELBitmapList::DefaultPixelFormat, &TQELBitmapList::SetDefaultPixelFormat)
      .Default(spfDefault);
}

ORBISCA_PUBLISHED(TQELImageList, TQELCustomComponent) {
  p.Property("DefaultCompressed", &TQELImageList::DefaultCompressed, &TQELImageList::SetDefaultCompressed)
      .Default(false);
  p.Property("DefaultPixelFormat", &TQELImageList::DefaultPixelFormat, &TQELImageList::SetDefaultPixelFormat)
      .Default(spfDefault);
}

ORBISCA_PUBLISHED(TQELStringList, TQELCustomComponent) {
  p.Property("DefaultCompressed", &TQELStringList::DefaultCompressed, &TQELStringList::SetDefaultCompressed)
      .Default(false);
}

ORBISCA_PUBLISHED(TQELWaveList, TQELCustomComponent) {
  p.Property("DefaultCompressed", &TQELWaveList::DefaultCompressed, &TQELWaveList::SetDefaultCompressed).Default(false);
}

ORBISCA_PUBLISHED(TQELContainerComponent, TQELCustomComponent) {
  // A library-wide list is stored as the "Internal" signature instead.
  p.Property("ImageList", &TQELContainerComponent::ImageList, &TQELContainerComponent::SetImageList)
      .StoredIf([](const rtl::TObject *o) {
        auto *c = static_cast<const TQELContainerComponent *>(o);
        return c->ImageList() && c->InternalReference().isEmpty();
      });
  p.Property("ListIndex", &TQELContainerComponent::ListIndex, &TQELContainerComponent::SetListIndex).Default(0);
  p.Property("ImageIndex", &TQELContainerComponent::ImageIndex, &TQELContainerComponent::SetImageIndex).Default(0);
}

TQELListItem::TQELListItem(vcl::TComponent *owner) : TQELCustomComponent(owner) {}

void TQELListItem::SetDescription(const QString &v) {
  if (v == description_) return;
  description_ = v;
  Change();
}

void TQELListItem::SetIdent(int v) {
  v &= 0xFFFF;
  if (v == ident_) return;
  ident_ = v;
  Change();
}

void TQELListItem::SetCompressed(bool v) {
  if (v == compressed_) return;
  compressed_ = v;
  Change();
}

std::uint8_t TQELListItem::ItemFlags() const {
  std::uint8_t flags = compressed_ ? ifCompressed : 0;
  if (!description_.isEmpty()) flags |= ifDescription;
  if (ident_ != 0) flags |= ifIdent;
  if (HasData()) flags |= ifData;
  return flags | PixelFormatFlags(ItemPixelFormat());
}

void TQELListItem::ReadFromStream(rtl::TStream *stream) {
  const std::uint8_t flags = stream->ReadUInt8();
  QString description;
  int ident = 0;
  if (flags & ifDescription) description = stream->ReadShortString();
  if (flags & ifIdent) ident = stream->ReadInt32() & 0xFFFF;
  BeginUpdate();
  try {
    ReadData(stream, flags);
  } catch (...) {
    EndUpdate(false);
    throw;
  }
  description_ = description;
  ident_ = ident;
  compressed_ = flags & ifCompressed;
  EndUpdate(true);
}

void TQELListItem::WriteToStream(rtl::TStream *stream) const {
  const std::uint8_t flags = ItemFlags();
  stream->WriteUInt8(flags);
  if (flags & ifDescription) stream->WriteShortString(description_);
  if (flags & ifIdent) stream->WriteInt32(ident_);
  WriteData(stream);
}

TQELCustomContainer *TQELListItem::Container() const { return dynamic_cast<TQELCustomContainer *>(Owner()); }

vcl::TComponent *TQELListItem::GetParentComponent() const { return Container(); }

void TQELListItem::SetParentComponent(vcl::TComponent *parent) {
  if (auto *container = dynamic_cast<TQELCustomContainer *>(parent)) container->AddItem(this);
}

void TQELListItem::Assign(const rtl::TPersistent *source) {
  if (auto *item = dynamic_cast<const TQELListItem *>(source)) {
    BeginUpdate();
    CopyListItem(*item);
    EndUpdate(true);
    return;
  }
  TQELCustomComponent::Assign(source);
}

void TQELListItem::CopyListItem(const TQELListItem &source) {
  description_ = source.description_;
  ident_ = source.ident_;
  compressed_ = source.compressed_;
}

// --- bitmap items ---------------------------------------------------------------

TQELBitmapListItem::TQELBitmapListItem(vcl::TComponent *owner)
    : TQELListItem(owner), bitmap_(std::make_unique<vcl::TBitmap>()) {
  bitmap_->OnChange = [this](vcl::TGraphic *) { Change(); };
}

TQELBitmapListItem::~TQELBitmapListItem() { bitmap_->OnChange = nullptr; }

void TQELBitmapListItem::SetBitmap(const vcl::TBitmap *bitmap) {
  BeginUpdate();
  if (bitmap)
    bitmap_->Assign(bitmap);
  else
    bitmap_->SetSize(0, 0);
  EndUpdate(true);
}

void TQELBitmapListItem::SetPixelFormat(TQELSavePixelFormat v) {
  if (v == pixel_format_) return;
  pixel_format_ = v;
  Change();
}

void TQELBitmapListItem::Assign(const rtl::TPersistent *source) {
  if (auto *item = dynamic_cast<const TQELBitmapListItem *>(source)) {
    BeginUpdate();
    CopyListItem(*item);
    pixel_format_ = item->pixel_format_;
    bitmap_->Assign(item->bitmap_.get());
    EndUpdate(true);
    return;
  }
  TQELListItem::Assign(source);
}

void TQELBitmapListItem::ReadData(rtl::TStream *stream, std::uint8_t flags) {
  if (flags & ifData) {
    vcl::TBitmap loaded;
    ReadBitmap(stream, &loaded, flags & ifCompressed);
    bitmap_->Assign(&loaded);
  } else {
    bitmap_->SetSize(0, 0);
  }
  pixel_format_ = PixelFormatFromFlags(flags);
}

void TQELBitmapListItem::WriteData(rtl::TStream *stream) const {
  if (HasData()) WriteBitmap(stream, bitmap_.get(), SavePixelFormatColors(pixel_format_), Compressed());
}

// --- string-list and wave items ------------------------------------------------------

TQELStringListItem::TQELStringListItem(vcl::TComponent *owner)
    : TQELListItem(owner), items_(std::make_unique<rtl::TStringList>()) {
  items_->OnChange = [this](rtl::TObject *) { Change(); };
}

TQELStringListItem::~TQELStringListItem() { items_->OnChange = nullptr; }

void TQELStringListItem::Assign(const rtl::TPersistent *source) {
  if (auto *item = dynamic_cast<const TQELStringListItem *>(source)) {
    BeginUpdate();
    CopyListItem(*item);
    items_->Assign(item->items_.get());
    EndUpdate(true);
    return;
  }
  TQELListItem::Assign(source);
}

void TQELStringListItem::ReadData(rtl::TStream *stream, std::uint8_t flags) {
  if (flags & ifData) {
    rtl::TStringList lines;
    ReadStrings(stream, &lines, flags & ifCompressed);
    items_->Assign(&lines);
  } else {
    items_->Clear();
  }
}

void TQELStringListItem::WriteData(rtl::TStream *stream) const {
  if (HasData()) WriteStrings(stream, items_.get(), Compressed());
}

TQELWaveListItem::TQELWaveListItem(vcl::TComponent *owner) : TQELListItem(owner), wave_(std::make_unique<TQELWave>()) {
  wave_->OnChange = [this](rtl::TObject *) { Change(); };
}

TQELWaveListItem::~TQELWaveListItem() { wave_->OnChange = nullptr; }

void TQELWaveListItem::Assign(const rtl::TPersistent *source) {
  if (auto *item = dynamic_cast<const TQELWaveListItem *>(source)) {
    BeginUpdate();
    CopyListItem(*item);
    wave_->Assign(item->wave_.get());
    EndUpdate(true);
    return;
  }
  TQELListItem::Assign(source);
}

void TQELWaveListItem::ReadData(rtl::TStream *stream, std::uint8_t flags) {
  if (flags & ifData)
    wave_->ReadStored(stream, flags & ifCompressed);
  else
    wave_->Clear();
}

void TQELWaveListItem::WriteData(rtl::TStream *stream) const {
  if (HasData()) wave_->WriteStored(stream, Compressed());
}

// ---------------------------------------------------------------------------
// Containers

TQELCustomContainer::TQELCustomContainer(vcl::TComponent *owner) : TQELBaseContainer(owner) {}

TQELCustomContainer::~TQELCustomContainer() {
  destroying_ = true;
  std::vector<TQELListItem *> items;
  items.swap(items_);
  for (TQELListItem *item : items) delete item;
}

TQELListItem *TQELCustomContainer::Item(int index) const {
  return index >= 0 && index < int(items_.size()) ? items_[size_t(index)] : nullptr;
}

void TQELCustomContainer::Adopt(TQELListItem *item) {
  item->OnChange = [this](rtl::TObject *) { Change(); };
  items_.push_back(item);
}

int TQELCustomContainer::Add() {
  TQELListItem *item = CreateItem();
  item->BeginUpdate();
  item->SetCompressed(default_compressed_);
  if (auto *b = dynamic_cast<TQELBitmapListItem *>(item)) b->SetPixelFormat(default_pixel_format_);
  if (auto *i = dynamic_cast<TQELImageListItem *>(item)) i->SetPixelFormat(default_pixel_format_);
  item->EndUpdate(false);
  Adopt(item);
  Change();
  return int(items_.size()) - 1;
}

void TQELCustomContainer::AddItem(TQELListItem *item) {
  if (!item || std::find(items_.begin(), items_.end(), item) != items_.end()) return;
  if (item->Owner() != this) InsertComponent(item);
  Adopt(item);
  Change();
}

void TQELCustomContainer::Delete(int index) {
  // Only items this container owns (not an item a connector lends).
  TQELListItem *item = TQELCustomContainer::Item(index);
  if (!item) rtl::ListIndexError(index);
  delete item;  // leaves the list through Notification
}

void TQELCustomContainer::Clear() {
  if (items_.empty()) return;
  std::vector<TQELListItem *> items;
  items.swap(items_);
  for (TQELListItem *item : items) delete item;
  Change();
}

void TQELCustomContainer::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  TQELBaseContainer::Notification(component, operation);
  if (operation != vcl::opRemove || destroying_) return;
  const auto it = std::find(items_.begin(), items_.end(), component);
  if (it == items_.end()) return;
  items_.erase(it);
  Change();
}

void TQELCustomContainer::Assign(const rtl::TPersistent *source) {
  auto *other = dynamic_cast<const TQELCustomContainer *>(source);
  if (!other || other->ClassName() != ClassName()) {
    TQELBaseContainer::Assign(source);
    return;
  }
  if (other == this) return;
  BeginUpdate();
  try {
    Clear();
    default_compressed_ = other->default_compressed_;
    default_pixel_format_ = other->default_pixel_format_;
    for (TQELListItem *item : other->items_) Item(Add())->Assign(item);
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TQELCustomContainer::LoadFromStream(rtl::TStream *stream, bool with_index) {
  const std::int32_t count = ReadCount(stream, with_index ? 5 : 1);
  if (with_index) stream->Seek(qint64(count) * 4, rtl::soCurrent);
  std::vector<TQELListItem *> loaded;
  try {
    for (int i = 0; i < count; ++i) {
      TQELListItem *item = CreateItem();
      loaded.push_back(item);
      item->ReadFromStream(stream);
    }
  } catch (...) {
    for (TQELListItem *item : loaded) delete item;
    throw;
  }
  BeginUpdate();
  Clear();
  for (TQELListItem *item : loaded) Adopt(item);
  EndUpdate(true);
}

void TQELCustomContainer::SaveToStream(rtl::TStream *stream, bool with_index) const {
  const int count = int(items_.size());
  stream->WriteInt32(count);
  const qint64 table = stream->Position();
  if (with_index)
    for (int i = 0; i < count; ++i) stream->WriteInt32(0);
  std::vector<std::int32_t> positions;
  for (TQELListItem *item : items_) {
    positions.push_back(std::int32_t(stream->Position()));
    item->WriteToStream(stream);
  }
  if (!with_index) return;
  const qint64 end = stream->Position();
  stream->SetPosition(table);
  for (std::int32_t p : positions) stream->WriteInt32(p);
  stream->SetPosition(end);
}

void TQELCustomContainer::SaveToFile(const QString &file_name) const {
  rtl::TMemoryStream out;
  out.WriteShortString(ContainerSignature(Kind()));
  // The offsets of a file count from its first byte: the same table as a
  // stream with index written from position 9.
  SaveToStream(&out, true);
  out.SaveToFile(file_name);
}

void TQELCustomContainer::LoadFromFile(const QString &file_name) {
  rtl::TMemoryStream in;
  in.LoadFromFile(file_name);
  const QByteArray head = in.Bytes().left(9);
  if (head != QByteArray(1, char(8)) + ContainerSignature(Kind()).toLatin1())
    throw rtl::EFOpenError(QStringLiteral("Cannot open file %1").arg(file_name));
  in.SetPosition(9);
  LoadFromStream(&in, true);
}

// --- bitmap list -----------------------------------------------------------------------

TQELListItem *TQELBitmapList::CreateItem() { return new TQELBitmapListItem(this); }

namespace {
const vcl::TBitmap *BitmapOf(const TQELBitmapList *list, int index) {
  TQELBitmapListItem *item = list->Items(index);
  return item ? item->Bitmap() : nullptr;
}
}  // namespace

vcl::TCanvas *TQELBitmapList::GetCanvas(int list, int) const {
  TQELBitmapListItem *item = Items(list);
  return item ? item->Bitmap()->Canvas() : nullptr;
}

TRect TQELBitmapList::GetBounds(int list, int) const {
  const vcl::TBitmap *b = BitmapOf(this, list);
  return b ? TRect{0, 0, b->Width(), b->Height()} : TRect{};
}

int TQELBitmapList::GetSize(int list, int, int kind) const {
  const vcl::TBitmap *b = BitmapOf(this, list);
  if (!b) return 0;
  return kind == skWidth ? b->Width() : b->Height();
}

int TQELBitmapList::GetImageCount(int list) const {
  const vcl::TBitmap *b = BitmapOf(this, list);
  return b && !b->Empty() ? 1 : 0;
}

bool TQELBitmapList::IsValid(int list, int) const {
  TQELBitmapListItem *item = Items(list);
  return item && !item->IsEmpty();
}

bool TQELBitmapList::CopyImage(int list, int, vcl::TBitmap *dest) const {
  const vcl::TBitmap *b = BitmapOf(this, list);
  if (!b || !dest) return false;
  dest->Assign(b);
  return true;
}

QVector<QRgb> TQELBitmapList::GetPalette(int list) const {
  const vcl::TBitmap *b = BitmapOf(this, list);
  return b ? b->Palette() : QVector<QRgb>();
}

TColor TQELBitmapList::GetTransparentColor(int list, int) const {
  const vcl::TBitmap *b = BitmapOf(this, list);
  return b && !b->Empty() ? b->TransparentColor() : vcl::clWhite;
}

TColor TQELBitmapList::GetPixel(int list, int, int x, int y) const {
  const vcl::TBitmap *b = BitmapOf(this, list);
  if (!b || x < 0 || y < 0 || x >= b->Width() || y >= b->Height()) return vcl::clWhite;
  const QRgb c = b->Image().pixel(x, y);
  return TColor(qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16));
}

void TQELBitmapList::Draw(vcl::TCanvas *canvas, int x, int y, int list, int) const {
  const vcl::TBitmap *b = BitmapOf(this, list);
  if (!b || b->Empty()) return;
  DrawImage(canvas, TRect{x, y, x + b->Width(), y + b->Height()}, b, nullptr, b->TransparentColor(), 0);
}

void TQELBitmapList::DrawInRect(vcl::TCanvas *canvas, const TRect &rect, int list, int, TColor transparent,
                                unsigned flags) const {
  const vcl::TBitmap *b = BitmapOf(this, list);
  if (b) DrawImage(canvas, rect, b, nullptr, transparent, flags);
}

void TQELBitmapList::DrawFx(vcl::TCanvas *canvas, const TRect &rect, int list, int, unsigned flags) const {
  const vcl::TBitmap *b = BitmapOf(this, list);
  if (b && !b->Empty()) DrawImage(canvas, rect, b, nullptr, b->TransparentColor(), flags);
}

// --- image list ------------------------------------------------------------------------

TQELListItem *TQELImageList::CreateItem() { return new TQELImageListItem(this); }

vcl::TCanvas *TQELImageList::GetCanvas(int list, int) const {
  TQELImageListItem *item = Items(list);
  return item ? item->StripCanvas() : nullptr;
}

TRect TQELImageList::GetBounds(int list, int) const {
  TQELImageListItem *item = Items(list);
  return item ? TRect{0, 0, item->Width(), item->Height()} : TRect{};
}

int TQELImageList::GetSize(int list, int, int kind) const {
  TQELImageListItem *item = Items(list);
  if (!item) return 0;
  return kind == skWidth ? item->Width() : item->Height();
}

int TQELImageList::GetImageCount(int list) const {
  TQELImageListItem *item = Items(list);
  return item ? item->Count() : -1;
}

bool TQELImageList::IsValid(int list, int image) const {
  TQELImageListItem *item = Items(list);
  return item && image >= 0 && image < item->Count();
}

bool TQELImageList::CopyImage(int list, int image, vcl::TBitmap *dest) const {
  TQELImageListItem *item = Items(list);
  return item && item->GetImage(image, dest);
}

bool TQELImageList::IsMasked(int list) const {
  TQELImageListItem *item = Items(list);
  return item && item->Masked();
}

QVector<QRgb> TQELImageList::GetPalette(int list) const {
  TQELImageListItem *item = Items(list);
  return item ? item->Strip()->Palette() : QVector<QRgb>();
}

TColor TQELImageList::GetTransparentColor(int list, int image) const {
  TQELImageListItem *item = Items(list);
  return item ? item->ImageTransparentColor(image) : vcl::clWhite;
}

TColor TQELImageList::GetPixel(int list, int image, int x, int y) const {
  TQELImageListItem *item = Items(list);
  return item ? item->ImagePixel(image, x, y) : vcl::clWhite;
}

void TQELImageList::Draw(vcl::TCanvas *canvas, int x, int y, int list, int image) const {
  if (TQELImageListItem *item = Items(list)) item->Draw(canvas, x, y, image);
}

void TQELImageList::DrawInRect(vcl::TCanvas *canvas, const TRect &rect, int list, int image, TColor transparent,
                               unsigned flags) const {
  TQELImageListItem *item = Items(list);
  if (!item || image < 0 || image >= item->Count()) return;
  const TRect cell{image * item->Width(), 0, (image + 1) * item->Width(), item->Height()};
  const vcl::TBitmap *mask = item->Masked() ? item->MaskStrip() : nullptr;
  DrawImage(canvas, rect, item->Strip(), mask, transparent, flags | (mask ? imMasked : 0), &cell);
}

void TQELImageList::DrawFx(vcl::TCanvas *canvas, const TRect &rect, int list, int image, unsigned flags) const {
  TQELImageListItem *item = Items(list);
  if (!item || image < 0 || image >= item->Count()) return;
  DrawInRect(canvas, rect, list, image, item->ImageTransparentColor(image), flags);
}

// --- connector of standard image lists ----------------------------------------------------

QString TQELBorImageListItem::DisplayName() const {
  if (!name_.isEmpty() || !image_list_) return name_;
  return image_list_->ClassName();
}

TQELImageListConnector::TQELImageListConnector(vcl::TComponent *owner)
    : TQELCustomImageList(owner), scratch_(new TQELBitmapListItem(nullptr)) {}

TQELImageListConnector::~TQELImageListConnector() { delete scratch_; }

TQELListItem *TQELImageListConnector::CreateItem() { return new TQELBitmapListItem(this); }

TQELBorImageListItem *TQELImageListConnector::Entry(int index) const {
  return index >= 0 && index < EntryCount() ? entries_[size_t(index)].get() : nullptr;
}

TQELBorImageListItem *TQELImageListConnector::AddEntry(const QString &name, vcl::TImageList *list) {
  auto entry = std::make_unique<TQELBorImageListItem>();
  entry->name_ = name;
  entry->image_list_ = list;
  entry->index_ = EntryCount();
  entries_.push_back(std::move(entry));
  Change();
  return entries_.back().get();
}

void TQELImageListConnector::DeleteEntry(int index) {
  if (!Entry(index)) rtl::ListIndexError(index);
  entries_.erase(entries_.begin() + index);
  for (int i = index; i < EntryCount(); ++i) entries_[size_t(i)]->index_ = i;
  Change();
}

void TQELImageListConnector::ImageListRemoved(const vcl::TImageList *list) {
  bool changed = false;
  for (auto &entry : entries_) {
    if (list && entry->image_list_ == list) {
      entry->image_list_ = nullptr;
      changed = true;
    }
  }
  if (changed) Change();
}

TQELListItem *TQELImageListConnector::Item(int index) const {
  TQELBorImageListItem *entry = Entry(index);
  if (!entry) return nullptr;
  scratch_->SetDescription(entry->DisplayName());
  return scratch_;
}

vcl::TImageList *TQELImageListConnector::ListOf(int index) const {
  TQELBorImageListItem *entry = Entry(index);
  return entry ? entry->image_list_ : nullptr;
}

TRect TQELImageListConnector::GetBounds(int list, int) const {
  vcl::TImageList *l = ListOf(list);
  return l ? TRect{0, 0, l->Width(), l->Height()} : TRect{};
}

int TQELImageListConnector::GetSize(int list, int, int kind) const {
  vcl::TImageList *l = ListOf(list);
  if (!l) return 0;
  return kind == skWidth ? l->Width() : l->Height();
}

int TQELImageListConnector::GetImageCount(int list) const {
  vcl::TImageList *l = ListOf(list);
  return l ? l->Count() : 0;
}

bool TQELImageListConnector::IsValid(int list, int image) const {
  vcl::TImageList *l = ListOf(list);
  return l && image >= 0 && image < l->Count();
}

bool TQELImageListConnector::CopyImage(int list, int image, vcl::TBitmap *dest) const {
  if (!IsValid(list, image) || !dest) return false;
  ListOf(list)->GetBitmap(image, dest);
  return true;
}

// Standard lists keep each image with its transparency.
bool TQELImageListConnector::IsMasked(int list) const { return ListOf(list) != nullptr; }

TColor TQELImageListConnector::GetTransparentColor(int list, int image) const {
  vcl::TBitmap copy;
  if (!CopyImage(list, image, &copy)) return vcl::clWhite;
  return copy.TransparentColor();
}

void TQELImageListConnector::Draw(vcl::TCanvas *canvas, int x, int y, int list, int image) const {
  if (IsValid(list, image)) ListOf(list)->Draw(canvas, x, y, image, true);
}

void TQELImageListConnector::DrawInRect(vcl::TCanvas *canvas, const TRect &rect, int list, int image,
                                        TColor transparent, unsigned flags) const {
  vcl::TBitmap copy;
  if (CopyImage(list, image, &copy)) DrawImage(canvas, rect, &copy, nullptr, transparent, flags);
}

void TQELImageListConnector::DrawFx(vcl::TCanvas *canvas, const TRect &rect, int list, int image,
                                    unsigned flags) const {
  vcl::TBitmap copy;
  if (CopyImage(list, image, &copy)) DrawImage(canvas, rect, &copy, nullptr, copy.TransparentColor(), flags);
}

TQELListItem *TQELStringList::CreateItem() { return new TQELStringListItem(this); }
TQELListItem *TQELWaveList::CreateItem() { return new TQELWaveListItem(this); }

// ---------------------------------------------------------------------------
// The container of one list of each kind

TQELContainer::TQELContainer(vcl::TComponent *owner)
    : TQELBaseContainer(owner),
      bitmap_list_(new TQELBitmapList(this)),
      image_list_(new TQELImageList(this)),
      string_list_(new TQELStringList(this)),
      wave_list_(new TQELWaveList(this)) {
  for (TQELCustomContainer *list :
       {static_cast<TQELCustomContainer *>(bitmap_list_), static_cast<TQELCustomContainer *>(image_list_),
        static_cast<TQELCustomContainer *>(string_list_), static_cast<TQELCustomContainer *>(wave_list_)})
    list->OnChange = [this, list](rtl::TObject *) { ListChanged(list); };
}

TQELContainer::~TQELContainer() {
  for (TQELCustomContainer *list :
       {static_cast<TQELCustomContainer *>(bitmap_list_), static_cast<TQELCustomContainer *>(image_list_),
        static_cast<TQELCustomContainer *>(string_list_), static_cast<TQELCustomContainer *>(wave_list_)}) {
    list->OnChange = nullptr;
    delete list;
  }
}

void TQELContainer::ListChanged(TQELCustomContainer *list) {
  Change();
  if (!IsDesigning()) return;
  TQELContainer *global = QELContainer();
  if (global == this) return;
  TQELCustomContainer *target = nullptr;
  if (list == bitmap_list_) target = global->bitmap_list_;
  if (list == image_list_) target = global->image_list_;
  if (list == string_list_) target = global->string_list_;
  if (list == wave_list_) target = global->wave_list_;
  if (target) target->Assign(list);
}

namespace {
std::unique_ptr<TQELContainer> &GlobalContainer() {
  static std::unique_ptr<TQELContainer> container;
  return container;
}
}  // namespace

TQELContainer *QELContainer() {
  auto &c = GlobalContainer();
  if (!c) {
    c = std::make_unique<TQELContainer>(nullptr);
    // Its pictures go while Qt still runs, also when nobody frees it.
    static bool hooked = false;
    if (!hooked && QCoreApplication::instance() != nullptr) {
      qAddPostRoutine(&DoneQELContainer);
      hooked = true;
    }
  }
  return c.get();
}

void DoneQELContainer() { GlobalContainer().reset(); }

// ---------------------------------------------------------------------------
// Users of image lists

TQELContainerComponent::TQELContainerComponent(vcl::TComponent *owner) : TQELCustomComponent(owner) {
  link_.OnChange = [this](rtl::TObject *sender) { GetChange(sender); };
}

TQELContainerComponent::~TQELContainerComponent() {
  link_.OnChange = nullptr;
  if (image_list_) {
    image_list_->UnRegisterChanges(&link_);
    RemoveFreeNotification(image_list_);
  }
}

void TQELContainerComponent::SetImageList(TQELCustomImageList *list) {
  if (list == image_list_) return;
  if (image_list_) {
    image_list_->UnRegisterChanges(&link_);
    RemoveFreeNotification(image_list_);
  }
  image_list_ = list;
  if (list) {
    list->RegisterChanges(&link_);
    list->FreeNotification(this);
  }
  GetChange(this);
}

void TQELContainerComponent::SetListIndex(int v) {
  if (v < 0 || v == list_index_) return;
  list_index_ = v;
  if (image_list_) GetChange(this);
}

void TQELContainerComponent::SetImageIndex(int v) {
  if (v < 0 || v == image_index_) return;
  image_index_ = v;
  if (image_list_) GetChange(this);
}

QString TQELContainerComponent::InternalReference() const {
  auto &global = GlobalContainer();
  if (!global || !image_list_) return QString();
  if (image_list_ == global->BitmapList()) return ContainerSignature(ckBitmapList);
  if (image_list_ == global->ImageList()) return ContainerSignature(ckImageList);
  return QString();
}

bool TQELContainerComponent::ReadInternalReference(const QString &signature) {
  if (signature == ContainerSignature(ckBitmapList)) {
    SetImageList(QELContainer()->BitmapList());
    return true;
  }
  if (signature == ContainerSignature(ckImageList)) {
    SetImageList(QELContainer()->ImageList());
    return true;
  }
  return false;
}

void TQELContainerComponent::GetChange(rtl::TObject *sender) { TQELCustomComponent::GetChange(sender); }

void TQELContainerComponent::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  TQELCustomComponent::Notification(component, operation);
  if (operation == vcl::opRemove && image_list_ && component == image_list_) image_list_ = nullptr;
}

// ---------------------------------------------------------------------------
// Container files

namespace {

// Reads the signature, count and offsets of a container file image.
int ReadHeader(rtl::TStream *in, int &count, std::vector<std::int32_t> *offsets) {
  count = 0;
  QByteArray head(9, '\0');
  if (in->Read(head.data(), 9) != 9) return ckUnknown;
  int kind = ckUnknown;
  for (int k = 0; k < ckUnknown; ++k)
    if (head == QByteArray(1, char(8)) + kSignatures[k]) kind = k;
  if (kind == ckUnknown) return kind;
  count = ReadCount(in, 5);
  if (offsets) {
    offsets->clear();
    for (int i = 0; i < count; ++i) offsets->push_back(in->ReadInt32());
  }
  return kind;
}

}  // namespace

int ReadContainerHeader(const QString &file_name, int &count, std::vector<std::int32_t> *offsets) {
  rtl::TFileStream in(file_name, rtl::fmOpenRead | rtl::fmShareDenyWrite);
  return ReadHeader(&in, count, offsets);
}

void LoadItemFromFile(const QString &file_name, int kind, const std::vector<std::int32_t> *offsets, TQELListItem *item,
                      int index) {
  rtl::TFileStream in(file_name, rtl::fmOpenRead | rtl::fmShareDenyWrite);
  std::vector<std::int32_t> own;
  if (!offsets) {
    int count = 0;
    if (ReadHeader(&in, count, &own) != kind)
      throw rtl::EFOpenError(QStringLiteral("Cannot open file %1").arg(file_name));
    offsets = &own;
  }
  if (index < 0 || index >= int(offsets->size())) rtl::ListIndexError(index);
  const std::int32_t offset = (*offsets)[size_t(index)];
  if (offset < 0 || offset >= in.Size()) throw EQELDamagedData(QStringLiteral("Invalid item offset"));
  in.SetPosition(offset);
  item->ReadFromStream(&in);
}

void LoadBitmapFromFile(const QString &file_name, int index, vcl::TBitmap *bitmap) {
  TQELBitmapListItem item(nullptr);
  LoadItemFromFile(file_name, ckBitmapList, nullptr, &item, index);
  bitmap->Assign(item.Bitmap());
}

}  // namespace qel
