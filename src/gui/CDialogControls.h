#pragma once
// The controls of one window, built from its table: widgets placed in dialog
// units converted with the window font's base units, their language entries
// and their layout modes.

#include "gui/ControlSpec.h"

#include <QRect>

#include <map>
#include <memory>
#include <vector>

class CLanguage;
class CLayoutKeeper;
class ICaptionWindow;
class QFontMetrics;
class QWidget;

class CDialogControls {
public:
    CDialogControls();
    ~CDialogControls();

    void Build(QWidget* parent, const ControlSpec* specs, size_t count);
    QWidget* Get(int id) const;
    template <class T> T* As(int id) const { return static_cast<T*>(Get(id)); }
    ICaptionWindow* GetCaption(int id) const;
    const std::vector<ControlSpec>& GetSpecs() const { return m_specs; }

    // Registers every translated control, in table order, with mode 1.
    void RegisterLanguage(CLanguage& own, const CLanguage* source) const;
    // Adds every control with a layout mode to the keeper.
    void FeedLayout(CLayoutKeeper& keeper) const;

    // Dialog units to pixels: x * base width / 4, y * base height / 8.
    static QRect ToPixels(int x, int y, int w, int h, const QFontMetrics& metrics);

private:
    QWidget* Create(const ControlSpec& spec, QWidget* parent);

    std::vector<ControlSpec> m_specs;
    std::map<int, QWidget*> m_widgets;
    std::map<int, ICaptionWindow*> m_captions;
    std::vector<std::unique_ptr<ICaptionWindow>> m_ownedCaptions;
};
