// SPDX-License-Identifier: Apache-2.0
// The "Serial Ports" window: what the system knows about each serial port, with a
// Refresh button that lists the ports again.
#pragma once

#include <QWidget>
#include <string>

class QKeyEvent;
class QPlainTextEdit;

namespace tagline::ui {

class PortInfoWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PortInfoWindow(QWidget* parent = nullptr);
  void SetText(const std::string& text);
  QString Text() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Refresh();

  QPlainTextEdit* text_;
};

}  // namespace tagline::ui
