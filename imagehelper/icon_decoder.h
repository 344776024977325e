// Decoding one icon image as stored in an .ico file or an RT_ICON resource:
// a DIB (BITMAPINFOHEADER, colour rows, then the AND mask) or an embedded
// PNG. Every size and offset is checked against the data before use.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "imagehelper/icon_image.h"

namespace vantile {

// The icon in the form the shell hands over: a colour icon, or for a 1-bit
// black-and-white DIB a monochrome icon (mask over colour). nullopt, with the
// reason in `error` when given, for data that is not a valid icon image.
std::optional<Icon> DecodeIconImage(std::span<const std::uint8_t> data, std::string* error = nullptr);

}  // namespace vantile
