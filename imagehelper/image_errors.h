// Error codes of the imaging layer and their texts. The numbers and texts are
// those of the imaging library the helper's messages were written for, so a
// failure reads the same to the user whichever code produced it.
#pragma once

#include <cstdint>
#include <string>

namespace vantile {

inline constexpr std::int32_t kImgNoError = 0;
inline constexpr std::int32_t kImgOutOfMemory = 1;
inline constexpr std::int32_t kImgFileOpen = 2;
inline constexpr std::int32_t kImgFileRead = 3;
inline constexpr std::int32_t kImgFileWrite = 4;
inline constexpr std::int32_t kImgBadParam = 5;
inline constexpr std::int32_t kImgBadPng = 15;
inline constexpr std::int32_t kImgPngInternal = 16;

// The text for a code: codes 0 to 55 have a text ("Reserved value." where
// the table has no row); any other code gives "".
std::string ImageErrorText(std::int32_t code);

}  // namespace vantile
