#include "app/TForm1.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/Application.h"
#include "app/MainToolBar.h"
#include "bufferview/BufferFileActions.h"
#include "bufferview/HexGrid.h"
#include "widgets/DialogLook.h"
#include "widgets/StatusLine.h"
#include "widgets/EnterKey.h"
#include "widgets/Prompter.h"
#include "dialogs/TForm7.h"

namespace kelvan::app {
namespace {

const QColor WindowColour(230, 230, 210);

constexpr int DesignWidth = 800;
constexpr int DesignHeight = 600;
constexpr int ToolBarHeight = 29;
constexpr int StatusBarHeight = 19;

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The selected line of a single-selection list, -1 when none is selected.
int selectedRow(const QListWidget& list) {
    const auto selected = list.selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

// The smallest client width whose data box leaves its grid `gridWidth` pixels: the box gets
// what the file column (a third) and the chip column (a fifth) leave, less the gaps and the
// grid's margins.
int clientWidthForGrid(int gridWidth) {
    int width = gridWidth;
    while (width - width / 3 - width / 5 - 20 < gridWidth) {
        ++width;
    }
    return width;
}

// Group boxes in the classic way: the caption sits on the frame line instead of above it.
const QString GroupBoxStyle = QStringLiteral(
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
    " left: 7px; padding: 0px 2px; }");

}  // namespace

TForm1::TForm1(Application& application, widgets::Prompter& prompter)
    : QWidget(nullptr), application_(application), prompter_(prompter) {
    Timer2 = &session_.watchdogTimer();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(fromUtf8(link::DisconnectedCaption));
    widgets::applyDialogLook(*this, WindowColour);
    setGeometry(219, 122, DesignWidth, DesignHeight);
    setAcceptDrops(true);

    createToolBar();

    StatusBar1 = new widgets::StatusLine(WindowColour, this);
    StatusPanel = StatusBar1->StatusPanel;

    GroupBox1 = new QGroupBox(QStringLiteral("Файл"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));

    GroupBox2 = new QGroupBox(QStringLiteral("Микросхема"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    ListBox1 = new QListWidget(GroupBox2);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));

    GroupBox3 = new QGroupBox(QStringLiteral("Команда"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    ListBox2 = new QListWidget(GroupBox3);
    ListBox2->setObjectName(QStringLiteral("ListBox2"));

    for (QListWidget* list : {ListBox1, ListBox2}) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }

    GroupBox4 = new QGroupBox(QStringLiteral("Данные"), this);
    GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    for (QGroupBox* box : {GroupBox1, GroupBox2, GroupBox3, GroupBox4}) {
        box->setStyleSheet(GroupBoxStyle);
    }
    StringGrid1 = new bufferview::HexGrid(buffer(), GroupBox4);

    files_ = std::make_unique<bufferview::BufferFileActions>(
        buffer(), *StringGrid1, prompter_, this,
        [this] { return operations::loadOptionsFrom(options_); });
    fileBrowser_ = new bufferview::FileBrowser(*GroupBox1, *files_, prompter_, *StatusBar1);
    operationHost_ = std::make_unique<WindowOperationHost>(application_, *this, *StringGrid1,
                                                           *files_, prompter_);
    session_.attachOperations(options_, *operationHost_);
    ShellComboBox1 = fileBrowser_->ShellComboBox1;
    ShellTreeView1 = fileBrowser_->ShellTreeView1;
    ShellListView1 = fileBrowser_->ShellListView1;
    Timer1 = fileBrowser_->Timer1;

    // A port that hangs up or does not open is tried again every second, and the status line
    // says why it is down.
    session_.setReopening(true);
    session_.portStateChanged = [this](const QString& failure) {
        linkView_.showPortState(failure);
    };
    Comm321.OnReceiveData = [this](const std::uint8_t* buffer, std::uint16_t length,
                                   serial::ReceiveTime receivedAt) {
        Comm321ReceiveData(buffer, length, receivedAt);
    };

    // FormCreate: lay the window out once at its design size.
    placeBars();
    FormResize();
    applyMinimumSize();
}

// Below this size the layout's formulas would squeeze the grid's digits out of their columns
// and the command list (a third of the height, less its caption) under two lines.
void TForm1::applyMinimumSize() {
    const int line = ListBox2->fontMetrics().height() + 4;
    const int commandBox = 2 * line + 36;  // the list, its frame, and the box's caption and gaps
    // A font too large for the design size still leaves the window its design size.
    setMinimumSize(std::min(clientWidthForGrid(StringGrid1->readableWidth()), DesignWidth),
                   std::min(ToolBarHeight + StatusBarHeight + 3 * (commandBox + 5), DesignHeight));
}

TForm1::~TForm1() = default;

void TForm1::createToolBar() {
    const MainToolBar bar = buildMainToolBar(this);
    ToolBar1 = bar.ToolBar1;
    ToolButton2 = bar.ToolButton2;
    ToolButton5 = bar.ToolButton5;
    ToolButton6 = bar.ToolButton6;
    ToolButton8 = bar.ToolButton8;
    connect(ToolButton2, &QToolButton::clicked, this, [this] { ToolButton2Click(); });
    connect(ToolButton5, &QToolButton::clicked, this, [this] { ToolButton5Click(); });
    connect(ToolButton6, &QToolButton::clicked, this, [this] { ToolButton6Click(); });
    connect(ToolButton8, &QToolButton::clicked, this, [this] { ToolButton8Click(); });
}

void TForm1::placeBars() {
    ToolBar1->setGeometry(0, 0, width(), ToolBarHeight);
    StatusBar1->setGeometry(0, height() - StatusBarHeight, width(), StatusBarHeight);
}

// Places every control after a size change, in a fixed order: each formula reads the
// positions and sizes that the steps before it have just set.
void TForm1::FormResize() {
    if (!LayoutEnabled) {
        return;
    }
    const auto right = [](const QWidget* widget) { return widget->x() + widget->width(); };
    const auto bottom = [](const QWidget* widget) { return widget->y() + widget->height(); };
    const int clientWidth = width();
    const int clientHeight = height();
    const int barsHeight = StatusBar1->height() + ToolBar1->height();
    const int underToolBar = bottom(ToolBar1) + 5;

    // Fills a group box with one control below its caption, down to the box's bottom.
    const auto fillBox = [](QGroupBox* box, QWidget* control) {
        const QRect client = box->contentsRect();
        const int top = client.top() + 15;
        control->setGeometry(client.left() + 5, top, client.width() - 10,
                             client.height() - top - 5);
    };

    GroupBox1->setGeometry(rect().left() + 5, underToolBar, clientWidth / 3 - 5,
                           clientHeight - barsHeight - 10);
    {
        const QRect client = GroupBox1->contentsRect();
        ShellComboBox1->setGeometry(client.left() + 5, client.top() + 15, client.width() - 10,
                                    ShellComboBox1->height());
        const int treeTop = bottom(ShellComboBox1) + 5;
        ShellTreeView1->setGeometry(client.left() + 5, treeTop, client.width() - 10,
                                    ((client.height() - treeTop) / 5) * 2 - 10);
        const int listTop = bottom(ShellTreeView1) + 5;
        ShellListView1->setGeometry(client.left() + 5, listTop, client.width() - 10,
                                    client.height() - listTop - 5);
    }

    GroupBox2->setGeometry(right(GroupBox1) + 5, underToolBar, clientWidth / 5 - 5,
                           ((clientHeight - barsHeight) / 3) * 2 - 10);
    fillBox(GroupBox2, ListBox1);

    GroupBox3->setGeometry(right(GroupBox1) + 5, bottom(GroupBox2) + 5, clientWidth / 5 - 5,
                           (clientHeight - barsHeight) / 3 - 5);
    fillBox(GroupBox3, ListBox2);

    GroupBox4->setGeometry(right(GroupBox2) + 5, underToolBar,
                           rect().right() + 1 - right(GroupBox2) - 10,
                           clientHeight - barsHeight - 10);

    if (StringGrid1->rowCount() >= 2) {
        StringGrid1->ApplyGridGeometry();
        StringGrid1->RefreshGridRows();
    }
}

void TForm1::FormShow() {
    session_.startConversation();
}

bool TForm1::FormClose() {
    if (unasked_) {
        if (const QString report = files_->keepChangesUnasked(
                QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
            !report.isEmpty()) {
            std::fprintf(stderr, "kelvan: %s\n", qUtf8Printable(report));
        }
    } else {
        if (link().queuedOperation() != link::Interruption::None &&
            !prompter_.askYesNo(this, fromUtf8(link::InterruptQuestionText))) {
            return false;
        }
        if (!files_->offerToSaveChanges()) {
            return false;
        }
    }
    application_.destroyForm3();
    session_.dropLines();
    // The programmer needs the lines down for a moment before the port goes away with the
    // process; no event is handled meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Timer2->stop();
    LayoutEnabled = false;
    Timer1->stop();
    buffer().clear();
    return true;
}

bool TForm1::closeUnasked() {
    unasked_ = true;
    if (!close()) {
        unasked_ = false;
        return false;
    }
    return true;
}

void TForm1::openFile(const QString& file) {
    fileBrowser_->pickUpFile(file);
}

void TForm1::cancelOperation() {
    if (link().queuedOperation() != link::Interruption::None) {
        session_.cancelOperation();
    }
}

void TForm1::ToolButton2Click() {
    files_->ToolButton2Click();
}

void TForm1::ToolButton5Click() {
    files_->ToolButton5Click();
}

void TForm1::ToolButton6Click() {
    if (dialogs::TForm3* settings = application_.form3()) {
        settings->exec();
    }
}

void TForm1::ToolButton8Click() {
    if (dialogs::TForm7* about = application_.form7()) {
        about->exec();
    }
}

void TForm1::ListBox1Click() {
    session_.chooseChip(selectedRow(*ListBox1));
}

void TForm1::ListBox1MouseUp() {
    ListBox1Click();
}

void TForm1::ListBox1KeyUp(int key) {
    if (widgets::isEnter(key)) {
        ListBox1Click();
    }
}

void TForm1::ListBox2Click() {
    session_.chooseCommand(selectedRow(*ListBox1), selectedRow(*ListBox2));
}

void TForm1::ListBox2MouseUp() {
    ListBox2Click();
}

void TForm1::ListBox2KeyUp(int key) {
    if (widgets::isEnter(key)) {
        ListBox2Click();
    }
}

void TForm1::Comm321ReceiveData(const std::uint8_t* buffer, std::uint16_t length,
                                serial::ReceiveTime receivedAt) {
    session_.receiveData(std::span<const std::uint8_t>(buffer, length), receivedAt);
}

QString TForm1::statusText() const {
    return StatusBar1->text();
}

QColor TForm1::statusColour() const {
    return StatusBar1->colour();
}

void TForm1::startWatchdog() {
    Timer2->start();
}

QString TForm1::currentFolder() const {
    return fileBrowser_->currentFolder();
}

void TForm1::setCurrentFolder(const QString& folder) {
    fileBrowser_->setCurrentFolder(folder);
}

void TForm1::portSettingsSaved(const session::PortSettings& settings, QWidget* boxParent) {
    if (session_.portSettingsSaved(settings) &&
        prompter_.askYesNo(boxParent,
                           QStringLiteral("Переподключиться с новыми параметрами сейчас?"))) {
        session_.reconnect(settings);
    }
}

void TForm1::resizeEvent(QResizeEvent* event) {
    placeBars();
    FormResize();
    QWidget::resizeEvent(event);
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

// Esc and F1 reach the window when the control with the focus has no use for them (a cell
// being edited takes Esc to drop what was typed).
void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancelOperation();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        if (dialogs::TForm7* about = application_.form7()) {
            about->openHelpPage();  // as the about box's link does
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

namespace {

// The one local file a drag carries; "" for anything else (several files, a folder, a link to
// a web page).
QString droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) {
        return {};
    }
    const QUrl url = data->urls().front();
    if (!url.isLocalFile() || !QFileInfo(url.toLocalFile()).isFile()) {
        return {};
    }
    return url.toLocalFile();
}

}  // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void TForm1::dropEvent(QDropEvent* event) {
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // After the drop has ended: the save question's box must not hold the dragging program.
    QTimer::singleShot(0, this, [this, file] { openFile(file); });
}

// The lists react to a released mouse button anywhere over them, the chip list to a released
// Enter, the command list to Enter going down (and each repeat while it is held).
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    const auto keyOf = [event] { return static_cast<QKeyEvent*>(event)->key(); };
    switch (event->type()) {
        case QEvent::MouseButtonRelease:
            if (watched == ListBox1->viewport()) {
                ListBox1MouseUp();
            } else if (watched == ListBox2->viewport()) {
                ListBox2MouseUp();
            }
            break;
        case QEvent::KeyRelease:
            if (watched == ListBox1 && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
                ListBox1KeyUp(keyOf());
            }
            break;
        case QEvent::KeyPress:
            if (watched == ListBox2) {
                ListBox2KeyUp(keyOf());
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace kelvan::app
