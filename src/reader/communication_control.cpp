#include "reader/communication_control.h"

#include "app/control_ids.h"
#include "reader/software_version.h"
#include "serial/frame.h"

namespace tagline::reader {

namespace {

namespace ctl = app::ctl;

constexpr const char* kExitCommand = "XT";
constexpr const char* kEstablishCommand = "s22400";

// clang-format off
constexpr const char* kEstablishText = " Establish Communication ----------------------------------------->                                     -------------->";
constexpr const char* kExitText = " Exit Communication ------------------------------------------------->                                     -------------->";
// clang-format on

// The readers whose communication can be switched on and off again.
bool TogglesCommunication(ReaderModel model) {
  using M = ReaderModel;
  return model == M::KtrH9HfV43Build39 || model == M::KtrH9HfV10Cs3 ||
         model == M::KtrH9V43Build39 || model == M::KtrH9V43Build54;
}

}  // namespace

void CommunicationControl::ShowState(app::ControlModel& controls, bool open) {
  controls.SetText(ctl::kCommLabel, open ? kExitText : kEstablishText);
  controls.SetText(ctl::kXt, open ? kExitCommand : kEstablishCommand);
}

void CommunicationControl::Reset(app::ControlModel& controls) {
  open_ = false;
  ShowState(controls, false);
}

app::CommandResult CommunicationControl::Toggle(app::JobContext& ctx) {
  return Run(ctx, [this](ReaderModel model) {
    if (open_) return Press{kExitCommand, true};
    // A reader that cannot switch is taken into communication without a command of its own.
    return Press{kEstablishCommand, TogglesCommunication(model)};
  });
}

app::CommandResult CommunicationControl::Switch(app::JobContext& ctx, bool on) {
  return Run(ctx, [on](ReaderModel) { return Press{on ? kEstablishCommand : kExitCommand, true}; });
}

app::CommandResult CommunicationControl::Run(app::JobContext& ctx,
                                             const std::function<Press(ReaderModel)>& choose) {
  serial::ReaderLink& link = ctx.link();
  std::string& commResult = ctx.fields().commResult;
  return app::RunButtonCommand(ctx, commResult, [&](app::CommandResult& result) {
    const ReaderModel model = IdentifyReader(ctx, VersionEcho::Quiet, PollAfter::Restart);
    link.FlushInput();
    const Press press = choose(model);
    if (press.send) {
      link.Send(press.command, serial::Echo::SendField);
    } else {
      link.sentPane() += std::string(press.command) + "\r\n";
      link.sendText() = press.command;
    }
    // "s22400" opens on every model; "XT" closes only where the reader can be opened again.
    const bool establish = std::string_view(press.command) == kEstablishCommand;
    if (establish || TogglesCommunication(model)) {
      open_ = establish;
      ShowState(ctx.controls(), open_);
    }
    const std::string reply = link.Read(1, serial::kReplyTimeoutMs);
    commResult.clear();
    if (!reply.empty()) {
      const auto cls = serial::ClassifyReply(reply, serial::ReplyByte::Last);
      commResult = serial::ReplyLogText(cls);
      link.receivedPane() += commResult;
      result.ok = press.send && cls == serial::ReplyClass::Ack;
    }
    link.EndReceivedLine();
  });
}

app::CommandResult TestDatabase(app::JobContext& ctx) {
  app::CommandResult result;
  serial::ReaderLink& link = ctx.link();
  app::DialogFields& fields = ctx.fields();
  const app::PollPause pause(ctx.host());
  app::EnableDatabaseControls(ctx.controls(), false);
  link.ClearPanes();
  ctx.controls().SetProgress(ctl::kProgress, 0);
  fields.datasetCount.clear();
  if (link.open()) {
    result.sent = true;
    ctx.PushControls();
    link.FlushInput();
    const ReaderModel model = IdentifyReader(ctx, VersionEcho::Shown, PollAfter::LeaveOff);
    if (model != ReaderModel::KtrH9HfV10Cs3) {
      serial::ExchangeOptions how;
      how.flush = false;
      how.echo = serial::Echo::SendField;
      const serial::Reply reply = link.Exchange("ET", how);
      if (!reply.answered()) {
        ctx.Message("No Answer from reader");
      } else {
        switch (reply.text.front()) {
          case serial::kBel:
            link.receivedPane() += "// BEL";
            fields.testResult = "empty";
            break;
          case serial::kAck:
            link.receivedPane() += "// ACK";
            fields.testResult = "occupied";
            break;
          case serial::kNak:
            link.receivedPane() += "// NAK";
            break;
          default:
            fields.testResult.clear();
            break;
        }
      }
      link.EndReceivedLine();
      link.TrimPanes();
    }
  }
  app::EnableDatabaseControls(ctx.controls(), true);
  ctx.PushControls();
  result.text = fields.testResult;
  result.ok = result.sent && !result.text.empty();
  return result;
}

}  // namespace tagline::reader
