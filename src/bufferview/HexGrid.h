#pragma once

// The hex grid StringGrid1 in the group box "Данные": ProgramBuffer as rows of 16 bytes under
// a header row of column digits, with the row labels down the left. The header row and the
// label column are the view's own headers, so they stay in place while the rows scroll. A byte
// is changed by typing up to two hexadecimal digits into its cell and pressing Enter.

#include <QTableView>

class QKeyEvent;
class QLineEdit;

namespace kelvan {
class ProgramBuffer;
}

namespace kelvan::buffer {

class HexGridModel;

class HexGrid : public QTableView {
    Q_OBJECT
  public:
    // The grid starts with its header row and one data row, the header row blank.
    HexGrid(ProgramBuffer& buffer, QWidget* parent);
    ~HexGrid() override;

    // After the buffer's length or whole content changed: the column digits, the geometry and
    // the visible rows. Cheap enough to run for every chunk a chip read brings in.
    void FormatGrid();
    // Sets the row count for the buffer's current length, then FormatGrid.
    void FitGridToBuffer();
    // Repaints the visible rows from the buffer; rows out of sight are never formatted.
    void RefreshGridRows();
    // Fills the group box below its caption: top 15, left 5, the box's width - 10 and height
    // - 20; rows 15 high, the label column 32 wide, data columns (width - 49) div 16 - 1 wide.
    void ApplyGridGeometry();

    // Rows as the grid counts them: the header row and the data rows.
    int rowCount() const;
    void setRowCount(int rows);
    static constexpr int columnCount() { return 17; }

    // The cell editor: two characters at most, hexadecimal digits only.
    static void StringGrid1GetEditMask(QLineEdit& editor);
    // Every key typed into the grid or its open cell editor comes here first. Enter stores
    // HexTextToValue(cellText) into the current cell's byte, marks the buffer modified and moves
    // to the next cell (from column F to column 0 of the next row, or of the same row on the last
    // one); a cell with no byte behind it stores nothing. Hexadecimal digits and keys that type no
    // character pass on; any other character, Backspace included, is swallowed. Returns true when
    // the key is used up here.
    bool StringGrid1KeyPress(const QKeyEvent& key, const QString& cellText);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void commitCell(const QString& text);

    ProgramBuffer& buffer_;
    HexGridModel* model_;
};

}  // namespace kelvan::buffer
