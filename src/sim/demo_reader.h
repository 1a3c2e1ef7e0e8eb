// SPDX-License-Identifier: Apache-2.0
// The reader a run talks to when it has none: the simulated reader with a tag in its field
// and a small database.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sim/reader_database.h"
#include "sim/reader_device.h"
#include "sim/simulated_reader.h"

namespace tagline::sim {

// The tag in the demo reader's field: an ISO HDX animal tag.
inline constexpr char kDemoTagType = '6';
inline constexpr std::string_view kDemoTagCode = "9180451CBE991A14";

class DemoReader {
 public:
  // nullptr and `error` when the pseudo-terminal could not be opened.
  static std::unique_ptr<DemoReader> Start(const std::optional<std::string>& version,
                                           std::string& error);

  const std::string& DevicePath() const { return reader_->DevicePath(); }

 private:
  std::unique_ptr<SimulatedReader> reader_;
  std::shared_ptr<ReaderDevice> device_;
  std::shared_ptr<ReaderDatabase> database_;
};

}  // namespace tagline::sim
