#include "app/MainToolBar.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QToolBar>
#include <QToolButton>
#include <cmath>
#include <functional>
#include <numbers>

namespace kelvan::app {
namespace {

// Every icon is drawn on a 16 x 16 grid; the painter scales it to each pixmap size.
using Drawing = std::function<void(QPainter&)>;

QIcon paintedIcon(const Drawing& draw) {
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPen outline(const QColor& colour) {
    QPen pen(colour, 1.0);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// The closed outline through `corners`, in order.
QPainterPath closedPath(const QPolygonF& corners) {
    QPainterPath path;
    path.addPolygon(corners);
    path.closeSubpath();
    return path;
}

void drawFolder(QPainter& painter) {
    const QPainterPath folder =
        closedPath({{1.5, 3.5}, {6.0, 3.5}, {7.5, 5.0}, {14.5, 5.0}, {14.5, 13.5}, {1.5, 13.5}});
    painter.setPen(outline(QColor(150, 110, 20)));
    painter.setBrush(QColor(240, 200, 90));
    painter.drawPath(folder);
    painter.setBrush(QColor(250, 220, 120));
    painter.drawRect(QRectF(1.5, 6.5, 13.0, 7.0));
}

void drawDownArrow(QPainter& painter) {
    const QPainterPath arrow = closedPath(
        {{7.0, 0.5}, {9.0, 0.5}, {9.0, 6.0}, {11.5, 6.0}, {8.0, 10.5}, {4.5, 6.0}, {7.0, 6.0}});
    painter.setPen(outline(QColor(20, 90, 30)));
    painter.setBrush(QColor(60, 170, 70));
    painter.drawPath(arrow);
}

void drawDiskette(QPainter& painter) {
    const QPainterPath body =
        closedPath({{1.5, 1.5}, {12.5, 1.5}, {14.5, 3.5}, {14.5, 14.5}, {1.5, 14.5}});
    painter.setPen(outline(QColor(25, 50, 110)));
    painter.setBrush(QColor(55, 100, 190));
    painter.drawPath(body);
    // Shutter at the top, label at the bottom.
    painter.setBrush(QColor(200, 205, 215));
    painter.drawRect(QRectF(4.0, 1.5, 7.0, 4.5));
    painter.setBrush(QColor(60, 70, 90));
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRectF(8.5, 2.3, 1.5, 3.0));
    painter.setPen(outline(QColor(25, 50, 110)));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(3.5, 8.5, 9.0, 6.0));
    painter.setPen(outline(QColor(160, 170, 190)));
    painter.drawLine(QPointF(5.0, 10.5), QPointF(11.0, 10.5));
    painter.drawLine(QPointF(5.0, 12.5), QPointF(11.0, 12.5));
}

void drawCog(QPainter& painter) {
    constexpr int Teeth = 8;
    constexpr double Outer = 7.2;
    constexpr double Inner = 5.2;
    const QPointF centre(8.0, 8.0);
    QPolygonF rim;
    for (int tooth = 0; tooth < Teeth; ++tooth) {
        const double step = 2.0 * std::numbers::pi / Teeth;
        const double start = tooth * step;
        const double angles[] = {start - step * 0.30, start - step * 0.18, start + step * 0.18,
                                 start + step * 0.30};
        const double radii[] = {Inner, Outer, Outer, Inner};
        for (int corner = 0; corner < 4; ++corner) {
            rim << QPointF(centre.x() + radii[corner] * std::cos(angles[corner]),
                           centre.y() + radii[corner] * std::sin(angles[corner]));
        }
    }
    QPainterPath wheel = closedPath(rim);
    wheel.addEllipse(centre, 2.3, 2.3);
    wheel.setFillRule(Qt::OddEvenFill);
    painter.setPen(outline(QColor(60, 65, 75)));
    painter.setBrush(QColor(140, 148, 160));
    painter.drawPath(wheel);
}

void drawInformation(QPainter& painter) {
    painter.setPen(outline(QColor(20, 60, 140)));
    painter.setBrush(QColor(50, 110, 210));
    painter.drawEllipse(QPointF(8.0, 8.0), 7.0, 7.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(8.0, 4.6), 1.2, 1.2);
    painter.drawRoundedRect(QRectF(6.9, 6.8, 2.2, 5.8), 0.6, 0.6);
}

}  // namespace

QIcon loadFileIcon() {
    return paintedIcon([](QPainter& painter) {
        drawFolder(painter);
        drawDownArrow(painter);
    });
}

QIcon saveFileIcon() {
    return paintedIcon(drawDiskette);
}

QIcon settingsIcon() {
    return paintedIcon(drawCog);
}

QIcon aboutIcon() {
    return paintedIcon(drawInformation);
}

namespace {

QWidget* fixedSpacer(QWidget* parent, int width) {
    auto* spacer = new QWidget(parent);
    spacer->setFixedWidth(width);
    return spacer;
}

}  // namespace

MainToolBar buildMainToolBar(QWidget* window) {
    MainToolBar bar;
    QToolBar* toolBar = bar.ToolBar1 = new QToolBar(window);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setStyleSheet(
        QStringLiteral("QToolBar { border-top: 1px solid palette(mid);"
                       " border-bottom: 1px solid palette(mid); spacing: 0px; padding: 0px; }"));

    const auto addButton = [toolBar](const char* name, const QIcon& icon, const QString& hint) {
        auto* button = new QToolButton(toolBar);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(icon);
        button->setToolTip(hint);
        button->setAutoRaise(true);
        return button;
    };
    bar.ToolButton2 =
        addButton("ToolButton2", loadFileIcon(), QStringLiteral("Загрузить файл в буфер"));
    bar.ToolButton5 =
        addButton("ToolButton5", saveFileIcon(), QStringLiteral("Сохранить буфер в файл"));
    bar.ToolButton6 = addButton("ToolButton6", settingsIcon(), QStringLiteral("Настройки"));
    bar.ToolButton8 = addButton("ToolButton8", aboutIcon(), QStringLiteral("О программаторе"));

    toolBar->addWidget(fixedSpacer(toolBar, 17));           // ToolButton3
    toolBar->addWidget(bar.ToolButton2)->setVisible(false);  // the loader's button
    toolBar->addWidget(fixedSpacer(toolBar, 8));            // ToolButton4
    toolBar->addWidget(bar.ToolButton5);
    toolBar->addWidget(fixedSpacer(toolBar, 70));  // ToolButton1
    toolBar->addWidget(bar.ToolButton6);
    toolBar->addWidget(fixedSpacer(toolBar, 77));  // ToolButton7
    toolBar->addWidget(bar.ToolButton8);
    return bar;
}

}  // namespace kelvan::app
