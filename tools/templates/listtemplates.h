// The design of the four list templates the program prints
// ("Report4_1.kvf" to "Report4_4.kvf"), written in code so that they are
// reproducible and reviewed as code: orbisca-mktemplates writes them with
// the report engine's own template writer, and the files it writes are kept
// in app/templates, installed beside the program and copied into the data
// folder.
//
// Every template is an A4 page whose footer says "Pagina n di N" (two
// passes) and the day of printing; its heading shows the selection in
// words (the program's "Selezione" variable). The record sources are bound
// to the selection form's datasets, so the files name them as
// "selezioneform.stampa_giacenze" and "selezioneform.stampa_giornale".
#pragma once

#include <QString>
#include <QStringList>

namespace report {
class TkvReport;
}

namespace app {
class Tselezioneform;
}

namespace tools {

// The four lists, in the order of their files.
enum class TListTemplate { Giacenze, Giornale, Scaduti, Resi };
inline constexpr TListTemplate kListTemplateOrder[] = {TListTemplate::Giacenze, TListTemplate::Giornale,
                                                       TListTemplate::Scaduti, TListTemplate::Resi};

// Replaces `report`'s template with the design of one list over `form`'s
// datasets.
void DesignListTemplate(report::TkvReport &report, app::Tselezioneform &form, TListTemplate which);

// Writes the four files into `folder` (made when missing); returns their
// paths. The printer named in the files is the layout printer, so the
// files are the same on every machine.
QStringList WriteListTemplates(app::Tselezioneform &form, const QString &folder);

}  // namespace tools
