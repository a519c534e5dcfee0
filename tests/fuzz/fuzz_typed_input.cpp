// Fuzz target for what users type into the extended and masked edits and
// what settings files hand back: typed dates under any format, unscrambled
// stored values, edit masks with their text, and shortcut texts. Each must
// end in a value or a refusal, never a crash or a hang.
#include <QString>
#include <cstddef>
#include <cstdint>

#include "controls/extended/utils.h"
#include "platform/vcl/mask.h"
#include "platform/vcl/menus.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t selector = data[0];
  const QString all = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), static_cast<int>(size - 1));
  // The first line is the format, key or mask; the rest the text.
  const qsizetype cut = all.indexOf(u'\n');
  const QString head = cut < 0 ? all : all.left(cut);
  const QString text = cut < 0 ? QString() : all.mid(cut + 1);
  try {
    switch (selector & 3) {
      case 0: {
        rtl::TDateTime d = 0;
        ext::ParseDateWithFormat(head, text, d);
        ext::ParseDateOr(head, text, 0);
        break;
      }
      case 1:
        ext::UnscrambleText(head, ext::ScrambleText(head, text));
        ext::UnscrambleText(head, text);
        break;
      case 2: {
        const vcl::TEditMask mask(head);
        const QString edit = mask.EditFromText(text);
        mask.TextFromEdit(edit);
        mask.TextFromEdit(text);
        mask.IsComplete(text);
        for (int i = -1; i <= mask.Length(); ++i) {
          mask.NextInput(i);
          mask.PrevInput(i);
        }
        break;
      }
      default:
        vcl::ShortCutToText(vcl::TextToShortCut(text));
        vcl::StripHotkey(text);
        break;
    }
  } catch (const rtl::Exception &) {
  }
  return 0;
}
