#include "shell/command_line.h"
#include "shell/display_choice.h"

#include <gtest/gtest.h>

#include "common/version.h"

namespace vantile {
namespace {

TEST(CommandLineTest, OnlyTheExactLongOptionsAskForInformationAndTheFirstOneDecides) {
  const struct {
    std::vector<std::string> arguments;
    InfoRequest expected;
  } cases[] = {
      {{}, InfoRequest::kNone},
      {{"/debug"}, InfoRequest::kNone},
      {{"--help"}, InfoRequest::kHelp},
      {{"--version"}, InfoRequest::kVersion},
      {{"/debug", "--version"}, InfoRequest::kVersion},
      {{"--version", "--help"}, InfoRequest::kVersion},
      {{"--help", "--version"}, InfoRequest::kHelp},
      // Everything else keeps meaning nothing, as before these options.
      {{"-h"}, InfoRequest::kNone},
      {{"-v"}, InfoRequest::kNone},
      {{"--HELP"}, InfoRequest::kNone},
      {{"--versions"}, InfoRequest::kNone},
      {{"/?"}, InfoRequest::kNone},
      {{"--help=all"}, InfoRequest::kNone},
  };
  for (const auto& c : cases) {
    std::string shown;
    for (const auto& a : c.arguments) shown += "[" + a + "]";
    EXPECT_EQ(FindInfoRequest(c.arguments), c.expected) << shown;
  }
}

TEST(CommandLineTest, VersionTextStartsWithTheProgramAndTheProjectVersion) {
  const std::string text = InfoText(InfoRequest::kVersion);
  EXPECT_EQ(text.substr(0, text.find('\n')), std::string("vantile ") + kVersionText);
  EXPECT_NE(InfoText(InfoRequest::kHelp).find("Usage: vantile [/debug]"), std::string::npos);
  EXPECT_EQ(InfoText(InfoRequest::kNone), "");
}

TEST(DisplayChoice, X11OnlyOnAWaylandSessionWithoutLayerShellButWithXwaylandUnlessTheUserChose) {
  const std::pair<DisplaySession, bool> rows[] = {
      {{"", "wayland-0", ":0", false}, true},        // GNOME
      {{"", "wayland-0", ":0", true}, false},        // sway, KDE: the background layer
      {{"", "wayland-0", "", false}, false},         // no Xwayland
      {{"", "", ":0", false}, false},                // X11 session
      {{"wayland", "wayland-0", ":0", false}, false}};  // the user's GDK_BACKEND
  for (const auto& [session, x11] : rows) EXPECT_EQ(PreferX11(session), x11) << session.gdk_backend;
}

}  // namespace
}  // namespace vantile
