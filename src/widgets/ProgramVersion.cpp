#include "widgets/ProgramVersion.h"

namespace kelvan::dialogs {

QString programVersionLine() {
    return QStringLiteral("Kelvan " KELVAN_VERSION);
}

}  // namespace kelvan::dialogs
