// The hex grid on screen: texts and row counts, geometry and fixed-cell colour, editing bytes
// from the keyboard, the text column, and going to an address and finding bytes.

#include "bufferview/HexGrid.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "bufferview/HexGridModel.h"
#include "image/ProgramBuffer.h"

namespace kelvan::bufferview {
namespace {

class HexGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        box_.resize(500, 300);
        grid_ = new HexGrid(buffer_, &box_);
        box_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box_));
    }

    // A buffer of `length` bytes, byte i holding i mod 256, shown in the grid.
    void load(std::size_t length) {
        buffer_.resize(length);
        for (std::size_t i = 0; i < length; ++i) {
            buffer_.set(i, static_cast<std::uint8_t>(i));
        }
        grid_->FitGridToBuffer();
    }

    // A data row's 16 texts joined by "|", data rows counted from 1 as the grid counts them.
    QString row(int row) const {
        QStringList texts;
        for (int column = 0; column < 16; ++column) {
            texts << grid_->model()->index(row - 1, column).data().toString();
        }
        return texts.join(u'|');
    }
    QString header(int section, Qt::Orientation orientation) const {
        return grid_->model()->headerData(section, orientation).toString();
    }

    void select(int column, int row) {
        grid_->setCurrentIndex(grid_->model()->index(row - 1, column - 1));
    }
    std::pair<int, int> selected() const {
        return {grid_->currentIndex().column() + 1, grid_->currentIndex().row() + 1};
    }

    // Keys go where the user's would: into the open cell editor, otherwise into the grid.
    QWidget* keyTarget() const {
        for (QLineEdit* editor : grid_->viewport()->findChildren<QLineEdit*>()) {
            if (editor->isVisible()) {
                return editor;
            }
        }
        return grid_;
    }
    void type(const QString& characters) {
        for (const QChar character : characters) {
            QTest::keyClick(keyTarget(), character.toLatin1());
        }
    }
    void press(Qt::Key key) { QTest::keyClick(keyTarget(), key); }

    QGroupBox box_;
    ProgramBuffer buffer_;
    HexGrid* grid_ = nullptr;
};

const QString BlankRow(15, u'|');

TEST_F(HexGridTest, RowsAndTextsFollowTheBuffer) {
    EXPECT_EQ(grid_->rowCount(), 2);
    EXPECT_EQ(header(15, Qt::Horizontal), QString()) << "blank until FormatGrid first runs";
    EXPECT_EQ(header(0, Qt::Vertical), QStringLiteral("0"));
    EXPECT_EQ(row(1), BlankRow);

    load(5);
    EXPECT_EQ(grid_->rowCount(), 3);
    EXPECT_EQ(header(10, Qt::Horizontal) + header(15, Qt::Horizontal), QStringLiteral("AF"));
    EXPECT_EQ(row(1), QStringLiteral("00|01|02|03|04|||||||||||"));
    EXPECT_EQ(row(2), BlankRow);

    load(17);
    EXPECT_EQ(grid_->rowCount(), 3);
    EXPECT_EQ(row(1).section(u'|', 10, 10), QStringLiteral("0A"));
    EXPECT_EQ(header(1, Qt::Vertical), QStringLiteral("1"));
    EXPECT_EQ(row(2), QStringLiteral("10|||||||||||||||"));

    load(1000);  // 62 full rows and 8 bytes, 0x3E0 to 0x3E7
    EXPECT_EQ(grid_->rowCount(), 64);
    EXPECT_EQ(header(62, Qt::Vertical), QStringLiteral("3E"));
    EXPECT_EQ(row(63), QStringLiteral("E0|E1|E2|E3|E4|E5|E6|E7||||||||"));
    EXPECT_EQ(header(0x1A, Qt::Vertical), QStringLiteral("1A"));
    buffer_.set(0x1AF, 255);
    EXPECT_EQ(row(0x1A + 1).section(u'|', 15, 15), QStringLiteral("FF"));

    // What a load does first: empty buffer, one blank row, the header kept.
    buffer_.clear();
    grid_->setRowCount(2);
    EXPECT_EQ(grid_->rowCount(), 2);
    EXPECT_EQ(row(1), BlankRow);
    EXPECT_EQ(header(15, Qt::Horizontal), QStringLiteral("F"));
}

