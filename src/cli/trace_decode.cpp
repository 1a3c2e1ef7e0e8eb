// SPDX-License-Identifier: Apache-2.0
#include "cli/trace_decode.h"

#include <array>
#include <string_view>

#include "database/tag_table.h"
#include "platform/printable_text.h"
#include "protocol/classify_reader_version.h"
#include "serial/frame.h"
#include "serial/reply.h"

namespace tagline::cli {

namespace {

struct CommandName {
  std::string_view prefix;
  std::string_view name;
};

// Longest prefixes first where one starts another ("s22400" before "s").
constexpr std::array<CommandName, 16> kCommandNames = {{
    {"s22400", "establish communication"},
    {"SV", "software version"},
    {"GT", "read tag"},
    {"XT", "end communication"},
    {"ET", "database test"},
    {"EC", "clear database"},
    {"WP", "write pointer to the start"},
    {"RP", "read pointer to the start"},
    {"RN", "read next record"},
    {"R", "read clock"},
    {"r", "set clock"},
    {"s", "write parameter"},
    {"S", "read parameter"},
    {"w", "write record"},
    {"t", "write attribute"},
    {"T", "read attribute"},
}};

std::string Quoted(std::string_view text) {
  return "\"" + platform::EscapeControlBytes(text) + "\"";
}

// What a sent frame asks: its command text, or the bytes as sent when it is no frame.
std::string CommandText(const std::string& bytes, bool& framed) {
  if (auto text = serial::UnframeReply(bytes)) {
    framed = true;
    return *text;
  }
  framed = false;
  return bytes;
}

void NameCommand(TraceExchange& exchange) {
  const std::string& command = exchange.command;
  for (const CommandName& entry : kCommandNames) {
    if (!command.starts_with(entry.prefix)) continue;
    exchange.name = entry.name;
    exchange.code = entry.prefix;
    const std::string_view rest = std::string_view(command).substr(entry.prefix.size());
    if (entry.prefix == "s" && rest.size() >= 5) {
      exchange.argument =
          "cell " + std::string(rest.substr(0, 3)) + " = " + std::string(rest.substr(3));
    } else if (entry.prefix == "S") {
      exchange.argument = "cell " + std::string(rest);
    } else if (entry.prefix == "r" && rest.size() == 12) {
      exchange.argument = std::string(rest.substr(0, 2)) + "." + std::string(rest.substr(2, 2)) +
                          "." + std::string(rest.substr(4, 2)) + " " +
                          std::string(rest.substr(6, 2)) + ":" + std::string(rest.substr(8, 2)) +
                          ":" + std::string(rest.substr(10, 2));
    } else if (entry.prefix == "w") {
      exchange.argument = "record " + Quoted(rest);
    } else if (!rest.empty()) {
      exchange.argument = Quoted(rest);
    }
    return;
  }
  exchange.name = "unknown command";
  exchange.code = platform::EscapeControlBytes(command);
}

std::string RecordFields(std::string_view record) {
  return "date " + database::RecordDate(record) + ", time " + database::RecordTime(record) +
         ", code " + std::string(database::RecordCode(record)) + ", type '" +
         std::string(1, database::RecordCharAt(record, database::kRecordTypePosition)) +
         "', text " + Quoted(database::RecordText(record));
}

void DecodeReply(TraceExchange& exchange, const std::string& bytes) {
  if (bytes.empty()) {
    exchange.replyClass = "none";
    if (exchange.event == "command") exchange.fault = "silence";
    return;
  }
  if (bytes.size() == 1) {
    switch (serial::ClassifyReply(bytes)) {
      case serial::ReplyClass::Ack:
        exchange.replyClass = "ACK";
        return;
      case serial::ReplyClass::Nak:
        exchange.replyClass = "NAK";
        return;
      case serial::ReplyClass::Bel:
        exchange.replyClass = "BEL";
        return;
      default:
        break;
    }
  }
  if (bytes.front() == serial::kStx) {
    exchange.replyClass = "frame";
    const auto data = serial::UnframeReply(bytes);
    exchange.crcGood = data.has_value();
    if (!data) {
      exchange.reply = bytes;
      exchange.fault = "bad frame";
      return;
    }
    exchange.reply = *data;
  } else {
    exchange.replyClass = "text";
    exchange.reply = bytes;
  }
  const std::string& command = exchange.command;
  if (command == "SV") {
    const auto model = protocol::ClassifyReaderVersion(exchange.reply);
    exchange.decoded = "model " + std::to_string(static_cast<int>(model)) + " " +
                       std::string(protocol::ReaderModelName(model));
  } else if (command == "RN" && exchange.reply.size() >= database::kRecordCodePosition) {
    exchange.decoded = RecordFields(exchange.reply);
  } else if (command.starts_with("S") && !command.starts_with("SV")) {
    exchange.decoded = "value " + Quoted(exchange.reply);
  } else if (command == "R" && exchange.reply.size() >= 12) {
    exchange.decoded = "clock " + exchange.reply.substr(0, 2) + "." + exchange.reply.substr(2, 2) +
                       "." + exchange.reply.substr(4, 2) + " " + exchange.reply.substr(6, 2) + ":" +
                       exchange.reply.substr(8, 2) + ":" + exchange.reply.substr(10, 2);
  }
}

}  // namespace

std::vector<TraceExchange> DecodeTrace(const serial::Trace& trace) {
  std::vector<TraceExchange> exchanges;
  std::string received;  // the reply bytes gathered for the last exchange
  std::optional<std::int64_t> sentAt;
  const auto close = [&] {
    if (!exchanges.empty() &&
        (exchanges.back().event == "command" || exchanges.back().event == "unsolicited")) {
      DecodeReply(exchanges.back(), received);
    }
    received.clear();
    sentAt.reset();
  };
  for (const serial::TraceEvent& event : trace.events) {
    switch (event.kind) {
      case serial::TraceKind::Sent: {
        close();
        TraceExchange exchange;
        exchange.time = event.time;
        exchange.event = "command";
        bool framed = false;
        exchange.command = CommandText(event.bytes, framed);
        if (framed && exchange.command == std::string(1, serial::kAck)) {
          exchange.event = "acknowledge";
          exchange.name = "code acknowledged";
          exchanges.push_back(std::move(exchange));
          continue;
        }
        if (framed) {
          NameCommand(exchange);
        } else {
          exchange.name = "unframed";
          exchange.argument = Quoted(event.bytes);
        }
        exchanges.push_back(std::move(exchange));
        sentAt = event.unixMs;
        break;
      }
      case serial::TraceKind::Received:
        if (exchanges.empty() ||
            (exchanges.back().event != "command" && exchanges.back().event != "unsolicited")) {
          TraceExchange exchange;
          exchange.time = event.time;
          exchange.event = "unsolicited";
          exchanges.push_back(std::move(exchange));
        }
        if (received.empty() && sentAt) exchanges.back().replyMs = event.unixMs - *sentAt;
        received += event.bytes;
        break;
      default: {
        // A flush drops what waits: it ends the exchange before it.
        close();
        TraceExchange exchange;
        exchange.time = event.time;
        exchange.event = std::string(serial::TraceKindName(event.kind));
        exchange.detail = event.detail;
        if (event.kind == serial::TraceKind::Lost) exchange.fault = "port lost";
        exchanges.push_back(std::move(exchange));
        break;
      }
    }
  }
  close();
  return exchanges;
}

std::string ExchangeLine(const TraceExchange& e) {
  std::string line = e.time + "  ";
  if (e.event != "command" && e.event != "unsolicited") {
    line += e.event;
    if (!e.detail.empty()) line += " " + platform::EscapeControlBytes(e.detail);
    if (!e.fault.empty() && e.fault != "port lost") line += "  !! " + e.fault;
    if (e.event == "lost") line += "  !! port lost";
    return line;
  }
  if (e.event == "command") {
    line += e.code.empty() ? "?" : e.code;
    line += " (" + e.name + ")";
    if (!e.argument.empty()) line += " " + e.argument;
  } else {
    line += "(unsolicited)";
  }
  line += "  ->  " + e.replyClass;
  if (!e.reply.empty()) line += " " + Quoted(e.reply);
  if (e.crcGood) line += *e.crcGood ? ", CRC ok" : ", CRC wrong";
  if (!e.decoded.empty()) line += ", " + e.decoded;
  if (e.replyMs) line += "  " + std::to_string(*e.replyMs) + " ms";
  if (!e.fault.empty()) line += "  !! " + e.fault;
  return line;
}

}  // namespace tagline::cli
