// Fuzz target for the run-time's text parsers and format interpreters: the
// number, date and time readers and the format strings of FormatFloat,
// FormatDateTime and Format. Report templates carry user-written format
// texts, so any of them must end in a text or an EConvertError.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/rtl/sysutils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 9) return 0;
  double number;
  std::memcpy(&number, data, sizeof number);
  const std::uint8_t selector = data[8];
  const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 9), static_cast<int>(size - 9));
  rtl::FormatSettingsGuard guard;
  if (selector & 0x80) rtl::FormatSettings() = rtl::EnglishFormatSettings();
  try {
    switch (selector & 0x7) {
      case 0: {
        double d;
        rtl::TryStrToFloat(text, d);
        std::int64_t i;
        rtl::TryStrToInt64(text, i);
        bool b;
        rtl::TryStrToBool(text, b);
        break;
      }
      case 1: {
        rtl::TDateTime dt;
        rtl::TryStrToDate(text, dt);
        rtl::TryStrToTime(text, dt);
        rtl::TryStrToDateTime(text, dt);
        break;
      }
      case 2:
        rtl::FormatFloat(text, number);
        break;
      case 3:
        rtl::FormatDateTime(text, number);
        break;
      case 4:
        rtl::Format(text, {1, number, "abc", rtl::Variant::FromCurrency(12.5), 3LL});
        break;
      case 5:
        for (int f = 0; f <= 4; ++f)
          rtl::FloatToStrF(number, static_cast<rtl::TFloatFormat>(f), selector >> 3, selector & 0x1F);
        break;
      case 6:
        rtl::Variant(text).AsDateTime();
        break;
      default:
        rtl::Variant::Compare(rtl::Variant(text), rtl::Variant(number));
        break;
    }
  } catch (const rtl::Exception &) {
    // A clear error is the expected outcome for bad input.
  }
  return 0;
}
