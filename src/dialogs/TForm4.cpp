#include "dialogs/TForm4.h"

#include <QColor>

namespace kelvan::dialogs {

TForm4::TForm4(QWidget* parent)
    : BitDialog(link::BitKind::Lock, QStringLiteral("Lock биты"), QColor(210, 192, 192), 192, 56,
                parent) {}

}  // namespace kelvan::dialogs
