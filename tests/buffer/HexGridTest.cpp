// The hex grid on screen: its texts and row counts for buffers of every shape, its geometry and
// fixed-cell colour, and editing bytes from the keyboard.

#include "buffer/HexGrid.h"

#include <gtest/gtest.h>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QTest>

#include "buffer/ProgramBuffer.h"

namespace kelvan::buffer {
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

    // Cell texts by the grid's own numbering: data rows from 1, data columns from 1.
    QString cell(int column, int row) const {
        return grid_->model()->index(row - 1, column - 1).data().toString();
    }
    QString rowLabel(int row) const {
        return grid_->model()->headerData(row - 1, Qt::Vertical).toString();
    }
    QString columnDigit(int column) const {
        return grid_->model()->headerData(column - 1, Qt::Horizontal).toString();
    }
    QStringList rowTexts(int row) const {
        QStringList texts;
        for (int column = 1; column <= 16; ++column) {
            texts << cell(column, row);
        }
        return texts;
    }

    void select(int column, int row) {
        grid_->setCurrentIndex(grid_->model()->index(row - 1, column - 1));
    }
    std::pair<int, int> selected() const {
        const QModelIndex current = grid_->currentIndex();
        return {current.column() + 1, current.row() + 1};
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

QStringList blanks(int count) {
    QStringList texts;
    for (int i = 0; i < count; ++i) {
        texts << QString();
    }
    return texts;
}

TEST_F(HexGridTest, StartsWithABlankHeaderAndOneBlankRow) {
    EXPECT_EQ(grid_->rowCount(), 2);
    EXPECT_EQ(grid_->columnCount(), 17);
    EXPECT_EQ(grid_->model()->columnCount(), 16);
    for (int column = 1; column <= 16; ++column) {
        EXPECT_EQ(columnDigit(column), QString()) << column;
    }
    EXPECT_EQ(rowLabel(1), QStringLiteral("0"));
    EXPECT_EQ(rowTexts(1), blanks(16));

    grid_->FormatGrid();
    QStringList digits;
    for (int column = 1; column <= 16; ++column) {
        digits << columnDigit(column);
    }
    EXPECT_EQ(digits.join(QString()), QStringLiteral("0123456789ABCDEF"));
}

TEST_F(HexGridTest, RowsAndTextsFollowTheBufferLength) {
    load(5);
    EXPECT_EQ(grid_->rowCount(), 3) << "five bytes and a blank row under them";
    EXPECT_EQ(rowTexts(1), QStringList({"00", "01", "02", "03", "04"}) + blanks(11));
    EXPECT_EQ(rowTexts(2), blanks(16));
    EXPECT_EQ(rowLabel(2), QStringLiteral("1"));

    load(16);
    EXPECT_EQ(grid_->rowCount(), 2);
    EXPECT_EQ(cell(11, 1), QStringLiteral("0A"));
    EXPECT_EQ(cell(16, 1), QStringLiteral("0F"));

    load(17);
    EXPECT_EQ(grid_->rowCount(), 3);
    EXPECT_EQ(rowLabel(2), QStringLiteral("1"));
    EXPECT_EQ(rowTexts(2), QStringList{"10"} + blanks(15));

    load(1000);
    EXPECT_EQ(grid_->rowCount(), 64);
    EXPECT_EQ(rowLabel(63), QStringLiteral("3E"));
    // Bytes 992..999 hold E0..E7.
    EXPECT_EQ(rowTexts(63),
              QStringList({"E0", "E1", "E2", "E3", "E4", "E5", "E6", "E7"}) + blanks(8));
    EXPECT_EQ(rowLabel(0x1A + 1), QStringLiteral("1A"));
    EXPECT_EQ(cell(16, 0x1A + 1), QStringLiteral("AF")) << "address 0x1AF";
    buffer_.set(0x1AF, 255);
    grid_->FormatGrid();
    EXPECT_EQ(cell(16, 0x1A + 1), QStringLiteral("FF"));

    buffer_.clear();
    grid_->setRowCount(2);
    EXPECT_EQ(grid_->rowCount(), 2);
    EXPECT_EQ(rowTexts(1), blanks(16));
    EXPECT_EQ(columnDigit(16), QStringLiteral("F")) << "the header stays once written";
}

TEST_F(HexGridTest, GeometryFillsTheBoxByTheFormula) {
    const struct {
        int boxWidth;
        int boxHeight;
        int dataColumnWidth;  // (box width - 10 - 49) div 16 - 1, worked by hand
    } cases[] = {{500, 300, 26}, {1017, 713, 58}, {370, 200, 18}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.boxWidth);
        box_.resize(c.boxWidth, c.boxHeight);
        load(40);
        EXPECT_EQ(grid_->geometry(), QRect(5, 15, c.boxWidth - 10, c.boxHeight - 20));
        for (int column = 0; column < 16; ++column) {
            EXPECT_EQ(grid_->columnWidth(column), c.dataColumnWidth);
        }
        EXPECT_EQ(grid_->verticalHeader()->width(), 32);
        EXPECT_EQ(grid_->horizontalHeader()->height(), 15);
        EXPECT_EQ(grid_->rowHeight(0), 15);
        EXPECT_EQ(grid_->rowHeight(2), 15);
    }
}

TEST_F(HexGridTest, FixedCellsArePaleYellow) {
    load(40);
    const QImage image = grid_->grab().toImage();
    const QColor fixed(255, 255, 166);
    // Inside the header row over a data column, and inside the label column beside a row.
    const QRect headerSection(grid_->verticalHeader()->width() + grid_->columnViewportPosition(3),
                              0, grid_->columnWidth(3), 15);
    EXPECT_EQ(image.pixelColor(headerSection.center().x(), 2), fixed);
    EXPECT_EQ(image.pixelColor(2, 15 + grid_->rowViewportPosition(1) + 2), fixed);
}

TEST_F(HexGridTest, EnterStoresTheTypedByteAndMovesOn) {
    load(20);
    select(1, 1);
    type(QStringLiteral("ff"));
    press(Qt::Key_Return);
    EXPECT_EQ(buffer_.at(0), 255);
    EXPECT_TRUE(buffer_.modified());
    EXPECT_EQ(cell(1, 1), QStringLiteral("FF"));
    EXPECT_EQ(selected(), std::make_pair(2, 1));

    // One digit is the low one; the editor takes two at most.
    type(QStringLiteral("a"));
    press(Qt::Key_Enter);
    EXPECT_EQ(buffer_.at(1), 0x0A);
    type(QStringLiteral("123"));
    EXPECT_EQ(qobject_cast<QLineEdit*>(keyTarget())->text(), QStringLiteral("12"));
    press(Qt::Key_Return);
    EXPECT_EQ(buffer_.at(2), 0x12);
}

TEST_F(HexGridTest, OnlyHexDigitsReachTheCell) {
    load(20);
    buffer_.set(4, 0x5C);
    select(5, 1);
    // "G", a blank and Backspace are swallowed, so Enter stores the cell's own value again,
    // which still counts as an edit.
    type(QStringLiteral("G "));
    press(Qt::Key_Backspace);
    EXPECT_EQ(keyTarget(), grid_) << "no editor was opened";
    press(Qt::Key_Return);
    EXPECT_EQ(buffer_.at(4), 0x5C);
    EXPECT_TRUE(buffer_.modified());

    // Inside the open editor as well.
    buffer_.setModified(false);
    select(5, 1);
    type(QStringLiteral("3"));
    type(QStringLiteral("x "));
    press(Qt::Key_Backspace);
    EXPECT_EQ(qobject_cast<QLineEdit*>(keyTarget())->text(), QStringLiteral("3"));
    press(Qt::Key_Return);
    EXPECT_EQ(buffer_.at(4), 0x03);
}

TEST_F(HexGridTest, EnterAdvancesAcrossRowsAndWrapsOnTheLastOne) {
    load(40);  // data rows 1 and 2 full, row 3 holding 8 bytes
    const struct {
        std::pair<int, int> from;
        std::pair<int, int> to;
    } cases[] = {
        {{3, 2}, {4, 2}},
        {{16, 1}, {1, 2}},
        {{16, 3}, {1, 3}},  // column F of the last data row wraps within the row
    };
    for (const auto& c : cases) {
        select(c.from.first, c.from.second);
        press(Qt::Key_Return);
        EXPECT_EQ(selected(), c.to) << c.from.first << "," << c.from.second;
    }
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
    EXPECT_EQ(cell(9, 1), QString());
}

}  // namespace
}  // namespace kelvan::buffer
