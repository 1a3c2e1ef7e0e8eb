// SPDX-License-Identifier: Apache-2.0
#include "ui/system_menu.h"

#include <QWidget>

#ifdef Q_OS_WIN
#include <QCoreApplication>
#include <QString>
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <string>
#endif

namespace tagline::ui {

#ifdef Q_OS_WIN

namespace {

constexpr UINT kAboutEntry = 16;

class SystemMenuFilter : public QAbstractNativeEventFilter {
 public:
  SystemMenuFilter(HWND window, SystemCommandHandler handler)
      : window_(window), handler_(std::move(handler)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
  }
  ~SystemMenuFilter() override {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
  }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override {
    if (type != "windows_generic_MSG") return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->hwnd != window_ || msg->message != WM_SYSCOMMAND || !handler_) return false;
    if (!handler_(static_cast<int>(msg->wParam))) return false;
    if (result != nullptr) *result = 0;
    return true;
  }

 private:
  HWND window_;
  SystemCommandHandler handler_;
};

}  // namespace

std::unique_ptr<QAbstractNativeEventFilter> InstallSystemMenuEntry(QWidget* window,
                                                                   SystemCommandHandler handler) {
  if (window == nullptr) return nullptr;
  const HWND hwnd = reinterpret_cast<HWND>(window->winId());
  HMENU menu = GetSystemMenu(hwnd, FALSE);
  if (menu == nullptr) return nullptr;
  const std::wstring text = QString::fromUtf8("Inf&o \u00FCber Veltra_Terminal...").toStdWString();
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kAboutEntry, text.c_str());
  return std::make_unique<SystemMenuFilter>(hwnd, std::move(handler));
}

#else

// The handler is taken by value because the Win32 version keeps it; here it goes unused.
std::unique_ptr<QAbstractNativeEventFilter> InstallSystemMenuEntry(
    QWidget* /*window*/,
    SystemCommandHandler /*handler*/) {  // NOLINT(performance-unnecessary-value-param)
  return nullptr;
}

#endif

}  // namespace tagline::ui
