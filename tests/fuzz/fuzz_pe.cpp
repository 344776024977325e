// libFuzzer target: the PE resource walker and icon decoding behind it.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imagehelper/icon_convert.h"
#include "imagehelper/icon_directory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  auto picture = vantile::IconToRGBA(vantile::ReadPeIcon(bytes));
  if (picture && picture->pixels.size() != static_cast<std::size_t>(picture->width) * picture->height * 4) {
    __builtin_trap();
  }
  return 0;
}
