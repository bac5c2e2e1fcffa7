#pragma once

#include "dialogs/BitDialog.h"

namespace kelvan::dialogs {

// The fuse-bit dialog "Fuse биты". A write sends every fuse bit with its state: [4, i, 0 or 1].
// Its button starts disabled; the operation that shows the dialog for writing enables it.
class TForm6 : public BitDialog {
    Q_OBJECT
  public:
    explicit TForm6(QWidget* parent = nullptr);
};

}  // namespace kelvan::dialogs
