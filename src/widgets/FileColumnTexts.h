#pragma once

// A file's size and time as the program's file list and its save dialog show them: in Russian
// and alike in both, whatever the system's locale (which Qt's file dialog would otherwise use:
// "4.00 KiB", "27 bytes", "9 Dec").

#include <QIdentityProxyModel>
#include <QString>

class QDateTime;

namespace kelvan::widgets {

// Below 1024 bytes the count with the noun in the case Russian wants ("1 байт", "2 байта",
// "5 байт"); from there on kilobytes and up with one decimal ("4,0 кБ").
QString fileSizeText(qint64 bytes);
// Date and time in the short Russian form: "09.12.2026 08:55".
QString fileTimeText(const QDateTime& time);

// Put over a QFileSystemModel (a file dialog's own, through QFileDialog::setProxyModel): shows
// the sizes of files and the times of every entry by the two functions above.
class FileColumnTexts : public QIdentityProxyModel {
    Q_OBJECT
  public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override;
};

}  // namespace kelvan::widgets
