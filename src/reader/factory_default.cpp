// The factory-default job on timer 9: identify, clear the database, optionally clear the
// attributes, set the clock, write the model's factory parameters, show the summary.
#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "reader/classify_reader_version.h"
#include "reader/factory_plan.h"
#include "serial/frame.h"

namespace tagline::app {

namespace {

using reader::FactoryChoice;
using reader::FactoryDialog;
using reader::ReaderModel;

constexpr std::uint32_t kJobPeriodMs = 250;
constexpr std::uint32_t kPollPeriodMs = 250;
constexpr int kMaxClearPolls = 100;
constexpr std::int8_t kFailed = -1;

ReaderModel Model(std::int8_t m) {
  return static_cast<ReaderModel>(m);
}

}  // namespace

FactoryChoice MainDialog::AskFactoryDialog(FactoryDialog dialog, std::string& text) {
  const auto info = reader::DescribeFactoryDialog(dialog);
  if (!info) return FactoryChoice::None;
  ChoiceRequest request;
  request.name = "factory-" + std::to_string(static_cast<int>(dialog));
  request.caption = std::string(info->title);
  request.prompt = request.caption;
  for (const auto& button : info->buttons) request.options.emplace_back(button.caption);
  if (info->editId != 0) {
    request.text = &text;
    request.acceptText = [](const std::string& t) { return reader::SerialNumberAcceptable(t); };
  }
  UpdateData(false);
  const auto answer = host_.ChoiceDialog(request);
  UpdateData(true);
  if (!answer || *answer < 0 || static_cast<std::size_t>(*answer) >= info->buttons.size()) {
    return FactoryChoice::None;
  }
  return info->buttons[static_cast<std::size_t>(*answer)].choice;
}

void MainDialog::ApplyFactoryChange(const reader::MainWindowChange& change) {
  using V = reader::MainWindowValue;
  switch (change.value) {
    case V::Time:
      settings_.time = change.to;
      break;
    case V::Onltyp:
      settings_.onltyp = change.to;
      break;
    case V::Fragmentation:
      settings_.fragmentation = change.to;
      break;
    case V::Beeper:
      settings_.beeper = change.to;
      break;
    case V::Showbadframe:
      settings_.showbadframe = change.to;
      break;
  }
}

std::int8_t MainDialog::WriteFactoryParameters(std::int8_t model) {
  if (exchange_.portOpen == 0 || model == kFailed) return 0;
  exchange_.FlushInput();
  reader::FactoryAnswers answers;
  reader::FactorySuccessCounter counter;
  bool first = true;
  for (const reader::FactoryItem& item : reader::FactorySequence(Model(model))) {
    if (item.dialog != FactoryDialog::None) {
      std::string text;
      const FactoryChoice choice = AskFactoryDialog(item.dialog, text);
      answers.Record(item.dialog, choice, text);
      continue;
    }
    for (const reader::FactoryWrite& write : reader::FactoryRowWrites(*item.step, answers)) {
      port_.Write(serial::FrameCommand(write.command));
      controls_.SetText(ctl::kFactoryDefault, write.command);
      exchange_.sentPane += write.command + "\r\n";
      exchange_.sendText = write.command;
      const std::string reply = exchange_.ReadReply(1, serial::kReplyTimeoutMs);
      const auto replyClass = serial::ClassifyReply(reply);
      if (!reply.empty()) {
        exchange_.receivedPane += reader::FactoryReplyLine(write, replyClass);
        factoryResult = serial::ReplyLogText(replyClass);
        if (replyClass == serial::ReplyClass::Ack && write.change)
          ApplyFactoryChange(*write.change);
      }
      counter.Record(replyClass);
      exchange_.receivedPane += "\r\n";
      std::string discarded;
      port_.ReadTimed(discarded, 51, 1);
      if (first) UpdateData(false);
      first = false;
    }
  }
  UpdateData(false);
  factoryRan |= reader::kFactoryParametersWritten;
  return counter.Result();
}

void MainDialog::OnFactoryJobTimer() {
  const auto next = [this](std::uint8_t step) {
    factoryStep = step;
    host_.SetTimer(timer::kFactory, kJobPeriodMs);
  };
  switch (factoryStep) {
    case 1: {
      host_.KillTimer(timer::kFactory);
      factoryFlags = 0;
      factoryRan = reader::kFactoryVersionRead;
      const std::string version = RequestSoftwareVersion(true, false);
      currentModel = static_cast<std::int8_t>(reader::ClassifyReaderVersion(version));
      controls_.SetText(ctl::kFactoryDefault, "VS");
      factoryResult = version;
      UpdateData(false);
      if (currentModel < 1) {
        factoryStep = 0;
        host_.SetTimer(timer::kPoll, kPollPeriodMs);
        return;
      }
      factoryFlags |= reader::kFactoryVersionRead;
      next(2);
      break;
    }
    case 2:
      host_.KillTimer(timer::kFactory);
      if (reader::FactoryClearsDatabase(Model(currentModel))) {
        SendClearDatabase(currentModel);
        factoryRan |= reader::kFactoryDatabaseCleared;
        controls_.SetText(ctl::kFactoryDefault, "EC");
        pollCount = 0;
        stepResult = 0;
        next(3);
      } else {
        next(4);
      }
      break;
    case 3:
      exchange_.receivedPane += ".";
      stepResult = PollClearDatabase(currentModel);
      ++pollCount;
      if (stepResult == 0 && pollCount <= kMaxClearPolls) break;
      if (stepResult > 1) {
        factoryFlags |= reader::kFactoryDatabaseCleared;
        factoryResult = "// ACK";
      } else {
        currentModel = kFailed;
      }
      UpdateData(false);
      host_.KillTimer(timer::kFactory);
      next(4);
      break;
    case 4:
      host_.KillTimer(timer::kFactory);
      if (reader::FactoryAsksDeleteAttributes(Model(currentModel))) {
        std::string text;
        const auto choice = AskFactoryDialog(FactoryDialog::DeleteAttributes, text);
        dialogResult = choice == FactoryChoice::Yes ? id::kOk : id::kCancel;
        next(5);
      } else {
        next(6);
      }
      break;
    case 5:
      host_.KillTimer(timer::kFactory);
      if (dialogResult == id::kOk) {
        factoryRan |= reader::kFactoryAttributesCleared;
        if (ClearAttributes(currentModel) > 0) factoryFlags |= reader::kFactoryAttributesCleared;
      }
      next(6);
      break;
    case 6:
      host_.KillTimer(timer::kFactory);
      if (reader::FactorySetsClock(Model(currentModel)) && exchange_.portOpen != 0) {
        factoryRan |= reader::kFactoryClockSet;
        if (SetReaderClock(static_cast<std::uint8_t>(currentModel)) != 255) {
          factoryFlags |= reader::kFactoryClockSet;
        }
      }
      next(7);
      break;
    case 7:
      host_.KillTimer(timer::kFactory);
      if (WriteFactoryParameters(currentModel) > 0) {
        factoryFlags |= reader::kFactoryParametersWritten;
      }
      next(8);
      break;
    case 8:
      host_.KillTimer(timer::kFactory);
      Message(reader::FactorySummary({factoryRan, factoryFlags}));
      factoryStep = 0;
      host_.SetTimer(timer::kPoll, kPollPeriodMs);
      UpdateData(false);
      break;
    default:
      break;
  }
}

}  // namespace tagline::app
