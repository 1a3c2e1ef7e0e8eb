// SPDX-License-Identifier: Apache-2.0
// Tells a watching process when the main window has painted for the first time: a line
// "first paint" on standard error. Start-up benchmarks time the program by it.
#pragma once

#include <QObject>

class QWidget;

namespace tagline::ui {

class FirstPaintReport : public QObject {
  Q_OBJECT

 public:
  // Watches `window`; reports once, then stops watching.
  explicit FirstPaintReport(QWidget& window);

  bool reported() const { return reported_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& window_;
  bool reported_ = false;
};

}  // namespace tagline::ui
