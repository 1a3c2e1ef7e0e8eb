// SPDX-License-Identifier: Apache-2.0
// `tagline trace show FILE`: a recorded line decoded exchange by exchange.
#include "cli/cli_handlers.h"
#include "cli/cli_run.h"
#include "cli/trace_decode.h"
#include "serial/trace_file.h"

namespace tagline::cli {

namespace {

JsonObject ExchangeRecord(const TraceExchange& e) {
  JsonObject object;
  object.Text("time", e.time).Text("event", e.event);
  if (!e.command.empty()) object.Text("command", e.command).Text("name", e.name);
  if (!e.argument.empty()) object.Text("argument", e.argument);
  if (!e.replyClass.empty()) object.Text("replyClass", e.replyClass);
  if (!e.reply.empty()) object.Text("reply", e.reply);
  if (e.crcGood) object.Bool("crcGood", *e.crcGood);
  if (!e.decoded.empty()) object.Text("decoded", e.decoded);
  if (e.replyMs) object.Number("replyMs", *e.replyMs);
  if (!e.fault.empty()) object.Text("fault", e.fault);
  if (!e.detail.empty()) object.Text("detail", e.detail);
  return object;
}

}  // namespace

int RunTrace(CommandRun& run) {
  const auto& args = run.options.args;
  if (args.front() != "show") {
    run.err << "tagline: trace takes show FILE\n";
    return kExitUsage;
  }
  std::string error;
  const auto trace = serial::ReadTrace(args[1], error);
  if (!trace) {
    run.err << "tagline: " << error << '\n';
    return kExitUsage;
  }
  const std::vector<TraceExchange> exchanges = DecodeTrace(*trace);
  if (run.json != nullptr) {
    for (const TraceExchange& e : exchanges) run.json->Add(ExchangeRecord(e));
    return kExitOk;
  }
  for (const std::string& line : trace->header) run.out << "# " << line << '\n';
  for (const TraceExchange& e : exchanges) run.out << ExchangeLine(e) << '\n';
  return kExitOk;
}

}  // namespace tagline::cli
