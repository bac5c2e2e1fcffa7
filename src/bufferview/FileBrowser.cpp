#include "bufferview/FileBrowser.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <utility>

#include "bufferview/BufferFileActions.h"
#include "widgets/EnterKey.h"
#include "widgets/FileColumnTexts.h"
#include "widgets/Prompter.h"
#include "widgets/StatusLine.h"

namespace kelvan::bufferview {
namespace {

// Qt formats sizes and dates of files with the system's locale; the list shows them in the
// program's own language like every other text, and as the save dialog does.
class FileListModel : public QFileSystemModel {
  public:
    using QFileSystemModel::QFileSystemModel;

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole && index.column() == SizeColumn && !isDir(index)) {
            return widgets::fileSizeText(size(index));
        }
        if (role == Qt::DisplayRole && index.column() == DateColumn) {
            return widgets::fileTimeText(lastModified(index));
        }
        return QFileSystemModel::data(index, role);
    }

  private:
    static constexpr int SizeColumn = 1;
    static constexpr int DateColumn = 3;
};

}  // namespace

// Renaming in the list goes through the file system model; a name the file system refuses (one
// taken already, one with a separator) is reported instead of the old name coming back without a
// word.
class RenameDelegate : public QStyledItemDelegate {
  public:
    RenameDelegate(widgets::Prompter& prompter, QWidget& view)
        : QStyledItemDelegate(&view), prompter_(prompter), view_(view) {}

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        const auto* line = qobject_cast<QLineEdit*>(editor);
        if (line == nullptr) {
            return;
        }
        const QString oldName = index.data(Qt::EditRole).toString();
        const QString newName = line->text();
        if (newName != oldName && !model->setData(index, newName, Qt::EditRole)) {
            prompter_.showError(view_.window(),
                                QStringLiteral("Не удаётся переименовать файл \"%1\" в \"%2\"")
                                    .arg(oldName, newName));
        }
    }

    // A rename editor is open. An Enter it does not use travels on to the list.
    bool editing() const { return editing_; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        editing_ = true;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        editing_ = false;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

  private:
    widgets::Prompter& prompter_;
    QWidget& view_;
    mutable bool editing_ = false;
};

FileBrowser::FileBrowser(QWidget& box, BufferFileActions& files, widgets::Prompter& prompter,
                         widgets::StatusLine& status)
    : QObject(&box), files_(files), status_(status) {
    ShellComboBox1 = new QComboBox(&box);
    ShellComboBox1->setObjectName(QStringLiteral("ShellComboBox1"));
    ShellComboBox1->setMaxVisibleItems(8);
    ShellComboBox1->resize(ShellComboBox1->width(), ShellComboBox1->sizeHint().height());

    folderModel_ = new QFileSystemModel(this);
    folderModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folderModel_->setRootPath(QDir::rootPath());
    ShellTreeView1 = new QTreeView(&box);
    ShellTreeView1->setObjectName(QStringLiteral("ShellTreeView1"));
    ShellTreeView1->setModel(folderModel_);
    ShellTreeView1->setHeaderHidden(true);
    ShellTreeView1->setRootIsDecorated(false);
    ShellTreeView1->setSortingEnabled(true);
    ShellTreeView1->sortByColumn(0, Qt::AscendingOrder);
    for (int column = 1; column < folderModel_->columnCount(); ++column) {
        ShellTreeView1->hideColumn(column);
    }

    fileModel_ = new FileListModel(this);
    fileModel_->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    fileModel_->setReadOnly(false);  // names are edited in place
    ShellListView1 = new QTreeView(&box);
    ShellListView1->setObjectName(QStringLiteral("ShellListView1"));
    ShellListView1->setModel(fileModel_);
    renameDelegate_ = new RenameDelegate(prompter, *ShellListView1);
    ShellListView1->setItemDelegate(renameDelegate_);
    ShellListView1->setRootIsDecorated(false);
    ShellListView1->setItemsExpandable(false);
    ShellListView1->setUniformRowHeights(true);
    ShellListView1->setSortingEnabled(true);
    ShellListView1->sortByColumn(0, Qt::AscendingOrder);
    ShellListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ShellListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ShellListView1->setEditTriggers(QAbstractItemView::EditKeyPressed);
    ShellListView1->setDragDropMode(QAbstractItemView::NoDragDrop);
    // The picked file stays marked while the user works elsewhere in the window.
    QPalette palette = ShellListView1->palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setBrush(QPalette::Inactive, role, palette.brush(QPalette::Active, role));
    }
    ShellListView1->setPalette(palette);
    ShellListView1->installEventFilter(this);
    ShellListView1->viewport()->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(300);
    connect(Timer1, &QTimer::timeout, this, &FileBrowser::Timer1Timer);

    // The model reads and sorts folders in the background, which moves the rows after the tree
    // scrolled to its current folder; until the user touches the tree it keeps that folder in
    // view as the rows settle.
    const auto keepCurrentInView = [this] {
        if (followCurrentFolder_) {
            ShellTreeView1->scrollTo(ShellTreeView1->currentIndex(),
                                     QAbstractItemView::PositionAtCenter);
        }
    };
    connect(folderModel_, &QFileSystemModel::directoryLoaded, this, keepCurrentInView);
    connect(folderModel_, &QAbstractItemModel::layoutChanged, this, keepCurrentInView);
    ShellTreeView1->viewport()->installEventFilter(this);
    ShellTreeView1->verticalScrollBar()->installEventFilter(this);
    connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { showFolder(folderModel_->filePath(current)); });
    // Queued, so that the combo box is not refilled inside its own signal.
    connect(
        ShellComboBox1, &QComboBox::activated, this,
        [this](int item) { setCurrentFolder(ShellComboBox1->itemData(item).toString()); },
        Qt::QueuedConnection);
    setCurrentFolder(QDir::homePath());
}

