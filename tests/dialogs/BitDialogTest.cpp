#include "dialogs/TForm4.h"
#include "dialogs/TForm6.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace kelvan::dialogs {
namespace {

// One write handed to the owner: the kind and every bit's state.
struct Write {
    link::BitKind kind;
    std::vector<bool> states;
    bool operator==(const Write&) const = default;
};
using Writes = std::vector<Write>;

// Shows `dialog` with `count` bit boxes, the boxes in `ticked` checked, its writes recorded.
void prepare(BitDialog& dialog, int count, std::initializer_list<int> ticked, Writes& queued) {
    dialog.write = [&queued](link::BitKind kind, const std::vector<bool>& states) {
        queued.push_back({kind, states});
    };
    dialog.CreateBitBoxes(count);
    for (int index : ticked) {
        dialog.setBitChecked(index, true);
    }
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
}

TEST(BitDialog, DesignOfTheTwoDialogs) {
    TForm4 lock;
    TForm6 fuse;
    EXPECT_EQ(lock.windowTitle(), "Lock биты");
    EXPECT_EQ(fuse.windowTitle(), "Fuse биты");
    EXPECT_EQ(lock.size(), QSize(192, 43));
    EXPECT_EQ(fuse.size(), QSize(336, 43));
    EXPECT_EQ(lock.palette().color(QPalette::Window), QColor(210, 192, 192));
    EXPECT_EQ(fuse.palette().color(QPalette::Window), QColor(220, 192, 192));
    EXPECT_EQ(lock.Button1->geometry(), QRect(56, 16, 75, 25));
    EXPECT_EQ(fuse.Button1->geometry(), QRect(136, 16, 75, 25));
    EXPECT_EQ(lock.Button1->text(), "Записать");
    EXPECT_TRUE(lock.Button1->isEnabled());
    EXPECT_FALSE(fuse.Button1->isEnabled());
    EXPECT_EQ(lock.bitCount(), 0);
}

TEST(BitDialog, CreateBitBoxesLaysOutAColumnAndSizesTheDialog) {
    TForm4 lock;
    lock.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lock));
    lock.CreateBitBoxes(3);
    ASSERT_EQ(lock.bitCount(), 3);
    for (int index = 0; index < 3; ++index) {
        const QCheckBox* box = lock.bitBox(index);
        EXPECT_EQ(box->geometry().topLeft(), QPoint(20, 25 + 20 * index));
        EXPECT_FALSE(box->isChecked());
        EXPECT_TRUE(box->text().isEmpty());
        EXPECT_EQ(box->width(), lock.frameGeometry().width());
    }
    EXPECT_EQ(lock.Button1->y(), 100);
    EXPECT_EQ(lock.outerHeight(), 160);

    lock.CreateBitBoxes(0);
    EXPECT_EQ(lock.Button1->y(), 40);
    EXPECT_EQ(lock.outerHeight(), 100);
}

TEST(BitDialog, RecreatingLeavesExactlyTheNewBoxes) {
    TForm6 fuse;
    fuse.CreateBitBoxes(5);
    fuse.setBitCaption(4, "SPIEN");
    fuse.CreateBitBoxes(2);
    EXPECT_EQ(fuse.bitCount(), 2);
    EXPECT_EQ(fuse.findChildren<QCheckBox*>().size(), 2);
    EXPECT_TRUE(fuse.bitBox(1)->text().isEmpty());
}

TEST(BitDialog, ClearingKeepsTheSizeAndTheButton) {
    TForm4 lock;
    lock.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lock));
    lock.CreateBitBoxes(4);
    lock.ClearBitBoxes();
    EXPECT_EQ(lock.bitCount(), 0);
    EXPECT_TRUE(lock.findChildren<QCheckBox*>().isEmpty());
    EXPECT_EQ(lock.Button1->y(), 120);
    EXPECT_EQ(lock.outerHeight(), 180);
}

