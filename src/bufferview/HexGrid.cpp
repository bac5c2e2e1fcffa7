#include "bufferview/HexGrid.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <string_view>

#include "bufferview/HexGridModel.h"
#include "bufferview/HexGridRules.h"
#include "bufferview/HexGridSearch.h"
#include "image/ProgramBuffer.h"

namespace kelvan::bufferview {
namespace {

constexpr int RowHeight = 15;
constexpr int LabelColumnWidth = 32;
constexpr int TextColumnPadding = 4;  // on either side of the 16 characters

QString hexText(std::size_t number) {
    return QString::fromStdString(HexNumberText(number));
}

// The header row and the label column are the grid's fixed cells, pale yellow as in the
// window's design; the lines between them match the grid's own.
const QString FixedCellStyle = QStringLiteral(
    "QHeaderView::section, QTableCornerButton::section {"
    " background-color: rgb(255, 255, 166); border: 0px;"
    " border-right: 1px solid palette(mid); border-bottom: 1px solid palette(mid);"
    " padding: 0px 2px; }");

enum class KeyUse { Commit, Pass, Swallow };

bool isHexDigit(QChar character) {
    const char16_t code = character.unicode();
    return (code >= u'0' && code <= u'9') || (code >= u'A' && code <= u'F') ||
           (code >= u'a' && code <= u'f');
}

// Keys that type no character (arrows, Escape, Tab, shortcuts) are not the grid's to filter.
KeyUse keyUse(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        return KeyUse::Commit;
    }
    if (key.key() == Qt::Key_Backspace) {
        return KeyUse::Swallow;
    }
    const QString text = key.text();
    if (std::all_of(text.begin(), text.end(),
                    [](QChar c) { return c.category() == QChar::Other_Control; })) {
        return KeyUse::Pass;
    }
    return text.size() == 1 && isHexDigit(text.front()) ? KeyUse::Pass : KeyUse::Swallow;
}

// The cell editor of the grid: its keys go through StringGrid1KeyPress first, and only Enter
// stores what was typed. Leaving a cell any other way drops the typing, as the buffer is
// changed by Enter alone.
class HexCellDelegate : public QStyledItemDelegate {
  public:
    explicit HexCellDelegate(HexGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* editor = new QLineEdit(parent);
        HexGrid::StringGrid1GetEditMask(*editor);
        return editor;
    }

    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

