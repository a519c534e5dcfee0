// Reads arbitrary bytes with the stream primitives, the first byte of each
// step choosing which: a short or truncated input, or a counted string with
// an absurd length, must end in EReadError, never in a crash or a huge
// allocation. String lists loaded from the same bytes must survive too.
#include <cstddef>
#include <cstdint>

#include "platform/rtl/classes.h"
#include "platform/rtl/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace rtl;
  TMemoryStream s;
  s.WriteBuffer(data, static_cast<qint64>(size));
  s.SetPosition(0);
  try {
    for (int step = 0; step < 4096 && s.Remaining() > 0; ++step) {
      switch (s.ReadUInt8() % 12) {
        case 0:
          s.ReadInt8();
          break;
        case 1:
          s.ReadInt16();
          break;
        case 2:
          s.ReadUInt32();
          break;
        case 3:
          s.ReadInt64();
          break;
        case 4:
          s.ReadDouble();
          break;
        case 5:
          s.ReadSingle();
          break;
        case 6:
          s.ReadBool();
          break;
        case 7:
          s.ReadShortString();
          break;
        case 8:
          s.ReadCountedString();
          break;
        case 9:
          s.ReadBytes(s.ReadInt32());
          break;
        case 10:
          s.Seek(s.ReadInt8(), soCurrent);
          break;
        case 11: {
          TMemoryStream copy;
          copy.CopyFrom(&s, s.ReadUInt8());
          break;
        }
      }
    }
  } catch (const EReadError &) {
  }

  s.SetPosition(0);
  TStringList list;
  list.LoadFromStream(&s);
  TStringList parsed;
  parsed.SetCommaText(list.Text());
  parsed.SetSorted(true);
  TStringList back;
  back.SetCommaText(parsed.CommaText());
  if (back.Count() != parsed.Count()) __builtin_trap();
  return 0;
}
