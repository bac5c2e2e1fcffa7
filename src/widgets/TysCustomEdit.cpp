#include "widgets/TysCustomEdit.h"

namespace kelvan::widgets {
namespace {

// Qt's left and right are logical: they mirror in a right-to-left layout, which gives the swap
// of the two in that layout.
Qt::Alignment qtAlignment(TAlignment alignment) {
    switch (alignment) {
        case TAlignment::taRightJustify:
            return Qt::AlignRight | Qt::AlignVCenter;
        case TAlignment::taCenter:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        case TAlignment::taLeftJustify:
            break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

TysCustomEdit::TysCustomEdit(QWidget* parent) : QLineEdit(parent) {
    QLineEdit::setAlignment(qtAlignment(alignment_));
}

void TysCustomEdit::setAlignment(TAlignment alignment) {
    if (alignment == alignment_) {
        return;
    }
    alignment_ = alignment;
    QLineEdit::setAlignment(qtAlignment(alignment));
}

}  // namespace kelvan::widgets
