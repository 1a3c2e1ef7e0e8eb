// SPDX-License-Identifier: Apache-2.0
#include "ui/accessibility_guard.h"

#include <QObject>
#include <QTimer>

#if defined(Q_OS_LINUX) && __has_include(<QDBusVirtualObject>)
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QPointer>
#include <memory>

namespace tagline::ui {

namespace {

// The names Qt's AT-SPI bridge uses for its connection and its objects.
constexpr const char* kBusName = "a11y";
constexpr const char* kAccessiblePath = "/org/a11y/atspi/accessible";
// How often the watch looks for a new registration: cheap, and soon enough for a client.
constexpr int kWatchMs = 250;

class PropertiesGuard final : public QDBusVirtualObject {
 public:
  PropertiesGuard(QDBusVirtualObject* adaptor, QObject* parent)
      : QDBusVirtualObject(parent), adaptor_(adaptor) {}

  QString introspect(const QString& path) const override {
    return adaptor_ ? adaptor_->introspect(path) : QString();
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties") &&
        message.arguments().size() < 2) {
      return connection.send(message.createErrorReply(
          QDBusError::NotSupported,
          QStringLiteral("GetAll is not offered here; ask each property with Get")));
    }
    return adaptor_ && adaptor_->handleMessage(message, connection);
  }

 private:
  QPointer<QDBusVirtualObject> adaptor_;
};

void PlaceGuard(QObject* owner) {
  QDBusConnection bus(QString::fromLatin1(kBusName));
  if (!bus.isConnected()) return;
  const QString path = QString::fromLatin1(kAccessiblePath);
  QObject* registered = bus.objectRegisteredAt(path);
  if (registered == nullptr || dynamic_cast<PropertiesGuard*>(registered) != nullptr) return;
  auto* adaptor = qobject_cast<QDBusVirtualObject*>(registered);
  if (adaptor == nullptr) return;
  bus.unregisterObject(path);
  auto guard = std::make_unique<PropertiesGuard>(adaptor, nullptr);
  if (bus.registerVirtualObject(path, guard.get(), QDBusConnection::SubPath)) {
    guard.release()->setParent(owner);
  } else {
    // Back as it was: an unguarded adaptor is better than none.
    bus.registerVirtualObject(path, adaptor, QDBusConnection::SubPath);
  }
}

}  // namespace

void GuardAccessibilityBus(QObject* owner) {
  auto* watch = new QTimer(owner);
  QObject::connect(watch, &QTimer::timeout, owner, [owner] { PlaceGuard(owner); });
  watch->start(kWatchMs);
}

}  // namespace tagline::ui

#else

namespace tagline::ui {

// Other systems have no AT-SPI bus.
void GuardAccessibilityBus(QObject* /*owner*/) {}

}  // namespace tagline::ui

#endif
