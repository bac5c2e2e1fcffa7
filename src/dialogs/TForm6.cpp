#include "dialogs/TForm6.h"

#include <QColor>
#include <QPushButton>

namespace kelvan::dialogs {

TForm6::TForm6(QWidget* parent)
    : BitDialog(link::BitKind::Fuse, QStringLiteral("Fuse биты"), QColor(220, 192, 192), 336, 136,
                parent) {
    Button1->setEnabled(false);
}

}  // namespace kelvan::dialogs