    // Paints a cell's two digits, and the text column's characters, from laid-out texts kept for
    // all 256 values: laying each cell's text out anew costs more than the rest of a page
    // repaint together.
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QPalette::ColorGroup group =
            option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
        if (index.column() == HexGridModel::TextColumn) {
            paintCharacters(*painter, option, group, index);
            return;
        }
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) {
            painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        }
        const QVariant byte = index.data(HexGridModel::ByteRole);
        if (byte.isValid()) {
            const std::uint8_t value = static_cast<std::uint8_t>(byte.toInt());
            const QStaticText& digits = laidOut(digits_, value, digitsText, option.font);
            const QSizeF size = digits.size();
            const bool clip = size.width() > option.rect.width();
            if (clip) {
                painter->save();
                painter->setClipRect(option.rect);
            }
            painter->setFont(option.font);
            painter->setPen(
                option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
            painter->drawStaticText(
                QPointF(option.rect.x() + (option.rect.width() - size.width()) / 2,
                        option.rect.y() + (option.rect.height() - size.height()) / 2),
                digits);
            if (clip) {
                painter->restore();
            }
        }
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor =
                option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
            const QStyle* style = option.widget != nullptr ? option.widget->style() : nullptr;
            if (style != nullptr) {
                style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
            }
        }
    }

    // The width of one character's place in the text column: that of the widest character.
    int characterSlot(const QFont& font) const {
        useFont(font);
        if (characterSlot_ == 0) {
            const QFontMetrics metrics(font);
            for (int byte = 0; byte < 256; ++byte) {
                characterSlot_ = std::max(
                    characterSlot_, metrics.horizontalAdvance(QChar(
                                        PrintableCharacter(static_cast<std::uint8_t>(byte)))));
            }
        }
        return characterSlot_;
    }

  protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* editor = qobject_cast<QLineEdit*>(object);
        if (editor == nullptr || event->type() != QEvent::KeyPress) {
            return QStyledItemDelegate::eventFilter(object, event);
        }
        auto& key = *static_cast<QKeyEvent*>(event);
        if (grid_.StringGrid1KeyPress(key, editor->text())) {
            return true;
        }
        if (leavesCell(*editor, key)) {
            // The typing is dropped, as leaving a cell by any key but Enter drops it; the grid
            // then moves to the neighbouring cell or hands the focus on.
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            QCoreApplication::sendEvent(&grid_, &key);
            return true;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

  private:
    using LaidOutTexts = std::array<QStaticText, 256>;

    // Tab and Shift+Tab leave the grid; Left and Right leave the cell once the caret stands at
    // that edge of what was typed (Up and Down the editor passes on by itself).
    static bool leavesCell(const QLineEdit& editor, const QKeyEvent& key) {
        switch (key.key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return true;
        case Qt::Key_Left:
            return editor.cursorPosition() == 0;
        case Qt::Key_Right:
            return editor.cursorPosition() >= editor.text().size();
        default:
            return false;
        }
    }

    // A row's characters, each centred in its slot so that they stand in columns; those of
    // selected bytes (a match that was found) are highlighted as the bytes are.
    void paintCharacters(QPainter& painter, const QStyleOptionViewItem& option,
                         QPalette::ColorGroup group, const QModelIndex& index) const {
        const QByteArray bytes = index.data(HexGridModel::RowBytesRole).toByteArray();
        const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
        const QItemSelectionModel* selection = view != nullptr ? view->selectionModel() : nullptr;
        const int slot = characterSlot(option.font);
        painter.save();
        painter.setClipRect(option.rect);
        painter.setFont(option.font);
        for (int column = 0; column < bytes.size(); ++column) {
            const QRect place(option.rect.x() + TextColumnPadding + column * slot, option.rect.y(),
                              slot, option.rect.height());
            // A column scrolled half out of sight draws only what shows.
            if (view != nullptr && !view->viewport()->rect().intersects(place)) {
                continue;
            }
            const bool selected =
                selection != nullptr && selection->isSelected(index.siblingAtColumn(column));
            if (selected) {
                painter.fillRect(place, option.palette.brush(group, QPalette::Highlight));
            }
            const auto byte = static_cast<std::uint8_t>(bytes[column]);
            const QStaticText& character = laidOut(characters_, byte, characterText, option.font);
            painter.setPen(
                option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
            painter.drawStaticText(
                QPointF(place.x() + (slot - character.size().width()) / 2,
                        place.y() + (place.height() - character.size().height()) / 2),
                character);
        }
        painter.restore();
    }

    void useFont(const QFont& font) const {
        if (font != font_) {
            font_ = font;
            digits_.fill(QStaticText());
            characters_.fill(QStaticText());
            characterSlot_ = 0;
        }
    }

    static QString digitsText(std::uint8_t value) {
        return QString::fromStdString(FormatHexByte(value));
    }
    static QString characterText(std::uint8_t value) { return QChar(PrintableCharacter(value)); }

    // The text is made only the first time a value is painted in a font.
    const QStaticText& laidOut(LaidOutTexts& texts, std::uint8_t value,
                               QString (*text)(std::uint8_t), const QFont& font) const {
        useFont(font);
        QStaticText& laid = texts[value];
        if (laid.text().isEmpty()) {
            laid.setText(text(value));
            laid.setTextFormat(Qt::PlainText);
            laid.prepare(QTransform(), font);
        }
        return laid;
    }

    HexGrid& grid_;
    mutable QFont font_;
    mutable LaidOutTexts digits_;      // a data cell's two digits
    mutable LaidOutTexts characters_;  // a text column character
    mutable int characterSlot_ = 0;
};

}  // namespace

HexGrid::HexGrid(ProgramBuffer& buffer, QWidget* parent)
    : QTableView(parent), buffer_(buffer), model_(new HexGridModel(buffer, this)) {
    setObjectName(QStringLiteral("StringGrid1"));
    setModel(model_);
    setItemDelegate(new HexCellDelegate(*this));
    setStyleSheet(FixedCellStyle);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    // The data columns fill the width by their formula, so the text column beside them is
    // reached by scrolling sideways.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    // A narrow column clips its two digits rather than turning them into an ellipsis.
    setTextElideMode(Qt::ElideNone);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);  // Tab leaves the grid; the arrows move between its cells

    // Fixed sizes: the headers never measure their texts, which would touch every row.
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setMinimumSectionSize(0);
        header->setHighlightSections(false);
    }
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);  // over the centred digits
    verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setDefaultSectionSize(RowHeight);
    verticalHeader()->setFixedWidth(LabelColumnWidth);
    horizontalHeader()->setFixedHeight(RowHeight);
    setCurrentIndex(model_->index(0, 0));

    setContextMenuPolicy(Qt::ActionsContextMenu);
    addShortcut(QStringLiteral("Перейти к адресу…"), QKeySequence(Qt::CTRL | Qt::Key_G),
                &HexGrid::goToAddress);
    addShortcut(QStringLiteral("Найти…"), QKeySequence(Qt::CTRL | Qt::Key_F), &HexGrid::find);
    addShortcut(QStringLiteral("Найти далее"), QKeySequence(Qt::Key_F3), &HexGrid::findNext);
}

