// The base of the styled library's windowed controls: an image-list
// reference, flat and hot borders, mouse enter and exit events, and the
// background protocol through which a transparent control paints the part
// of an ancestor's background picture that lies under it.
//
// A control that offers a background answers `HasBackBitmap` and
// `GetBackBitmap`; `BackOrigin` maps a point of the control into that
// bitmap, so a transparent child copies exactly the pixels under itself
// and the picture runs on across the boundary. The panels (qelpanel.h)
// stand on this base.
#pragma once

#include <functional>
#include <memory>

#include "controls/styled/qelcont.h"
#include "controls/styled/qelfill.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/messages.h"

namespace qel {

// Sets or clears csOpaque on a control (a transparent control lets its
// parent paint under it).
void SetOpaqueStyle(vcl::TControl *control, bool opaque);

// Copies `rect` of the canvas from the background picture, whose point
// `offset` lies under the canvas's origin; false (nothing painted) without
// a picture.
bool CopyBackground(TCanvas *canvas, const TRect &rect, vcl::TBitmap *back, const vcl::TPoint &offset);

// The library's own messages, above the control library's base.
inline constexpr unsigned QEL_BACKGROUNDCHANGED = 0xB0CE;
inline constexpr unsigned QEL_PARENTBACKGROUNDCHANGED = 0xB0D4;
inline constexpr unsigned QEL_AFTERENTER = 0xB0CF;
inline constexpr unsigned QEL_AFTEREXIT = 0xB0D0;
inline constexpr unsigned QEL_BEVELCHANGED = 0xB0D1;

// A control's reference to an image of an image list: the list (followed
// through a change link and a free notification), the list and image
// indexes (negative and unchanged values ignored). `changed` runs when the
// list changes its items, when another list is set, when it is removed,
// and when an index changes while a list is set.
class TQELImageReference {
 public:
  TQELImageReference(vcl::TComponent *user, std::function<void()> changed);
  ~TQELImageReference();
  TQELImageReference(const TQELImageReference &) = delete;
  TQELImageReference &operator=(const TQELImageReference &) = delete;

  TQELCustomImageList *List() const { return list_; }
  void SetList(TQELCustomImageList *list);
  int ListIndex() const { return list_index_; }
  void SetListIndex(int v);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int v);
  // A list is set and says the image exists.
  bool Exists() const;
  // For the user's Notification: forgets a list that goes away.
  void ComponentRemoved(vcl::TComponent *component);

 private:
  vcl::TComponent *user_;
  std::function<void()> changed_;
  TQELCustomImageList *list_ = nullptr;
  int list_index_ = 0, image_index_ = 0;
  std::unique_ptr<TQELChangeLink> link_;
};

class TQELCustomControl : public vcl::TCustomControl {
  ORBISCA_CLASS(TQELCustomControl, vcl::TCustomControl)

 public:
  explicit TQELCustomControl(vcl::TComponent *owner);
  ~TQELCustomControl() override;

  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool v);
  TQELCustomImageList *ImageList() const { return image_.List(); }
  void SetImageList(TQELCustomImageList *list) { image_.SetList(list); }
  int ListIndex() const { return image_.ListIndex(); }
  void SetListIndex(int v) { image_.SetListIndex(v); }
  int ImageIndex() const { return image_.ImageIndex(); }
  void SetImageIndex(int v) { image_.SetImageIndex(v); }
  bool ImageExists() const { return image_.Exists(); }
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  bool Entered() const { return entered_; }
  bool MouseAbove() const { return mouse_above_; }
  TQELBitmapEffectObject *BackgroundEffect() const { return effect_.get(); }
  TQELAboutVar About() const { return QStringLiteral("Orbisca styled components"); }
  void SetAbout(const TQELAboutVar &) {}

  // --- background protocol ---
  virtual bool UsesBackground() const { return transparent_ && HasBackBitmap(); }
  virtual bool HasBackBitmap() const { return false; }
  virtual vcl::TBitmap *GetBackBitmap() const { return nullptr; }
  // Paints the background under `rect` (client coordinates, moved by
  // `origin`) on `canvas`; false when there is none.
  virtual bool DrawBackground(TCanvas *canvas, const TRect &rect, const vcl::TPoint &origin);
  virtual vcl::TPoint BackOrigin(const vcl::TPoint &p) const { return p; }
  // The first step of painting: the background when it can, else Color.
  virtual void EraseBackground(TCanvas *canvas);
  virtual bool ShowsDesignFrame() const { return true; }

  TNotifyEvent OnMouseExit;
  TNotifyEvent OnAfterEnter;
  TNotifyEvent OnAfterExit;

  void WndProc(vcl::TMessage &message) override;
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;
  void Loaded() override;

 protected:
  virtual void FlatChanged() {}
  virtual void SubObjectChanged(rtl::TObject *sender);
  virtual void ImageListChanged(rtl::TObject *sender) { SubObjectChanged(sender); }
  virtual void MouseEntered();
  virtual void MouseExited();
  // Borders of a flat control: the hot one while the mouse is above or the
  // focus inside, else the flat one. Drawn on the control's own edge.
  virtual void PaintFlatBorder(TCanvas *canvas);
  virtual void PaintHotBorder(TCanvas *canvas);
  void Paint() override;
  // Sends the background-changed message to the windowed children.
  void NotifyChildrenBackground();

  bool need_invalidate_ = true;
  bool ctl3d_ = true;

 private:
  bool transparent_ = false;
  bool flat_ = false, entered_ = false, mouse_above_ = false;
  TQELImageReference image_;
  std::unique_ptr<TQELBitmapEffectObject> effect_;
};

}  // namespace qel
