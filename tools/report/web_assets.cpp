// The version of the embedded chart library, as pinned in tools/report/CMakeLists.txt.
#include "tools/report/web_assets.h"

namespace vorlat::web {

std::string_view uplotVersion() { return VORLAT_UPLOT_VERSION; }

}  // namespace vorlat::web
