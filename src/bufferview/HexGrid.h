#pragma once

// The hex grid StringGrid1 in the group box "Данные": ProgramBuffer as rows of 16 bytes under
// a header row of column digits, with the row labels down the left and each row's bytes as
// characters on the right. The header row and the label column are the view's own headers, so
// they stay in place while the rows scroll. A byte is changed by typing up to two hexadecimal
// digits into its cell and pressing Enter. Ctrl+G goes to an address, Ctrl+F finds bytes or a
// text and F3 finds the next match; the grid's context menu lists the three.

#include <QTableView>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class QKeyEvent;
class QKeySequence;
class QLineEdit;

namespace kelvan {
class ProgramBuffer;
}

namespace kelvan::bufferview {

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
    // The text column takes the width of its 16 characters beside them, and the grid scrolls
    // sideways to show it where the box is too narrow.
    void ApplyGridGeometry();
    // The smallest width at which ApplyGridGeometry leaves every byte column room for its two
    // digits in the grid's font.
    int readableWidth() const;

    // Scrolls `address` into view and makes its cell the current and only selected one. False,
    // changing nothing, when the buffer holds no byte there.
    bool showAddress(std::size_t address);
    // Ctrl+G: asks for an address in hexadecimal and shows it; says why when it cannot.
    void goToAddress();
    // Ctrl+F: asks for bytes in hexadecimal or a text and selects the first match from the
    // current cell on; says so when there is none.
    void find();
    // F3: the next match of the last pattern after the current cell; without one, find().
    void findNext();

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
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

  private:
    void commitCell(const QString& text);
    void addShortcut(const QString& text, const QKeySequence& keys, void (HexGrid::*run)());
    // The address of the current cell, the cell's own even where the buffer ends before it.
    std::size_t currentAddress() const;
    // Looks for the last pattern from `from` on; selects the match or says there is none.
    void findFrom(std::size_t from);
    // Selects the bytes address..address+length-1, which may run over several rows, and brings
    // the first into sight. False when the grid has no rows for them (yet).
    bool selectBytes(std::size_t address, std::size_t length);
    // The text typed into a small input box, nothing when it was cancelled. The box runs its
    // own event loop.
    std::optional<QString> askText(const QString& title, const QString& label,
                                   const QString& preset);
    void tell(const QString& text);

    ProgramBuffer& buffer_;
    HexGridModel* model_;
    QString lastPattern_;                  // as typed, offered again by the next Ctrl+F
    std::vector<std::uint8_t> lastBytes_;  // what F3 looks for; empty before the first find
};

}  // namespace kelvan::bufferview
