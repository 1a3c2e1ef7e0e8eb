// SPDX-License-Identifier: Apache-2.0
// The factory-default job on timer 9: identify, clear the database, optionally clear the
// attributes, set the clock, write the model's factory parameters, show the summary.
#pragma once

#include <string>

#include "job/attribute_tables.h"
#include "job/backup.h"
#include "job/reader_job.h"
#include "reader/factory_plan.h"

namespace tagline::reader {

class FactoryJob : public job::ReaderJob {
 public:
  // `attributeCheck` looks at the window's tables when the attribute clear runs; `backup`
  // (when given) saves the reader's records before the erase.
  explicit FactoryJob(job::AttributeCheck attributeCheck, job::BackupBeforeErase backup = {})
      : attributeCheck_(std::move(attributeCheck)), backup_(std::move(backup)) {}

  void Begin(job::JobEnvironment& env) override;
  bool Polling() const override { return stage_ == Stage::AwaitErase; }
  job::Tick Step(job::JobEnvironment& env) override;
  void Finish(job::JobEnvironment& env) override;

 private:
  enum class Stage {
    Identify,
    Erase,
    AwaitErase,
    AskDeleteAttributes,
    DeleteAttributes,
    SetClock,
    WriteParameters,
    Summary,
    Done,
  };

  job::Tick Identify(job::JobEnvironment& env);
  job::Tick Erase(job::JobEnvironment& env);
  job::Tick AwaitErase(job::JobEnvironment& env);
  job::Tick AskDeleteAttributes(job::JobEnvironment& env);
  job::Tick DeleteAttributes(job::JobEnvironment& env);
  job::Tick SetClock(job::JobEnvironment& env);
  job::Tick WriteParameters(job::JobEnvironment& env);

  FactoryChoice AskDialog(job::JobEnvironment& env, FactoryDialog dialog, std::string& text);
  // The model's factory parameter writes; true when the success counter says so.
  bool WriteParameterRows(job::JobEnvironment& env);
  // The 27 attribute tokens cleared; false unless every one was acknowledged (or when the
  // tables are in the wrong format for it).
  bool ClearAttributes(job::JobEnvironment& env);

  job::AttributeCheck attributeCheck_;
  job::BackupBeforeErase backup_;
  int rowsSent_ = 0;
  Stage stage_ = Stage::Identify;
  job::EraseWait erase_;
  bool deleteAttributes_ = false;
  FactoryJobFlags flags_;
};

}  // namespace tagline::reader
