#include "imagehelper/icon_directory.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>

#include "imagehelper/byte_reader.h"

namespace vantile {

namespace {

constexpr std::uint32_t kRtIcon = 3;
constexpr std::uint32_t kRtGroupIcon = 14;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;
// More images than this in one directory is not an icon anyone made; the
// cap keeps the decoding work per file small.
constexpr std::size_t kMaxDirectoryEntries = 512;

template <typename T>
std::optional<T> Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return std::nullopt;
}

int EntryBits(int bit_count, int colour_count) {
  if (bit_count) return bit_count;
  if (colour_count == 0) return 8;  // "256 or more" colours
  int bits = 1;
  while ((1 << bits) < colour_count && bits < 8) ++bits;
  return bits;
}

// Tries the ranked entries in turn, so one damaged image does not hide the
// good ones beside it. Entries whose data starts at the same place are one
// image, however many times (or with whatever sizes) the directory names it:
// it is decoded once, over the longest extent any of them gives it. A file
// of 512 entries naming one large broken PNG would otherwise decode it 512
// times.
std::optional<Icon> DecodeBest(const std::vector<IconDirEntry>& entries,
                               const std::function<std::span<const std::uint8_t>(const IconDirEntry&)>& bytes_of,
                               IconImageDecoder decode, std::string* error) {
  std::vector<std::span<const std::uint8_t>> spans;
  std::map<const std::uint8_t*, std::size_t> extent;
  for (const IconDirEntry& entry : entries) {
    spans.push_back(bytes_of(entry));
    if (!spans.back().empty()) extent[spans.back().data()] = std::max(extent[spans.back().data()], spans.back().size());
  }
  std::set<const std::uint8_t*> tried;
  std::string last = "no usable image";
  for (std::size_t index : RankIconEntries(entries)) {
    const std::uint8_t* start = spans[index].data();
    if (spans[index].empty()) {
      last = "image " + std::to_string(index) + ": data outside the file";
      continue;
    }
    if (!tried.insert(start).second) continue;
    std::string why;
    if (auto icon = decode({start, extent[start]}, &why)) return icon;
    last = "image " + std::to_string(index) + ": " + why;
  }
  return Fail<Icon>(error, last);
}

}  // namespace

std::vector<std::size_t> RankIconEntries(const std::vector<IconDirEntry>& entries) {
  std::vector<std::size_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  auto distance = [](const IconDirEntry& e) {
    int w = e.width ? e.width : 256;
    int h = e.height ? e.height : 256;
    return std::abs(w - kPreferredIconSize) + std::abs(h - kPreferredIconSize);
  };
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    int da = distance(entries[a]), db = distance(entries[b]);
    if (da != db) return da < db;
    return entries[a].bit_count > entries[b].bit_count;
  });
  return order;
}

bool LooksLikeIco(std::span<const std::uint8_t> data) {
  ByteReader in(data);
  std::uint16_t reserved = 1, type = 0, count = 0;
  return in.U16(0, reserved) && in.U16(2, type) && in.U16(4, count) && reserved == 0 && type == 1 &&
         count > 0;
}

bool LooksLikePe(std::span<const std::uint8_t> data) {
  return data.size() >= 2 && data[0] == 'M' && data[1] == 'Z';
}

std::optional<Icon> ReadIcoFile(std::span<const std::uint8_t> data, std::string* error, IconImageDecoder decode) {
  ByteReader in(data);
  if (!LooksLikeIco(data)) return Fail<Icon>(error, "ICO: no icon directory header");
  std::uint16_t count = 0;
  in.U16(4, count);
  if (count > kMaxDirectoryEntries) return Fail<Icon>(error, "ICO: " + std::to_string(count) + " entries");
  if (!in.Has(6, static_cast<std::uint64_t>(count) * 16)) {
    return Fail<Icon>(error, "ICO: directory of " + std::to_string(count) + " entries is truncated");
  }
  std::vector<IconDirEntry> entries;
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::uint64_t at = 6 + static_cast<std::uint64_t>(i) * 16;
    std::uint8_t w = 0, h = 0, colours = 0;
    std::uint16_t bits = 0;
    IconDirEntry e;
    in.U8(at, w);
    in.U8(at + 1, h);
    in.U8(at + 2, colours);
    in.U16(at + 6, bits);
    in.U32(at + 8, e.bytes);
    in.U32(at + 12, e.locator);
    e.width = w ? w : 256;
    e.height = h ? h : 256;
    e.bit_count = EntryBits(bits, colours);
    entries.push_back(e);
  }
  return DecodeBest(
      entries, [&](const IconDirEntry& e) { return in.Slice(e.locator, e.bytes); }, decode, error);
}

