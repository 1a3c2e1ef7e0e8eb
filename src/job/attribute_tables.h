// SPDX-License-Identifier: Apache-2.0
// What the factory job's attribute clear finds in the tables the last database load left
// for a reader model: the database layer looks, the factory job acts on it.
#pragma once

#include <functional>

#include "protocol/reader_model.h"

namespace tagline::job {

enum class AttributeTables {
  NothingToClear,  // the model keeps no attributes to clear
  WrongFormat,     // the tables are not in the model's format ("DB has wrong format")
  Clear,           // the 27 attributes are cleared
};

using AttributeCheck = std::function<AttributeTables(protocol::ReaderModel model)>;

}  // namespace tagline::job