QString FileBrowser::currentFolder() const {
    const QModelIndex current = ShellTreeView1->currentIndex();
    return current.isValid() ? folderModel_->filePath(current) : QString();
}

void FileBrowser::setCurrentFolder(const QString& folder) {
    const QModelIndex index = folderModel_->index(folder);
    if (!index.isValid()) {
        return;
    }
    ShellTreeView1->setCurrentIndex(index);
    ShellTreeView1->expand(index);
    ShellTreeView1->scrollTo(index, QAbstractItemView::PositionAtCenter);
    followCurrentFolder_ = true;
}

// The combo box lists the folder's ancestors from the root down to the folder itself, and the
// list shows the folder's files.
void FileBrowser::showFolder(const QString& folder) {
    {
        const QSignalBlocker blocker(ShellComboBox1);
        ShellComboBox1->clear();
        QStringList chain;
        QDir dir(folder);
        do {
            chain.prepend(dir.absolutePath());
        } while (!dir.isRoot() && dir.cdUp());
        for (const QString& path : chain) {
            ShellComboBox1->addItem(folderModel_->fileIcon(folderModel_->index(path)),
                                    QDir::toNativeSeparators(path), path);
        }
        ShellComboBox1->setCurrentIndex(ShellComboBox1->count() - 1);
    }
    ShellListView1->setRootIndex(fileModel_->setRootPath(folder));
}

void FileBrowser::ShellListView1MouseUp() {
    ShellListView1Click();
}

void FileBrowser::ShellListView1KeyUp(int key) {
    if (widgets::isEnter(key)) {
        ShellListView1Click();
    }
}

void FileBrowser::ShellListView1Click() {
    status_.resetColour();
    if (!files_.offerToSaveChanges()) {
        return;
    }
    Timer1->stop();
    Timer1->start();
    Timer1Timer();
}

void FileBrowser::Timer1Timer() {
    // Nothing to release for the command queue here: it is a std::deque, whose storage goes
    // with its entries.
    Timer1->stop();
    const QModelIndexList selected = ShellListView1->selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        files_.setWorkingFile(QDir::toNativeSeparators(fileModel_->filePath(selected.front())));
    }
    status_.showText(QStringLiteral("Рабочий файл: ") + files_.workingFile());
    files_.LoadFile();
}

void FileBrowser::pickUpFile(const QString& file) {
    status_.resetColour();
    if (!files_.offerToSaveChanges()) {
        return;
    }
    const QFileInfo info(file);
    setCurrentFolder(info.absolutePath());
    files_.setWorkingFile(QDir::toNativeSeparators(info.absoluteFilePath()));
    status_.showText(QStringLiteral("Рабочий файл: ") + files_.workingFile());
    files_.LoadFile();
}

void FileBrowser::showContextMenu(const QPoint& position) {
    const QPersistentModelIndex item(ShellListView1->indexAt(position));
    if (!item.isValid()) {
        return;
    }
    auto* menu = new QMenu(ShellListView1);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("Переименовать"), this, [this, item] {
        if (item.isValid()) {
            ShellListView1->edit(ShellListView1->model()->index(item.row(), 0, item.parent()));
        }
    });
    menu->popup(ShellListView1->viewport()->mapToGlobal(position));
}

// Mouse releases over the list pick up (the right button's then opens the menu, so that it comes
// after the release on every platform); Enter released in the list picks up when it also went
// down there.
bool FileBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ShellTreeView1->viewport() || watched == ShellTreeView1->verticalScrollBar()) {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::Wheel) {
            followCurrentFolder_ = false;
        }
        return QObject::eventFilter(watched, event);
    }
    const bool inList = watched == ShellListView1 || watched == ShellListView1->viewport();
    if (!inList) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::MouseButtonRelease:
            if (watched == ShellListView1->viewport()) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                const QPoint position = mouse->position().toPoint();
                const bool rightButton = mouse->button() == Qt::RightButton;
                ShellListView1MouseUp();
                if (rightButton) {
                    showContextMenu(position);
                }
            }
            break;
        case QEvent::ContextMenu: {
            const auto* request = static_cast<QContextMenuEvent*>(event);
            if (request->reason() == QContextMenuEvent::Mouse) {
                return true;  // shown on the release instead
            }
            const QRect current = ShellListView1->visualRect(ShellListView1->currentIndex());
            showContextMenu(current.center());
            return true;
        }
        case QEvent::KeyPress:
            if (watched == ShellListView1 && !renameDelegate_->editing() &&
                widgets::isEnter(static_cast<QKeyEvent*>(event)->key())) {
                enterPressedInList_ = true;
            }
            break;
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (watched == ShellListView1 && !key->isAutoRepeat() && widgets::isEnter(key->key()) &&
                std::exchange(enterPressedInList_, false)) {
                ShellListView1KeyUp(key->key());
            }
            break;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kelvan::bufferview
