#include "bufferview/HexGridModel.h"

#include <algorithm>

#include "bufferview/HexGridRules.h"
#include "image/ProgramBuffer.h"

namespace kelvan::bufferview {

HexGridModel::HexGridModel(const ProgramBuffer& buffer, QObject* parent)
    : QAbstractTableModel(parent), buffer_(buffer) {}

int HexGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : dataRows_;
}

int HexGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : TextColumn + 1;
}

std::optional<std::size_t> HexGridModel::addressAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || index.column() >= DataColumns) {
        return std::nullopt;
    }
    const std::size_t address = static_cast<std::size_t>(index.row()) * DataColumns +
                                static_cast<std::size_t>(index.column());
    if (address >= buffer_.size()) {
        return std::nullopt;
    }
    return address;
}

QModelIndex HexGridModel::indexOf(std::size_t address) const {
    const std::size_t row = address / DataColumns;
    if (row >= static_cast<std::size_t>(dataRows_)) {
        return {};
    }
    return index(static_cast<int>(row), static_cast<int>(address % DataColumns));
}

std::span<const std::uint8_t> HexGridModel::rowBytes(int row) const {
    return buffer_.view(static_cast<std::size_t>(row) * DataColumns, DataColumns);
}

QVariant HexGridModel::textColumnData(const QModelIndex& index, int role) const {
    const std::span<const std::uint8_t> bytes = rowBytes(index.row());
    if (role == RowBytesRole) {
        return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    QString characters;
    characters.reserve(static_cast<qsizetype>(bytes.size()));
    for (const std::uint8_t byte : bytes) {
        characters.append(QChar(PrintableCharacter(byte)));
    }
    return characters;
}

QVariant HexGridModel::data(const QModelIndex& index, int role) const {
    if (index.isValid() && index.column() == TextColumn) {
        return textColumnData(index, role);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != ByteRole) {
        return {};
    }
    const auto address = addressAt(index);
    if (role == ByteRole) {
        return address ? QVariant(int{buffer_.at(*address)}) : QVariant();
    }
    if (!address) {
        return QString();
    }
    return QString::fromStdString(FormatHexByte(buffer_.at(*address)));
}

QVariant HexGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0) {
        return {};
    }
    if (orientation == Qt::Horizontal && (!columnDigitsShown_ || section == TextColumn)) {
        return QString();
    }
    return QString::fromStdString(HexNumberText(static_cast<std::size_t>(section)));
}

Qt::ItemFlags HexGridModel::flags(const QModelIndex& index) const {
    // Without ItemIsEnabled the view's arrow keys and clicks pass the text column by.
    if (!index.isValid() || index.column() == TextColumn) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void HexGridModel::setDataRows(int rows) {
    rows = std::max(rows, 1);
    if (rows > dataRows_) {
        beginInsertRows(QModelIndex(), dataRows_, rows - 1);
        dataRows_ = rows;
        endInsertRows();
    } else if (rows < dataRows_) {
        beginRemoveRows(QModelIndex(), rows, dataRows_ - 1);
        dataRows_ = rows;
        endRemoveRows();
    }
}

void HexGridModel::showColumnDigits() {
    if (!columnDigitsShown_) {
        columnDigitsShown_ = true;
        emit headerDataChanged(Qt::Horizontal, 0, DataColumns - 1);
    }
}

void HexGridModel::refreshRows(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, dataRows_ - 1);
    if (first <= last) {
        emit dataChanged(index(first, 0), index(last, TextColumn), {Qt::DisplayRole});
    }
}

}  // namespace kelvan::bufferview
