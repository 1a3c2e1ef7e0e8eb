// SPDX-License-Identifier: Apache-2.0
// The reader's commands as typed calls over the reader link: each frames its command,
// waits for the reply as the reader gives it (counts, time-outs, collection), and returns
// what came back. Replies are looked at here once: their class, the part of them a command
// takes, and whether they were a whole frame with matching CRC digits. The calls show
// nothing; the link's observers hear of every byte, and callers say what the panes show.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/reader_link.h"
#include "serial/reply.h"

namespace tagline::protocol {

struct Reply {
  std::string raw;                                        // the bytes as they came
  serial::ReplyClass cls = serial::ReplyClass::NoAnswer;  // by the byte the command tests
  std::string payload;                                    // the command's data, cut from raw
  // STX, data, four matching CRC digits, ETX, and nothing else but a line end some readers
  // send after a frame. Only such a reply counts as data.
  bool wholeFrame = false;
  // Bytes that were waiting when the command went out (thrown away), where a command drains
  // the line first: what is left of the reply before, or a late copy of it.
  std::string stale;
  bool answered() const { return cls != serial::ReplyClass::NoAnswer; }
  bool ack() const { return cls == serial::ReplyClass::Ack; }
  // Data that came as no whole frame: more than one byte (a lone ACK, NAK or BEL is an
  // answer of its own) and not a frame with matching CRC digits.
  bool damaged() const { return raw.size() > 1 && !wholeFrame; }
};

// What the panes show for a damaged reply.
inline constexpr const char* kBadFrameText = "// bad frame";

// The data of a reply that is one whole frame with matching CRC digits (a CR or LF after its
// ETX allowed); nothing for anything else.
std::optional<std::string> FrameData(std::string_view reply);

// The reply to a one-token command that the reader may ask to hear again (BEL).
struct TokenReply {
  char last = 0;  // the first byte of the last reply; 0 for none
  // The classes of the replies that made the token go out again, in order.
  std::vector<serial::ReplyClass> repeated;
};

class ReaderProtocol {
 public:
  explicit ReaderProtocol(serial::ReaderLink& link) : link_(link) {}

  serial::ReaderLink& link() { return link_; }
  bool open() const { return link_.open(); }
  int lostReads() const { return link_.lostReads(); }
  void Flush() { link_.FlushInput(); }
  void Drain(std::uint32_t wanted) { link_.Drain(wanted); }
  // The same, giving what was thrown away.
  std::string DrainKept(std::uint32_t wanted);
  // What still comes after a command went unanswered, within the time a slow line takes:
  // the first byte, and what follows it at once.
  std::string AwaitLateAnswer();

  // "SV", 50 bytes within 450 ms. The payload is the frame's data; of a reply that is no
  // whole frame, the reply without its last five and first character.
  Reply RequestVersion(serial::Echo echo);
  // Waits out the rest of a frame that is still arriving (up to a version reply's time) and
  // throws away what is queued: the next command starts on a quiet line.
  void SettleLine();
  // The presence probe before "GT": "SV", 32 bytes within 360 ms, shown nowhere; a longer
  // version reply still arriving is waited out and thrown away. True when it answered.
  bool ProbeVersion();
  // "GT": collected until ETX, NAK or CR, for at most a second. The payload is the raw reply.
  Reply GetTag();
  // "s22400" or "XT": one byte within the reply time-out, classed by its last byte. With
  // `send` false nothing goes out (the command is only shown) and nothing is awaited but
  // what the reader sends on its own.
  Reply SwitchCommunication(std::string_view command, bool send);
  // "ET", without a flush first.
  Reply TestDatabase();
  // "R": 18 bytes within 18 reply time-outs; the payload is characters 1 to 12.
  Reply ReadClock();
  // "r" + DDMMYYhhmmss, one byte within the reply time-out.
  Reply SetClock(std::string_view digits);
  // A parameter cell: "s" + address + value (one byte), "S" + address (eight bytes within
  // eight reply time-outs; the payload is the two value characters after the first).
  Reply WriteCell(std::string_view body);
  Reply ReadCell(std::string_view address);
  // A factory-default row as the factory table gives it (a cell write): one byte within
  // the reply time-out.
  Reply WriteFactoryRow(std::string_view command);

  // "EC": flushes and sends; the answer comes later, looked for once a job tick.
  void StartErase();
  // What has arrived for "EC" within 1 ms; NoAnswer while the reader is still at it.
  Reply PollErase();
  // "t" + token + text, sent again after a BEL or an unexpected first byte at most
  // `maxRepeats` times; each reply collected until ACK or NAK.
  TokenReply WriteAttribute(std::string_view command, int maxRepeats);
  // "WP" and "w" + record: one byte within a second, without a flush first; a record gets
  // 20 ms before the wait starts and is shown nowhere.
  Reply InitWritePointer();
  Reply WriteRecord(std::string_view record);
  // "RP": one byte within the reply time-out, without a flush first.
  Reply ResetReadPointer();
  // "RN" after draining `drain` bytes (kept in `stale`); collected until ETX or NAK. Shown
  // nowhere. The payload of a whole frame is its data.
  Reply ReadNext(std::uint32_t drain);
  // "T" + token; collected until ETX or NAK. Shown nowhere.
  Reply ReadAttribute(char token);

  // STX ACK ETX, the answer to an ONLINE code.
  void AcknowledgeCode();

 private:
  serial::ReaderLink& link_;
};

}  // namespace tagline::protocol
