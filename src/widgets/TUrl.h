#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

#include <functional>

namespace kelvan::widgets {

enum class TFontStyle { fsBold = 0x1, fsItalic = 0x2, fsUnderline = 0x4, fsStrikeOut = 0x8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFontStyles)

// A link label: text that shows the hand cursor, takes the active colour and style while the
// mouse is over it, and opens its URL (a file path relative to the working directory, or any URL)
// when clicked.
class TUrl : public QLabel {
    Q_OBJECT
  public:
    explicit TUrl(QWidget* parent = nullptr);

    QColor ActiveLinkColor = Qt::blue;
    TFontStyles ActiveLinkStyle = TFontStyle::fsUnderline;
    std::function<void(TUrl&)> OnClick;  // when set, a click runs it instead of opening URL
    std::function<void(TUrl&)> OnMouseEnter;
    std::function<void(TUrl&)> OnMouseLeave;
    std::function<void(TUrl&, const QString& url, int errorCode)> OnUrlFailed;

    const QString& URL() const { return url_; }
    // Changes the address; a hint or caption that showed the old address follows it.
    void setURL(const QString& url);

    QColor fontColor() const;
    void setFontColor(const QColor& color);
    TFontStyles fontStyle() const;
    void setFontStyle(TFontStyles style);

    // Opens URL with the program the system associates with it. False when URL is empty or
    // opening failed (OnUrlFailed is then called, with error code 0: the system gives no code).
    virtual bool OpenUrl();

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void Click();

    QString url_;
    QColor savedColor_;
    TFontStyles savedStyle_;
    bool pressed_ = false;
};

}  // namespace kelvan::widgets
