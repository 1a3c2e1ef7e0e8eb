// SPDX-License-Identifier: Apache-2.0
// Communication control ("XT" / "s22400") and the database test ("ET"). The XT row's state
// and texts are the window's; here are the exchanges and the rules of the models.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "job/job_environment.h"
#include "protocol/reader_model.h"

namespace tagline::reader {

inline constexpr const char* kExitCommunication = "XT";
inline constexpr const char* kEstablishCommunication = "s22400";

// The readers whose communication can be switched on and off again.
bool TogglesCommunication(protocol::ReaderModel model);

// The command of a press, and whether it goes to the reader or only into the panes.
struct CommunicationPress {
  const char* command;
  bool send;
};

struct CommunicationOutcome {
  bool ok = false;  // sent and acknowledged
  // The row's new state when the press changed it: true in communication.
  std::optional<bool> open;
};

// One press: identifies the reader quietly, flushes, sends (or only shows) the command the
// model gives `choose`, and reads the answer into `result` (the row's result text).
// "s22400" opens on every model; "XT" closes only where the reader can be opened again.
CommunicationOutcome PressCommunication(
    job::JobEnvironment& env,
    const std::function<CommunicationPress(protocol::ReaderModel)>& choose, std::string& result);

// The database test: whether the reader's database holds data. `result` becomes "empty" or
// "occupied" (stays as it is for a NAK or no answer, is emptied for another answer).
void TestDatabase(job::JobEnvironment& env, std::string& result);

}  // namespace tagline::reader
