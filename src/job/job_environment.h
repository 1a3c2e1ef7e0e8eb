// SPDX-License-Identifier: Apache-2.0
// All a job or a reader command sees of the program: the reader's protocol, the transcript
// of the panes, the settings it reads, the local time, where its progress, command and
// result are shown, and the questions and messages to the user. No control, no control
// id: the window maps each call to its rows, the command line to its output.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "job/app_settings.h"
#include "job/questions.h"
#include "job/transcript.h"
#include "protocol/reader_model.h"
#include "protocol/reader_protocol.h"

namespace tagline::job {

class JobEnvironment {
 public:
  virtual ~JobEnvironment() = default;

  virtual protocol::ReaderProtocol& reader() = 0;
  virtual Transcript& transcript() = 0;
  virtual AppSettings& settings() = 0;
  virtual std::tm LocalTime() = 0;

  // Progress of a long job: the total the count runs to, and the count.
  virtual void ProgressTotal(int total) = 0;
  virtual void Progress(int count) = 0;
  // The records handled so far, as the "Dataset" field shows them; empty clears it.
  virtual void ShowCount(const std::string& count) = 0;
  // The command the job or command is at, and the text of its result, where the front end
  // shows them (the button and the result field of its row).
  virtual void ShowCommand(const std::string& command) = 0;
  virtual void ShowResult(const std::string& text) = 0;
  // The reader's version text as the identification found it shown (the SV row).
  virtual void ShowVersion(const std::string& version) = 0;
  // The model the job found; nothing once it failed. The window's parameter lists ask for
  // the model of the last job.
  virtual void NoteJobModel(std::optional<protocol::ReaderModel> model) = 0;

  // Questions and messages.
  virtual void Message(const std::string& text) = 0;
  // OK or Cancel; true for OK.
  virtual bool Confirm(const std::string& text) = 0;
  // The index of the option taken, or nothing when the question was cancelled.
  virtual std::optional<int> Choose(const ChoiceRequest& request) = 0;
  // A file to write; nothing when cancelled.
  virtual std::optional<std::string> ChooseFileToSave(const FileDialogRequest& request) = 0;
  // Whether ChooseFileToSave shows a dialog to someone (nothing then means Cancel), or
  // there is nobody to ask (the command line).
  virtual bool AsksUser() const { return true; }

  // Desktop services: a written file opened as the desktop opens it, a tone.
  virtual void OpenFile(const std::string& path) = 0;
  virtual void Beep(std::uint32_t frequencyHz, std::uint32_t durationMs) = 0;
  // Gives the front end its turn in a long step (the window handles its waiting messages).
  virtual void Idle() = 0;
  // Whether the user asked the job to stop (a signal to the command line): a job then ends
  // at its next safe point and says what the reader holds.
  virtual bool StopRequested() = 0;
};

}  // namespace tagline::job
