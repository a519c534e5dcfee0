// Aligning, centring and spreading the selected objects of a page: what
// the alignment palette's buttons do, apart from the palette window
// (kvalignform.h), so that it can be computed and tested on plain views.
//
// Objects line up on a reference object: the one the user clicked last in
// the selection, else the topmost selected one. Centring in the page uses
// the page's own size at the report's scale (96 pixels per inch), never
// the printer's device pixels, which a PDF file or a missing printer gives
// as 0. Spreading orders the objects by their coordinates as numbers.
#pragma once

#include <vector>

namespace report {

class TkvView;

// The palette's buttons B0 to B9, in that order.
enum class TkvAlignment {
  Left,              // B0 "Allinea al bordo sinistro"
  CentresHorz,       // B1 "Allinea orizzontalmente centrando"
  CentreInPageHorz,  // B2 "Centra orizzontalmente nella finestra"
  SpreadHorz,        // B3 "Spazi uniformi orizzontalmente"
  Right,             // B4 "Allinea al bordo destro"
  Top,               // B5 "Allinea in alto"
  CentresVert,       // B6 "Allinea verticalmente centrando"
  CentreInPageVert,  // B7 "Centra verticalmente nella finestra"
  SpreadVert,        // B8 "Spazi uniformi veticalmente"
  Bottom,            // B9 "Allinea in basso"
};
inline constexpr int kvAlignmentCount = 10;

// How many selected objects the alignment needs (1, 2 or 3); with fewer
// it does nothing.
int KvAlignmentMinimum(TkvAlignment alignment);

// The reference object: `clicked_last` when it is among `selected`, else
// the last of `selected` (the topmost: `selected` is in page order).
TkvView *KvAlignmentReference(const std::vector<TkvView *> &selected, TkvView *clicked_last);

// Moves the selected objects (in page order). `page_width` and
// `page_height` are the page's size in pixels. True when an object moved.
bool KvAlignViews(const std::vector<TkvView *> &selected, TkvView *reference, TkvAlignment alignment, int page_width,
                  int page_height);

}  // namespace report
