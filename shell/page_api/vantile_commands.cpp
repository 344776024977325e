// window.vantile: a read-only view of the machine for the user's own page.
// Its one command is a reading of a source; watches are readings a page
// asks for again and again (its script keeps the interval, and stops while
// the page is hidden), or, for sources that change now and then, calls
// answered at their next change, so nothing is sampled that no shown page
// asks for.
#include <array>
#include <memory>

#include "shell/page_api/page_api.h"
#include "shell/page_api/page_sources.h"

namespace vantile {

namespace {

// The watches of a page that are due together ask in one call.
constexpr std::size_t kMaxSourcesInOneCall = 64;

std::uint64_t WatchOf(const Json& request) {
  const auto watch = request.find("watch");
  return watch != request.end() && watch->is_number_unsigned() ? watch->get<std::uint64_t>() : 0;
}

// {"source": name[, "watch": id][, "change": true]}: one reading (with
// "change", the watch's next changed one). {"sources": [{"source",
// "watch"}, ...]}: the readings in order, each {"value": v} or {"error": e}.
void Read(PageContext& context, const Json& args, const PageReply& reply) {
  if (!context.sources) return reply(PageAnswer::Error("this desktop reads no sources"));
  const auto source = args.find("source");
  if (source != args.end() && source->is_string()) {
    const auto change = args.find("change");
    if (change != args.end() && change->is_boolean() && change->get<bool>()) {
      return context.sources->ReadChange(source->get<std::string>(), WatchOf(args), reply);
    }
    return context.sources->Read(source->get<std::string>(), WatchOf(args), reply);
  }
  const auto sources = args.find("sources");
  if (sources == args.end() || !sources->is_array() || sources->empty() || sources->size() > kMaxSourcesInOneCall) {
    return reply(PageAnswer::Error("name a source to read, such as \"cpu\""));
  }
  // Some readings come later (the power services answer over the bus):
  // the answer goes once the last is in.
  struct Gathered {
    Json readings;
    std::size_t missing;
  };
  auto gathered = std::make_shared<Gathered>(Gathered{Json::array(), sources->size()});
  for (std::size_t i = 0; i < sources->size(); ++i) gathered->readings.push_back(nullptr);
  for (std::size_t i = 0; i < sources->size(); ++i) {
    const Json& one = (*sources)[i];
    const auto name = one.is_object() ? one.find("source") : one.end();
    auto take = [gathered, i, reply](PageAnswer answer) {
      gathered->readings[i] = answer.ok() ? Json{{"value", answer.value}} : Json{{"error", answer.error}};
      if (--gathered->missing == 0) reply(PageAnswer::Value(std::move(gathered->readings)));
    };
    if (!one.is_object() || name == one.end() || !name->is_string()) {
      take(PageAnswer::Error("name a source to read, such as \"cpu\""));
    } else {
      context.sources->Read(name->get<std::string>(), WatchOf(one), take);
    }
  }
}

constexpr std::array kVantileCommands = {
    PageCommand{"read", PageTrust::UsersOwnPage, Delivery::Later, Read},
};

}  // namespace

std::span<const PageCommand> VantileCommands() { return kVantileCommands; }

}  // namespace vantile