// The keys work while the grid or its cell editor has the focus.
void HexGrid::addShortcut(const QString& text, const QKeySequence& keys,
                          void (HexGrid::*run)()) {
    auto* action = new QAction(text, this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, this, run);
    addAction(action);
}

HexGrid::~HexGrid() = default;

void HexGrid::FormatGrid() {
    model_->showColumnDigits();
    ApplyGridGeometry();
    RefreshGridRows();
}

void HexGrid::FitGridToBuffer() {
    const std::size_t rows = std::min<std::size_t>(GridRowCount(buffer_.size()), INT_MAX);
    setRowCount(static_cast<int>(rows));
    FormatGrid();
}

void HexGrid::RefreshGridRows() {
    const int first = rowAt(0);
    if (first < 0) {
        return;
    }
    int last = rowAt(viewport()->height() - 1);
    if (last < 0) {
        last = model_->rowCount() - 1;
    }
    model_->refreshRows(first, last);
}

void HexGrid::ApplyGridGeometry() {
    if (const QWidget* box = parentWidget()) {
        setGeometry(5, 15, box->width() - 10, box->height() - 20);
    }
    // Integer division truncates towards zero; a window too small for any column gets none.
    const int dataColumnWidth = std::max(0, (width() - 49) / 16 - 1);
    for (int column = 0; column < HexGridModel::DataColumns; ++column) {
        horizontalHeader()->resizeSection(column, dataColumnWidth);
    }
    const int slot = static_cast<const HexCellDelegate*>(itemDelegate())->characterSlot(font());
    horizontalHeader()->resizeSection(HexGridModel::TextColumn,
                                      HexGridModel::DataColumns * slot + 2 * TextColumnPadding);
}

int HexGrid::readableWidth() const {
    const QFontMetrics metrics(font());
    int digit = 0;
    for (const char character : std::string_view("0123456789ABCDEF")) {
        digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(character)));
    }
    // The column formula leaves (width - 49) div 16 - 1 for two digits.
    return 49 + HexGridModel::DataColumns * (2 * digit + 1);
}

bool HexGrid::showAddress(std::size_t address) {
    return address < buffer_.size() && selectBytes(address, 1);
}

std::size_t HexGrid::currentAddress() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        return 0;
    }
    return static_cast<std::size_t>(current.row()) * HexGridModel::DataColumns +
           static_cast<std::size_t>(std::min(current.column(), HexGridModel::DataColumns - 1));
}

bool HexGrid::selectBytes(std::size_t address, std::size_t length) {
    const QModelIndex first = model_->indexOf(address);
    const QModelIndex last = model_->indexOf(address + length - 1);
    if (!first.isValid() || !last.isValid()) {
        return false;
    }
    QItemSelection bytes;
    for (int row = first.row(); row <= last.row(); ++row) {
        bytes.select(
            model_->index(row, row == first.row() ? first.column() : 0),
            model_->index(row, row == last.row() ? last.column() : HexGridModel::DataColumns - 1));
    }
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    selectionModel()->select(bytes, QItemSelectionModel::ClearAndSelect);
    // A cell out of sight comes to the middle of the page, with the rows around it.
    if (!viewport()->rect().contains(visualRect(first))) {
        scrollTo(first, QAbstractItemView::PositionAtCenter);
    }
    return true;
}

void HexGrid::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QTableView::selectionChanged(selected, deselected);
    // The text column marks the characters of selected bytes, so its rows repaint with them.
    for (const QItemSelection* ranges : {&selected, &deselected}) {
        for (const QItemSelectionRange& range : *ranges) {
            viewport()->update(
                visualRect(model_->index(range.top(), HexGridModel::TextColumn))
                    .united(visualRect(model_->index(range.bottom(), HexGridModel::TextColumn))));
        }
    }
}

