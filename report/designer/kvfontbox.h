// The designer's font box: the installed families by the names the font
// dialog shows, each once, the scalable ones (TrueType and other outline
// fonts) marked with their picture; the selected memo's font shown even
// when it is not installed.
#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

#include "platform/vcl/listctrls.h"

namespace report {

// Each family once, without the foundry that names sometimes carry in
// brackets ("C059 [UKWN]" is "C059"), private families left out, sorted
// ignoring case.
QStringList KvFontFamilies();
// A family name as the font box lists it (the foundry dropped).
QString KvFontFamilyName(const QString &name);
// Whether the family is drawn from outlines at every size.
bool KvScalableFont(const QString &family);
// The mark of a scalable family: two overlapping T.
QIcon KvScalableFontIcon();

// The box lists the families; the scalable ones carry the mark.
void KvFillFontBox(vcl::TComboBox *box, const QStringList &families);
// Selects the family; one the box lacks (a template made where it is
// installed) is added after the first entry, in order, and selected.
void KvShowFontInBox(vcl::TComboBox *box, const QString &family);

}  // namespace report
