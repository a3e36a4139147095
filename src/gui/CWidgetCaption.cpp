#include "gui/CWidgetCaption.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

std::string CWidgetCaption::GetCaption() const {
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(m_pWidget))
        text = button->text();
    else if (auto* label = qobject_cast<QLabel*>(m_pWidget))
        text = label->text();
    else if (auto* group = qobject_cast<QGroupBox*>(m_pWidget))
        text = group->title();
    else if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget))
        text = edit->text();
    else
        text = m_pWidget->windowTitle();
    return text.toStdString();
}

void CWidgetCaption::SetCaption(const std::string& caption) {
    const QString text = QString::fromStdString(caption);
    if (auto* button = qobject_cast<QAbstractButton*>(m_pWidget))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(m_pWidget))
        label->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(m_pWidget))
        group->setTitle(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(m_pWidget))
        edit->setText(text);
    else
        m_pWidget->setWindowTitle(text);
}
