#include "platform/ui/HiddenText.h"

HiddenText::HiddenText(const QString &text, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
{
    hide();
}
