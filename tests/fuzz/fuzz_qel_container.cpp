// Feeds arbitrary bytes to the styled containers' readers: the first byte
// picks the reader (a container stream of each kind with and without its
// position table, a single item record, a chunked compressed stream, a raw
// compressed block, a container file). Damaged data must end in an
// exception, never in a crash, a hang or a huge allocation.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "controls/styled/qelcont.h"
#include "controls/styled/qelstrm.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace qel;
  if (size < 1) return 0;
  rtl::TMemoryStream s;
  s.WriteBuffer(data + 1, static_cast<qint64>(size - 1));
  s.SetPosition(0);
  const bool with_index = data[0] & 0x10;
  try {
    switch (data[0] % 8) {
      case 0: {
        TQELBitmapList list(nullptr);
        list.LoadFromStream(&s, with_index);
        rtl::TMemoryStream out;
        list.SaveToStream(&out, with_index);
        break;
      }
      case 1: {
        TQELImageList list(nullptr);
        list.LoadFromStream(&s, with_index);
        vcl::TBitmap target(8, 8);
        for (int i = 0; i < list.Count(); ++i) list.Draw(target.Canvas(), 0, 0, i, 0);
        break;
      }
      case 2: {
        TQELStringList list(nullptr);
        list.LoadFromStream(&s, with_index);
        break;
      }
      case 3: {
        TQELWaveList list(nullptr);
        list.LoadFromStream(&s, with_index);
        break;
      }
      case 4: {
        TQELImageListItem item(nullptr);
        item.ReadFromStream(&s);
        break;
      }
      case 5: {
        rtl::TMemoryStream out;
        DecompressStream(&s, &out);
        break;
      }
      case 6: {
        std::vector<std::uint8_t> out(kLZRWMaxOutput);
        LZRWDecompress(data + 1, out.data(), int(std::min<std::size_t>(size - 1, kLZRWMaxBlock)), kLZRWMaxOutput);
        break;
      }
      default: {
        static QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("fuzz.bml"));
        s.SaveToFile(name);
        int count = 0;
        std::vector<std::int32_t> offsets;
        const int kind = ReadContainerHeader(name, count, &offsets);
        if (kind == ckBitmapList && count > 0) {
          TQELBitmapListItem item(nullptr);
          LoadItemFromFile(name, kind, &offsets, &item, count - 1);
        }
        break;
      }
    }
  } catch (const rtl::Exception &) {
  }
  return 0;
}
