// The chart library the flight report embeds (uPlot, pinned and checked by
// scripts/fetch-web-deps.sh), carried inside the program so that a report
// needs nothing from the network and the program nothing at run time.
#pragma once

#include <string_view>

namespace vorlat::web {

std::string_view uplotScript();   // uPlot.iife.min.js
std::string_view uplotStyle();    // uPlot.min.css
std::string_view uplotLicense();  // its MIT licence, which the report carries along
std::string_view uplotVersion();

// The report's own page: its template, script and stylesheet (tools/report/report.*).
std::string_view reportTemplate();
std::string_view reportScript();
std::string_view reportStyle();

}  // namespace vorlat::web
