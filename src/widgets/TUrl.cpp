#include "widgets/TUrl.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMouseEvent>
#include <QUrl>

namespace kelvan::widgets {
namespace {

// A relative address names a file below the working directory; one with a scheme is a URL.
QUrl resolvedUrl(const QString& url) {
    const QUrl parsed(url);
    if (parsed.isValid() && parsed.scheme().size() > 1) {
        return parsed;
    }
    return QUrl::fromLocalFile(QFileInfo(url).absoluteFilePath());
}

}  // namespace

TUrl::TUrl(QWidget* parent) : QLabel(parent) {
    setFontColor(QColor(0, 0, 128));  // navy until a window's design says otherwise
    setCursor(Qt::PointingHandCursor);
    savedColor_ = fontColor();
    savedStyle_ = fontStyle();
}

void TUrl::setURL(const QString& url) {
    if (url == url_) {
        return;
    }
    if (toolTip().isEmpty() || toolTip() == url_) {
        setToolTip(url);
    }
    if (text().isEmpty() || text() == url_) {
        setText(url);
    }
    url_ = url;
    update();
}

QColor TUrl::fontColor() const {
    return palette().color(QPalette::WindowText);
}

void TUrl::setFontColor(const QColor& color) {
    QPalette linkPalette = palette();
    linkPalette.setColor(QPalette::WindowText, color);
    setPalette(linkPalette);
}

TFontStyles TUrl::fontStyle() const {
    TFontStyles style;
    style.setFlag(TFontStyle::fsBold, font().bold());
    style.setFlag(TFontStyle::fsItalic, font().italic());
    style.setFlag(TFontStyle::fsUnderline, font().underline());
    style.setFlag(TFontStyle::fsStrikeOut, font().strikeOut());
    return style;
}

void TUrl::setFontStyle(TFontStyles style) {
    QFont linkFont = font();
    linkFont.setBold(style.testFlag(TFontStyle::fsBold));
    linkFont.setItalic(style.testFlag(TFontStyle::fsItalic));
    linkFont.setUnderline(style.testFlag(TFontStyle::fsUnderline));
    linkFont.setStrikeOut(style.testFlag(TFontStyle::fsStrikeOut));
    setFont(linkFont);
}

bool TUrl::OpenUrl() {
    if (url_.isEmpty()) {
        return false;
    }
    if (QDesktopServices::openUrl(resolvedUrl(url_))) {
        return true;
    }
    if (OnUrlFailed) {
        OnUrlFailed(*this, url_, 0);
    }
    return false;
}

void TUrl::enterEvent(QEnterEvent* event) {
    savedColor_ = fontColor();
    savedStyle_ = fontStyle();
    setFontColor(ActiveLinkColor);
    setFontStyle(ActiveLinkStyle);
    QLabel::enterEvent(event);
    if (OnMouseEnter) {
        OnMouseEnter(*this);
    }
}

void TUrl::leaveEvent(QEvent* event) {
    setFontColor(savedColor_);
    setFontStyle(savedStyle_);
    QLabel::leaveEvent(event);
    if (OnMouseLeave) {
        OnMouseLeave(*this);
    }
}

void TUrl::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TUrl::mouseReleaseEvent(QMouseEvent* event) {
    const bool clicked = pressed_ && event->button() == Qt::LeftButton &&
                         rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (clicked) {
        Click();
    }
}

void TUrl::Click() {
    if (OnClick) {
        OnClick(*this);
        return;
    }
    OpenUrl();
}

}  // namespace kelvan::widgets
