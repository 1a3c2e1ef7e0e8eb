#include "serial/reader_link.h"

#include "platform/tick_count.h"
#include "serial/frame.h"

namespace tagline::serial {

namespace {

// Replies are collected 1 ms at a time.
constexpr int kTokenReplyChunks = 500;
// No reply of the protocol comes near this; a reader that sends without end is cut here.
constexpr std::size_t kMaxReplyBytes = 4096;

}  // namespace

void ReaderLink::ClearPanes() {
  exchange_.receivedPane.clear();
  exchange_.sentPane.clear();
}

void ReaderLink::Drain(std::uint32_t wanted) {
  std::string discarded;
  exchange_.ReadTimed(discarded, wanted, 1);
}

void ReaderLink::Send(std::string_view command, Echo echo) {
  exchange_.port().Write(FrameCommand(command));
  if (echo == Echo::None) return;
  exchange_.sentPane += command;
  exchange_.sentPane += "\r\n";
  if (echo == Echo::SendField) exchange_.sendText = std::string(command);
}

void ReaderLink::SendRaw(const std::string& bytes) {
  exchange_.port().Write(bytes);
}

std::string ReaderLink::Read(std::uint32_t wanted, std::uint32_t timeoutMs) {
  return exchange_.ReadReply(wanted, timeoutMs);
}

std::string ReaderLink::CollectUntil(std::string_view ends, int chunkLimit) {
  std::string reply;
  for (int i = 0; i < chunkLimit; ++i) {
    std::string chunk;
    if (exchange_.ReadTimed(chunk, 1, 1) == -1) break;  // nothing more will come
    reply += chunk;
    if (reply.size() >= kMaxReplyBytes) {
      reply.resize(kMaxReplyBytes);
      break;
    }
    if (chunk.find_first_of(ends) != std::string::npos) break;
  }
  return reply;
}

Reply ReaderLink::Exchange(std::string_view command, const ExchangeOptions& how) {
  if (how.flush) FlushInput();
  Send(command, how.echo);
  // The reader gets its time before the wait for the reply starts.
  if (how.pauseMs > 0) platform::SleepMs(how.pauseMs);
  Reply reply;
  reply.sent = true;
  reply.text = Read(how.wanted, how.timeoutMs);
  reply.cls = ClassifyReply(reply.text, how.which);
  return reply;
}

Reply ReaderLink::Transact(std::string_view command, const ExchangeOptions& how,
                           std::string_view context) {
  if (!open()) return {};
  Reply reply = Exchange(command, how);
  if (reply.answered()) LogReply(reply.cls, context);
  EndReceivedLine();
  TrimPanes();
  return reply;
}

char ReaderLink::SendToken(std::string_view command, int maxRepeats, bool logRepeats) {
  for (int sent = 0;; ++sent) {
    Send(command, Echo::None);
    const std::string reply = CollectUntil(std::string{kAck, kNak}, kTokenReplyChunks);
    if (reply.empty()) return 0;
    const char first = reply.front();
    if (first == kAck || first == kNak || sent >= maxRepeats) return first;
    if (logRepeats) LogLine(ClassifyReply(reply));
  }
}

void ReaderLink::LogReply(ReplyClass cls, std::string_view context) {
  exchange_.AppendLog(cls, context);
}

void ReaderLink::LogLine(ReplyClass cls) {
  exchange_.receivedPane += ReplyLogText(cls);
  exchange_.receivedPane += "\r\n";
}

}  // namespace tagline::serial
