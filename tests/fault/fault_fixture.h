// SPDX-License-Identifier: Apache-2.0
// The window on the headless host with the simulated reader behind a symbolic link in the
// test's folder, so that a test can pull the reader out and plug a new one in where the
// window's port looks for it. Helpers to run each job and to count what the host showed.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "database/layouts.h"
#include "database/layouts_write.h"
#include "database/tag_table.h"
#include "dialog_fixture.h"
#include "protocol/classify_reader_version.h"
#include "sample_records.h"
#include "sim/reader_database.h"
#include "sim/reader_device.h"
#include "sim/simulated_reader.h"
#include "temp_dir.h"

namespace tagline::app {

inline constexpr const char* kPortClosed = "error com port had to be closed";
inline constexpr const char* kConnectionLost = "The connection to the reader was lost.";
inline constexpr const char* kNoAnswer = "No Answer from reader";
inline constexpr const char* kCommunicationError = "Communication Error with reader";
inline constexpr const char* kDefaultVersion = "KTR H9 V4.30054";  // an attribute sheet
inline constexpr const char* kAccessCode = "[ACCESS]\r\ncode=xxxxxxxx47\r\n";
// What the reader holds before a write erases it.
inline const std::vector<std::string> kOldRecords = {
    "Z010101000000F0000000000000000000Old record  "};

// The sheet the program itself writes for the sample records of the default reader.
// `count` distinct records, so that a record in the wrong place or twice shows.
inline std::vector<std::string> HerdRecordsOf(int count) {
  std::vector<std::string> records;
  for (int i = 0; i < count; ++i) {
    char record[46];
    std::snprintf(record, sizeof record, "#0703261015%02dF%016X1Cow %-10d", i % 60,
                  0x9180451CU + static_cast<unsigned>(i) * 0x1111U, i + 1);
    records.emplace_back(record, 45);
  }
  return records;
}

inline std::string SampleSheet(const std::vector<std::string>& records = kSampleRecords) {
  database::TagTable table;
  table.Fill("");
  for (const std::string& r : records) table.Append(r);
  database::AttributeList attributes;
  attributes.Fill("");
  for (std::size_t i = 0; i < database::kAttributeCount; ++i) {
    attributes.Set(i, std::string(1, database::AttributeList::TokenAt(i)) + (i == 0 ? "Herd" : ""));
  }
  const auto model = protocol::ClassifyReaderVersion(kDefaultVersion);
  return database::WriteSheet(*database::LayoutForModel(model), model, table, attributes);
}

// A reader quick to answer, with the sample records and one attribute, at `link`; on
// failure `reader` stays empty and the reason is returned.
inline std::string StartSampleReader(const std::string& link, const std::string& version,
                                     std::unique_ptr<sim::SimulatedReader>& reader,
                                     std::shared_ptr<sim::ReaderDevice>& device,
                                     std::shared_ptr<sim::ReaderDatabase>& database,
                                     const sim::NoiseOptions& noise = {}) {
  sim::SimOptions options;
  options.noise = noise;
  options.version = version;
  options.latencyMs = 1;
  options.paceByBaud = false;
  options.linkPath = link;
  std::string error;
  reader = sim::SimulatedReader::Start(options, error);
  if (!reader) return error;
  device = sim::ReaderDevice::Install(*reader);
  database = sim::ReaderDatabase::Install(*reader);
  database->SetRecords(kSampleRecords);
  database->SetAttribute(0, "Herd");
  return {};
}

class FaultFixture : public DialogFixture {
 protected:
  // The window with the factory button enabled, on a reader holding the sample records.
  void StartReader(const std::string& version = kDefaultVersion) {
    version_ = version;
    link = (dir / "ttyReader").string();
    WriteIni(kAccessCode);
    PlugIn();
    Start(link);
    ASSERT_EQ(dialog->portOpen(), 1);
    host.ClearMessages();
    // The factory job's dialogs: English, delete the attributes.
    host.SetChoiceAnswer("factory-146", 0);
    host.SetChoiceAnswer("factory-148", 0);
    // The jobs' own rules are tested here; the backup before an erase has tests of its own.
    dialog->settings().backup = "Never";
  }

