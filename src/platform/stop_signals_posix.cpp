// SPDX-License-Identifier: Apache-2.0
#include <signal.h>

#include "platform/stop_signals.h"

namespace tagline::platform {

namespace {

volatile sig_atomic_t caught = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[3];
int installed = 0;

extern "C" void OnStopSignal(int signal) {
  if (caught == 0) caught = signal;
}

}  // namespace

StopSignals::StopSignals() {
  if (installed++ > 0) return;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait in poll() ends at once, and the loop around it looks again.
  action.sa_flags = 0;
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &previous[i]);
}

StopSignals::~StopSignals() {
  if (--installed > 0) return;
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous[i], nullptr);
}

int StopSignals::Caught() {
  return caught;
}

void StopSignals::Reset() {
  caught = 0;
}

}  // namespace tagline::platform
