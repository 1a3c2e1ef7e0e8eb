// SPDX-License-Identifier: Apache-2.0
// Typing an ONLINE code: a 16-digit code with start and end texts, typed through the real
// ONLINE processing into a keyboard that only sleeps its pauses (as every real backend
// does), set against the sum of the pauses the typing asks for. What lies above that sum is
// split into the program's own work between the pauses and the system's lateness in
// ending each sleep.
//   tagline_typing_pauses [CODES]    default: 20 codes
// Exits 1 when the program's own work comes to more than 0.05 ms a typed character.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/headless_host.h"
#include "app/main_dialog.h"
#include "platform/keyboard.h"
#include "serial/frame.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Presses nothing; sleeps each pause as a real backend does, and counts them.
class PausingKeyboard : public tagline::platform::Keyboard {
 public:
  tagline::platform::KeyboardKind Kind() const override {
    return tagline::platform::KeyboardKind::Recording;
  }
  void Character(char /*c*/) override { ++characters; }
  void KeyEvent(std::uint8_t /*virtualKey*/, bool /*keyUp*/) override {}
  void Pause(std::uint32_t ms) override {
    askedMs += ms;
    ++pauses;
    const auto start = Clock::now();
    Keyboard::Pause(ms);
    sleptMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  }
  std::uint64_t askedMs = 0;
  double sleptMs = 0;
  std::uint64_t pauses = 0;
  std::uint64_t characters = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const int codes = argc > 1 ? std::stoi(argv[1]) : 20;
  const fs::path dir = fs::temp_directory_path() / ("tagline-typing-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path ini = dir / "t.ini";
  std::ofstream(ini)
      << "[COM]\r\nadd_start_0=\"ID:\"\r\nadd_end_0=\"<cr>\"\r\n[ONLINE]\r\nonline=1\r\n";

  tagline::app::HeadlessHost host;
  tagline::app::MainDialogOptions options;
  options.iniPath = ini.string();
  options.portOverride = (dir / "no-port").string();  // typing needs no line
  options.saveSettings = false;
  tagline::app::MainDialog dialog(host, options);
  host.Attach(&dialog);
  dialog.OnInitDialog();
  auto keyboard = std::make_unique<PausingKeyboard>();
  PausingKeyboard& keys = *keyboard;
  dialog.SetKeyboard(std::move(keyboard));
  dialog.fields().doubleCodes = true;

  const auto start = Clock::now();
  for (int i = 0; i < codes; ++i) {
    const std::string code = "9180451CBE991A" + std::to_string(10 + i % 90);
    dialog.terminal().online.buffer = code + tagline::serial::CrcDigits(code);
    dialog.ProcessOnlineFrame(tagline::codes::FrameEnd::Etx);
  }
  const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  std::error_code ignored;
  fs::remove_all(dir, ignored);

  if (keys.characters == 0 || keys.pauses == 0) {
    std::printf("nothing was typed FAILED\n");
    return 1;
  }
  const double askedMs = static_cast<double>(keys.askedMs);
  const double chars = static_cast<double>(keys.characters);
  const double ownPerCharMs = (wallMs - keys.sleptMs) / chars;
  const double latePerPauseMs = (keys.sleptMs - askedMs) / static_cast<double>(keys.pauses);
  const bool ok = ownPerCharMs <= 0.05;
  std::printf(
      "typing %d codes of 16 digits with start and end texts: %.0f characters in %.1f ms "
      "against %.0f ms of pauses (%.4fx); the program's own work %.4f ms a character (target "
      "<= 0.05 ms), the system's lateness %.3f ms a pause %s\n",
      codes, chars, wallMs, askedMs, wallMs / askedMs, ownPerCharMs, latePerPauseMs,
      ok ? "ok" : "FAILED");
  return ok ? 0 : 1;
}
