#pragma once

// The working-file browser in the group box "Файл": a combo box of the current folder and its
// ancestors, a tree of folders and a details list of the chosen folder's files. Releasing a
// mouse button over the list, or Enter in it, picks the selected file up: the buffer's edits
// are offered for saving, the file becomes WorkingFile and is loaded.

#include <QObject>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QPoint;
class QTimer;
class QTreeView;
class QWidget;

namespace kelvan::widgets {
class Prompter;
class StatusLine;
}  // namespace kelvan::widgets

namespace kelvan::bufferview {

class BufferFileActions;
class RenameDelegate;

class FileBrowser : public QObject {
    Q_OBJECT
  public:
    // Creates the three controls inside `box` (which places them) and the pick-up timer; the
    // tree starts at the home folder, expanded. The pick-up resets `status` and names the
    // working file there.
    FileBrowser(QWidget& box, BufferFileActions& files, widgets::Prompter& prompter,
                widgets::StatusLine& status);

    // The tree's folder, "" when none; the settings store it as "Path" at exit.
    QString currentFolder() const;
    // Moves the tree, the combo box and the list to `folder`; one that does not exist is ignored.
    void setCurrentFolder(const QString& folder);

    // Any mouse button released over the list picks up.
    void ShellListView1MouseUp();
    // A key released in the list picks up when it is Enter.
    void ShellListView1KeyUp(int key);
    // The pick-up: status colour back to normal, the save question for an edited buffer (Cancel
    // or a failed save stops here), then Timer1Timer at once.
    void ShellListView1Click();
    // The selected file, if any, becomes WorkingFile; the status bar names it; LoadFile.
    void Timer1Timer();
    // Picks up `file` (a path) as a release over it in the list would: the status colour, the
    // save question, then it becomes WorkingFile and is loaded; the browser shows its folder.
    // How a dropped file and one named on the command line are opened.
    void pickUpFile(const QString& file);

    QComboBox* ShellComboBox1 = nullptr;
    QTreeView* ShellTreeView1 = nullptr;
    QTreeView* ShellListView1 = nullptr;
    QTimer* Timer1 = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showFolder(const QString& folder);
    // The list's menu for the file at `position` in the list's viewport, if there is one.
    void showContextMenu(const QPoint& position);

    BufferFileActions& files_;
    widgets::StatusLine& status_;
    QFileSystemModel* folderModel_ = nullptr;
    QFileSystemModel* fileModel_ = nullptr;
    RenameDelegate* renameDelegate_ = nullptr;
    // The tree keeps its current folder in view while the model settles, until the user
    // scrolls or clicks in it.
    bool followCurrentFolder_ = true;
    // Enter went down in the list itself, not in a rename editor that handed it on.
    bool enterPressedInList_ = false;
};

}  // namespace kelvan::bufferview
