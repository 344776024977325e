#include "shell/page_api/page_api.h"

#include <sys/random.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

namespace vantile {

namespace {

// Big enough for any call a page script makes; a page cannot make the
// desktop parse megabytes for one call.
constexpr std::size_t kMaxRequestSize = 64 * 1024;

// Every table of commands a page may call, one per object the page scripts
// offer; another object is one more entry.
using CommandTable = std::span<const PageCommand> (*)();
constexpr CommandTable kCommandTables[] = {ExternalCommands, VantileCommands};

}  // namespace

const PageCommand* FindPageCommand(std::string_view name) {
  for (CommandTable table : kCommandTables) {
    for (const PageCommand& command : table()) {
      if (command.name == name) return &command;
    }
  }
  return nullptr;
}

std::optional<PageRequest> ParsePageRequest(std::string_view text) {
  if (text.size() > kMaxRequestSize) return std::nullopt;
  Json parsed = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!parsed.is_object()) return std::nullopt;
  const auto name = parsed.find("name");
  if (name == parsed.end() || !name->is_string()) return std::nullopt;
  PageRequest request;
  request.name = name->get<std::string>();
  if (const auto id = parsed.find("id"); id != parsed.end() && id->is_number_unsigned()) {
    request.id = id->get<std::uint64_t>();
  }
  if (const auto args = parsed.find("args"); args != parsed.end() && args->is_object()) request.args = *args;
  return request;
}

std::string AnswerText(std::uint64_t id, const PageAnswer& answer) {
  Json text = {{"id", id}};
  if (answer.ok()) {
    text["value"] = answer.value;
  } else {
    text["error"] = answer.error;
  }
  // Text from the page (a file name, say) need not be valid UTF-8.
  return text.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void CallPageCommand(const PageRequest& request, PageTrust caller, Delivery delivery, PageContext& context,
                     const PageReply& reply) {
  const PageCommand* command = FindPageCommand(request.name);
  if (!command) return reply(PageAnswer::Error("there is no command \"" + request.name + "\""));
  if (caller < command->needs) return reply(PageAnswer::Error(request.name + " is only for the desktop's own page"));
  if (command->delivery != delivery) return reply(PageAnswer::Error(request.name + " cannot be called this way"));
  // A command may answer after this returns (the power services answer
  // over the bus), so the guard that lets it answer once lives with the
  // answer, not here.
  auto answered = std::make_shared<bool>(false);
  command->run(context, request.args, [answered, reply](PageAnswer answer) {
    if (*answered) return;
    *answered = true;
    reply(std::move(answer));
  });
}

std::string TextArgument(const Json& args, std::string_view name) {
  const auto value = args.find(name);
  return value != args.end() && value->is_string() ? value->get<std::string>() : std::string();
}

std::int32_t IntegerArgument(const Json& args, std::string_view name, std::int32_t fallback) {
  const auto value = args.find(name);
  if (value == args.end() || !value->is_number()) return fallback;
  if (value->is_number_integer()) {
    const auto number = value->get<std::int64_t>();
    if (number >= std::numeric_limits<std::int32_t>::min() && number <= std::numeric_limits<std::int32_t>::max()) {
      return static_cast<std::int32_t>(number);
    }
    return fallback;
  }
  const double number = value->get<double>();
  return std::isfinite(number) && std::fabs(number) < 2147483648.0 ? static_cast<std::int32_t>(number) : fallback;
}

std::optional<std::string> MakeBridgeToken(const RandomBytes& random) {
  unsigned char bytes[16] = {};
  if (random(bytes, sizeof bytes) != sizeof bytes) return std::nullopt;
  std::string token;
  char hex[3];
  for (unsigned char b : bytes) {
    std::snprintf(hex, sizeof hex, "%02x", b);
    token += hex;
  }
  return token;
}

std::size_t SystemRandomBytes(unsigned char* buffer, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = getrandom(buffer + got, size - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

}  // namespace vantile
