#pragma once
// A widget's caption as the language layer sees it: the text of a button or
// label, the title of a group box or of a window.

#include "settings/CLanguage.h"

class QWidget;

class CWidgetCaption : public ICaptionWindow {
public:
    explicit CWidgetCaption(QWidget* widget) : m_pWidget(widget) {}
    std::string GetCaption() const override;
    void SetCaption(const std::string& caption) override;

private:
    QWidget* m_pWidget;
};
