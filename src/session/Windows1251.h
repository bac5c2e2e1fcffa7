#pragma once

// Texts from the programmer arrive as Windows-1251 bytes; the code page is image's own table,
// so the program decodes them the same way on every platform.

#include <QString>
#include <string_view>

namespace kelvan::session {

// Decodes Windows-1251 bytes. The one unassigned byte, 98 hex, becomes U+FFFD.
QString decodeWindows1251(std::string_view bytes);

}  // namespace kelvan::session
