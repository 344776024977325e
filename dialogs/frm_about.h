// frmAbout: the About box. A fixed-size window captioned "About Vantile",
// white, with the logo, the version line, one line of text, a link and a
// Close button at fixed places. The toolkit view builds the controls from
// the layout below and forwards their events here.
#pragma once

#include <string>

#include "common/twips.h"

namespace vantile {

// "Version:  " and major.minor.revision, the minor at least two digits and
// the revision at least four: 1, 2, 6 gives "Version:  1.02.0006".
std::string VersionLine(int major, int minor, int revision);

struct TwipsRect {
  int left, top, width, height;
};

// What the view does for the form.
class AboutHost {
 public:
  virtual ~AboutHost() = default;
  virtual void SetVersionCaption(const std::string& caption) = 0;
  // Opens the address in the user's web browser; a failure is not reported.
  virtual void OpenWebAddress(const std::string& address) = 0;
  virtual void CloseWindow() = 0;
};

class frmAbout {
 public:
  static constexpr const char* kCaption = "About Vantile";
  static constexpr int kClientWidth = 4680;
  static constexpr int kClientHeight = 2805;
  // The logo, 228 x 56 pixels.
  static constexpr TwipsRect kImage1 = {585, 285, 3420, 840};
  // Sizes itself to its text; the width given is the least.
  static constexpr TwipsRect klblVersion = {1560, 945, 660, 195};
  static constexpr TwipsRect kLabel1 = {915, 1485, 2730, 195};
  static constexpr TwipsRect klblWebSite = {915, 1770, 2370, 195};
  static constexpr TwipsRect kcmdClose = {1755, 2250, 1020, 345};
  // A note on this copy, between the link and the button, when there is one.
  static constexpr TwipsRect klblNote = {120, 2000, 4440, 195};
  // The link's text colour, dark blue.
  static constexpr int kLinkRed = 0, kLinkGreen = 0, kLinkBlue = 192;
  static constexpr const char* kLabel1Caption = "A web page as your desktop.";
  static constexpr const char* kcmdCloseCaption = "&Close";

  // `web_address` is what the link opens; `web_caption` the text it shows.
  frmAbout(AboutHost& host, std::string web_address, std::string web_caption);

  const std::string& WebAddress() const { return web_address_; }
  const std::string& WebCaption() const { return web_caption_; }

  // Events.
  void Form_Load();
  void lblWebSite_Click();
  void cmdClose_Click();

 private:
  AboutHost& host_;
  std::string web_address_;
  std::string web_caption_;
};

}  // namespace vantile
