// The helper's conversion, in one place for the window and the command line:
// a file's icon read into the RGBA picture the helper keeps, and a picture
// written as an 8-bit palette PNG whose palette carries alpha. Both callers
// go through here, so Save and `SOURCE OUTPUT.png` produce the same file and
// the same messages.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "imagehelper/icon_image.h"
#include "imagehelper/icon_source.h"

namespace vantile {

// The messages of loading and saving.
inline constexpr const char* kTitleCanceled = "Action Canceled";
inline constexpr const char* kTitleOpenFileError = "Open File Error";
inline constexpr const char* kMsgNoImage = "Unable to read an image from the selected file.";
inline constexpr const char* kMsgConvertFailed =
    "There was an error trying to convert the\r\nprogram icon into a 32-bit image.";
inline constexpr const char* kMsgNoMemory = "Memory allocation error.";
inline constexpr const char* kMsgQuantizeFailed =
    "Unable to convert the image into an 8-bit with Alpha transparency.";
inline constexpr const char* kMsgWriteFailed = "There was an error writing the PNG file.";

// The outcome of a step: empty `message` on success, else the message and
// title to show.
struct SaveOutcome {
  std::string message;
  std::string title;
  bool ok() const { return message.empty(); }
};

// The picture of `source`'s icon (see ExtractAssociatedIcon and IconToRGBA).
// nullopt with the reason in `failure` when there is none; `detail` gets
// the reader's own explanation when it has one.
std::optional<RgbaPicture> LoadIconPicture(const std::string& source, IconPlatform& icons,
                                           const IconLookupOptions& lookup, SaveOutcome& failure,
                                           std::string* detail = nullptr);

// Quantises and writes `picture` to `path`.
SaveOutcome WritePalettePng(const RgbaPicture& picture, const std::filesystem::path& path);

}  // namespace vantile
