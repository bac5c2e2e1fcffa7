#include "widgets/FileColumnTexts.h"

#include <QDateTime>
#include <QFileSystemModel>
#include <QLocale>

namespace kelvan::widgets {
namespace {

// The columns of QFileSystemModel.
constexpr int SizeColumn = 1;
constexpr int TimeColumn = 3;

QLocale russian() {
    return QLocale(QLocale::Russian, QLocale::Russia);
}

// "байта" after 2, 3, 4, 22, 103...; "байт" after the rest, 12 to 14 included.
QString byteNoun(qint64 count) {
    const qint64 lastDigit = count % 10;
    const qint64 lastTwo = count % 100;
    const bool few = lastDigit >= 2 && lastDigit <= 4 && (lastTwo < 12 || lastTwo > 14);
    return few ? QStringLiteral("байта") : QStringLiteral("байт");
}

}  // namespace

QString fileSizeText(qint64 bytes) {
    if (bytes >= 0 && bytes < 1024) {
        return QStringLiteral("%1 %2").arg(bytes).arg(byteNoun(bytes));
    }
    return russian().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString fileTimeText(const QDateTime& time) {
    return russian().toString(time, QLocale::ShortFormat);
}

QVariant FileColumnTexts::data(const QModelIndex& index, int role) const {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (files != nullptr && role == Qt::DisplayRole) {
        const QModelIndex entry = mapToSource(index);
        if (index.column() == SizeColumn && !files->isDir(entry)) {
            return fileSizeText(files->size(entry));
        }
        if (index.column() == TimeColumn) {
            return fileTimeText(files->lastModified(entry));
        }
    }
    return QIdentityProxyModel::data(index, role);
}

}  // namespace kelvan::widgets