TEST_F(HexGridTest, GeometryByTheFormulaAndPaleYellowFixedCells) {
    // Data column width (box width - 10 - 49) div 16 - 1, worked by hand.
    const struct {
        int width, height, column;
    } cases[] = {{500, 300, 26}, {1017, 713, 58}, {370, 200, 18}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        box_.resize(c.width, c.height);
        load(40);
        EXPECT_EQ(grid_->geometry(), QRect(5, 15, c.width - 10, c.height - 20));
        EXPECT_EQ(grid_->columnWidth(0), c.column);
        EXPECT_EQ(grid_->columnWidth(15), c.column);
        EXPECT_EQ(grid_->verticalHeader()->width(), 32);
        EXPECT_EQ(grid_->horizontalHeader()->height(), 15);
        EXPECT_EQ(grid_->rowHeight(2), 15);
    }
    // Inside the header row over column 3, and inside the label column beside row 1.
    const QImage image = grid_->grab().toImage();
    const int columnMiddle = 32 + grid_->columnViewportPosition(3) + grid_->columnWidth(3) / 2;
    EXPECT_EQ(image.pixelColor(columnMiddle, 2), QColor(255, 255, 166));
    EXPECT_EQ(image.pixelColor(2, 15 + grid_->rowViewportPosition(1) + 2), QColor(255, 255, 166));
}

TEST_F(HexGridTest, EnterStoresTheTypedDigitsAndMovesOn) {
    load(48);  // three full data rows
    buffer_.set(4, 0x5C);
    const struct {
        std::pair<int, int> cell;
        const char* keys;  // typed before Enter; "\b" is Backspace
        int value;         // of the cell's byte afterwards
        std::pair<int, int> next;
    } cases[] = {
        {{1, 1}, "ff", 0xFF, {2, 1}},    {{2, 1}, "a", 0x0A, {3, 1}},
        {{3, 1}, "123", 0x12, {4, 1}},    // the editor holds two characters
        {{4, 1}, "3x \b", 0x03, {5, 1}},  // only digits reach the open editor
        {{5, 1}, "G \b", 0x5C, {6, 1}},   // no editor opens; Enter stores the cell's own value
        {{16, 1}, "", 0x0F, {1, 2}},      // column F moves to the next row
        {{16, 3}, "", 0x2F, {1, 3}},      // ...but wraps within the last data row
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        buffer_.setModified(false);
        select(c.cell.first, c.cell.second);
        for (const char key : std::string_view(c.keys)) {
            key == '\b' ? press(Qt::Key_Backspace) : type(QString(QChar(key)));
        }
        press(Qt::Key_Return);
        const auto address = static_cast<std::size_t>(c.cell.first - 1 + 16 * (c.cell.second - 1));
        EXPECT_EQ(buffer_.at(address), c.value);
        EXPECT_TRUE(buffer_.modified());
        EXPECT_EQ(selected(), c.next);
        EXPECT_EQ(keyTarget(), grid_) << "the editor closed";
    }
    EXPECT_EQ(row(1).left(8), QStringLiteral("FF|0A|12"));
}

// The cells paint from the byte behind them: equal bytes alike, other bytes otherwise, and a
// cell past the end of the buffer blank.
TEST_F(HexGridTest, CellsPaintTheByteBehindThem) {
    load(20);  // the second data row holds 10..13
    buffer_.set(3, 0xAB);
    buffer_.set(17, 0xAB);
    grid_->RefreshGridRows();
    const QAbstractItemModel& model = *grid_->model();
    EXPECT_EQ(model.index(0, 3).data(HexGridModel::ByteRole), QVariant(0xAB));
    EXPECT_EQ(model.index(1, 3).data(HexGridModel::ByteRole), QVariant(0x13));
    EXPECT_FALSE(model.index(1, 4).data(HexGridModel::ByteRole).isValid());

    const QImage page = grid_->viewport()->grab().toImage();
    const auto cell = [&](int row, int column) {
        return page.copy(grid_->visualRect(model.index(row, column)));
    };
    EXPECT_EQ(cell(0, 3), cell(1, 1)) << "AB and AB";
    EXPECT_NE(cell(0, 3), cell(0, 2)) << "AB and 02";
    EXPECT_NE(cell(1, 3), cell(1, 4)) << "13 and nothing";
    EXPECT_EQ(cell(1, 4), cell(1, 9)) << "both past the end";
}

