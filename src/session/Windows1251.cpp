#include "session/Windows1251.h"

#include <cstdint>

#include "image/Windows1251.h"

namespace kelvan::session {

QString decodeWindows1251(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        text.append(QChar(windows1251ToUnicode(static_cast<std::uint8_t>(c))));
    }
    return text;
}

}  // namespace kelvan::session
