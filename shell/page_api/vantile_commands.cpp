// window.vantile: a read-only view of the machine for the user's own page.
// Its one command is a reading of a source; watches are readings a page
// asks for again and again (its script keeps the interval, and stops while
// the page is hidden), so nothing is sampled that no shown page asks for.
#include <array>

#include "shell/page_api/page_api.h"
#include "shell/page_api/page_sources.h"

namespace vantile {

namespace {

void Read(PageContext& context, const Json& args, const PageReply& reply) {
  const auto source = args.find("source");
  if (source == args.end() || !source->is_string()) {
    return reply(PageAnswer::Error("name a source to read, such as \"cpu\""));
  }
  if (!context.sources) return reply(PageAnswer::Error("this desktop reads no sources"));
  const auto watch = args.find("watch");
  const std::uint64_t id = watch != args.end() && watch->is_number_unsigned() ? watch->get<std::uint64_t>() : 0;
  context.sources->Read(source->get<std::string>(), id, reply);
}

constexpr std::array kVantileCommands = {
    PageCommand{"read", PageTrust::UsersOwnPage, Delivery::Later, Read},
};

}  // namespace

std::span<const PageCommand> VantileCommands() { return kVantileCommands; }

}  // namespace vantile