namespace {

struct Section {
  std::uint32_t virtual_address = 0;
  std::uint32_t virtual_size = 0;
  std::uint32_t raw_size = 0;
  std::uint32_t raw_offset = 0;
};

class PeImage {
 public:
  explicit PeImage(std::span<const std::uint8_t> data) : in_(data) {}

  bool Parse(std::string& why) {
    std::uint32_t pe_offset = 0, signature = 0;
    if (!in_.U32(0x3c, pe_offset) || !in_.U32(pe_offset, signature) || signature != 0x00004550) {
      why = "PE: no PE signature";
      return false;
    }
    std::uint16_t section_count = 0, optional_size = 0, magic = 0;
    const std::uint64_t file_header = static_cast<std::uint64_t>(pe_offset) + 4;
    if (!in_.U16(file_header + 2, section_count) || !in_.U16(file_header + 16, optional_size)) {
      why = "PE: truncated file header";
      return false;
    }
    const std::uint64_t optional = file_header + 20;
    if (!in_.U16(optional, magic)) {
      why = "PE: truncated optional header";
      return false;
    }
    std::uint64_t dirs_at = 0;
    if (magic == 0x10b) {
      dirs_at = 96;
    } else if (magic == 0x20b) {
      dirs_at = 112;
    } else {
      why = "PE: optional header magic " + std::to_string(magic);
      return false;
    }
    std::uint32_t dir_count = 0;
    // The resource directory is entry 2 of the data directories.
    if (!in_.U32(optional + dirs_at - 4, dir_count) || dir_count < 3 ||
        dirs_at + 3 * 8 > optional_size || !in_.U32(optional + dirs_at + 16, resource_rva_) ||
        !in_.U32(optional + dirs_at + 20, resource_size_)) {
      why = "PE: no resource directory entry";
      return false;
    }
    if (resource_rva_ == 0) {
      why = "PE: no resources";
      return false;
    }
    const std::uint64_t table = optional + optional_size;
    if (!in_.Has(table, static_cast<std::uint64_t>(section_count) * 40)) {
      why = "PE: section table of " + std::to_string(section_count) + " entries is truncated";
      return false;
    }
    for (std::uint16_t i = 0; i < section_count; ++i) {
      const std::uint64_t at = table + static_cast<std::uint64_t>(i) * 40;
      Section s;
      in_.U32(at + 8, s.virtual_size);
      in_.U32(at + 12, s.virtual_address);
      in_.U32(at + 16, s.raw_size);
      in_.U32(at + 20, s.raw_offset);
      sections_.push_back(s);
    }
    // Directory offsets are relative to the start of the resources and must
    // stay inside the section that holds them.
    for (const Section& s : sections_) {
      if (resource_rva_ >= s.virtual_address &&
          static_cast<std::uint64_t>(resource_rva_) < static_cast<std::uint64_t>(s.virtual_address) + s.raw_size) {
        const std::uint64_t delta = resource_rva_ - s.virtual_address;
        resource_base_ = static_cast<std::uint64_t>(s.raw_offset) + delta;
        resource_limit_ = s.raw_size - delta;
        if (!in_.Has(resource_base_, 0)) break;
        resource_limit_ = std::min<std::uint64_t>(resource_limit_, in_.size() - resource_base_);
        return true;
      }
    }
    why = "PE: resource directory lies outside every section";
    return false;
  }

  // The bytes of the first resource of `type` (and, when given, `id`).
  std::span<const std::uint8_t> FindResource(std::uint32_t type, std::optional<std::uint32_t> id,
                                             std::string& why) const {
    std::uint32_t types_entry = 0;
    if (!FindEntry(0, type, true, types_entry)) {
      why = "PE: no resources of type " + std::to_string(type);
      return {};
    }
    std::uint32_t names_entry = 0;
    if (id ? !FindEntry(types_entry, *id, true, names_entry) : !FirstEntry(types_entry, true, names_entry)) {
      why = "PE: resource " + std::to_string(type) + "/" + (id ? std::to_string(*id) : "first") + " missing";
      return {};
    }
    std::uint32_t data_entry = 0;
    if (!FirstEntry(names_entry, false, data_entry)) {
      why = "PE: resource " + std::to_string(type) + " has no language entry";
      return {};
    }
    std::uint32_t rva = 0, size = 0;
    if (!InResources(data_entry, 16) || !in_.U32(resource_base_ + data_entry, rva) ||
        !in_.U32(resource_base_ + data_entry + 4, size)) {
      why = "PE: resource data entry outside the resources";
      return {};
    }
    auto bytes = AtRva(rva, size);
    if (bytes.empty()) why = "PE: resource data (rva " + std::to_string(rva) + ", " + std::to_string(size) + " bytes) outside the file";
    return bytes;
  }

