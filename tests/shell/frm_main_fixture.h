// A frmMain over strict fakes, with its settings and program folder in a
// temporary folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/registry_store.h"
#include "shell/frm_main.h"
#include "shell/settings.h"
#include "tests/shell/fakes.h"

namespace vantile {

class FrmMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::path(::testing::TempDir()) / "vantile_frm_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << "mkdtemp " << pattern;
    root_ = pattern;
    program_folder_ = root_ / "prog";
    std::filesystem::create_directories(program_folder_);
    paths_ = {root_ / "config" / "vantile", root_ / "config" / "autostart"};
    store_ = std::make_unique<RegistryStore>(paths_);
  }

  void TearDown() override {
    fakes.journal.on_record = nullptr;
    fakes.desktop.on_close = nullptr;
    fakes.AllowAll();  // the window's destructor may detach from the browser
    form_.reset();
    store_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  frmMain& Form() {
    if (!form_) {
      MainPlatform platform{fakes.browser, fakes.desktop, fakes.shell, fakes.dialogs,
                            fakes.menu,    fakes.pump,    *store_,      fakes.chooser};
      form_ = std::make_unique<frmMain>(platform, program_folder_,
                                        (program_folder_ / "vantile").string(), role_);
    }
    return *form_;
  }

  // Settings as a previous run left them.
  void StoreSettings(const Settings& settings) {
    std::filesystem::create_directories(paths_.autostart_dir);
    RegistryStore writer(paths_);
    SaveSettings(writer, settings, (program_folder_ / "vantile").string());
  }

  // Start-up with every platform call allowed; the journal then holds its calls.
  void Start(const std::string& argument = "") {
    fakes.AllowAll();
    fakes.WirePumpToBrowser();
    ASSERT_TRUE(Form().Form_Load(argument));
  }

  // debug.log's lines without their CR LF.
  std::vector<std::string> LogLines() {
    std::ifstream in(program_folder_ / "debug.log", std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }

  test::FakePlatform fakes;
  std::filesystem::path root_;
  std::filesystem::path program_folder_;
  RegistryStore::Paths paths_;
  std::unique_ptr<RegistryStore> store_;
  std::unique_ptr<frmMain> form_;
  std::optional<MonitorRole> role_;  // set before Form(): a window on another monitor
};

}  // namespace vantile
