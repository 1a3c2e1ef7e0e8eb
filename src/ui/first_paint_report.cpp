// SPDX-License-Identifier: Apache-2.0
#include "ui/first_paint_report.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace tagline::ui {

FirstPaintReport::FirstPaintReport(QWidget& window) : window_(window) {
  window_.installEventFilter(this);
}

bool FirstPaintReport::eventFilter(QObject* watched, QEvent* event) {
  if (!reported_ && watched == &window_ && event->type() == QEvent::Paint) {
    reported_ = true;
    window_.removeEventFilter(this);
    // Once the paint has been handed out: the watcher's clock stops after it.
    QTimer::singleShot(0, this, [] {
      (void)std::fputs("first paint\n", stderr);
      (void)std::fflush(stderr);
    });
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tagline::ui
