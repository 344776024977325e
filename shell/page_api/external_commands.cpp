// window.external: the four commands the desktop page's script has always
// had. openFile, openFolder and openControlPanel start programs, so only the
// user's own page may call them; getLocalDrives returns its text at once, as
// pages written for it expect.
#include <array>

#include "shell/page_api/page_api.h"
#include "shell/platform.h"

namespace vantile {

namespace {

void OpenFile(PageContext& context, const Json& args, const PageReply& reply) {
  context.desktop.openFile(TextArgument(args, "sFile"), TextArgument(args, "sParams"), TextArgument(args, "sDir"),
                           IntegerArgument(args, "showFormat", 0));
  reply(PageAnswer::Value(nullptr));
}

void OpenFolder(PageContext& context, const Json& args, const PageReply& reply) {
  context.desktop.openFolder(TextArgument(args, "sFolder"));
  reply(PageAnswer::Value(nullptr));
}

void OpenControlPanel(PageContext& context, const Json&, const PageReply& reply) {
  context.desktop.openControlPanel();
  reply(PageAnswer::Value(nullptr));
}

void GetLocalDrives(PageContext& context, const Json&, const PageReply& reply) {
  reply(PageAnswer::Value(context.desktop.getLocalDrives()));
}

constexpr std::array kExternalCommands = {
    PageCommand{"openFile", PageTrust::UsersOwnPage, Delivery::Later, OpenFile},
    PageCommand{"openFolder", PageTrust::UsersOwnPage, Delivery::Later, OpenFolder},
    PageCommand{"openControlPanel", PageTrust::UsersOwnPage, Delivery::Later, OpenControlPanel},
    PageCommand{"getLocalDrives", PageTrust::UsersOwnPage, Delivery::AtOnce, GetLocalDrives},
};

}  // namespace

std::span<const PageCommand> ExternalCommands() { return kExternalCommands; }

}  // namespace vantile
