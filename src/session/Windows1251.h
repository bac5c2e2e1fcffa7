#pragma once

// Texts from the programmer arrive as Windows-1251 bytes. The table lives here rather than in
// a converter library so that the program decodes them the same way on every platform (Qt's
// own codecs for this code page need ICU, which not every Qt build carries).

#include <QString>
#include <string_view>

namespace kelvan::session {

// Decodes Windows-1251 bytes. The one unassigned byte, 98 hex, becomes U+FFFD.
QString decodeWindows1251(std::string_view bytes);

}  // namespace kelvan::session
