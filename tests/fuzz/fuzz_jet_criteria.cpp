// Feeds arbitrary text to the criteria and sort translators, the Like
// matcher, the text order and the conversion of parameter text: each either
// works or refuses with the engine's error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/jet/jetcollation.h"
#include "platform/jet/jetsql.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  static const std::vector<jet::ColumnInfo> fields = {{"Barcode18", jet::dbText, 18},
                                                      {"Data", jet::dbDate, 8},
                                                      {"Giacenza", jet::dbDouble, 8},
                                                      {"CD", jet::dbBoolean, 1},
                                                      {"Giornale.Tipo", jet::dbText, 1}};
  auto guarded = [](auto &&f) {
    try {
      f();
    } catch (const jet::EJetError &e) {
      if (e.Description().isEmpty()) std::abort();
    }
  };
  guarded([&] {
    std::vector<jet::SqlParameter> params;
    jet::TranslateCriteria(text, fields, size % 2 ? &params : nullptr);
  });
  guarded([&] { jet::TranslateSort(text, fields); });
  const qsizetype half = text.size() / 2;
  guarded([&] { jet::LikeMatch(text.left(half), text.mid(half)); });
  const int order = jet::CompareText(text.left(half), text.mid(half));
  if (order != -jet::CompareText(text.mid(half), text.left(half))) std::abort();
  // The collation SQLite calls sees the raw bytes, malformed UTF-8 included.
  const int cut = static_cast<int>(size / 2);
  const char *bytes = reinterpret_cast<const char *>(data);
  const int forward = jet::detail::CompareUtf8(bytes, cut, bytes + cut, static_cast<int>(size) - cut);
  const int backward = jet::detail::CompareUtf8(bytes + cut, static_cast<int>(size) - cut, bytes, cut);
  if ((forward > 0) != (backward < 0) || (forward == 0) != (backward == 0)) std::abort();
  for (int type : {jet::dbDate, jet::dbDouble, jet::dbLong, jet::dbBoolean, jet::dbCurrency, jet::dbByte})
    guarded([&] { jet::ConvertParameterValue(rtl::Variant(text), type); });
  return 0;
}
