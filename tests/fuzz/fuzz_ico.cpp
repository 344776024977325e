// libFuzzer target: .ico directories, DIB and embedded PNG decoding, and the
// conversion of whatever decodes into the palette the helper writes.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

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
  // Up to 48 x 48 pixels: room for more than 256 colours, so libimagequant
  // is explored as well as the exact palette. Above 256 pixels it may take
  // tens of milliseconds under the sanitizers, so one input in 32 (by a hash
  // of its bytes) goes that far; the fuzzer keeps its pace.
  const std::size_t pixels = picture ? picture->pixels.size() / 4 : 0;
  const bool sampled = std::hash<std::string_view>{}({reinterpret_cast<const char*>(data), size}) % 32 == 0;
  if (picture && (pixels <= 256 || (pixels <= 48 * 48 && sampled))) {
    auto quantized = vantile::QuantizeRGBATo8Bit(*picture);
    // A picture that decoded always quantises, to one index per pixel.
    if (!quantized || quantized->picture.indices.size() != pixels) __builtin_trap();
    if (quantized->method == vantile::QuantizeMethod::Exact) {
      // Lossless where anything shows.
      const auto expanded = vantile::ExpandIndexed(quantized->picture);
      for (std::size_t i = 0; i < expanded.size(); i += 4) {
        const bool visible = picture->pixels[i + 3] != 0;
        for (std::size_t c = 0; c < 4 && visible; ++c) {
          if (expanded[i + c] != picture->pixels[i + c]) __builtin_trap();
        }
      }
    }
  }
  return 0;
}
