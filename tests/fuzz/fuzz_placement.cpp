// Fuzz target for settings files read back by the form storage: the bytes
// are the settings file of a form whose placement, stored properties (a
// text, an enumeration, a font, a list of lines, a component reference)
// and scrambled stored value are restored from it. Damaged positions,
// counts, sets and references must end in values or refusals, never in a
// crash, a hang or a window too large to draw.
//
// Qt keeps its font caches until the process ends, so run it with
// ASAN_OPTIONS=detect_leaks=0.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "controls/extended/placemnt.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(*argc, *argv);
  vcl::InitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("settings.ini"));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    // Most inputs then land in the storage's own section.
    file.write("[Orbisca]\r\n");
    file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
  }

  auto form = std::make_unique<vcl::TForm>(nullptr);
  form->SetName(QStringLiteral("Maint"));
  form->SetBounds(10, 10, 300, 200);
  auto *edit = new vcl::TEdit(form.get());
  edit->SetName(QStringLiteral("Edit1"));
  edit->SetParent(form.get());
  auto *memo = new vcl::TMemo(form.get());
  memo->SetName(QStringLiteral("Memo1"));
  memo->SetParent(form.get());
  auto *label = new vcl::TLabel(form.get());
  label->SetName(QStringLiteral("Label1"));
  label->SetParent(form.get());

  auto *storage = new ext::TFormStorage(form.get());
  storage->SetIniFileName(path);
  storage->SetIniSection(QStringLiteral("Orbisca"));
  storage->SetOptions({ext::fpState, ext::fpPosition, ext::fpActiveControl});
  for (const char *line : {"Edit1.Text", "Edit1.CharCase", "Edit1.Font", "Memo1.Lines", "Label1.FocusControl"})
    storage->StoredProps()->Add(QString::fromLatin1(line));
  storage->ResolveStoredProps();
  ext::TStoredValue *value = storage->StoredValues()->Add();
  value->SetName(QStringLiteral("Password"));
  value->SetKeyString(QStringLiteral("k3y"));

  try {
    storage->RestorePlacementFromStorage();
  } catch (const rtl::Exception &) {
    // A refusal is a valid outcome.
  }
  QCoreApplication::processEvents();
  form.reset();
  QCoreApplication::processEvents();
  return 0;
}
