// The module file is not a loadable gauge: the host's refusal, shared with the
// module file check, which the fuzz targets link without the rest of the host.
#pragma once

#include <string>

#include "common/command_error.h"

namespace vorlat {

// The module file is not a loadable gauge (missing file, missing export, wrong tag or name): bad input.
struct LoadError : CommandError {
    explicit LoadError(const std::string& message) : CommandError(message, EXIT_BAD_INPUT) {}
};

}  // namespace vorlat
