// ONLINE mode: codes the reader sends on its own are acknowledged, shown, filtered,
// converted and typed into the focused application by simulated key presses.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/app_settings.h"
#include "app/job_context.h"
#include "platform/keyboard.h"
#include "serial/command_exchange.h"

namespace tagline::codes {

// The code as it is typed: the start, end and replace texts of the five slots applied.
std::string ComposeTypedText(const app::AppSettings& settings, std::string text);
// The code after "invert" and the first conversion that is on and fits it.
std::string ConvertOnlineCode(const app::AppSettings& settings, std::string code);

// Why the protocol file cannot be opened for appending (the reason as the system gives
// it); nullopt when it can. A missing file is created, as the first logged character
// would create it.
std::optional<std::string> ProtocolFileProblem(const std::string& path);

class OnlineTyping {
 public:
  // Told the reason each time a typed character cannot be written to the protocol file.
  using ProtocolFailure = std::function<void(const std::string& reason)>;

  // Where key presses go; none types nothing (the protocol file is still written).
  void SetKeyboard(std::unique_ptr<platform::Keyboard> keyboard) {
    keyboard_ = std::move(keyboard);
  }
  void SetProtocolFailure(ProtocolFailure failure) { protocolFailure_ = std::move(failure); }

  // One received code, ended by ETX or CR, taken out of the frame buffer.
  void ProcessFrame(app::JobContext& ctx, serial::CommandExchange::FrameEnd end);
  // Types a code with the start, end and replace texts around and in it.
  void TypeCode(app::JobContext& ctx, const std::string& code);

  // The logging button and the protocol file's button.
  void ToggleProtocol(app::JobContext& ctx);
  void ChooseProtocolFile(app::JobContext& ctx);
  bool protocolEnabled() const { return protocolEnabled_; }
  static std::string DefaultProtocolPath();

 private:
  std::unique_ptr<platform::Keyboard> keyboard_;
  ProtocolFailure protocolFailure_;
  bool protocolEnabled_ = false;
};

}  // namespace tagline::codes
