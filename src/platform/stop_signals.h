// SPDX-License-Identifier: Apache-2.0
// The signals that ask a run of the command line to stop: SIGINT (Ctrl+C), SIGTERM and
// SIGHUP. While a StopSignals lives they are caught instead of ending the process, so that a
// job can end at a safe point and say what the reader holds.
#pragma once

namespace tagline::platform {

class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The first signal caught since the first StopSignals was made; 0 for none.
  static int Caught();
  // Forgets the signal caught (for a run that goes on after one, as a test's).
  static void Reset();
};

}  // namespace tagline::platform
