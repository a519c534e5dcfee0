// Fuzz target for the texts the database components read from outside:
// SQL with ":name" parameters, GUID texts, typed date keys, row value texts
// and boolean texts. Any input must give a result or a clear exception.
#include <cstddef>
#include <cstdint>

#include "dao/daotext.h"
#include "platform/rtl/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  try {
    std::vector<dao::SqlParameter> params = {{QStringLiteral("p"), dao::ValueKind::Text, rtl::Variant::Null()},
                                             {QStringLiteral("d"), dao::ValueKind::Date, rtl::Variant::FromDate(38352)},
                                             {QStringLiteral("s"), dao::ValueKind::Text, rtl::Variant(text.left(16))}};
    (void)dao::SubstituteParams(text, params);
    (void)dao::GuidBytes(text);
    (void)dao::NormalizeDateText(text, true);
    (void)dao::KeyDateTime(rtl::Variant(text));
    (void)dao::TimeStampTextToDateTime(text);
    (void)dao::BooleanTextValue(text);
    (void)dao::BracketName(text);
    (void)dao::ParseMasterFields(text.split(QLatin1Char('\n')));
    for (dao::ValueKind kind : {dao::ValueKind::Text, dao::ValueKind::Number, dao::ValueKind::Date,
                                dao::ValueKind::DateTime, dao::ValueKind::Guid, dao::ValueKind::Boolean}) {
      try {
        (void)dao::LookupTerm(QStringLiteral("F"), kind, rtl::Variant(text), {true, true}, true);
      } catch (const rtl::Exception &) {
      }
    }
  } catch (const rtl::Exception &) {
  }
  return 0;
}
