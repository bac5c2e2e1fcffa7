#pragma once

#include "dialogs/BitDialog.h"

namespace kelvan::dialogs {

// The lock-bit dialog "Lock биты". A write sets only the ticked lock bits: [6, i] for each.
class TForm4 : public BitDialog {
    Q_OBJECT
  public:
    explicit TForm4(QWidget* parent = nullptr);
};

}  // namespace kelvan::dialogs
