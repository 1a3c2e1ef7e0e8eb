// SPDX-License-Identifier: Apache-2.0
#include <csignal>

#include "platform/stop_signals.h"

namespace tagline::platform {

namespace {

volatile std::sig_atomic_t caught = 0;
int installed = 0;
void (*previousInt)(int) = nullptr;
void (*previousTerm)(int) = nullptr;

extern "C" void OnStopSignal(int signal) {
  if (caught == 0) caught = signal;
  // The C runtime resets the handler for each delivery.
  std::signal(signal, OnStopSignal);
}

}  // namespace

StopSignals::StopSignals() {
  if (installed++ > 0) return;
  previousInt = std::signal(SIGINT, OnStopSignal);
  previousTerm = std::signal(SIGTERM, OnStopSignal);
}

StopSignals::~StopSignals() {
  if (--installed > 0) return;
  std::signal(SIGINT, previousInt);
  std::signal(SIGTERM, previousTerm);
}

int StopSignals::Caught() {
  return caught;
}

void StopSignals::Reset() {
  caught = 0;
}

}  // namespace tagline::platform