TEST(BitDialog, IndexesOutsideTheBoxesChangeNothing) {
    TForm4 lock;
    lock.CreateBitBoxes(2);
    lock.setBitCaption(2, "x");
    lock.setBitChecked(-1, true);
    lock.setBitCaption(1, "LB2");
    EXPECT_EQ(lock.bitBox(2), nullptr);
    EXPECT_FALSE(lock.bitBox(0)->isChecked());
    EXPECT_EQ(lock.bitBox(1)->text(), "LB2");
}

TEST(BitDialog, WritingLockBitsHandsTheirStatesToTheOwner) {
    TForm4 lock;
    Writes queued;
    prepare(lock, 4, {0, 2}, queued);
    QTest::mouseClick(lock.Button1, Qt::LeftButton);
    EXPECT_EQ(queued, (Writes{{link::BitKind::Lock, {true, false, true, false}}}));
    EXPECT_FALSE(lock.isVisible());
    EXPECT_EQ(lock.bitCount(), 4);  // closing only hides
}

TEST(BitDialog, WritingFuseBitsHandsTheirStatesToTheOwner) {
    TForm6 fuse;
    Writes queued;
    prepare(fuse, 4, {1}, queued);
    fuse.Button1->setEnabled(true);
    QTest::mouseClick(fuse.Button1, Qt::RightButton);  // any mouse button writes
    EXPECT_EQ(queued, (Writes{{link::BitKind::Fuse, {false, true, false, false}}}));
    EXPECT_FALSE(fuse.isVisible());
}

TEST(BitDialog, EnterOnABitBoxClosesWithoutWriting) {
    TForm4 lock;
    Writes queued;
    prepare(lock, 2, {0}, queued);
    lock.bitBox(1)->setFocus();
    QTest::keyClick(lock.bitBox(1), Qt::Key_Return);
    EXPECT_TRUE(queued.empty());
    EXPECT_FALSE(lock.isVisible());
}

TEST(BitDialog, EnterOnTheButtonWritesOnceAndSpaceDoesNothing) {
    TForm4 lock;
    Writes queued;
    prepare(lock, 2, {1}, queued);
    lock.Button1->setFocus();
    QTest::keyClick(lock.Button1, Qt::Key_Space);
    EXPECT_TRUE(queued.empty());
    EXPECT_TRUE(lock.isVisible());
    QTest::keyClick(lock.Button1, Qt::Key_Return);
    EXPECT_EQ(queued, (Writes{{link::BitKind::Lock, {false, true}}}));
    EXPECT_FALSE(lock.isVisible());
}

TEST(BitDialog, ADisabledButtonReactsToNothingAndEscClosesWithoutWriting) {
    TForm6 fuse;
    Writes queued;
    prepare(fuse, 3, {0, 1, 2}, queued);
    QTest::mouseClick(fuse.Button1, Qt::LeftButton);
    EXPECT_TRUE(fuse.isVisible());
    QTest::keyClick(&fuse, Qt::Key_Escape);
    EXPECT_TRUE(queued.empty());
    EXPECT_FALSE(fuse.isVisible());
}

TEST(BitDialog, OpeningGivesTheFirstBitBoxTheFocusSoSpaceTicksIt) {
    TForm4 lock;
    Writes queued;
    prepare(lock, 2, {}, queued);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&lock));
    EXPECT_EQ(QApplication::focusWidget(), lock.bitBox(0));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(lock.bitBox(0)->isChecked());
    EXPECT_TRUE(queued.empty());
}

TEST(BitDialog, WritingWithoutBitsOnlyCloses) {
    TForm4 lock;
    Writes queued;
    prepare(lock, 0, {}, queued);
    QTest::mouseClick(lock.Button1, Qt::LeftButton);
    EXPECT_TRUE(queued.empty());
    EXPECT_FALSE(lock.isVisible());
}

}  // namespace
}  // namespace kelvan::dialogs