TEST_F(HexGridTest, CommitOnACellWithoutAByteWritesNothing) {
    load(5);
    select(9, 1);  // address 8, past the end
    type(QStringLiteral("7"));
    press(Qt::Key_Return);
    select(3, 2);  // the blank row under a short buffer
    press(Qt::Key_Return);
    EXPECT_EQ(buffer_.size(), 5u);
    EXPECT_FALSE(buffer_.modified());
    EXPECT_EQ(row(1), QStringLiteral("00|01|02|03|04|||||||||||"));
}

TEST_F(HexGridTest, TheTextColumnShowsEachRowsBytesAsCharacters) {
    const std::uint8_t bytes[] = {0x41, 0xC0, 0x00, 0x98, 0x20, 0x7E, 0xFF, 0x0A, 0xA8,
                                  0xB9, 0x2E, 0x7F, 0xA0, 0x31, 0xE4, 0xF0, 0xEF, 0x88};
    buffer_.replace({std::begin(bytes), std::end(bytes)});
    grid_->FitGridToBuffer();
    const QAbstractItemModel& model = *grid_->model();
    constexpr int Text = HexGridModel::TextColumn;
    EXPECT_EQ(model.index(0, Text).data().toString(), QStringLiteral("AА.. ~я.Ё№...1др"));
    EXPECT_EQ(model.index(1, Text).data().toString(), QStringLiteral("п€"));
    EXPECT_EQ(model.index(2, Text).data().toString(), QString());
    EXPECT_EQ(model.headerData(Text, Qt::Horizontal).toString(), QString());
    EXPECT_EQ(model.flags(model.index(0, Text)), Qt::NoItemFlags) << "read-only, unselectable";

    // Beside the data columns, whose widths stay; the arrow keys stop at column F.
    EXPECT_EQ(grid_->columnWidth(15), 26);
    EXPECT_GT(grid_->columnWidth(Text), 16 * grid_->fontMetrics().horizontalAdvance(u'.'));
    EXPECT_EQ(grid_->columnViewportPosition(Text),
              grid_->columnViewportPosition(15) + grid_->columnWidth(15));
    select(16, 1);
    press(Qt::Key_Right);
    EXPECT_EQ(selected(), std::make_pair(16, 1));
    grid_->horizontalScrollBar()->setValue(grid_->horizontalScrollBar()->maximum());
    EXPECT_LE(grid_->columnViewportPosition(Text) + grid_->columnWidth(Text),
              grid_->viewport()->width())
        << "scrolled sideways, the whole text column shows";
}