  // A new reader on the same link; the old one (if any) is gone for good.
  void PlugIn() {
    reader.reset();
    const std::string error = StartSampleReader(link, version_, reader, device, database, noise);
    ASSERT_TRUE(reader) << error;
  }

  // Plugs a new reader in and opens the port again through Settings > Port (confirmed as it
  // opened), as a user would after the reader was lost.
  void Replug() {
    PlugIn();
    dialog->OnPortSettings();
  }

  std::string WriteSheetFile(const std::string& sheet, const std::string& name = "write.xml") {
    const std::string path = (dir / name).string();
    test::WriteBytes(path, sheet);
    dialog->settings().write_path = path;
    return path;
  }

  // Presses a job's button and runs the window until the job ended or `maxMs` of the
  // host's clock passed. Null if it did not end.
  const JobResult* RunJob(JobKind kind, std::uint32_t maxMs = 120000) {
    jobStartedAt = host.Now();
    dialog->OnCommand(ButtonOf(kind));
    // The window's question before Clear (answered Yes) is no message of the job's.
    if (kind == JobKind::DatabaseClear) host.ClearMessages();
    if (kind != JobKind::DatabaseRead &&
        !host.RunUntil([this, kind] { return !dialog->JobRunning(kind); }, maxMs)) {
      return nullptr;
    }
    jobEndedAt = host.Now();
    return dialog->LastJobResult(kind);
  }

  static int ButtonOf(JobKind kind) {
    switch (kind) {
      case JobKind::DatabaseRead:
        return ctl::kRead;
      case JobKind::DatabaseWrite:
        return ctl::kWrite;
      case JobKind::DatabaseClear:
        return ctl::kClear;
      case JobKind::FactoryDefault:
        return ctl::kFactoryDefault;
      case JobKind::Configuration:
        return 0;  // started from the menu, not by a button
    }
    return 0;
  }

  // `fault` on the replies after the first `normal` ones.
  void FaultAfter(int normal, sim::Fault fault) {
    if (normal > 0) {
      reader->InjectFault(sim::Fault{.kind = sim::FaultKind::Delay, .delayMs = 0, .count = normal});
    }
    reader->InjectFault(fault);
  }

  int CountMessages(const std::string& text) const {
    const auto texts = MessageTexts();
    return static_cast<int>(std::count(texts.begin(), texts.end(), text));
  }
  int CountMessagesStartingWith(const std::string& head) const {
    const auto texts = MessageTexts();
    return static_cast<int>(std::count_if(
        texts.begin(), texts.end(), [&head](const auto& t) { return t.rfind(head, 0) == 0; }));
  }
  std::size_t CountCommands(const std::string& command) const {
    const auto commands = reader->Commands();
    return static_cast<std::size_t>(std::count(commands.begin(), commands.end(), command));
  }
  std::size_t CountCommandsStartingWith(const std::string& head) const {
    const auto commands = reader->Commands();
    return static_cast<std::size_t>(
        std::count_if(commands.begin(), commands.end(),
                      [&head](const auto& c) { return c.rfind(head, 0) == 0; }));
  }

  std::string link;
  // The line between the window and the readers plugged in.
  sim::NoiseOptions noise;
  std::shared_ptr<sim::ReaderDatabase> database;
  std::uint64_t jobStartedAt = 0;
  std::uint64_t jobEndedAt = 0;

 private:
  std::string version_ = kDefaultVersion;
};

inline std::string JobName(JobKind kind) {
  switch (kind) {
    case JobKind::DatabaseRead:
      return "Read";
    case JobKind::DatabaseWrite:
      return "Write";
    case JobKind::DatabaseClear:
      return "Clear";
    case JobKind::FactoryDefault:
      return "Factory";
    case JobKind::Configuration:
      return "Configuration";
  }
  return "Job";
}

}  // namespace tagline::app
