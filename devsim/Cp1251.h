#pragma once

#include <string>
#include <string_view>

namespace kelvan::devsim {

// Encodes UTF-8 text as Windows-1251, the character set of every text the programmer sends.
// ASCII passes unchanged; the Cyrillic letters (А..я, Ё, ё) and a few common signs (№, «, »,
// en and em dash, no-break space) map to their code page bytes; any other character, and any
// malformed UTF-8 sequence, becomes '?'.
std::string utf8ToCp1251(std::string_view utf8);

}  // namespace kelvan::devsim
