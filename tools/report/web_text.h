// Text for a web page made by the program: HTML escaped for text and attribute
// values, JSON that can stand inside a <script> element, and bytes as base64
// for data: URLs. Pure functions with no state, so tests link them alone.
#pragma once

#include <string>
#include <string_view>

namespace vorlat::web {

// &, <, >, " and ' as character references: safe in text and in quoted attributes.
std::string htmlEscape(std::string_view text);

// JSON text made safe inside <script type="application/json">: every "<" becomes
// "\u003C" (legal only inside JSON strings, where it reads back as "<"), so no
// "</script>" or "<!--" can end or change the element.
std::string scriptSafeJson(std::string_view json);

// Standard base64 with padding (RFC 4648, section 4).
std::string base64(std::string_view bytes);

// "data:image/png;base64,..."
std::string pngDataUrl(std::string_view png);

}  // namespace vorlat::web
