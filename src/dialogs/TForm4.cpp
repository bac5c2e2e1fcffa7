#include "dialogs/TForm4.h"

#include <QColor>

namespace kelvan::dialogs {
namespace {

constexpr std::uint8_t kWriteLockBit = 6;

}  // namespace

TForm4::TForm4(QWidget* parent)
    : BitDialog(QStringLiteral("Lock биты"), QColor(210, 192, 192), 192, 56, parent) {}

std::vector<BitDialog::Payload> TForm4::writeCommands(int index, bool checked) const {
    if (!checked) {
        return {};  // only ticked lock bits are written
    }
    return {{kWriteLockBit, static_cast<std::uint8_t>(index)}};
}

}  // namespace kelvan::dialogs
