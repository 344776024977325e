#include "dialogs/frm_about.h"

#include <cstdio>
#include <utility>

#include "common/version.h"

namespace vantile {

std::string VersionLine(int major, int minor, int revision) {
  char numbers[48];
  std::snprintf(numbers, sizeof numbers, "%d.%02d.%04d", major, minor, revision);
  return std::string("Version:  ") + numbers;
}

frmAbout::frmAbout(AboutHost& host, std::string web_address, std::string web_caption)
    : host_(host), web_address_(std::move(web_address)), web_caption_(std::move(web_caption)) {}

void frmAbout::Form_Load() {
  host_.SetVersionCaption(VersionLine(kVersionMajor, kVersionMinor, kVersionRevision));
}

void frmAbout::lblWebSite_Click() { host_.OpenWebAddress(web_address_); }

void frmAbout::cmdClose_Click() { host_.CloseWindow(); }

}  // namespace vantile
