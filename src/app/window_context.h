// SPDX-License-Identifier: Apache-2.0
// The narrow view of the main window that its panels work through: the reader, the panes,
// the controls and their dialog-data fields, the settings, the host, messages and the local
// clock. The window's controller implements it; the panels hand the reader's work to the
// jobs and commands below through a WindowEnvironment made from it.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "app/control_model.h"
#include "app/host.h"
#include "app/panes.h"
#include "app/settings_file.h"
#include "protocol/reader_model.h"
#include "protocol/reader_protocol.h"

namespace tagline::app {

// The dialog-data members: the texts and checks exchanged with the controls (by id in
// brackets) at the points where a command pulls or pushes them.
struct DialogFields {
  std::string readPathDisplay;   // 1022
  std::string writePathDisplay;  // 1024
  std::string testResult;        // 1071
  std::string parameterResult;   // 1073
  std::string numericResult;     // 1075
  std::string tagTypeResult;     // 1080
  std::string numericValue;      // 1076
  std::string parameterName;     // 1067
  std::string parameterValue;    // 1064
  std::string datasetCount;      // 1107
  std::string svResult;          // 1105
  std::string gtResult;          // 1108
  std::string commResult;        // 1109
  std::string factoryResult;     // 1110
  std::string clockResult;       // 1069
  bool continuousRead = false;   // 1052
  bool doubleCodes = false;      // 1093
};

class WindowContext {
 public:
  virtual ~WindowContext() = default;

  virtual protocol::ReaderProtocol& reader() = 0;
  virtual Panes& panes() = 0;
  virtual ControlModel& controls() = 0;
  virtual DialogFields& fields() = 0;
  virtual AppSettings& settings() = 0;
  virtual Host& host() = 0;

  // Dialog-data exchange: Pull takes the controls' values into the fields and the panes,
  // Push shows them.
  virtual void PullControls() = 0;
  virtual void PushControls() = 0;
  virtual void Message(const std::string& text, unsigned type = mb::kOk,
                       const std::string& caption = {}) = 0;
  virtual std::tm LocalTime() = 0;

  // The reader model of the latest step-wise job, nothing while a job fails; parameter
  // value lists that depend on the last job read it.
  virtual std::optional<protocol::ReaderModel> lastJobModel() const = 0;
  virtual void SetLastJobModel(std::optional<protocol::ReaderModel> model) = 0;
};

}  // namespace tagline::app
