// SPDX-License-Identifier: Apache-2.0
#include "reader/factory_job.h"

#include "job/repeated_write.h"
#include "reader/attribute_clear.h"
#include "reader/reader_clock.h"
#include "serial/frame.h"

namespace tagline::reader {

namespace {

// The settings' own copy of a value a factory write changed.
void ApplyFactoryChange(job::AppSettings& settings, const MainWindowChange& change) {
  using V = MainWindowValue;
  switch (change.value) {
    case V::Time:
      settings.time = change.to;
      break;
    case V::Onltyp:
      settings.onltyp = change.to;
      break;
    case V::Fragmentation:
      settings.fragmentation = change.to;
      break;
    case V::Beeper:
      settings.beeper = change.to;
      break;
    case V::Showbadframe:
      settings.showbadframe = change.to;
      break;
  }
}

}  // namespace

void FactoryJob::Begin(job::JobEnvironment& env) {
  WatchLine(env);
  env.transcript().Clear();
}

job::Tick FactoryJob::Step(job::JobEnvironment& env) {
  // A reader that is gone answers nothing more: the job goes straight to its summary.
  if (stage_ != Stage::Identify && stage_ != Stage::Done && LineLostNow(env)) {
    stage_ = Stage::Summary;
    return job::Tick::Next;
  }
  // Stopped by the user: at the next step (after the erase's answer) or between two rows.
  if (stage_ != Stage::Identify && stage_ <= Stage::Summary && stage_ != Stage::AwaitErase &&
      !result_.interrupted && StopAsked(env)) {
    ReportFailure(env, "The factory default was interrupted after " + std::to_string(rowsSent_) +
                           " parameter writes.");
    Fail(env);
    stage_ = Stage::Summary;
    return job::Tick::Next;
  }
  switch (stage_) {
    case Stage::Identify:
      return Identify(env);
    case Stage::Erase:
      return Erase(env);
    case Stage::AwaitErase:
      return AwaitErase(env);
    case Stage::AskDeleteAttributes:
      return AskDeleteAttributes(env);
    case Stage::DeleteAttributes:
      return DeleteAttributes(env);
    case Stage::SetClock:
      return SetClock(env);
    case Stage::WriteParameters:
      return WriteParameters(env);
    case Stage::Summary:
      stage_ = Stage::Done;
      return job::Tick::Finish;
    case Stage::Done:
      break;
  }
  return job::Tick::Finish;
}

job::Tick FactoryJob::Identify(job::JobEnvironment& env) {
  flags_ = {kFactoryVersionRead, 0};
  const bool found = ReaderJob::Identify(env, Needs::AnyReader);
  env.ShowCommand("VS");
  env.ShowResult(version());
  if (!found) return job::Tick::Finish;
  flags_.succeeded |= kFactoryVersionRead;
  stage_ = Stage::Erase;
  return job::Tick::Next;
}

job::Tick FactoryJob::Erase(job::JobEnvironment& env) {
  stage_ = Stage::AskDeleteAttributes;
  if (!FactoryClearsDatabase(model())) return job::Tick::Next;
  if (backup_) {
    const job::BackupOutcome outcome = backup_(env, model());
    if (!outcome.mayErase()) {
      ReportFailure(env, job::BackupRefusalText(outcome));
      Fail(env);
      stage_ = Stage::Summary;
      return job::Tick::Next;
    }
  }
  erase_.Start(env);
  flags_.ran |= kFactoryDatabaseCleared;
  env.ShowCommand("EC");
  stage_ = Stage::AwaitErase;
  return job::Tick::Next;
}

job::Tick FactoryJob::AwaitErase(job::JobEnvironment& env) {
  env.transcript().Received(".");
  if (!erase_.Look(env)) return job::Tick::Stay;
  if (erase_.status() == job::ClearStatus::Cleared) {
    flags_.succeeded |= kFactoryDatabaseCleared;
    env.ShowResult("// ACK");
  } else {
    Fail(env);
  }
  stage_ = Stage::AskDeleteAttributes;
  return job::Tick::Next;
}

job::Tick FactoryJob::AskDeleteAttributes(job::JobEnvironment& env) {
  stage_ = Stage::SetClock;
  if (failed() || !FactoryAsksDeleteAttributes(model())) return job::Tick::Next;
  std::string text;
  deleteAttributes_ = AskDialog(env, FactoryDialog::DeleteAttributes, text) == FactoryChoice::Yes;
  stage_ = Stage::DeleteAttributes;
  return job::Tick::Next;
}

job::Tick FactoryJob::DeleteAttributes(job::JobEnvironment& env) {
  if (deleteAttributes_) {
    flags_.ran |= kFactoryAttributesCleared;
    if (ClearAttributes(env)) flags_.succeeded |= kFactoryAttributesCleared;
  }
  stage_ = Stage::SetClock;
  return job::Tick::Next;
}

job::Tick FactoryJob::SetClock(job::JobEnvironment& env) {
  if (!failed() && FactorySetsClock(model()) && env.reader().open()) {
    flags_.ran |= kFactoryClockSet;
    if (SetReaderClock(env)) flags_.succeeded |= kFactoryClockSet;
  }
  stage_ = Stage::WriteParameters;
  return job::Tick::Next;
}

job::Tick FactoryJob::WriteParameters(job::JobEnvironment& env) {
  if (WriteParameterRows(env)) flags_.succeeded |= kFactoryParametersWritten;
  stage_ = Stage::Summary;
  return job::Tick::Next;
}

FactoryChoice FactoryJob::AskDialog(job::JobEnvironment& env, FactoryDialog dialog,
                                    std::string& text) {
  const auto info = DescribeFactoryDialog(dialog);
  if (!info) return FactoryChoice::None;
  job::ChoiceRequest request;
  request.name = "factory-" + std::to_string(static_cast<int>(dialog));
  request.caption = std::string(info->title);
  request.prompt = request.caption;
  for (const auto& button : info->buttons) request.options.emplace_back(button.caption);
  if (info->editId != 0) {
    request.text = &text;
    request.acceptText = [](const std::string& t) { return SerialNumberAcceptable(t); };
  }
  const auto answer = env.Choose(request);
  if (!answer || *answer < 0 || static_cast<std::size_t>(*answer) >= info->buttons.size()) {
    return FactoryChoice::None;
  }
  return info->buttons[static_cast<std::size_t>(*answer)].choice;
}

bool FactoryJob::WriteParameterRows(job::JobEnvironment& env) {
  protocol::ReaderProtocol& reader = env.reader();
  if (!reader.open() || failed()) return false;
  if (FactoryHasNoParameters(model())) return true;
  reader.Flush();
  flags_.ran |= kFactoryParametersWritten;
  FactoryAnswers answers;
  FactorySuccessCounter counter;
  job::RepeatedWrite writes(reader);
  for (const FactoryItem& item : FactorySequence(model())) {
    if (item.dialog != FactoryDialog::None) {
      std::string text;
      const FactoryChoice choice = AskDialog(env, item.dialog, text);
      answers.Record(item.dialog, choice, text);
      continue;
    }
    for (const FactoryWrite& write : FactoryRowWrites(*item.step, answers)) {
      // The safe point of a stop: the next step reports it.
      if (env.StopRequested()) return false;
      // A cell written twice holds the same value: a row not acknowledged is sent again.
      serial::ReplyClass last = serial::ReplyClass::NoAnswer;
      const job::WriteAnswer answer = writes.Send([&] {
        const protocol::Reply reply = reader.WriteFactoryRow(write.command);
        ++rowsSent_;
        env.ShowCommand(write.command);
        last = reply.cls;
        if (reply.answered()) {
          env.transcript().Received(FactoryReplyLine(write, reply.cls));
          env.ShowResult(std::string(serial::ReplyLogText(reply.cls)));
        }
        env.transcript().EndLine();
        if (!reply.answered()) return job::WriteAnswer::Silent;
        return reply.ack() ? job::WriteAnswer::Ack : job::WriteAnswer::Refused;
      });
      if (answer == job::WriteAnswer::Ack) {
        last = serial::ReplyClass::Ack;
        if (write.change) ApplyFactoryChange(env.settings(), *write.change);
      }
      counter.Record(last);
      // The rest of the rows would only fail one by one; the next step reports the loss.
      if (LineLost(env)) return false;
      reader.Drain(51);
    }
  }
  return counter.Result() > 0;
}

bool FactoryJob::ClearAttributes(job::JobEnvironment& env) {
  if (!env.reader().open()) return true;
  env.reader().Flush();
  return reader::ClearAttributes(
      env, attributeCheck_ ? attributeCheck_(model()) : job::AttributeTables::NothingToClear);
}

void FactoryJob::Finish(job::JobEnvironment& env) {
  const bool reachedSummary = stage_ == Stage::Done;
  if (reachedSummary) {
    result_.steps = FactorySteps(flags_);
    result_.summary = job::SummaryText(result_.steps);
    env.Message(result_.summary);
  }
  Conclude(reachedSummary);
}

}  // namespace tagline::reader
