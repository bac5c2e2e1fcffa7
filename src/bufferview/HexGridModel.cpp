#include "bufferview/HexGridModel.h"

#include <algorithm>

#include "bufferview/HexGridRules.h"
#include "image/ProgramBuffer.h"

namespace kelvan::buffer {

HexGridModel::HexGridModel(const ProgramBuffer& buffer, QObject* parent)
    : QAbstractTableModel(parent), buffer_(buffer) {}

int HexGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : dataRows_;
}

int HexGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : DataColumns;
}

std::optional<std::size_t> HexGridModel::addressAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) {
        return std::nullopt;
    }
    const std::size_t address = static_cast<std::size_t>(index.row()) * DataColumns +
                                static_cast<std::size_t>(index.column());
    if (address >= buffer_.size()) {
        return std::nullopt;
    }
    return address;
}

QVariant HexGridModel::data(const QModelIndex& index, int role) const {
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
    if (orientation == Qt::Horizontal && !columnDigitsShown_) {
        return QString();
    }
    return QString::fromStdString(HexNumberText(static_cast<std::size_t>(section)));
}

Qt::ItemFlags HexGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
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
        emit dataChanged(index(first, 0), index(last, DataColumns - 1), {Qt::DisplayRole});
    }
}

}  // namespace kelvan::buffer
