// SPDX-License-Identifier: Apache-2.0
// What the main window's controller needs of the outside world: the toolkit's dialogs,
// timers and message loop, and a few desktop services. The GUI, the command line and
// the tests each provide one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "job/questions.h"

namespace tagline::app {

class SettingsDialog;

// Message box type bits and answers, numbered as the Win32 MB_ and ID values.
namespace mb {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kOkCancel = 0x1;
inline constexpr unsigned kYesNoCancel = 0x3;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kIconHand = 0x10;  // stop sign
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconAsterisk = 0x40;
inline constexpr unsigned kButtonMask = 0xF;
inline constexpr unsigned kIconMask = 0xF0;
}  // namespace mb

namespace id {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace id

using job::ChoiceRequest;
using job::FileDialogRequest;

struct Point {
  int x = 0;
  int y = 0;
};

class Host {
 public:
  virtual ~Host() = default;

  // Caption empty: the program's name. Returns the id of the button pressed.
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned type) = 0;
  virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
  // The index of the option taken, or nullopt when the dialog was cancelled.
  virtual std::optional<int> ChoiceDialog(const ChoiceRequest& request) = 0;
  // Runs the settings dialog modally (calling its OnInitDialog before it shows); returns
  // id::kOk or id::kCancel.
  virtual int RunSettingsDialog(SettingsDialog& dialog) = 0;
  // The program's information window, modal; timers keep running behind it.
  virtual void ShowAboutBox() = 0;

  // Window timers: a timer set again restarts with the new period.
  virtual void SetTimer(int id, std::uint32_t periodMs) = 0;
  virtual void KillTimer(int id) = 0;
  // Handles the window messages that are waiting (timer ticks, repaints, input).
  virtual void DispatchPendingMessages() = 0;

  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
  virtual Point CursorPosition() = 0;
  virtual void Beep(std::uint32_t frequencyHz, std::uint32_t durationMs) = 0;
  // Opens a file or program the way the desktop does; false if it could not.
  virtual bool ShellOpen(const std::string& target, const std::string& verb) = 0;

  // View services.
  virtual void ScrollToEnd(int controlId) = 0;
  virtual void SelectAllText(int controlId) = 0;
  virtual void ShowPortInformation(const std::string& text) = 0;
  // The window ends (the modal loop returns `result`).
  virtual void EndDialog(int result) = 0;
  // Whether a dialog, menu or drop-down list of this program is open: keys typed now would
  // land there.
  virtual bool OwnPopupOpen() const = 0;
};

}  // namespace tagline::app
