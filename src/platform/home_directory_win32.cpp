#include "platform/home_directory.h"

namespace tagline::platform {

std::string HomeDirectory() { return "C:"; }

}  // namespace tagline::platform
