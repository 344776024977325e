// The vocabulary shared by the registry class and its stores: root handles
// and value types by their Windows numbers, so settings files and code read
// the same as on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantile {

using RegRoot = std::uint32_t;
inline constexpr RegRoot HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr RegRoot HKEY_CURRENT_USER = 0x80000001u;
inline constexpr RegRoot HKEY_LOCAL_MACHINE = 0x80000002u;

inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_DWORD_BIG_ENDIAN = 5;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;

// Data is kept as Windows keeps it: text types as UTF-16LE with their
// terminating zero, numbers as little-endian bytes. The registry class
// converts at its boundary, as the ANSI entry points do on Windows.
struct RegValue {
  std::string name;  // "" is the key's default value
  std::uint32_t type = REG_SZ;
  std::vector<std::uint8_t> data;

  bool operator==(const RegValue&) const = default;
};

// Name of a root as it stands in a .reg file ("HKEY_CURRENT_USER"); empty
// for an unknown root.
const char* RootName(RegRoot root);

}  // namespace vantile
