#include "imagehelper/png_codec.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "common/file_util.h"
#include "imagehelper/image_errors.h"

namespace vantile {

namespace {

// Far more than a compressed kMaxIconSide square needs.
constexpr std::size_t kMaxPngBytes = 32u << 20;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

struct PngImageFree {
  void operator()(png_image* image) const { png_image_free(image); }
};

// libpng's write side reports errors by longjmp; this state lives in memory
// (not registers) across the jump.
struct WriteState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteState() {
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
  }
};

void SilentWarning(png_structp, png_const_charp) {}

// Reading from memory, with libpng's errors caught the same way. The
// pixels are taken as stored, as the desktop's own image loader takes them:
// no gamma or colour-space conversion (a gAMA chunk or 16-bit samples would
// otherwise come out lighter than the same PNG reached through the icon
// theme), 16-bit samples cut to their high byte.
struct ReadState {
  struct Source {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t at = 0;
  } source;
  png_structp png = nullptr;
  png_infop info = nullptr;
  char message[128] = "";
  ~ReadState() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

void ReadError(png_structp png, png_const_charp message) {
  auto* state = static_cast<ReadState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message);
  png_longjmp(png, 1);
}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t size) {
  auto* source = static_cast<ReadState::Source*>(png_get_io_ptr(png));
  if (size > source->size - source->at) png_error(png, "truncated");
  std::memcpy(out, source->data + source->at, size);
  source->at += size;
}

bool ReadHeader(ReadState& state, png_uint_32& width, png_uint_32& height) {
  if (setjmp(png_jmpbuf(state.png))) return false;
  png_set_read_fn(state.png, &state.source, ReadFromMemory);
  // Refused before any row is allocated; the rows are ours, sized below.
  png_set_user_limits(state.png, kMaxIconSide, kMaxIconSide);
  png_read_info(state.png, state.info);
  width = png_get_image_width(state.png, state.info);
  height = png_get_image_height(state.png, state.info);
  const int colour = png_get_color_type(state.png, state.info);
  png_set_strip_16(state.png);
  png_set_expand(state.png);  // palette and low-depth grey to 8 bits, tRNS to alpha
  if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(state.png);
  png_set_add_alpha(state.png, 0xff, PNG_FILLER_AFTER);  // no effect when alpha is there
  png_set_interlace_handling(state.png);
  png_read_update_info(state.png, state.info);
  if (png_get_rowbytes(state.png, state.info) != static_cast<png_size_t>(width) * 4) {
    png_error(state.png, "unexpected row layout");
  }
  return true;
}

bool ReadRows(ReadState& state, png_bytepp rows) {
  if (setjmp(png_jmpbuf(state.png))) return false;
  png_read_image(state.png, rows);
  return true;
}

void ErrorJump(png_structp png, png_const_charp) { png_longjmp(png, 1); }

