// ZqRegistry: the one way both programs read and write their settings.
//
// An object holds at most one open key; value operations act on it. A few
// operations take a root and a path of their own and never disturb the held
// key. Every outcome is a return value (false, "", 0); the only exception is
// GetBooleanValue on text that is neither "True"/"False" nor a number.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/registry_store.h"
#include "common/registry_types.h"

namespace vantile {

class RegistryConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ZqRegistry {
 public:
  explicit ZqRegistry(RegistryStore& store) : store_(store) {}
  ~ZqRegistry() { CloseRegistry(); }
  ZqRegistry(const ZqRegistry&) = delete;
  ZqRegistry& operator=(const ZqRegistry&) = delete;

  // Opens (or with CreateIt creates) a key for reading and writing; fails
  // where the user may not write it.
  bool OpenRegistry(RegRoot HKEYRoot, std::string_view sRegSection, bool CreateIt = false);
  void CloseRegistry();

  std::string GetStringValue(std::string_view sValueName);
  std::int32_t GetLongValue(std::string_view sValueName);
  bool GetBooleanValue(std::string_view sValueName);  // throws RegistryConversionError
  bool SetStringValue(std::string_view sValueName, std::string_view sValue);
  bool SetLongValue(std::string_view sValueName, std::int32_t iValue);

  bool KeyExists(RegRoot HKEYRoot, std::string_view sRegSection);
  bool DeleteKey(RegRoot HKEYRoot, std::string_view sRegSection);
  bool DeleteValue(std::string_view sValueName);
  bool DeleteAllValues();

  bool SetFileAssociation(std::string_view ext, std::string_view KeySection,
                          std::string_view Prog, bool Overwrite);
  std::string GetFileAssociation(std::string_view ext);

  std::int32_t EnumKeys(std::vector<std::string>& KeyArray);
  std::int32_t EnumValueNames(RegRoot RootKey, std::string_view sRegSection,
                              std::vector<std::string>& ValueNames);
  std::int32_t EnumValues(RegRoot RootKey, std::string_view sRegSection,
                          std::vector<std::string>& ValueNames, std::vector<std::string>& Values);

  bool IsOpen() const { return held_.has_value(); }

 private:
  struct Key {
    RegRoot root;
    std::string path;
  };

  static std::uint32_t SwapLongBytes(std::uint32_t value);
  static std::string ExpandValueString(std::string_view text);
  // The text-read procedure: nullopt when the value is absent.
  std::optional<std::string> ReadText(const Key& key, std::string_view name);
  bool OpenKeyForWrite(RegRoot root, std::string_view path, bool create, Key& out);

  RegistryStore& store_;
  std::optional<Key> held_;
};

// The longest enumerated name the class passes on; a longer one ends the
// enumeration, as the 256-character name buffer does on Windows.
inline constexpr std::size_t kMaxEnumNameLength = 255;

}  // namespace vantile
