#pragma once

#include <QString>
#include <QWidget>

// A text box that is never shown: it only holds a text, as the camera slots keep their record
// and status in hidden text boxes. Holds the text as QLineEdit does (setText() keeps at most
// MaxLength characters, the constructor all of them), without the text layout a line edit
// redoes for every new text, which would be spent twice per picture on boxes nobody sees.
class HiddenText : public QWidget
{
public:
    // QLineEdit's default maximum length.
    static constexpr qsizetype MaxLength = 32767;

    explicit HiddenText(const QString &text = QString(), QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text) { m_text = text.left(MaxLength); }

private:
    QString m_text;
};