bool WriteRows(WriteState& state, std::FILE* file, const IndexedPicture& picture) {
  if (setjmp(png_jmpbuf(state.png))) return false;
  png_init_io(state.png, file);
  png_set_IHDR(state.png, state.info, static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_PALETTE,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color colours[256];
  png_byte alpha[256];
  for (int i = 0; i < 256; ++i) {
    colours[i] = {picture.palette[i].r, picture.palette[i].g, picture.palette[i].b};
    alpha[i] = picture.palette[i].a;
  }
  png_set_PLTE(state.png, state.info, colours, 256);
  png_set_tRNS(state.png, state.info, alpha, 256, nullptr);
  // Palette pictures compress best unfiltered.
  png_set_filter(state.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(state.png, 9);
  png_write_info(state.png, state.info);
  for (std::int32_t y = 0; y < picture.height; ++y) {
    png_write_row(state.png, picture.indices.data() + static_cast<std::size_t>(y) * picture.width);
  }
  png_write_end(state.png, state.info);
  return true;
}

}  // namespace

bool LooksLikePng(std::span<const std::uint8_t> data) {
  return data.size() >= 8 && std::memcmp(data.data(), kPngSignature, 8) == 0;
}

std::optional<Bitmap> DecodePng(std::span<const std::uint8_t> data, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<Bitmap> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (!LooksLikePng(data)) return fail("PNG: missing signature");
  if (data.size() > kMaxPngBytes) return fail("PNG: " + std::to_string(data.size()) + " bytes");
  // libpng allocates each chunk's buffer from the length the chunk claims
  // before reading it; a chunk that claims more than the data holds is
  // refused here so a few bytes cannot ask for gigabytes.
  for (std::size_t at = 8; at < data.size();) {
    if (data.size() - at < 12) return fail("PNG: truncated chunk header at " + std::to_string(at));
    const std::uint32_t length = (std::uint32_t{data[at]} << 24) | (std::uint32_t{data[at + 1]} << 16) |
                                 (std::uint32_t{data[at + 2]} << 8) | data[at + 3];
    if (length > data.size() - at - 12) {
      return fail("PNG: chunk at " + std::to_string(at) + " claims " + std::to_string(length) + " bytes");
    }
    if (std::memcmp(data.data() + at + 4, "IEND", 4) == 0) break;
    at += 12 + static_cast<std::size_t>(length);
  }
  ReadState state;
  state.source = {data.data(), data.size(), 0};
  state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, ReadError, SilentWarning);
  if (state.png) state.info = png_create_info_struct(state.png);
  if (!state.png || !state.info) return fail("PNG: out of memory");
  png_uint_32 width = 0, height = 0;
  if (!ReadHeader(state, width, height)) return fail(std::string("PNG header: ") + state.message);
  if (width == 0 || height == 0 || width > kMaxIconSide || height > kMaxIconSide) {
    return fail("PNG: " + std::to_string(width) + " x " + std::to_string(height) + " is outside 1.." +
                std::to_string(kMaxIconSide));
  }
  Bitmap bitmap(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
  std::vector<png_bytep> rows(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = bitmap.pixels.data() + static_cast<std::size_t>(y) * width * 4;
  if (!ReadRows(state, rows.data())) return fail(std::string("PNG data: ") + state.message);
  return bitmap;
}

void PngDestination::FileCloser::operator()(std::FILE* file) const { std::fclose(file); }

PngDestination::PngDestination(std::filesystem::path target, std::filesystem::path temp,
                               std::FILE* file)
    : target_(std::move(target)), temp_(std::move(temp)), file_(file) {}

PngDestination::PngDestination(PngDestination&& other) noexcept
    : target_(std::move(other.target_)),
      temp_(std::move(other.temp_)),
      file_(std::move(other.file_)),
      written_(other.written_) {
  other.temp_.clear();
}

PngDestination& PngDestination::operator=(PngDestination&& other) noexcept {
  if (this != &other) {
    Discard();
    target_ = std::move(other.target_);
    temp_ = std::move(other.temp_);
    file_ = std::move(other.file_);
    written_ = other.written_;
    other.temp_.clear();
  }
  return *this;
}

PngDestination::~PngDestination() { Discard(); }

void PngDestination::Discard() {
  file_.reset();
  if (!temp_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(temp_, ignored);
    temp_.clear();
  }
}

std::optional<PngDestination> PngDestination::Open(const std::filesystem::path& path,
                                                   std::int32_t& error_code) {
  error_code = kImgFileOpen;
  if (path.empty() || path.filename().empty()) return std::nullopt;
  // A destination that exists but cannot be replaced by this user (a
  // read-only file) fails here, as opening it for writing would.
  // (A file without write permission bits counts as read-only even for root.)
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec) || !IsWritableByUser(path)) return std::nullopt;
  std::string temp = path.string() + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return std::nullopt;
  // mkstemp makes the file private; a saved picture gets the usual mode.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) {
    ::close(fd);
    ::unlink(temp.c_str());
    return std::nullopt;
  }
  error_code = kImgNoError;
  return PngDestination(path, temp, file);
}

bool PngDestination::WritePng(const IndexedPicture& picture, std::int32_t& error_code) {
  if (!file_ || picture.width <= 0 || picture.height <= 0 ||
      picture.indices.size() != static_cast<std::size_t>(picture.width) * picture.height) {
    error_code = kImgBadParam;
    return false;
  }
  WriteState state;
  state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorJump, SilentWarning);
  if (state.png) state.info = png_create_info_struct(state.png);
  if (!state.png || !state.info) {
    error_code = kImgOutOfMemory;
    return false;
  }
  if (!WriteRows(state, file_.get(), picture) || std::ferror(file_.get())) {
    error_code = kImgFileWrite;
    return false;
  }
  written_ = true;
  error_code = kImgNoError;
  return true;
}

bool PngDestination::Close(std::int32_t& error_code) {
  error_code = kImgFileWrite;
  if (!file_ || !written_) {
    Discard();
    return false;
  }
  // No fsync: the rename already keeps a failed write from showing under
  // the chosen name, and a batch of hundreds of icons should not wait on
  // the disk for each one.
  bool ok = std::fflush(file_.get()) == 0;
  ok = (std::fclose(file_.release()) == 0) && ok;
  if (!ok || ::rename(temp_.c_str(), target_.c_str()) != 0) {
    Discard();
    return false;
  }
  temp_.clear();
  error_code = kImgNoError;
  return true;
}

}  // namespace vantile
