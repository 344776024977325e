// libFuzzer target: the page channel's requests, as a page's script could
// shape them, and the answers made from what they carry.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "shell/page_api/page_api.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto request = vantile::ParsePageRequest({reinterpret_cast<const char*>(data), size});
  if (!request) return 0;
  if (!request->args.is_object()) __builtin_trap();
  for (const char* name : {"sFile", "sParams", "showFormat"}) {
    const std::string text = vantile::TextArgument(request->args, name);
    vantile::IntegerArgument(request->args, name, 0);
    // Whatever came in, the answer that echoes it is JSON the page can read.
    const std::string answer = vantile::AnswerText(request->id, vantile::PageAnswer::Value(text));
    if (!vantile::Json::accept(answer)) __builtin_trap();
  }
  return 0;
}
