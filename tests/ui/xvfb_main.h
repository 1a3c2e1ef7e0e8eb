// SPDX-License-Identifier: Apache-2.0
// The main of a QTest program that runs on an X server of its own (Xvfb), optionally with a
// window manager (openbox, where installed) that places, focuses and decorates windows as
// on a desktop. Without Xvfb the program says SKIP and passes.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../xvfb_server.h"

extern char** environ;

namespace tagline::testing {

template <class Test>
int RunOnXvfb(int argc, char** argv, const std::string& screen, bool windowManager) {
  const std::string xvfb = FindInPath("Xvfb");
  if (xvfb.empty()) {
    std::puts("SKIP: Xvfb is not installed");
    return 0;
  }
  Xvfb server;
  std::string error;
  if (!server.Start(xvfb, error, screen)) {
    std::printf("FAIL: %s\n", error.c_str());
    return 1;
  }
  setenv("DISPLAY", server.display().c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  pid_t manager = -1;
  if (const std::string openbox = FindInPath("openbox"); windowManager && !openbox.empty()) {
    char* managerArgv[] = {const_cast<char*>(openbox.c_str()), nullptr};
    posix_spawn(&manager, openbox.c_str(), nullptr, nullptr, managerArgv, environ);
    QTest::qSleep(500);
  }
  int status = 0;
  {
    QApplication app(argc, argv);
    Test test;
    status = QTest::qExec(&test, argc, argv);
  }
  if (manager > 0) {
    kill(manager, SIGTERM);
    waitpid(manager, nullptr, 0);
  }
  return status;
}

}  // namespace tagline::testing

#if defined(__SANITIZE_ADDRESS__)
// The session bus library that Qt loads on a real display keeps a buffer for the whole
// process and never frees it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}
#endif
