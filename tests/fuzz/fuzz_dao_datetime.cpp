// Fuzz target for the date-time component's reading of free-form texts,
// in both the Italian and the English locale: any text gives values or an
// EConvertError, never a crash or a hang.
#include <cstddef>
#include <cstdint>

#include "dao/vudaodatetime.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  for (bool english : {false, true}) {
    rtl::FormatSettingsGuard locale(english ? rtl::EnglishFormatSettings() : rtl::ItalianFormatSettings());
    dao::TVuDaoDateTime dt;
    dt.SetAccessShorting(english);
    try {
      dt.SetDateTimeString(text);
      (void)dt.SQLField();
    } catch (const rtl::EConvertError &) {
    }
  }
  return 0;
}
