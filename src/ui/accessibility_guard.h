// SPDX-License-Identifier: Apache-2.0
// Keeps an accessibility client from ending the program. Qt 6.4's AT-SPI adaptor reads a
// second argument of every D-Bus Properties call, and GetAll has only one: a client that
// asks for all properties at once (an inspector, `busctl introspect`) crashes the program.
// The guard stands in the adaptor's place on the accessibility bus, refuses GetAll with an
// error, and hands every other message to the adaptor unchanged; screen readers ask Get,
// which goes through.
#pragma once

class QObject;

namespace tagline::ui {

// Watches for Qt's adaptor to appear on the accessibility bus (it does when a screen reader
// or QT_LINUX_ACCESSIBILITY_ALWAYS_ON turns accessibility on) and puts the guard in front of
// it, again whenever Qt registers it anew. The watch lives as long as `owner`.
void GuardAccessibilityBus(QObject* owner);

}  // namespace tagline::ui
