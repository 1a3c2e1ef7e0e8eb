// SPDX-License-Identifier: Apache-2.0
#include "protocol/reader_protocol.h"

#include <array>

#include "platform/tick_count.h"
#include "serial/frame.h"

namespace tagline::protocol {

namespace {

using serial::kReplyTimeoutMs;

constexpr std::uint32_t kVersionReplyBytes = 50;
constexpr std::uint32_t kVersionReplyMs = 450;
constexpr std::uint32_t kProbeBytes = 32;
constexpr std::uint32_t kProbeMs = 360;
constexpr int kTagReplyChunks = 1000;
constexpr std::uint32_t kClockReplyBytes = 18;
constexpr std::uint32_t kCellReplyBytes = 8;
constexpr std::uint32_t kWriteReplyMs = 1000;
constexpr std::uint32_t kRecordPauseMs = 20;
// A radio link or a busy adapter may hand an answer on this late.
constexpr std::uint32_t kLateAnswerMs = 1500;
constexpr std::uint32_t kLateAnswerBytes = 64;
// Replies that are collected come 1 ms at a time.
constexpr int kCollectedReplyChunks = 500;

constexpr std::array kRecordEndChars{serial::kEtx, serial::kNak};
constexpr std::string_view kRecordEnds{kRecordEndChars.data(), kRecordEndChars.size()};

// A reply as read, with its class by the byte `which` names.
Reply Classified(std::string raw, serial::ReplyByte which = serial::ReplyByte::First) {
  Reply reply;
  reply.cls = serial::ClassifyReply(raw, which);
  reply.wholeFrame = FrameData(raw).has_value();
  reply.raw = std::move(raw);
  return reply;
}

Reply FromExchange(const serial::Reply& exchanged) {
  return Classified(exchanged.text);
}

// The characters [1, 1 + count) of a reply: the data positions of a short frame.
std::string DataAfterStx(const std::string& raw, std::size_t count) {
  const std::string kept = raw.substr(0, count + 1);
  return kept.size() > 1 ? kept.substr(1) : std::string();
}

}  // namespace

std::optional<std::string> FrameData(std::string_view reply) {
  while (!reply.empty() && (reply.back() == serial::kCr || reply.back() == '\n')) {
    reply.remove_suffix(1);
  }
  return serial::UnframeReply(reply);
}

Reply ReaderProtocol::RequestVersion(serial::Echo echo) {
  serial::ExchangeOptions how;
  how.wanted = kVersionReplyBytes;
  how.timeoutMs = kVersionReplyMs;
  how.echo = echo;
  Reply reply = FromExchange(link_.Exchange("SV", how));
  if (const auto data = FrameData(reply.raw)) {
    reply.payload = *data;
    return reply;
  }
  // The CRC digits and ETX at the end, STX at the front.
  std::string text = reply.raw;
  if (text.size() >= 5) text.resize(text.size() - 5);
  if (!text.empty()) text.erase(0, 1);
  reply.payload = std::move(text);
  return reply;
}

void ReaderProtocol::SettleLine() {
  link_.CollectUntil(std::string{serial::kEtx}, static_cast<int>(kVersionReplyMs));
  link_.FlushInput();
}

bool ReaderProtocol::ProbeVersion() {
  serial::ExchangeOptions probe;
  probe.wanted = kProbeBytes;
  probe.timeoutMs = kProbeMs;
  probe.echo = serial::Echo::None;
  const serial::Reply version = link_.Exchange("SV", probe);
  if (!version.answered()) return false;
  // The probe takes only the first bytes of the version reply; the rest of a longer one is
  // still arriving and would be read as the tag.
  const bool frameOpen = version.text.find(serial::kStx) != std::string::npos &&
                         version.text.find(serial::kEtx) == std::string::npos;
  if (frameOpen) link_.CollectUntil(std::string{serial::kEtx}, static_cast<int>(kProbeMs));
  link_.FlushInput();
  return true;
}

Reply ReaderProtocol::GetTag() {
  link_.Send("GT", serial::Echo::SendField);
  Reply reply = Classified(
      link_.CollectUntil(std::string{serial::kEtx, serial::kNak, serial::kCr}, kTagReplyChunks));
  reply.payload = reply.raw;
  return reply;
}

Reply ReaderProtocol::SwitchCommunication(std::string_view command, bool send) {
  if (send) link_.Send(command, serial::Echo::SendField);
  return Classified(link_.Read(1, kReplyTimeoutMs), serial::ReplyByte::Last);
}

Reply ReaderProtocol::TestDatabase() {
  serial::ExchangeOptions how;
  how.flush = false;
  how.echo = serial::Echo::SendField;
  return FromExchange(link_.Exchange("ET", how));
}

Reply ReaderProtocol::ReadClock() {
  link_.Send("R", serial::Echo::SendField);
  Reply reply = Classified(link_.Read(kClockReplyBytes, kClockReplyBytes * kReplyTimeoutMs));
  reply.payload = DataAfterStx(reply.raw, 12);
  return reply;
}

Reply ReaderProtocol::SetClock(std::string_view digits) {
  link_.Send("r" + std::string(digits), serial::Echo::SendField);
  return Classified(link_.Read(1, kReplyTimeoutMs));
}

Reply ReaderProtocol::WriteCell(std::string_view body) {
  link_.Send("s" + std::string(body), serial::Echo::SendField);
  return Classified(link_.Read(1, kReplyTimeoutMs));
}

Reply ReaderProtocol::WriteFactoryRow(std::string_view command) {
  link_.Send(command, serial::Echo::SendField);
  return Classified(link_.Read(1, kReplyTimeoutMs));
}

Reply ReaderProtocol::ReadCell(std::string_view address) {
  link_.Send("S" + std::string(address), serial::Echo::SendField);
  Reply reply = Classified(link_.Read(kCellReplyBytes, kCellReplyBytes * kReplyTimeoutMs));
  reply.payload = DataAfterStx(reply.raw, 2);
  return reply;
}

void ReaderProtocol::StartErase() {
  link_.FlushInput();
  link_.Send("EC");
}

Reply ReaderProtocol::PollErase() {
  return Classified(link_.Read(1, 1));
}

TokenReply ReaderProtocol::WriteAttribute(std::string_view command, int maxRepeats) {
  TokenReply result;
  for (int sent = 0;; ++sent) {
    link_.Send(command, serial::Echo::None);
    const std::string reply =
        link_.CollectUntil(std::string{serial::kAck, serial::kNak}, kCollectedReplyChunks);
    if (reply.empty()) {
      result.last = 0;
      return result;
    }
    result.last = reply.front();
    if (result.last == serial::kAck || result.last == serial::kNak || sent >= maxRepeats) {
      return result;
    }
    result.repeated.push_back(serial::ClassifyReply(reply));
  }
}

Reply ReaderProtocol::InitWritePointer() {
  serial::ExchangeOptions how;
  how.timeoutMs = kWriteReplyMs;
  how.flush = false;
  return FromExchange(link_.Exchange("WP", how));
}

Reply ReaderProtocol::WriteRecord(std::string_view record) {
  serial::ExchangeOptions how;
  how.timeoutMs = kWriteReplyMs;
  how.flush = false;
  how.echo = serial::Echo::None;
  how.pauseMs = kRecordPauseMs;
  return FromExchange(link_.Exchange("w" + std::string(record), how));
}

Reply ReaderProtocol::ResetReadPointer() {
  serial::ExchangeOptions how;
  how.flush = false;
  return FromExchange(link_.Exchange("RP", how));
}

std::string ReaderProtocol::DrainKept(std::uint32_t wanted) {
  std::string drained;
  link_.ReadTimed(drained, wanted, 1);
  return drained;
}

std::string ReaderProtocol::AwaitLateAnswer() {
  std::string late;
  if (link_.ReadTimed(late, 1, kLateAnswerMs) > 0) late += DrainKept(kLateAnswerBytes);
  return late;
}

Reply ReaderProtocol::ReadNext(std::uint32_t drain) {
  std::string stale = DrainKept(drain);
  link_.Send("RN", serial::Echo::None);
  platform::SleepMs(kRecordPauseMs);
  Reply reply = Classified(link_.CollectUntil(kRecordEnds, kCollectedReplyChunks));
  reply.stale = std::move(stale);
  if (const auto data = FrameData(reply.raw)) reply.payload = *data;
  return reply;
}

Reply ReaderProtocol::ReadAttribute(char token) {
  link_.Send(std::string("T") + token, serial::Echo::None);
  Reply reply = Classified(link_.CollectUntil(kRecordEnds, kCollectedReplyChunks));
  if (const auto data = FrameData(reply.raw)) {
    reply.payload = *data;
    return reply;
  }
  // STX at the front, the CRC digits and ETX at the end.
  std::string text = reply.raw;
  if (!text.empty()) text.erase(0, 1);
  if (text.size() > 4) text.resize(text.size() - 5);
  reply.payload = std::move(text);
  return reply;
}

void ReaderProtocol::AcknowledgeCode() {
  link_.SendRaw(std::string{serial::kStx, serial::kAck, serial::kEtx});
}

}  // namespace tagline::protocol
