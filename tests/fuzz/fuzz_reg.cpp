// The .reg parser takes files people edit by hand and copy between systems.
// Whatever it accepts must write out in a form it reads back cleanly.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/reg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  vantile::ParseResult parsed = vantile::ParseRegFile(input, vantile::HKEY_CURRENT_USER);
  std::string written = vantile::FormatRegFile(parsed.tree, vantile::HKEY_CURRENT_USER);
  vantile::ParseResult again = vantile::ParseRegFile(written, vantile::HKEY_CURRENT_USER);
  if (!again.issues.empty()) std::abort();
  if (vantile::FormatRegFile(again.tree, vantile::HKEY_CURRENT_USER) != written) std::abort();
  return 0;
}
