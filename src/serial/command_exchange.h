// The command exchange with the reader: the terminal panes, the Send button, the
// receive poll, and the flush / write / read / classify / log steps that every
// reader command goes through. The main window owns one for the whole run.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "serial/reply.h"
#include "serial/serial_port.h"

namespace tagline::serial {

inline constexpr std::uint32_t kReplyTimeoutMs = 180;
inline constexpr std::uint32_t kPollPeriodMs = 250;
inline constexpr int kPaneLineLimit = 20;

// Line protocols of the Send button.
enum LineProtocol : int { kProtocolFramed = 0, kProtocolDataCr = 1, kProtocolData = 2 };

struct ExchangeResult {
  bool sent = false;  // false when the port-open flag was clear
  ReplyClass reply = ReplyClass::NoAnswer;
  std::string text;     // the reply bytes as read
  std::string logText;  // the class's log text for the row's result field; empty for no answer
};

class CommandExchange {
 public:
  enum class FrameEnd { Etx, Cr };
  // Takes a complete ONLINE code out of `onlineBuffer` (and leaves it empty).
  using OnlineFrameHandler = std::function<void(CommandExchange&, FrameEnd)>;

  explicit CommandExchange(SerialPort& port) : port_(port) {}

  SerialPort& port() { return port_; }

  void FlushInput();
  std::string ReadReply(std::uint32_t wanted, std::uint32_t timeoutMs);
  void AppendLog(ReplyClass reply, std::string_view context = {});
  void TrimPanes();

  // Flush, write the framed command, read, classify, log both panes and trim them.
  // Nothing happens while the port-open flag is clear.
  ExchangeResult Transact(std::string_view command, std::uint32_t wanted, std::uint32_t timeoutMs,
                          std::string_view context = {}, ReplyByte which = ReplyByte::First);

  // The Send button: the send text in the given line protocol. Does not read.
  void OnSend(int protocol);

  // One tick of the receive poll. Returns true when data arrived, i.e. when the panes
  // must be pushed to the window and the received pane scrolled to its end.
  bool PollReceive(int onlineMode);

  void SetOnlineFrameHandler(OnlineFrameHandler handler) { onlineHandler_ = std::move(handler); }

  int portOpen = 0;
  std::string receivedPane;
  std::string sentPane;
  std::string sendText;
  std::string onlineBuffer;
  std::string lastOnlineCode;

 private:
  void HandOnlineFrame(FrameEnd end);
  void ShowTerminalData(std::string data);

  SerialPort& port_;
  OnlineFrameHandler onlineHandler_;
};

}  // namespace tagline::serial
