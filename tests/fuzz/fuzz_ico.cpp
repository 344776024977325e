// libFuzzer target: .ico directories, DIB and embedded PNG decoding, and the
// conversion of whatever decodes into the palette the helper writes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imagehelper/icon_convert.h"
#include "imagehelper/icon_decoder.h"
#include "imagehelper/icon_directory.h"
#include "imagehelper/quantize.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  auto picture = vantile::IconToRGBA(vantile::ReadIcoFile(bytes));
  // The same bytes as a bare icon image (what an RT_ICON resource holds).
  auto single = vantile::IconToRGBA(vantile::DecodeIconImage(bytes));
  for (const auto* p : {&picture, &single}) {
    if (*p && (*p)->pixels.size() != static_cast<std::size_t>((*p)->width) * (*p)->height * 4) __builtin_trap();
  }
  // Quantising is cheap for icon sizes; keep large inputs fast to fuzz.
  if (picture && picture->width * picture->height <= 16 * 16) {
    auto indexed = vantile::QuantizeRGBATo8Bit(*picture);
    if (!indexed) __builtin_trap();
  }
  return 0;
}
