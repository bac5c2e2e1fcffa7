#include "bufferview/HexGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
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
#include "image/ProgramBuffer.h"

namespace kelvan::buffer {
namespace {

constexpr int RowHeight = 15;
constexpr int LabelColumnWidth = 32;

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

    // Paints a cell's two digits from laid-out texts kept for all 256 values: laying each cell's
    // text out anew costs more than the rest of a page repaint together.
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QPalette::ColorGroup group =
            option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) {
            painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        }
        const QVariant byte = index.data(HexGridModel::ByteRole);
        if (byte.isValid()) {
            const QStaticText& digits =
                laidOut(static_cast<std::uint8_t>(byte.toInt()), option.font);
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

  protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* editor = qobject_cast<QLineEdit*>(object);
        if (editor != nullptr && event->type() == QEvent::KeyPress &&
            grid_.StringGrid1KeyPress(*static_cast<QKeyEvent*>(event), editor->text())) {
            return true;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

  private:
    const QStaticText& laidOut(std::uint8_t value, const QFont& font) const {
        if (font != font_) {
            font_ = font;
            laidOut_.fill(QStaticText());
        }
        QStaticText& digits = laidOut_[value];
        if (digits.text().isEmpty()) {
            digits.setText(QString::fromStdString(FormatHexByte(value)));
            digits.setTextFormat(Qt::PlainText);
            digits.prepare(QTransform(), font);
        }
        return digits;
    }

    HexGrid& grid_;
    mutable QFont font_;
    mutable std::array<QStaticText, 256> laidOut_;
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
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrap(false);
    // A narrow column clips its two digits rather than turning them into an ellipsis.
    setTextElideMode(Qt::ElideNone);
    setCornerButtonEnabled(false);

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

}  // namespace kelvan::buffer
