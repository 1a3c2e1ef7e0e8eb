// SPDX-License-Identifier: Apache-2.0
// Databases for the stand-alone simulated reader: taken from a file the program wrote (a
// sheet, a .db or a .dat file) or made up.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "protocol/reader_model.h"

namespace tagline::sim {

struct SeedDatabase {
  std::vector<std::string> records;  // as the reader keeps them
  std::array<std::string, 27> attributes{};
};

// The records and attribute texts of a file, as a reader of `model` keeps them. A ".dat"
// file holds no tokens: each attribute text it names gets one. Nothing, and `error`, when
// the file cannot be read or holds no record for the model.
std::optional<SeedDatabase> LoadDatabaseFile(const std::string& path, protocol::ReaderModel model,
                                             std::string& error);

// `count` made-up records for a reader that keeps 45-character records.
std::optional<SeedDatabase> MadeUpDatabase(std::size_t count, protocol::ReaderModel model,
                                           std::string& error);

}  // namespace tagline::sim
