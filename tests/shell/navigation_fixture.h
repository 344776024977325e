// frmMain started over the fakes with pages of its own on disk, for the
// page-loading and menu-command tests.
#pragma once

#include <fstream>
#include <string>

#include "tests/shell/frm_main_fixture.h"

namespace vantile {

class NavigationTest : public FrmMainTest {
 protected:
  // Started with `home` as the home (and start) page, the activate step run,
  // then a clean journal; every platform call stays allowed.
  void StartAt(const std::string& home) {
    Settings stored;
    stored.HomePage = home;
    StartWith(stored);
  }
  void StartWith(const Settings& stored) {
    if (form_) {
      Form().Form_QueryUnload();  // a restart: the last run ends first
      form_.reset();
    }
    StoreSettings(stored);
    Start();
    Form().Form_Activate();
    fakes.journal.Clear();
  }

  // A non-empty page file in the test's folder; its path.
  std::string Page(const std::string& name) {
    std::filesystem::path path = root_ / name;
    std::ofstream(path) << "<html>" << name << "</html>";
    return path.string();
  }

  // The address Load Page makes of a page file.
  static std::string Address(const std::string& path) { return "file://" + path; }

  // Load Page with `name` typed or picked in the chooser.
  void Load(const std::string& name) {
    fakes.chooser.Choose(name);
    Form().ProcessMenuClick(1);
  }

  const frmMain::State& S() { return Form().state(); }
};

}  // namespace vantile
