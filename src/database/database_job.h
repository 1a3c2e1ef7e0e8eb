// What the database jobs share: their start and end in the window (controls, panes,
// progress, receive poll), the "EC" exchange, and the attribute clear.
#pragma once

#include <cstdint>
#include <string>

#include "app/job_context.h"
#include "app/job_result.h"
#include "database/tag_table.h"

namespace tagline::database {

inline constexpr const char* kConnectionLost = "The connection to the reader was lost.";

// The polls for the answer to "EC", one per job tick.
inline constexpr int kMaxClearPolls = 100;

// Disables the database controls, empties the panes and the dataset count, and sets the
// progress bar.
void BeginDatabaseJob(app::JobContext& ctx, int progress);
// The reverse.
void EndDatabaseJob(app::JobContext& ctx);

// Sends "EC" unless the port is closed, the job failed or the model keeps no database.
// True when it was sent.
bool SendClearDatabase(app::JobContext& ctx, std::int8_t model);

enum class ClearStatus { Waiting, Failed, Cleared };
// One look for the answer to "EC", logged in the received pane when there is one.
ClearStatus PollClearDatabase(app::JobContext& ctx);

// Clears the 27 attributes of a model with an attribute sheet (the factory job's step).
// The failure value unless every token was acknowledged; the model when nothing was to be
// cleared.
std::int8_t ClearAttributes(app::JobContext& ctx, const TagTable& table,
                            const AttributeList& attributes, std::int8_t model);

// Shows a failure and keeps it in the job's result.
void ReportFailure(app::JobContext& ctx, app::JobResult& result, const std::string& text);

}  // namespace tagline::database
