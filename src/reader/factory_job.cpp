#include "reader/factory_job.h"

#include "app/control_ids.h"
#include "reader/classify_reader_version.h"
#include "reader/reader_clock.h"
#include "reader/software_version.h"

namespace tagline::reader {

namespace {

namespace ctl = app::ctl;

ReaderModel Model(std::int8_t m) {
  return static_cast<ReaderModel>(m);
}

// The window's own copy of a value a factory write changed.
void ApplyFactoryChange(app::AppSettings& settings, const MainWindowChange& change) {
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

void FactoryJob::Begin(app::JobContext& ctx) {
  lostAtStart_ = ctx.link().lostReads();
  ctx.host().BeginWaitCursor();
  ctx.PullControls();
  ctx.link().ClearPanes();
  ctx.PushControls();
  ctx.host().EndWaitCursor();
}

void FactoryJob::SetModel(app::JobContext& ctx, std::int8_t model) {
  model_ = model;
  ctx.SetLastJobModel(model);
}

FactoryChoice FactoryJob::AskDialog(app::JobContext& ctx, FactoryDialog dialog, std::string& text) {
  const auto info = DescribeFactoryDialog(dialog);
  if (!info) return FactoryChoice::None;
  app::ChoiceRequest request;
  request.name = "factory-" + std::to_string(static_cast<int>(dialog));
  request.caption = std::string(info->title);
  request.prompt = request.caption;
  for (const auto& button : info->buttons) request.options.emplace_back(button.caption);
  if (info->editId != 0) {
    request.text = &text;
    request.acceptText = [](const std::string& t) { return SerialNumberAcceptable(t); };
  }
  ctx.PushControls();
  const auto answer = ctx.host().ChoiceDialog(request);
  ctx.PullControls();
  if (!answer || *answer < 0 || static_cast<std::size_t>(*answer) >= info->buttons.size()) {
    return FactoryChoice::None;
  }
  return info->buttons[static_cast<std::size_t>(*answer)].choice;
}

std::int8_t FactoryJob::WriteParameters(app::JobContext& ctx) {
  serial::ReaderLink& link = ctx.link();
  if (!link.open() || model_ == kFailedModel) return 0;
  if (FactoryHasNoParameters(Model(model_))) return 1;
  link.FlushInput();
  flags_.ran |= kFactoryParametersWritten;
  FactoryAnswers answers;
  FactorySuccessCounter counter;
  bool first = true;
  for (const FactoryItem& item : FactorySequence(Model(model_))) {
    if (item.dialog != FactoryDialog::None) {
      std::string text;
      const FactoryChoice choice = AskDialog(ctx, item.dialog, text);
      answers.Record(item.dialog, choice, text);
      continue;
    }
    for (const FactoryWrite& write : FactoryRowWrites(*item.step, answers)) {
      link.Send(write.command, serial::Echo::SendField);
      ctx.controls().SetText(ctl::kFactoryDefault, write.command);
      const std::string reply = link.Read(1, serial::kReplyTimeoutMs);
      const auto replyClass = serial::ClassifyReply(reply);
      if (!reply.empty()) {
        link.receivedPane() += FactoryReplyLine(write, replyClass);
        ctx.fields().factoryResult = serial::ReplyLogText(replyClass);
        if (replyClass == serial::ReplyClass::Ack && write.change) {
          ApplyFactoryChange(ctx.settings(), *write.change);
        }
      }
      counter.Record(replyClass);
      link.EndReceivedLine();
      // The rest of the rows would only fail one by one; the next step reports the loss.
      if (LineLost(ctx)) return 0;
      link.Drain(51);
      if (first) ctx.PushControls();
      first = false;
    }
  }
  ctx.PushControls();
  return counter.Result();
}

bool FactoryJob::Identify(app::JobContext& ctx) {
  flags_ = {kFactoryVersionRead, 0};
  const std::string version = RequestSoftwareVersion(ctx, VersionEcho::Shown, PollAfter::LeaveOff);
  SetModel(ctx, static_cast<std::int8_t>(ClassifyReaderVersion(version)));
  ctx.controls().SetText(ctl::kFactoryDefault, "VS");
  ctx.fields().factoryResult = version;
  ctx.PushControls();
  if (model_ < 1) return false;
  result_.readerFound = true;
  flags_.succeeded |= kFactoryVersionRead;
  return true;
}

bool FactoryJob::PollClear(app::JobContext& ctx) {
  ctx.link().receivedPane() += ".";
  clearStatus_ = database::PollClearDatabase(ctx);
  ++polls_;
  if (clearStatus_ == database::ClearStatus::Waiting && polls_ <= database::kMaxClearPolls) {
    return false;
  }
  if (clearStatus_ == database::ClearStatus::Cleared) {
    flags_.succeeded |= kFactoryDatabaseCleared;
    ctx.fields().factoryResult = "// ACK";
  } else {
    SetModel(ctx, kFailedModel);
  }
  ctx.PushControls();
  return true;
}

bool FactoryJob::LineLost(app::JobContext& ctx) const {
  return ctx.link().lostReads() != lostAtStart_;
}

app::Tick FactoryJob::Step(app::JobContext& ctx) {
  // A reader that is gone answers nothing more: the job goes straight to its summary.
  if (step_ > 1 && step_ <= 8 && result_.failures.empty() && LineLost(ctx)) {
    database::ReportFailure(ctx, result_, database::kConnectionLost);
    SetModel(ctx, kFailedModel);
    step_ = 8;
    return app::Tick::Next;
  }
  switch (step_) {
    case 1:
      if (!Identify(ctx)) return app::Tick::Finish;
      step_ = 2;
      return app::Tick::Next;
    case 2:
      if (FactoryClearsDatabase(Model(model_))) {
        database::SendClearDatabase(ctx, model_);
        flags_.ran |= kFactoryDatabaseCleared;
        ctx.controls().SetText(ctl::kFactoryDefault, "EC");
        polls_ = 0;
        clearStatus_ = database::ClearStatus::Waiting;
        step_ = 3;
      } else {
        step_ = 4;
      }
      return app::Tick::Next;
    case 3:
      if (!PollClear(ctx)) return app::Tick::Stay;
      step_ = 4;
      return app::Tick::Next;
    case 4:
      if (FactoryAsksDeleteAttributes(Model(model_))) {
        std::string text;
        deleteAttributes_ =
            AskDialog(ctx, FactoryDialog::DeleteAttributes, text) == FactoryChoice::Yes;
        step_ = 5;
      } else {
        step_ = 6;
      }
      return app::Tick::Next;
    case 5:
      if (deleteAttributes_) {
        flags_.ran |= kFactoryAttributesCleared;
        if (database::ClearAttributes(ctx, table_, attributes_, model_) > 0) {
          flags_.succeeded |= kFactoryAttributesCleared;
        }
      }
      step_ = 6;
      return app::Tick::Next;
    case 6:
      if (FactorySetsClock(Model(model_)) && ctx.link().open()) {
        flags_.ran |= kFactoryClockSet;
        if (SetReaderClock(ctx)) flags_.succeeded |= kFactoryClockSet;
      }
      step_ = 7;
      return app::Tick::Next;
    case 7:
      if (WriteParameters(ctx) > 0) flags_.succeeded |= kFactoryParametersWritten;
      step_ = 8;
      return app::Tick::Next;
    case 8:
      step_ = 9;
      return app::Tick::Finish;
    default:
      return app::Tick::Finish;
  }
}

void FactoryJob::Finish(app::JobContext& ctx) {
  if (step_ == 9) {
    result_.steps = FactorySteps(flags_);
    result_.summary = app::SummaryText(result_.steps);
    ctx.Message(result_.summary);
  }
  ctx.PushControls();
  result_.ok = result_.readerFound && step_ == 9 && result_.failures.empty() &&
               app::AllStepsOk(result_.steps);
  result_.finished = true;
}

}  // namespace tagline::reader
