// What the container files share, private to them: the pixel format an
// item's flags name (see qelcont.h).
#pragma once

#include <QString>
#include <cstdint>

#include "controls/styled/qelcont.h"

namespace qel::detail {

inline TQELSavePixelFormat PixelFormatFromFlags(std::uint8_t flags) {
  if (flags & ifMono) return spfMono;
  if (flags & if4bit) return spf4bit;
  if (flags & if8bit) return spf8bit;
  return spfDefault;
}

}  // namespace qel::detail