std::optional<QString> HexGrid::askText(const QString& title, const QString& label,
                                        const QString& preset) {
    QInputDialog box(this);
    box.setWindowTitle(title);
    box.setLabelText(label);
    box.setTextValue(preset);
    box.setMinimumWidth(320);  // room for the title
    if (box.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return box.textValue();
}

void HexGrid::goToAddress() {
    const QPointer<HexGrid> alive(this);
    const auto typed =
        askText(QStringLiteral("Перейти к адресу"), QStringLiteral("Адрес (шестнадцатеричный):"),
                hexText(currentAddress()));
    // The box ran its own event loop: the buffer may have changed, or the grid gone.
    if (!alive || !typed) {
        return;
    }
    const auto address = ParseHexAddress(typed->toStdU16String());
    if (!address) {
        tell(QStringLiteral("«%1» — не шестнадцатеричный адрес.").arg(typed->trimmed()));
    } else if (buffer_.empty()) {
        tell(QStringLiteral("Буфер пуст."));
    } else if (!showAddress(*address)) {
        tell(QStringLiteral("Адреса %1 в буфере нет: последний адрес %2.")
                 .arg(hexText(*address), hexText(buffer_.size() - 1)));
    }
}

void HexGrid::find() {
    const QPointer<HexGrid> alive(this);
    const auto typed = askText(
        QStringLiteral("Найти"),
        QStringLiteral("Байты шестнадцатеричными цифрами (DE AD BE EF) или текст.\n"
                       "Текст из одних шестнадцатеричных цифр возьмите в кавычки: \"BEEF\"."),
        lastPattern_);
    if (!alive || !typed) {
        return;
    }
    SearchPattern pattern = ParseSearchPattern(typed->toStdU16String());
    switch (pattern.kind) {
        case SearchPattern::Kind::Empty:
            return;
        case SearchPattern::Kind::Unencodable:
            tell(QStringLiteral("Знака «%1» нет в кодировке Windows-1251: такого текста в буфере "
                                "быть не может.")
                     .arg(QChar(pattern.unencodable)));
            return;
        case SearchPattern::Kind::Bytes:
        case SearchPattern::Kind::Text:
            break;
    }
    lastPattern_ = typed->trimmed();
    lastBytes_ = std::move(pattern.bytes);
    findFrom(currentAddress());
}

void HexGrid::findNext() {
    if (lastBytes_.empty()) {
        find();
        return;
    }
    findFrom(currentAddress() + 1);
}

void HexGrid::findFrom(std::size_t from) {
    if (const auto match = FindBytes(buffer_.bytes(), lastBytes_, from)) {
        selectBytes(*match, lastBytes_.size());
        return;
    }
    tell(QStringLiteral("«%1» не найдено от адреса %2 до конца буфера.")
             .arg(lastPattern_, hexText(from)));
}

void HexGrid::tell(const QString& text) {
    QMessageBox::information(this, QApplication::applicationDisplayName(), text);
}

int HexGrid::rowCount() const {
    return model_->rowCount() + 1;
}

void HexGrid::setRowCount(int rows) {
    model_->setDataRows(rows - 1);
    RefreshGridRows();
}

void HexGrid::StringGrid1GetEditMask(QLineEdit& editor) {
    editor.setMaxLength(2);
    // Keys are filtered before they reach the editor; the validator keeps pasted text in line.
    editor.setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,2}")), &editor));
}

bool HexGrid::StringGrid1KeyPress(const QKeyEvent& key, const QString& cellText) {
    switch (keyUse(key)) {
        case KeyUse::Commit:
            commitCell(cellText);
            return true;
        case KeyUse::Swallow:
            return true;
        case KeyUse::Pass:
            break;
    }
    return false;
}

// Stores the cell's value when a byte lies behind it, then selects the next cell, which also
// closes an open editor.
void HexGrid::commitCell(const QString& text) {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        return;
    }
    if (const auto address = model_->addressAt(current)) {
        const QByteArray digits = text.toLatin1();
        const std::uint32_t value = HexTextToValue(
            std::string_view(digits.constData(), static_cast<std::size_t>(digits.size())));
        buffer_.set(*address, static_cast<std::uint8_t>(value & 0xFF));
        buffer_.setModified(true);
        model_->refreshRows(current.row(), current.row());
    }
    int row = current.row();
    int column = current.column() + 1;
    if (column == HexGridModel::DataColumns) {
        column = 0;
        if (row + 1 < model_->rowCount()) {
            ++row;
        }
    }
    setCurrentIndex(model_->index(row, column));
}

void HexGrid::keyPressEvent(QKeyEvent* event) {
    if (StringGrid1KeyPress(*event, currentIndex().data().toString())) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace kelvan::bufferview
