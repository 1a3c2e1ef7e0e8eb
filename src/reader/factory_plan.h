// SPDX-License-Identifier: Apache-2.0
// The factory-default job's decisions, free of the window and the serial line: which steps
// a reader model runs, which choice dialogs it is asked and what they offer, the ordered
// parameter writes for the answers given, the success counter of the writes, and the
// summary text.
//
// The job runs the writes of step 7 like this:
//
//   FactoryAnswers answers;
//   FactorySuccessCounter counter;
//   for (const FactoryItem& item : FactorySequence(model)) {
//     if (item.dialog != FactoryDialog::None) { show it; answers.Record(...); continue; }
//     for (const FactoryWrite& write : FactoryRowWrites(*item.step, answers)) {
//       send write.command; reply = ...;
//       received pane += FactoryReplyLine(write, reply) + "\r\n"; counter.Record(reply);
//       if (reply == Ack && write.change) apply *write.change;
//     }
//   }
//   if (counter.Result() > 0) flags |= kFactoryParametersWritten;
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "job/job_result.h"
#include "protocol/reader_model.h"
#include "reader/factory_table.h"
#include "serial/reply.h"

namespace tagline::reader {

using protocol::ReaderModel;

// ---------------------------------------------------------------------------------------
// Job steps per model

// Step 2: the database is cleared ("EC") for every identified model except 14, 17, 35, 38.
bool FactoryClearsDatabase(ReaderModel model);

// Step 4: the "Delete Attributes" dialog is asked.
bool FactoryAsksDeleteAttributes(ReaderModel model);

// Step 6: the reader's clock is set.
bool FactorySetsClock(ReaderModel model);

// ---------------------------------------------------------------------------------------
// Choice dialogs

struct FactoryButton {
  FactoryChoice choice = FactoryChoice::None;
  int controlId = 0;
  std::string_view caption;
};

struct FactoryDialogInfo {
  FactoryDialog dialog = FactoryDialog::None;
  std::string_view title;
  // In button order. A choice dialog closes with OK on any of them (its own OK and Cancel
  // are hidden, so only Esc or the close box leave it without a choice); a question
  // dialog closes with OK on "YES" and with Cancel on "NO".
  std::span<const FactoryButton> buttons;
  bool question = false;
  int editId = 0;  // the serial number edit of dialog 151; 0 for the others
};

// nullopt for FactoryDialog::None.
std::optional<FactoryDialogInfo> DescribeFactoryDialog(FactoryDialog dialog);

// Whether "YES" of dialog 151 is enabled for the edit text: exactly five characters, all
// "0" to "9".
bool SerialNumberAcceptable(std::string_view text);

// How the dialogs of one run were left.
class FactoryAnswers {
 public:
  // Records the button a dialog was left with (None when closed without one). A button
  // that is not the dialog's counts as None, and so does "YES" on dialog 151 with a text
  // SerialNumberAcceptable() refuses: its rows then are skipped.
  void Record(FactoryDialog dialog, FactoryChoice choice, std::string_view text = {});

  // None for a dialog not asked in this run.
  FactoryChoice Choice(FactoryDialog dialog) const;

  // The five digits given with "YES" in dialog 151; empty otherwise.
  const std::string& SerialNumber() const { return serialNumber_; }

 private:
  static constexpr std::size_t kDialogs = 6;
  std::array<FactoryChoice, kDialogs> choices_{};
  std::string serialNumber_;
};

// ---------------------------------------------------------------------------------------
// Parameter writes

// One entry of a model's parameter writes: a dialog to show, or a table row to send.
struct FactoryItem {
  FactoryDialog dialog = FactoryDialog::None;
  const FactoryDefaultStep* step = nullptr;  // into FactoryTable(); null for a dialog
};

// The model's rows in table order, each dialog placed before the first row that asks it.
// Empty for models without a factory set (0, 2, 8, 14) and for the failed-step byte.
std::vector<FactoryItem> FactorySequence(ReaderModel model);

// A recognised model whose factory state needs no parameter writes (models 2 and 8): its
// step 7 has nothing to fail. An unrecognised reader's set is unknown rather than empty.
bool FactoryHasNoParameters(ReaderModel model);

// The dialogs a model is asked during the parameter writes, in order.
std::vector<FactoryDialog> FactoryDialogsAsked(ReaderModel model);

// What one row sends for the answers so far: nothing when its dialog answer keeps it
// back, 108 writes for the cell-set row, one write otherwise.
std::vector<FactoryWrite> FactoryRowWrites(const FactoryDefaultStep& step,
                                           const FactoryAnswers& answers);

// All writes of a model for answers known in advance, in sending order. Answers to
// dialogs the model is not asked are ignored.
std::vector<FactoryWrite> FactoryWrites(ReaderModel model, const FactoryAnswers& answers);

// The received-pane line for a reply to a write, without its "\r\n": the ACK line, the
// NAK line, "// BEL, " + log name or "// " + log name; empty when nothing arrived.
std::string FactoryReplyLine(const FactoryWrite& write, serial::ReplyClass reply);

// Counts the replies to the writes: starts at 1, an ACK adds 1, any other reply (NAK, BEL,
// another byte, no answer at all) sets it to 0 for good: a row the reader refused or did not
// answer is not written, whatever the rows after it got.
class FactorySuccessCounter {
 public:
  void Record(serial::ReplyClass reply);

  // The step result as a signed byte: above 0 exactly when every row was acknowledged
  // (and at least one was written).
  std::int8_t Result() const;

  int Acknowledged() const { return acknowledged_; }

 private:
  int counter_ = 1;
  int acknowledged_ = 0;
  bool failed_ = false;
};

// ---------------------------------------------------------------------------------------
// Summary

// The job's result flag bits.
inline constexpr std::uint8_t kFactoryVersionRead = 0x01;
inline constexpr std::uint8_t kFactoryDatabaseCleared = 0x02;
inline constexpr std::uint8_t kFactoryAttributesCleared = 0x04;
inline constexpr std::uint8_t kFactoryClockSet = 0x08;
inline constexpr std::uint8_t kFactoryParametersWritten = 0x10;

struct FactoryJobFlags {
  std::uint8_t ran = 0;        // the steps that sent their exchange, in the bits above
  std::uint8_t succeeded = 0;  // the job's result flags
};

// The tab-separated summary, one "\r\n"-ended line per step: "'SV'" always; "'EC'",
// "'t'" and "'r'" only for the steps that ran; "'s'" always, OK only when the
// parameters were written.
std::string FactorySummary(const FactoryJobFlags& flags);
// The same steps, each with its outcome.
std::vector<job::StepOutcome> FactorySteps(const FactoryJobFlags& flags);

}  // namespace tagline::reader
