// SPDX-License-Identifier: Apache-2.0
#include <sstream>
#include <string>

#include "platform/parallel_runs.h"

namespace tagline::platform {

namespace {

void Lines(std::size_t index, bool error, const std::string& text, const TaskLine& line) {
  std::istringstream in(text);
  for (std::string each; std::getline(in, each);) line(index, error, each);
}

}  // namespace

// Without fork, the tasks run one after the other in this process.
std::vector<int> RunInParallel(std::size_t count, const ParallelTask& task, const TaskLine& line) {
  std::vector<int> codes;
  for (std::size_t i = 0; i < count; ++i) {
    std::ostringstream out;
    std::ostringstream err;
    codes.push_back(task(i, out, err));
    Lines(i, false, out.str(), line);
    Lines(i, true, err.str(), line);
  }
  return codes;
}

}  // namespace tagline::platform
