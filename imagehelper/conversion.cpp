#include "imagehelper/conversion.h"

#include <new>

#include "imagehelper/icon_convert.h"
#include "imagehelper/image_errors.h"
#include "imagehelper/png_codec.h"
#include "imagehelper/quantize.h"

namespace vantile {

std::optional<RgbaPicture> LoadIconPicture(const std::string& source, IconPlatform& icons,
                                           const IconLookupOptions& lookup, SaveOutcome& failure,
                                           std::string* detail) {
  try {
    std::optional<Icon> icon = ExtractAssociatedIcon(source, icons, lookup, detail);
    if (!icon) {
      failure = {kMsgNoImage, kTitleCanceled};
      return std::nullopt;
    }
    std::optional<RgbaPicture> picture = IconToRGBA(std::move(icon));
    if (!picture) failure = {kMsgConvertFailed, kTitleCanceled};
    return picture;
  } catch (const std::bad_alloc&) {
    failure = {kMsgNoMemory, kTitleCanceled};
    return std::nullopt;
  }
}

SaveOutcome WritePalettePng(const RgbaPicture& picture, const std::filesystem::path& path) {
  std::optional<QuantizeResult> quantized;
  try {
    quantized = QuantizeRGBATo8Bit(picture);
  } catch (const std::bad_alloc&) {
    return {kMsgNoMemory, kTitleCanceled};
  }
  if (!quantized) return {kMsgQuantizeFailed, kTitleCanceled};
  std::int32_t code = kImgNoError;
  auto destination = PngDestination::Open(path, code);
  if (!destination) return {ImageErrorText(code), kTitleOpenFileError};
  const bool written = destination->WritePng(quantized->picture, code);
  const bool closed = destination->Close(code);
  if (!written || !closed) return {kMsgWriteFailed, kTitleCanceled};
  return {};
}

}  // namespace vantile
