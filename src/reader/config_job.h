// SPDX-License-Identifier: Apache-2.0
// The configuration jobs: save a reader's parameters into a profile, apply a profile to a
// reader (write, then read every parameter back and compare), or compare without writing.
// Steps: identify, check the profile against the reader, write, read back, summary.
#pragma once

#include <string>
#include <vector>

#include "job/reader_job.h"
#include "reader/config_profile.h"

namespace tagline::reader {

enum class ConfigMode {
  Save,    // read every parameter the model offers into a profile
  Apply,   // write the profile, read back, report differences
  Diff,    // read back and report differences; nothing is written
  DryRun,  // the commands an apply would send; nothing is written
};

struct ConfigDifference {
  ProfileEntry wanted;  // as the profile has it
  std::string found;    // as the reader gave it back ("" when it could not be read)
};

struct ConfigReport {
  ConfigProfile profile;  // Save: what was read
  // Apply, Diff: the entries that differ after the job; empty when all are equal.
  std::vector<ConfigDifference> differences;
  // Profile entries this reader's model does not offer (applied with force only).
  std::vector<ProfileEntry> notOffered;
  // Apply, DryRun: the commands sent (or that would be), in order.
  std::vector<std::string> commands;
  // Why the profile was refused, before anything was sent; empty when it was not.
  std::string refused;
};

class ConfigJob : public job::ReaderJob {
 public:
  // Saves what was read into `savePath` (replaced only by a whole profile), with the
  // factory-default answers to keep in it.
  static ConfigJob Save(std::string savePath, std::vector<ProfileNote> factoryDefault = {}) {
    ConfigProfile kept;
    kept.factoryDefault = std::move(factoryDefault);
    return ConfigJob(ConfigMode::Save, std::move(kept), false, std::move(savePath));
  }
  // `profile` is the profile to apply or compare with. `force` applies a profile of another
  // model, or with entries this model lacks, to what the reader offers.
  ConfigJob(ConfigMode mode, ConfigProfile profile, bool force = false, std::string savePath = {})
      : mode_(mode), wanted_(std::move(profile)), force_(force), savePath_(std::move(savePath)) {}

  void Begin(job::JobEnvironment& env) override;
  job::Tick Step(job::JobEnvironment& env) override;
  void Finish(job::JobEnvironment& env) override;

  const ConfigReport& report() const { return report_; }

 private:
  enum class Stage { Identify, Check, Write, ReadBack, Summary, Done };

  job::Tick Identify(job::JobEnvironment& env);
  job::Tick Check(job::JobEnvironment& env);
  job::Tick Write(job::JobEnvironment& env);
  job::Tick ReadBack(job::JobEnvironment& env);
  bool Writes() const { return mode_ == ConfigMode::Apply; }
  // The entries this job writes or compares: the profile's that the model offers.
  std::vector<ProfileEntry> Applicable() const;

  const ConfigMode mode_;
  const ConfigProfile wanted_;
  const bool force_;
  const std::string savePath_;
  Stage stage_ = Stage::Identify;
  ConfigReport report_;
  bool written_ = true;
  bool readOk_ = false;
};

// "YYYY-MM-DD hh:mm:ss" of a local time.
std::string ProfileDate(const std::tm& time);

}  // namespace tagline::reader
