// The narrow view of the main window that its commands and step-wise jobs work through:
// the reader link, the controls and their dialog-data fields, the settings, the host,
// messages and the local clock. The window's controller implements it; tests may too.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "app/app_settings.h"
#include "app/control_model.h"
#include "app/host.h"
#include "app/job_result.h"
#include "reader/reader_model.h"
#include "serial/reader_link.h"

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

class JobContext {
 public:
  virtual ~JobContext() = default;

  virtual serial::ReaderLink& link() = 0;
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

  // The reader model of the latest step-wise job (the failure value while a job fails);
  // parameter value lists that depend on the last job read it.
  virtual std::int8_t lastJobModel() const = 0;
  virtual void SetLastJobModel(std::int8_t model) = 0;
};

// Stops the receive poll for a scope and starts it again at its end, unless the scope
// leaves it off (a step-wise job restarts it when it ends).
class PollPause {
 public:
  enum class AtEnd { Restart, LeaveOff };
  explicit PollPause(Host& host, AtEnd atEnd = AtEnd::Restart);
  ~PollPause();
  PollPause(const PollPause&) = delete;
  PollPause& operator=(const PollPause&) = delete;

 private:
  Host& host_;
  AtEnd atEnd_;
};

// Starts and stops the receive poll (timer 3).
void StartPoll(Host& host);
void StopPoll(Host& host);

// The frame of a command button: the controls pulled, the receive poll stopped, `body` run
// while the port is open, the panes trimmed, the controls pushed. The result's text is the
// row's result field as the command left it.
CommandResult RunButtonCommand(JobContext& ctx, const std::string& resultField,
                               const std::function<void(CommandResult& result)>& body);

// The controls a database job disables while it runs.
void EnableDatabaseControls(ControlModel& controls, bool enable);

}  // namespace tagline::app
