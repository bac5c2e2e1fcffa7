#include "dialogs/TForm6.h"

#include "link/Commands.h"

#include <QColor>
#include <QPushButton>

namespace kelvan::dialogs {

TForm6::TForm6(QWidget* parent)
    : BitDialog(QStringLiteral("Fuse биты"), QColor(220, 192, 192), 336, 136, parent) {
    Button1->setEnabled(false);
}

std::vector<BitDialog::Payload> TForm6::writeCommands(int index, bool checked) const {
    return {link::commands::writeFuseBit(static_cast<std::uint8_t>(index), checked)};
}

}  // namespace kelvan::dialogs
