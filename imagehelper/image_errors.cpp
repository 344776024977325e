#include "imagehelper/image_errors.h"

#include <array>

namespace vantile {

namespace {

// Index = code; nullptr marks the codes the table leaves reserved.
constexpr std::array<const char*, 56> kTexts = {
    "No Error",
    "Out of memory.",
    "Error on file open.",
    "Error on file read.",
    "Error on file write.",
    "Bad user param.",
    "Bad BMP file.",
    "Some RLE variations are not supported.",
    nullptr,
    "Bad JPG file.",
    "Error with device context.",
    "Problem with a GetDIBits call.",
    nullptr,
    "Resource not found.",
    "Callback returned FALSE - operation aborted.",
    "Bad PNG file.",
    "Internal PNG lib behavior.",
    "Misc unexpected behavior error.",
    "Trouble creating a font object.",
    "Misc internal TIFF error.",
    "Invalid TIFF file.",
    "This will not read TIFF-LZW images.",
    "Invalid PCX image.",
    "A call to the fn CreateCompatibleBitmap failed.",
    "End of an image while using single-line de/compression.",
    "Error during a call to GetDIBits.",
    "Device does not support an operation required by this function.",
    "Invalid windows metafile.",
    "The file was not of the requested bit-depth.",
    "A call to BitBlt failed.",
    "Output buffer is too small for this operation.",
    "Not enough room in the output palette to store the colors from this image.",
    "Invalid TGA File.",
    "No TGA Thumbnail in the file.",
    nullptr,
    "A call to the fn CreateDIBitmap failed.",
    "LZW de/compression is not permitted.",
    "A call to SelectObject has failed (DC does not support this operation?)",
    "The HISSRC or HISDEST object passed into the function does appear to be valid.",
    "The function is obsolete.",
    "A call to CreateDIBSection failed.",
    "A call to SetWinMetaFileBits failed (95/98 only).",
    "A call to GetEnhMetaFileBits or GetWinMetaFileBits failed.",
    "Apparently invalid PAX password.",
    "Invalid PAX file.",
    "This function is not supported in this build (see DLL build options).",
    "Invalid PSD (Photoshop) file.",
    "This Photoshop sub-format is not supported.",
    "Decryption error - possible bad password for encrypted files.",
    "Encryption failed.",
    "Compression failed.",
    "Decompression error - possible bad password for encrypted files.",
    "Invalid TLA file. may indicate incorrect password.",
    "Invalid or unsupported WBMP (Wireless Bitmap) image.",
    "ImgSource does not support reading this TIFF tag.",
    "ImgSource was not able to allocate thread-local storage. this is a severe low-memory condition.",
};

}  // namespace

std::string ImageErrorText(std::int32_t code) {
  if (code < 0 || code >= static_cast<std::int32_t>(kTexts.size())) return "";
  const char* text = kTexts[static_cast<std::size_t>(code)];
  return text ? text : "Reserved value.";
}

}  // namespace vantile
