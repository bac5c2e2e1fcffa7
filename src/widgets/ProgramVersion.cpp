#include "widgets/ProgramVersion.h"

namespace kelvan::widgets {

QString programVersionLine() {
    return QStringLiteral("Kelvan " KELVAN_VERSION);
}

}  // namespace kelvan::widgets
