// SPDX-License-Identifier: Apache-2.0
// The commands of `tagline`, one handler each; the command table names them.
#pragma once

#include "cli/cli_commands.h"

namespace tagline::cli {

// Without a reader (cli_run.cpp).
int RunPorts(CommandRun& run);
int RunPortInfo(CommandRun& run);
int RunFrame(CommandRun& run);
int RunClassify(CommandRun& run);
int RunConvert(CommandRun& run);
int RunCompletion(CommandRun& run);
// A recorded line decoded (cli_trace.cpp).
int RunTrace(CommandRun& run);

// The terminal (cli_run.cpp).
int RunSend(CommandRun& run);
int RunListen(CommandRun& run);
int RunVersion(CommandRun& run);

// The reader buttons of the window (cli_reader_commands.cpp).
int RunTag(CommandRun& run);
int RunOnline(CommandRun& run);
int RunComm(CommandRun& run);
int RunDbTest(CommandRun& run);
int RunClock(CommandRun& run);
int RunParam(CommandRun& run);
int RunNumeric(CommandRun& run);
int RunTagTypes(CommandRun& run);
int RunParams(CommandRun& run);

// The jobs and the settings (cli_jobs.cpp).
int RunDb(CommandRun& run);
int RunFactoryDefault(CommandRun& run);
// The factory default with the dialogs answered from `options` (factory-default's own).
int RunFactoryDefaultWith(Session& session, const CliOptions& options);

// Reader configuration profiles (cli_config.cpp).
int RunConfig(CommandRun& run);
int RunSettings(CommandRun& run);

}  // namespace tagline::cli
