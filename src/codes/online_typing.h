// SPDX-License-Identifier: Apache-2.0
// ONLINE mode: codes the reader sends on its own are acknowledged, shown, filtered,
// converted and typed into the focused application by simulated key presses.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "job/app_settings.h"
#include "job/job_environment.h"
#include "platform/keyboard.h"

namespace tagline::codes {

// What ended a received ONLINE code.
enum class FrameEnd { Etx, Cr };

// The code as it is typed: the start, end and replace texts of the five slots applied.
std::string ComposeTypedText(const job::AppSettings& settings, std::string text);
// The code after "invert" and the first conversion that is on and fits it.
std::string ConvertOnlineCode(const job::AppSettings& settings, std::string code);

// Why the protocol file cannot be opened for appending (the reason as the system gives
// it); nullopt when it can. A missing file is created, as the first logged character
// would create it.
std::optional<std::string> ProtocolFileProblem(const std::string& path);

// What the ONLINE processing keeps of one port between frames.
struct OnlineLine {
  // The characters of the code being received.
  std::string buffer;
  // The previous code as received (without its CRC), for the double-code filter.
  std::string lastCode;
  // A frame with a valid CRC came on this port: this reader sends them, so a frame
  // without one is damaged.
  bool crcSeen = false;
};

class OnlineTyping {
 public:
  // Told the reason each time a typed character cannot be written to the protocol file.
  using ProtocolFailure = std::function<void(const std::string& reason)>;
  // Called before each key goes down (the window gives its keyboard field the focus).
  using BeforeKey = std::function<void()>;

  // Where key presses go; none types nothing (the protocol file is still written).
  void SetKeyboard(std::unique_ptr<platform::Keyboard> keyboard) {
    keyboard_ = std::move(keyboard);
  }
  void SetProtocolFailure(ProtocolFailure failure) { protocolFailure_ = std::move(failure); }
  void SetBeforeKey(BeforeKey beforeKey) { beforeKey_ = std::move(beforeKey); }
  // Asked before a code is typed: false while the keys would land in a window of this
  // program other than the keyboard field (one of its dialogs, an open list or menu).
  using TypingAllowed = std::function<bool()>;
  void SetTypingAllowed(TypingAllowed allowed) { typingAllowed_ = std::move(allowed); }

  // One received code, ended by ETX or CR, taken out of the frame buffer (which is left
  // empty): its CRC checked and taken off, acknowledged, shown, filtered against the last
  // code (unless double codes are let through), converted and typed when it is a tag code.
  void ProcessFrame(job::JobEnvironment& env, OnlineLine& line, FrameEnd end, bool doubleCodes);
  // Types a code with the start, end and replace texts around and in it.
  void TypeCode(const job::AppSettings& settings, const std::string& code);

  // Every typed character goes to the protocol file while this is on.
  void SetProtocolEnabled(bool enabled) { protocolEnabled_ = enabled; }
  bool protocolEnabled() const { return protocolEnabled_; }
  static std::string DefaultProtocolPath();

 private:
  // Tells the panes of characters the keyboard's layout could not type.
  void ReportUntypable(job::JobEnvironment& env);

  std::unique_ptr<platform::Keyboard> keyboard_;
  ProtocolFailure protocolFailure_;
  BeforeKey beforeKey_;
  TypingAllowed typingAllowed_;
  bool protocolEnabled_ = false;
};

}  // namespace tagline::codes
