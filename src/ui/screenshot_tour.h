// SPDX-License-Identifier: Apache-2.0
// An unattended run that shows each area of the main window in turn, saves a picture of
// the window for each, and then closes the window the normal way (settings are saved).
#pragma once

#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace tagline::app {
class MainDialog;
}

namespace tagline::ui {

class MainWindow;
class QtHost;

class ScreenshotTour : public QObject {
  Q_OBJECT
 public:
  // Answers every message box of the run itself (printing it to stderr).
  ScreenshotTour(app::MainDialog& dialog, MainWindow& window, QtHost& host, QString directory);
  void Start();
  // False if a picture could not be saved.
  bool ok() const { return ok_; }

 private:
  void Step();
  void Save(const QString& name);
  void SaveWidget(QWidget& widget, const QString& name);
  // Opens a modal dialog with `open`, saves a picture of it once it shows, and closes it.
  void SaveModal(const QString& name, const std::function<void()>& open);

  app::MainDialog& dialog_;
  QtHost& host_;
  MainWindow& window_;
  QString directory_;
  std::vector<std::function<void()>> steps_;
  std::size_t next_ = 0;
  bool ok_ = true;
};

}  // namespace tagline::ui
