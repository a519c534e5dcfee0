// Feeds arbitrary bytes to the profile-file reader and then edits and
// rewrites the result: nothing may crash, hang or grow without bound, and
// what is written reads back the same.
#include <cstddef>
#include <cstdint>

#include "platform/rtl/classes.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace rtl;
  TMemoryStream in;
  in.WriteBuffer(data, static_cast<qint64>(size));
  in.SetPosition(0);
  TMemIniFile ini{QString()};
  ini.LoadFromStream(&in);

  TStringList sections, keys, values;
  ini.ReadSections(&sections);
  for (int i = 0; i < sections.Count() && i < 64; ++i) {
    ini.ReadSection(sections[i], &keys);
    ini.ReadSectionValues(sections[i], &values);
    for (int k = 0; k < keys.Count() && k < 64; ++k) {
      ini.ReadInteger(sections[i], keys[k], 0);
      ini.ReadFloat(sections[i], keys[k], 0);
      ini.ReadDateTime(sections[i], keys[k], 0);
      ini.ReadBool(sections[i], keys[k], false);
    }
  }
  try {
    const QString first = sections.Count() > 0 ? sections[0] : QStringLiteral("S");
    ini.WriteString(first, QStringLiteral("Nuova"), QStringLiteral("valore"));
    if (keys.Count() > 0) ini.DeleteKey(first, keys[0]);
    if (sections.Count() > 1) ini.EraseSection(sections[1]);
  } catch (const EIniFileException &) {
    // A section name read from garbage may be one that cannot be written.
  }

  // Whatever was read, writing it and reading it back is stable.
  TMemoryStream out;
  ini.SaveToStream(&out);
  out.SetPosition(0);
  TMemIniFile once{QString()};
  once.LoadFromStream(&out);
  TMemoryStream out2;
  once.SaveToStream(&out2);
  out2.SetPosition(0);
  TMemIniFile twice{QString()};
  twice.LoadFromStream(&out2);
  TStringList a, b;
  once.ReadSections(&a);
  twice.ReadSections(&b);
  if (!a.Equals(&b)) __builtin_trap();
  return 0;
}
