// SPDX-License-Identifier: Apache-2.0
// Runs one task per item at the same time, each writing its own standard output and error,
// and hands their lines back as they come. On POSIX each task is a process of its own (the
// tasks share nothing, not even a crash); elsewhere they run one after the other.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string_view>
#include <vector>

namespace tagline::platform {

// A task: writes to `out` and `err`, returns its exit code.
using ParallelTask = std::function<int(std::size_t index, std::ostream& out, std::ostream& err)>;
// A whole line (without its end) a task wrote; `error` for its standard error.
using TaskLine = std::function<void(std::size_t index, bool error, std::string_view line)>;

// The tasks' exit codes, in order; a task that did not end normally gives 128 + its signal.
// A stop signal caught meanwhile (StopSignals) is passed on to every task.
std::vector<int> RunInParallel(std::size_t count, const ParallelTask& task, const TaskLine& line);

}  // namespace tagline::platform
