// SPDX-License-Identifier: Apache-2.0
#include "serial/reader_link.h"

#include <algorithm>

#include "platform/tick_count.h"
#include "serial/frame.h"

namespace tagline::serial {

namespace {

// No reply of the protocol comes near this; a reader that sends without end is cut here.
constexpr std::size_t kMaxReplyBytes = 4096;

}  // namespace

void ReaderLink::AddObserver(LinkObserver& observer) {
  observers_.push_back(&observer);
}

void ReaderLink::RemoveObserver(LinkObserver& observer) {
  std::erase(observers_, &observer);
}

bool ReaderLink::Write(const std::string& bytes) {
  const bool written = line_.Write(bytes);
  for (LinkObserver* observer : observers_) observer->OnWritten(bytes);
  return written;
}

int ReaderLink::ReadTimed(std::string& out, std::uint32_t wanted, std::uint32_t timeoutMs) {
  const int count = line_.ReadTimed(out, wanted, timeoutMs);
  if (count == -1) {
    ++lostReads_;
    for (LinkObserver* observer : observers_) observer->OnLost();
  } else if (!out.empty()) {
    for (LinkObserver* observer : observers_) observer->OnRead(out);
  }
  return count;
}

void ReaderLink::Drain(std::uint32_t wanted) {
  std::string discarded;
  ReadTimed(discarded, wanted, 1);
}

void ReaderLink::Send(std::string_view command, Echo echo) {
  Write(FrameCommand(command));
  for (LinkObserver* observer : observers_) observer->OnCommand(command, echo);
}

std::string ReaderLink::Read(std::uint32_t wanted, std::uint32_t timeoutMs) {
  std::string reply;
  ReadTimed(reply, wanted, timeoutMs);
  return reply;
}

std::string ReaderLink::CollectUntil(std::string_view ends, int chunkLimit) {
  std::string reply;
  for (int i = 0; i < chunkLimit; ++i) {
    std::string chunk;
    if (ReadTimed(chunk, 1, 1) == -1) break;  // nothing more will come
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

}  // namespace tagline::serial