  std::span<const std::uint8_t> AtRva(std::uint32_t rva, std::uint32_t size) const {
    if (size == 0) return {};
    for (const Section& s : sections_) {
      if (rva >= s.virtual_address &&
          static_cast<std::uint64_t>(rva) + size <= static_cast<std::uint64_t>(s.virtual_address) + s.raw_size) {
        return in_.Slice(static_cast<std::uint64_t>(s.raw_offset) + (rva - s.virtual_address), size);
      }
    }
    return {};
  }

 private:
  bool InResources(std::uint64_t offset, std::uint64_t size) const {
    return offset <= resource_limit_ && size <= resource_limit_ - offset;
  }

  // A directory's entries, checked to lie inside the resources. Only three
  // fixed levels are ever read (type, name, language), so a directory that
  // points back at itself or nests deeper cannot make the walk loop.
  bool Entries(std::uint32_t directory, std::uint64_t& first, std::uint32_t& count) const {
    std::uint16_t named = 0, ids = 0;
    if (!InResources(directory, 16) || !in_.U16(resource_base_ + directory + 12, named) ||
        !in_.U16(resource_base_ + directory + 14, ids)) {
      return false;
    }
    count = static_cast<std::uint32_t>(named) + ids;
    first = static_cast<std::uint64_t>(directory) + 16;
    return InResources(first, static_cast<std::uint64_t>(count) * 8);
  }

  bool Target(std::uint64_t entry, bool want_directory, std::uint32_t& out) const {
    std::uint32_t target = 0;
    in_.U32(resource_base_ + entry + 4, target);
    if (static_cast<bool>(target & kSubdirectoryFlag) != want_directory) return false;
    out = target & ~kSubdirectoryFlag;
    return true;
  }

  bool FindEntry(std::uint32_t directory, std::uint32_t id, bool want_directory, std::uint32_t& out) const {
    std::uint64_t first = 0;
    std::uint32_t count = 0;
    if (!Entries(directory, first, count)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint32_t name = 0;
      in_.U32(resource_base_ + first + i * 8, name);
      if (name == id) return Target(first + i * 8, want_directory, out);
    }
    return false;
  }

  bool FirstEntry(std::uint32_t directory, bool want_directory, std::uint32_t& out) const {
    std::uint64_t first = 0;
    std::uint32_t count = 0;
    if (!Entries(directory, first, count) || count == 0) return false;
    return Target(first, want_directory, out);
  }

  ByteReader in_;
  std::uint32_t resource_rva_ = 0;
  std::uint32_t resource_size_ = 0;
  std::uint64_t resource_base_ = 0;
  std::uint64_t resource_limit_ = 0;
  std::vector<Section> sections_;
};

}  // namespace

std::optional<Icon> ReadPeIcon(std::span<const std::uint8_t> data, std::string* error, IconImageDecoder decode) {
  if (!LooksLikePe(data)) return Fail<Icon>(error, "PE: no MZ header");
  PeImage pe(data);
  std::string why;
  if (!pe.Parse(why)) return Fail<Icon>(error, why);
  auto group = pe.FindResource(kRtGroupIcon, std::nullopt, why);
  if (group.empty()) return Fail<Icon>(error, why);
  ByteReader in(group);
  std::uint16_t reserved = 1, type = 0, count = 0;
  if (!in.U16(0, reserved) || !in.U16(2, type) || !in.U16(4, count) || reserved != 0 || type != 1) {
    return Fail<Icon>(error, "PE: group icon header is not an icon directory");
  }
  if (count > kMaxDirectoryEntries || !in.Has(6, static_cast<std::uint64_t>(count) * 14)) {
    return Fail<Icon>(error, "PE: group icon of " + std::to_string(count) + " entries does not fit its " +
                                 std::to_string(group.size()) + " bytes");
  }
  std::vector<IconDirEntry> entries;
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::uint64_t at = 6 + static_cast<std::uint64_t>(i) * 14;
    std::uint8_t w = 0, h = 0, colours = 0;
    std::uint16_t bits = 0, id = 0;
    IconDirEntry e;
    in.U8(at, w);
    in.U8(at + 1, h);
    in.U8(at + 2, colours);
    in.U16(at + 6, bits);
    in.U32(at + 8, e.bytes);
    in.U16(at + 12, id);
    e.width = w ? w : 256;
    e.height = h ? h : 256;
    e.bit_count = EntryBits(bits, colours);
    e.locator = id;
    entries.push_back(e);
  }
  // The group's byte counts are only hints; the RT_ICON resource's own size
  // is what bounds the image.
  return DecodeBest(
      entries,
      [&](const IconDirEntry& e) {
        std::string ignored;
        return pe.FindResource(kRtIcon, e.locator, ignored);
      },
      decode, error);
}

}  // namespace vantile
