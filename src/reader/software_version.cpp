#include "reader/software_version.h"

#include "reader/classify_reader_version.h"

namespace tagline::reader {

namespace {

constexpr std::uint32_t kVersionReplyBytes = 50;
constexpr std::uint32_t kVersionReplyMs = 450;

// Drops the frame around a reply: the CRC digits and ETX at the end, STX at the front.
std::string Unframe(std::string reply) {
  if (reply.size() >= 5) reply.resize(reply.size() - 5);
  if (!reply.empty()) reply.erase(0, 1);
  return reply;
}

}  // namespace

std::string RequestSoftwareVersion(app::JobContext& ctx, VersionEcho echo, PollAfter poll) {
  ctx.PullControls();
  app::StopPoll(ctx.host());
  const bool visible = echo == VersionEcho::Shown;
  serial::ReaderLink& link = ctx.link();
  std::string result;
  if (link.open()) {
    serial::ExchangeOptions how;
    how.wanted = kVersionReplyBytes;
    how.timeoutMs = kVersionReplyMs;
    how.echo = visible ? serial::Echo::SendField : serial::Echo::None;
    const serial::Reply reply = link.Exchange("SV", how);
    if (reply.answered()) {
      result = Unframe(reply.text);
      if (visible && !result.empty()) {
        link.receivedPane() += result;
        ctx.fields().svResult = result;
      }
    } else if (visible) {
      ctx.Message("No Answer from reader");
    }
    if (visible) {
      link.EndReceivedLine();
      link.TrimPanes();
    }
  }
  if (poll == PollAfter::Restart) app::StartPoll(ctx.host());
  ctx.PushControls();
  return result;
}

ReaderModel IdentifyReader(app::JobContext& ctx, VersionEcho echo, PollAfter poll) {
  return ClassifyReaderVersion(RequestSoftwareVersion(ctx, echo, poll));
}

}  // namespace tagline::reader
