// SPDX-License-Identifier: Apache-2.0
// A main window on the headless host with a virtual clock, its settings file in a fresh
// directory, and optionally the simulated reader on its port.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/headless_host.h"
#include "app/main_dialog.h"
#include "platform/private_profile.h"
#include "sim/reader_device.h"
#include "sim/simulated_reader.h"

namespace tagline::app {

namespace fs = std::filesystem;

class DialogFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tagline-main-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    ini = (dir / "Tagline_Console.ini").string();
  }
  void TearDown() override {
    dialog.reset();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  void WriteIni(const std::string& text) const { std::ofstream(ini, std::ios::binary) << text; }
  std::string ReadIni() const {
    std::ifstream in(ini, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string IniValue(const char* section, const char* key) const {
    return platform::GetPrivateProfileString(section, key, ini);
  }

  void Start(std::optional<std::string> port = std::nullopt) {
    MainDialogOptions options;
    options.iniPath = ini;
    options.portOverride = std::move(port);
    dialog = std::make_unique<MainDialog>(host, options);
    host.Attach(dialog.get());
    dialog->OnInitDialog();
  }
  // Paced, the reader's replies come at the byte rate of the line, as from a real device.
  void StartWithSimulator(const std::string& version = "KTR H9 V4.30054", bool paced = false) {
    sim::SimOptions options;
    options.version = version;
    options.latencyMs = 1;
    options.paceByBaud = paced;
    std::string error;
    reader = sim::SimulatedReader::Start(options, error);
    ASSERT_TRUE(reader) << error;
    device = sim::ReaderDevice::Install(*reader);
    Start(reader->DevicePath());
    ASSERT_EQ(dialog->portOpen(), 1);
    host.ClearMessages();
    // The jobs' own rules are tested here; the backup before an erase has tests of its own.
    dialog->settings().backup = "Never";
  }

  bool Visible(int id) const { return dialog->controls().at(id).visible; }
  bool Enabled(int id) const { return dialog->controls().at(id).enabled; }
  const std::string& Text(int id) const { return dialog->controls().at(id).text; }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : host.messages()) texts.push_back(m.text);
    return texts;
  }
  // Whether any control of a group is shown.
  bool AreaShown(ControlArea area) const {
    for (const int id : dialog->controls().ids()) {
      const auto& c = dialog->controls().at(id);
      if (c.area == area && c.visible) return true;
    }
    return false;
  }

  fs::path dir;
  std::string ini;
  HeadlessHost host{HeadlessHost::Clock::Virtual};
  std::unique_ptr<sim::SimulatedReader> reader;
  std::shared_ptr<sim::ReaderDevice> device;
  std::unique_ptr<MainDialog> dialog;
};

}  // namespace tagline::app
