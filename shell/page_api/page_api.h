// The commands a page may call, as rows of a table.
//
// A call is a name, an object of named arguments and an id, sent by the
// page scripts over one channel and answered with JSON: a value, or an
// error in plain words. Each row says the trust it needs and how its answer
// travels: most answers arrive later (a Promise in the page), and the few
// whose page API returns at once (getLocalDrives) are answered while the
// page waits. The browser adapter only moves the JSON; what a call may do,
// and for whom, is decided here.
//
// A new command, or a new page data source, is one more row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vantile {

class BrowserEvents;
class PageSources;

using Json = nlohmann::json;

// Who sent a call, and what a command needs of its caller.
enum class PageTrust { Untrusted, UsersOwnPage };

// How a command's answer reaches the page.
enum class Delivery {
  Later,   // the page gets a Promise
  AtOnce,  // the page's call returns the answer; it waits for it
};

struct PageRequest {
  std::uint64_t id = 0;
  std::string name;
  Json args = Json::object();
};

struct PageAnswer {
  Json value;         // when ok
  std::string error;  // why not, in plain words; empty when ok
  bool ok() const { return error.empty(); }
  static PageAnswer Value(Json value) { return {std::move(value), {}}; }
  static PageAnswer Error(std::string why) { return {nullptr, std::move(why)}; }
};

// What the commands act on: the window's answers to the page, and the
// view's data sources (null: none). A command that answers later must not
// keep the context itself.
struct PageContext {
  BrowserEvents& desktop;
  PageSources* sources = nullptr;
};

using PageReply = std::function<void(PageAnswer)>;

struct PageCommand {
  std::string_view name;
  PageTrust needs;
  Delivery delivery;
  // Answers through `reply`, now or later, exactly once.
  void (*run)(PageContext& context, const Json& args, const PageReply& reply);
};

// window.external's commands.
std::span<const PageCommand> ExternalCommands();
// window.vantile's.
std::span<const PageCommand> VantileCommands();
// The row named `name`, or null.
const PageCommand* FindPageCommand(std::string_view name);

// The request in `text` (JSON: {"id": n, "name": "...", "args": {...}}), or
// nothing when it is not one.
std::optional<PageRequest> ParsePageRequest(std::string_view text);
// The answer as the page scripts read it: {"id": n, "value": v} or
// {"id": n, "error": "..."}.
std::string AnswerText(std::uint64_t id, const PageAnswer& answer);

// Runs `request` for a caller of trust `caller`, whose answer can travel by
// `delivery`, and answers through `reply` exactly once: an unknown command,
// a caller without the trust the command needs, or a command whose answer
// cannot travel that way is refused with a reason.
void CallPageCommand(const PageRequest& request, PageTrust caller, Delivery delivery, PageContext& context,
                     const PageReply& reply);

// The text of `args[name]`: a string as it is, anything else "".
std::string TextArgument(const Json& args, std::string_view name);
// `args[name]` as an integer; `fallback` when it is not a number.
std::int32_t IntegerArgument(const Json& args, std::string_view name, std::int32_t fallback);

// The secret the page's isolated bridge passes with every call: 16 random
// bytes as hex, or nothing when `random` (which fills a buffer and says how
// many bytes it could) cannot give them; then the bridge stays off.
using RandomBytes = std::function<std::size_t(unsigned char* buffer, std::size_t size)>;
std::optional<std::string> MakeBridgeToken(const RandomBytes& random);
// The system's random numbers (getrandom).
std::size_t SystemRandomBytes(unsigned char* buffer, std::size_t size);

}  // namespace vantile
