#include "database/database_job.h"

#include "app/control_ids.h"
#include "database/layouts.h"
#include "reader/reader_model.h"
#include "serial/frame.h"

namespace tagline::database {

namespace {

namespace ctl = app::ctl;
using reader::ReaderModel;

// A token answered with BEL or an unexpected byte is sent again, but not for ever.
constexpr int kMaxTokenRepeats = 5;
constexpr auto kNoDatabaseModel = static_cast<std::int8_t>(ReaderModel::KtrH9HfV10Cs3);

bool IsCodeSheetModel(std::int8_t model) {
  return model == static_cast<std::int8_t>(ReaderModel::KtrH9V2) ||
         model == static_cast<std::int8_t>(ReaderModel::KtrH9V2Rev5);
}

}  // namespace

void BeginDatabaseJob(app::JobContext& ctx, int progress) {
  ctx.host().BeginWaitCursor();
  ctx.PullControls();
  app::EnableDatabaseControls(ctx.controls(), false);
  ctx.link().ClearPanes();
  ctx.controls().SetProgress(ctl::kProgress, progress);
  ctx.fields().datasetCount.clear();
  ctx.PushControls();
  ctx.host().EndWaitCursor();
}

void EndDatabaseJob(app::JobContext& ctx) {
  ctx.controls().SetProgress(ctl::kProgress, 0);
  ctx.fields().datasetCount.clear();
  app::EnableDatabaseControls(ctx.controls(), true);
  ctx.PushControls();
}

bool SendClearDatabase(app::JobContext& ctx, std::int8_t model) {
  if (!ctx.link().open() || model == kNoDatabaseModel || model == reader::kFailedModel) {
    return false;
  }
  ctx.link().FlushInput();
  ctx.link().Send("EC");
  ctx.PushControls();
  return true;
}

ClearStatus PollClearDatabase(app::JobContext& ctx) {
  serial::ReaderLink& link = ctx.link();
  const std::string reply = link.Read(1, 1);
  if (reply.empty()) return ClearStatus::Waiting;
  ClearStatus status = ClearStatus::Failed;
  switch (reply.front()) {
    case serial::kAck:
      link.receivedPane() += "// ACK, Clear Database successful";
      status = ClearStatus::Cleared;
      break;
    case serial::kBel:
      link.receivedPane() += "// BEL, EC, Clear Database failed";
      break;
    case serial::kNak:
      link.receivedPane() += "// NAK, EC, Clear Database failed";
      break;
    default:
      link.receivedPane() += "// EC, Clear Database failed";
      break;
  }
  link.EndReceivedLine();
  ctx.PushControls();
  return status;
}

std::int8_t ClearAttributes(app::JobContext& ctx, const TagTable& table,
                            const AttributeList& attributes, std::int8_t model) {
  serial::ReaderLink& link = ctx.link();
  if (!link.open()) return model;
  link.FlushInput();
  if (IsCodeSheetModel(model)) {
    const std::string& first = table.At(0);
    if (first.size() < 14 || first[13] == '0') {
      ctx.Message("DB has wrong format");
      return reader::kFailedModel;
    }
    return model;
  }
  const auto layout = LayoutForModel(static_cast<ReaderModel>(model));
  if (layout != SheetLayout::AttributeSheet && layout != SheetLayout::TextCodeSheet) return model;
  if (attributes.Entry(0) == " ") {
    ctx.Message("DB has wrong format");
    return reader::kFailedModel;
  }
  link.Drain(50);
  link.sentPane() += "t...\r\n";
  std::size_t acknowledged = 0;
  for (std::size_t i = 0; i < kAttributeCount; ++i) {
    const std::string command = std::string("t") + AttributeList::TokenAt(i) + "___";
    ctx.controls().SetText(ctl::kFactoryDefault, command);
    const char reply = link.SendToken(command, i > 0 ? kMaxTokenRepeats : 0, false);
    if (reply == 0) {
      ctx.Message("No Answer from reader");
      break;
    }
    if (reply == serial::kAck) ++acknowledged;
    ctx.fields().factoryResult = serial::ReplyLogText(serial::ClassifyReply(std::string(1, reply)));
  }
  const bool cleared = acknowledged == kAttributeCount;
  link.receivedPane() +=
      cleared ? "// ACK, Clear Attributes successful\r\n" : "// NAK, Clear Attributes failed\r\n";
  ctx.PushControls();
  // A clear that was refused is a failure, whatever the reader model.
  return cleared ? model : reader::kFailedModel;
}

void ReportFailure(app::JobContext& ctx, app::JobResult& result, const std::string& text) {
  result.failures.push_back(text);
  ctx.Message(text);
}

}  // namespace tagline::database