// The boxes of Ctrl+G and Ctrl+F run their own event loops: a timer answers them from inside.
TEST_F(HexGridTest, ShortcutsGoToAnAddressAndFindBytesOrText) {
    load(0x300);  // byte i holds i mod 256, so 41 42 43 stands at 41, 141 and 241
    QString answer;
    QStringList told;
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* input = qobject_cast<QInputDialog*>(modal)) {
            input->setTextValue(answer);
            input->accept();
        } else if (auto* message = qobject_cast<QMessageBox*>(modal)) {
            told << message->text();
            message->accept();
        }
    });
    boxes.start(5);

    const struct {
        QKeyCombination keys;
        const char16_t* typed;
        std::size_t current;   // address of the current cell afterwards
        qsizetype selected;    // cells selected
        const char16_t* says;  // the message box's text, if one opened
    } cases[] = {
        {Qt::CTRL | Qt::Key_G, u"1a5", 0x1A5, 1, u""},
        {Qt::CTRL | Qt::Key_G, u"300", 0x1A5, 1, u"Адреса 300 в буфере нет: последний адрес 2FF."},
        {Qt::CTRL | Qt::Key_G, u"xyz", 0x1A5, 1, u"«xyz» — не шестнадцатеричный адрес."},
        {Qt::CTRL | Qt::Key_G, u"0", 0, 1, u""},
        {Qt::CTRL | Qt::Key_F, u"41 42 43", 0x41, 3, u""},
        {Qt::Key_F3, u"", 0x141, 3, u""},
        {Qt::CTRL | Qt::Key_F, u"\"ABC\"", 0x141, 3, u""},  // from the current cell on
        {Qt::Key_F3, u"", 0x241, 3, u""},
        {Qt::Key_F3, u"", 0x241, 3, u"«\"ABC\"» не найдено от адреса 242 до конца буфера."},
        {Qt::CTRL | Qt::Key_G, u"100", 0x100, 1, u""},
        {Qt::CTRL | Qt::Key_F, u"FE FF 00 01", 0x1FE, 4, u""},  // over the end of a row
        {Qt::CTRL | Qt::Key_F, u"日", 0x1FE, 4,
         u"Знака «日» нет в кодировке Windows-1251: такого текста в буфере быть не может."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromStdU16String(c.typed).toStdString());
        answer = QString::fromStdU16String(c.typed);
        told.clear();
        // The keys are the grid's while its window is the active one, as after a closed box.
        box_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&box_));
        grid_->setFocus();
        QTest::keyClick(grid_, c.keys.key(), c.keys.keyboardModifiers());
        const QModelIndex current = grid_->currentIndex();
        EXPECT_EQ(static_cast<std::size_t>(current.row() * 16 + current.column()), c.current);
        EXPECT_EQ(grid_->selectionModel()->selectedIndexes().size(), c.selected);
        EXPECT_EQ(told.join(u'|'), QString::fromStdU16String(c.says));
        EXPECT_TRUE(grid_->viewport()->rect().contains(grid_->visualRect(current))) << "in sight";
    }
    const QModelIndexList match = grid_->selectionModel()->selectedIndexes();
    EXPECT_TRUE(match.contains(grid_->model()->index(0x1F, 15))) << "FF at 1FF";
    EXPECT_TRUE(match.contains(grid_->model()->index(0x20, 1))) << "01 at 201";
}

// Arrows move between cells, with the cell editor open too once its caret is at the edge; a
// move drops the typing, as any way out of a cell but Enter does. Tab and Shift+Tab leave the
// grid for the controls beside it.
TEST_F(HexGridTest, ArrowsMoveBetweenCellsAndTabLeavesTheGrid) {
    load(48);
    auto* before = new QLineEdit(&box_);
    auto* after = new QLineEdit(&box_);
    QWidget::setTabOrder(before, grid_);
    QWidget::setTabOrder(grid_, after);
    before->show();
    after->show();
    const struct {
        std::pair<int, int> cell;
        const char* typed;  // before the key; opens the editor
        Qt::Key key;
        std::pair<int, int> next;
    } moves[] = {
        {{1, 1}, "", Qt::Key_Right, {2, 1}}, {{2, 2}, "", Qt::Key_Left, {1, 2}},
        {{3, 1}, "", Qt::Key_Down, {3, 2}},  {{3, 2}, "", Qt::Key_Up, {3, 1}},
        {{3, 1}, "7", Qt::Key_Down, {3, 2}},  // the typed digit is dropped
        {{3, 2}, "7", Qt::Key_Up, {3, 1}},    {{4, 1}, "7", Qt::Key_Right, {5, 1}},
        {{4, 1}, "7", Qt::Key_Left, {4, 1}},  // the caret moves back over the digit first
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(testing::Message() << m.typed << " key " << m.key);
        grid_->setFocus();
        select(m.cell.first, m.cell.second);
        type(QString::fromLatin1(m.typed));
        press(m.key);
        EXPECT_EQ(selected(), m.next);
    }
    grid_->setFocus();
    select(1, 1);
    press(Qt::Key_Escape);
    EXPECT_EQ(buffer_.at(2), 2) << "no move stored a typed digit";
    EXPECT_EQ(buffer_.at(16 + 2), 16 + 2);

    for (const char* typed : {"", "5"}) {
        SCOPED_TRACE(typed);
        grid_->setFocus();
        select(2, 1);
        type(QString::fromLatin1(typed));
        press(Qt::Key_Tab);
        EXPECT_TRUE(after->hasFocus());
        grid_->setFocus();
        type(QString::fromLatin1(typed));
        QTest::keyClick(keyTarget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_TRUE(before->hasFocus());
        EXPECT_EQ(selected(), std::make_pair(2, 1)) << "the grid keeps its cell";
    }
    EXPECT_EQ(buffer_.at(1), 1);
}

}  // namespace
}  // namespace kelvan::bufferview
