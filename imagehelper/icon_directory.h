// Finding the icon image to use in an .ico file or in the resources of a
// Windows program or library (PE file). Both keep a directory of images
// of several sizes and depths; the one shown is 32 x 32 where it exists,
// else the size nearest to it, the deepest colour first.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imagehelper/icon_decoder.h"
#include "imagehelper/icon_image.h"

namespace vantile {

// The size the helper asks for, like the shell's large icon.
inline constexpr int kPreferredIconSize = 32;

struct IconDirEntry {
  int width = 0;   // 0 in the file means 256
  int height = 0;
  int bit_count = 0;
  std::uint32_t bytes = 0;
  std::uint32_t locator = 0;  // file offset (.ico) or RT_ICON id (PE)
};

// Indexes of `entries` from most to least wanted: distance from 32 x 32
// first, then the deepest colour, then directory order.
std::vector<std::size_t> RankIconEntries(const std::vector<IconDirEntry>& entries);

// How one image of a directory is decoded (DecodeIconImage; tests count).
using IconImageDecoder = std::optional<Icon> (*)(std::span<const std::uint8_t> data, std::string* error);

// The icon of an .ico file. nullopt, with the reason in `error`, when the
// file is not an icon file or none of its images decodes. Entries that name
// the same image cost one decode, however many there are.
std::optional<Icon> ReadIcoFile(std::span<const std::uint8_t> data, std::string* error = nullptr,
                                IconImageDecoder decode = DecodeIconImage);

// The first group icon of a PE file. nullopt, with the reason in `error`,
// when the file is not a PE file, has no icon, or the icon does not decode.
std::optional<Icon> ReadPeIcon(std::span<const std::uint8_t> data, std::string* error = nullptr,
                               IconImageDecoder decode = DecodeIconImage);

bool LooksLikePe(std::span<const std::uint8_t> data);
bool LooksLikeIco(std::span<const std::uint8_t> data);

}  // namespace vantile
