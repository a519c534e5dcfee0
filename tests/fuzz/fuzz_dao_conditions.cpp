// Fuzz target for the texts the table dialogs read back: stored filter
// condition lines (turned into a filter text), sort lines, and the
// schema-ini widths the text export reads. Any input gives a result or an
// EConvertError, never a crash or a hang.
#include <cstddef>
#include <cstdint>

#include "dao/vudaodlgs.h"
#include "platform/rtl/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  const QStringList lines = text.split(QLatin1Char('\n'));
  std::vector<dao::FilterRow> rows;
  for (const QString &line : lines) rows.push_back(dao::ParseConditionLine(line));
  const auto type_of = [](const QString &name) {
    static const vcl::TFieldType kinds[] = {vcl::ftString, vcl::ftFloat, vcl::ftDateTime, vcl::ftBoolean, vcl::ftTime};
    return kinds[static_cast<size_t>(name.size()) % 5];
  };
  try {
    QStringList out;
    (void)dao::BuildFilterText(rows, type_of, &out);
  } catch (const rtl::EConvertError &) {
  }
  (void)dao::SortLines(dao::ParseSortLines(lines), true);
  return 0;
}
