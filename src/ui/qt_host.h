// SPDX-License-Identifier: Apache-2.0
// The controller's host on Qt: message boxes and file dialogs, window timers on QTimer,
// the wait cursor and the desktop services, and the view services of the main window.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/host.h"

class QAbstractNativeEventFilter;
class QTimer;

namespace tagline::app {
class MainDialog;
}

namespace tagline::ui {

class MainWindow;
class PortInfoWindow;

class QtHost : public app::Host {
 public:
  // Answers a message box in place of the user: text, caption, mb:: type -> id:: answer.
  using MessageBoxHook =
      std::function<int(const std::string& text, const std::string& caption, unsigned type)>;

  QtHost();
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  // Timer ticks go to the dialog; the view services and dialog parents to the window.
  void Attach(app::MainDialog* dialog, MainWindow* window);
  // Replaces the message box, e.g. for tests and unattended runs; empty restores it.
  void SetMessageBoxHook(MessageBoxHook hook) { messageBoxHook_ = std::move(hook); }

  std::optional<int> endResult() const { return endResult_; }
  bool TimerActive(int id) const;
  int waitCursorDepth() const { return waitCursor_; }

  // Host.
  int MessageBox(const std::string& text, const std::string& caption, unsigned type) override;
  std::optional<std::string> SaveFileDialog(const app::FileDialogRequest& request) override;
  std::optional<std::string> OpenFileDialog(const app::FileDialogRequest& request) override;
  std::optional<int> ChoiceDialog(const app::ChoiceRequest& request) override;
  int RunSettingsDialog(app::SettingsDialog& dialog) override;
  void ShowAboutBox() override;
  void SetTimer(int id, std::uint32_t periodMs) override;
  void KillTimer(int id) override;
  void DispatchPendingMessages() override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  app::Point CursorPosition() override;
  void Beep(std::uint32_t frequencyHz, std::uint32_t durationMs) override;
  bool ShellOpen(const std::string& target, const std::string& verb) override;
  void ScrollToEnd(int controlId) override;
  void SelectAllText(int controlId) override;
  void ShowPortInformation(const std::string& text) override;
  void EndDialog(int result) override;
  bool OwnPopupOpen() const override;

 private:
  QWidget* DialogParent() const;
  std::optional<std::string> FileDialog(const app::FileDialogRequest& request, bool save);

  app::MainDialog* dialog_ = nullptr;
  QPointer<MainWindow> window_;
  QPointer<PortInfoWindow> portInfo_;
  // Timers are stopped, never deleted, while they run: a tick may kill its own timer.
  std::map<int, std::unique_ptr<QTimer>> timers_;
  MessageBoxHook messageBoxHook_;
  std::unique_ptr<QAbstractNativeEventFilter> systemMenu_;
  std::optional<int> endResult_;
  int waitCursor_ = 0;
};

}  // namespace tagline::ui
