#pragma once

// ProgramBuffer as the hex grid's table: 16 data columns and, beside them, a read-only text
// column with each row's bytes as characters; one row per 16 bytes, the column digits and row
// labels as header texts. The view asks only for the cells it paints, so a buffer of any size
// costs the same per screen.

#include <QAbstractTableModel>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kelvan {
class ProgramBuffer;
}

namespace kelvan::bufferview {

class HexGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int DataColumns = 16;
    // The text column, after the data columns. It cannot be selected or edited.
    static constexpr int TextColumn = DataColumns;
    // A data cell's byte as an int 0..255, invalid where the buffer ends before the cell: what
    // the grid paints from, without taking the cell's text apart again.
    static constexpr int ByteRole = Qt::UserRole;
    // The text column's bytes (those of its row, up to 16) as a QByteArray.
    static constexpr int RowBytesRole = Qt::UserRole + 1;

    explicit HexGridModel(const ProgramBuffer& buffer, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // A data cell shows its byte as two digits, or nothing when the buffer ends before it;
    // ByteRole gives the byte itself. The text column shows PrintableCharacter of each byte of
    // its row.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The column digits, blank until showColumnDigits; the row labels. The text column has no
    // header text.
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The buffer address a data cell stands for, or nothing when the buffer holds no byte there
    // (and for the text column).
    std::optional<std::size_t> addressAt(const QModelIndex& index) const;
    // The data cell of `address`, whether or not the buffer reaches it; invalid past the rows.
    QModelIndex indexOf(std::size_t address) const;

    // Sets the number of data rows (at least 1), inserting or removing rows at the bottom so that
    // the view keeps its current cell and scroll position where they still exist.
    void setDataRows(int rows);
    // Writes the column digits into the header row; they stay from then on.
    void showColumnDigits();
    // Tells the view that the cells of data rows first..last may show other texts now.
    void refreshRows(int first, int last);

  private:
    std::span<const std::uint8_t> rowBytes(int row) const;
    QVariant textColumnData(const QModelIndex& index, int role) const;

    const ProgramBuffer& buffer_;
    int dataRows_ = 1;
    bool columnDigitsShown_ = false;
};

}  // namespace kelvan::bufferview
