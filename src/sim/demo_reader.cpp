// SPDX-License-Identifier: Apache-2.0
#include "sim/demo_reader.h"

namespace tagline::sim {

std::unique_ptr<DemoReader> DemoReader::Start(const std::optional<std::string>& version,
                                              std::string& error) {
  SimOptions options;
  if (version) options.version = *version;
  auto demo = std::make_unique<DemoReader>();
  demo->reader_ = SimulatedReader::Start(options, error);
  if (!demo->reader_) return nullptr;
  demo->device_ = ReaderDevice::Install(*demo->reader_);
  demo->device_->SetTag(kDemoTagType, std::string(kDemoTagCode));
  demo->database_ = ReaderDatabase::Install(*demo->reader_);
  demo->database_->SeedDemo();
  return demo;
}

}  // namespace tagline::sim
