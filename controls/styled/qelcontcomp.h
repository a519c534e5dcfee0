// `TQELContainerComponent`, the base of the styled library's components
// that show an image of a container's list (see qelcont.h): it keeps one
// change link on that list and loses the reference when the list is freed.
#pragma once

#include <QString>

#include "controls/styled/qelclass.h"
#include "controls/styled/qelcontainers.h"

namespace qel {

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

}  // namespace qel
