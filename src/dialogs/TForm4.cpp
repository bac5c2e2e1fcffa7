#include "dialogs/TForm4.h"

#include "link/Commands.h"

#include <QColor>

namespace kelvan::dialogs {

TForm4::TForm4(QWidget* parent)
    : BitDialog(QStringLiteral("Lock биты"), QColor(210, 192, 192), 192, 56, parent) {}

std::vector<BitDialog::Payload> TForm4::writeCommands(int index, bool checked) const {
    if (!checked) {
        return {};  // only ticked lock bits are written
    }
    return {link::commands::writeLockBit(static_cast<std::uint8_t>(index))};
}

}  // namespace kelvan::dialogs
