// The terminal side of the serial line: the two panes, the Send button, the receive poll
// and the ONLINE frame buffer, and the flush, read and log steps that the reader link
// builds its exchanges from. The main window owns one for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "serial/line.h"
#include "serial/reply.h"

namespace tagline::serial {

inline constexpr std::uint32_t kReplyTimeoutMs = 180;
inline constexpr int kPaneLineLimit = 20;
// A pane or an ONLINE code that never gets its line end or ETX stops growing here: a
// reader sending without end would otherwise fill the memory.
inline constexpr std::size_t kPaneByteLimit = std::size_t{64} * 1024;
inline constexpr std::size_t kOnlineCodeByteLimit = std::size_t{4} * 1024;

// Line protocols of the Send button.
enum LineProtocol : int { kProtocolFramed = 0, kProtocolDataCr = 1, kProtocolData = 2 };

class CommandExchange {
 public:
  enum class FrameEnd { Etx, Cr };
  // Takes a complete ONLINE code out of `onlineBuffer` (and leaves it empty).
  using OnlineFrameHandler = std::function<void(CommandExchange&, FrameEnd)>;
  // Is told what one poll added to the received pane, before the trim can cut it off.
  using PollObserver = std::function<void(std::string_view added)>;

  explicit CommandExchange(Line& port) : port_(port) {}

  Line& port() { return port_; }

  // The line's ReadTimed, counting the reads that found the line lost.
  int ReadTimed(std::string& out, std::uint32_t wanted, std::uint32_t timeoutMs);
  void FlushInput();
  std::string ReadReply(std::uint32_t wanted, std::uint32_t timeoutMs);
  void AppendLog(ReplyClass reply, std::string_view context = {});
  void TrimPanes();

  // The Send button: the send text in the given line protocol. Does not read.
  void OnSend(int protocol);

  // One tick of the receive poll. Returns true when data arrived, i.e. when the panes
  // must be pushed to the window and the received pane scrolled to its end.
  bool PollReceive(int onlineMode);

  void SetOnlineFrameHandler(OnlineFrameHandler handler) { onlineHandler_ = std::move(handler); }
  // None (the default) stops the reports.
  void SetPollObserver(PollObserver observer) { pollObserver_ = std::move(observer); }

  int portOpen = 0;
  std::string receivedPane;
  std::string sentPane;
  std::string sendText;
  std::string onlineBuffer;
  std::string lastOnlineCode;
  // The terminal-mode polls that brought data, and the class of the last one when it was a
  // lone ACK, NAK or BEL (NoAnswer otherwise).
  int polledReplies = 0;
  // Reads that found the line gone (an unplugged adapter): a transfer stops at once.
  int lostReads = 0;
  ReplyClass lastPolledReply = ReplyClass::NoAnswer;

 private:
  void HandOnlineFrame(FrameEnd end);
  void ShowTerminalData(std::string data);

  Line& port_;
  OnlineFrameHandler onlineHandler_;
  PollObserver pollObserver_;
};

}  // namespace tagline::serial
