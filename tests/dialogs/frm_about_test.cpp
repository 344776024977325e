// The About box's behaviour: the version line, the link and Close.
#include "dialogs/frm_about.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantile {
namespace {

TEST(VersionLine, PadsTheMinorToTwoDigitsAndTheRevisionToFour) {
  const struct {
    int major, minor, revision;
    const char* line;
  } cases[] = {
      {1, 2, 6, "Version:  1.02.0006"},
      {2, 10, 123, "Version:  2.10.0123"},
      {12, 0, 0, "Version:  12.00.0000"},
      {1, 123, 6, "Version:  1.123.0006"},
      {1, 2, 123456, "Version:  1.02.123456"},
  };
  for (const auto& c : cases) EXPECT_EQ(VersionLine(c.major, c.minor, c.revision), c.line);
}

class RecordingHost : public AboutHost {
 public:
  std::vector<std::string> calls;
  void SetVersionCaption(const std::string& caption) override { calls.push_back("version " + caption); }
  void OpenWebAddress(const std::string& address) override { calls.push_back("open " + address); }
  void CloseWindow() override { calls.push_back("close"); }
};

TEST(frmAbout, ShowsThisReleaseAndItsLinkOpensTheAddressWithoutClosing) {
  RecordingHost host;
  frmAbout form(host, "file:///usr/lib/vantile/help/index.html", "Vantile Help");
  form.Form_Load();
  form.lblWebSite_Click();
  form.cmdClose_Click();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"version Version:  1.02.0006",
                                                  "open file:///usr/lib/vantile/help/index.html", "close"}));
}

}  // namespace
}  // namespace vantile
