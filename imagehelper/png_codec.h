// PNG reading (icons embedded as PNG, themed icons) and writing (the
// helper's 8-bit palette output), both through libpng.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "imagehelper/icon_image.h"

namespace vantile {

// Decodes a PNG held in memory to RGBA. Images wider or taller than
// kMaxIconSide are refused before their pixels are allocated. nullopt (with
// the reason in `error` when given) for anything libpng rejects.
std::optional<Bitmap> DecodePng(std::span<const std::uint8_t> data, std::string* error = nullptr);

bool LooksLikePng(std::span<const std::uint8_t> data);

struct PaletteEntry {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const PaletteEntry&) const = default;
};

// A picture of palette indices, one byte per pixel, rows top first, with the
// full 256-entry palette the indices refer to.
struct IndexedPicture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> indices;
  std::array<PaletteEntry, 256> palette{};
};

// A PNG file being written. Open creates a new file beside the destination,
// Write fills it, and Close puts it in place of the destination by renaming,
// so a failure never leaves a half-written PNG under the chosen name.
class PngDestination {
 public:
  PngDestination(PngDestination&&) noexcept;
  PngDestination& operator=(PngDestination&&) noexcept;
  ~PngDestination();  // discards the new file unless Close succeeded

  // nullopt with `error_code` kImgFileOpen when the file cannot be created.
  static std::optional<PngDestination> Open(const std::filesystem::path& path,
                                            std::int32_t& error_code);

  // Writes colour type 3, bit depth 8, a PLTE of all 256 entries and a tRNS
  // carrying every entry's alpha. False with kImgFileWrite (or
  // kImgPngInternal) in `error_code` on failure.
  bool WritePng(const IndexedPicture& picture, std::int32_t& error_code);

  // Flushes and renames into place. False with `error_code` on failure (the
  // new file is then removed).
  bool Close(std::int32_t& error_code);

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const;
  };
  PngDestination(std::filesystem::path target, std::filesystem::path temp, std::FILE* file);
  void Discard();

  std::filesystem::path target_;
  std::filesystem::path temp_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  bool written_ = false;
};

}  // namespace vantile
