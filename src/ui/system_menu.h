// SPDX-License-Identifier: Apache-2.0
// The main window's own entry in the window's system menu, where the platform has one
// (Windows); elsewhere the entry of the "?" menu is the only way to the About box.
#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>
#include <memory>

class QWidget;

namespace tagline::ui {

// Handles a system command of the window; false passes it on to the default handling.
using SystemCommandHandler = std::function<bool(int id)>;

// Appends a separator and the About entry (identifier 16) to `window`'s system menu and
// routes the window's system commands to `handler` for as long as the returned filter
// lives. nullptr where there is no system menu.
std::unique_ptr<QAbstractNativeEventFilter> InstallSystemMenuEntry(QWidget* window,
                                                                   SystemCommandHandler handler);

}  // namespace tagline::ui
