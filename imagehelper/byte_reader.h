// Bounds-checked little-endian reads from a byte span. Offsets are 64-bit so
// that offset + size sums taken from a file can never wrap.
#pragma once

#include <cstdint>
#include <span>

namespace vantile {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

  bool Has(std::uint64_t offset, std::uint64_t size) const {
    return offset <= data_.size() && size <= data_.size() - offset;
  }
  bool U8(std::uint64_t offset, std::uint8_t& out) const {
    if (!Has(offset, 1)) return false;
    out = data_[offset];
    return true;
  }
  bool U16(std::uint64_t offset, std::uint16_t& out) const {
    if (!Has(offset, 2)) return false;
    out = static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
    return true;
  }
  bool U32(std::uint64_t offset, std::uint32_t& out) const {
    if (!Has(offset, 4)) return false;
    out = static_cast<std::uint32_t>(data_[offset]) | (static_cast<std::uint32_t>(data_[offset + 1]) << 8) |
          (static_cast<std::uint32_t>(data_[offset + 2]) << 16) |
          (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
    return true;
  }
  bool I32(std::uint64_t offset, std::int32_t& out) const {
    std::uint32_t v = 0;
    if (!U32(offset, v)) return false;
    out = static_cast<std::int32_t>(v);
    return true;
  }
  std::span<const std::uint8_t> Slice(std::uint64_t offset, std::uint64_t size) const {
    return Has(offset, size) ? data_.subspan(offset, size) : std::span<const std::uint8_t>();
  }
  std::uint64_t size() const { return data_.size(); }

 private:
  std::span<const std::uint8_t> data_;
};

}  // namespace vantile
