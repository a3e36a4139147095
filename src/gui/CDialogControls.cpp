#include "gui/CDialogControls.h"

#include "gui/CEncodingListView.h"
#include "gui/CLayoutKeeper.h"
#include "gui/CPreviewScreen.h"
#include "gui/CWidgetCaption.h"
#include "settings/CLanguage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

CDialogControls::CDialogControls() = default;
CDialogControls::~CDialogControls() = default;

QRect CDialogControls::ToPixels(int x, int y, int w, int h, const QFontMetrics& metrics) {
    // The base width is the average width of the Latin letters, as the
    // dialog units of a template assume.
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseX = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    const int baseY = metrics.height();
    return QRect(x * baseX / 4, y * baseY / 8, w * baseX / 4, h * baseY / 8);
}

QWidget* CDialogControls::Create(const ControlSpec& spec, QWidget* parent) {
    const QString caption = QString::fromUtf8(spec.caption ? spec.caption : "");
    switch (spec.kind) {
    case EControl::Button: {
        auto* button = new QPushButton(caption, parent);
        button->setAutoDefault(false);
        return button;
    }
    case EControl::Label:
        return new QLabel(caption, parent);
    case EControl::Group:
        return new QGroupBox(caption, parent);
    case EControl::Field: {
        auto* field = new QLineEdit(caption, parent);
        field->setReadOnly(true);
        field->setAlignment(Qt::AlignCenter);
        field->setFocusPolicy(Qt::ClickFocus);
        return field;
    }
    case EControl::Edit:
        return new QLineEdit(caption, parent);
    case EControl::Check:
        return new QCheckBox(caption, parent);
    case EControl::Combo:
        return new QComboBox(parent);
    case EControl::Slider: {
        auto* slider = new QSlider(Qt::Horizontal, parent);
        slider->setTickPosition(QSlider::NoTicks);
        return slider;
    }
    case EControl::Progress: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }
    case EControl::List:
        return new CEncodingListView(parent);
    case EControl::Screen:
        return new CPreviewScreen(parent);
    }
    return nullptr;
}

void CDialogControls::Build(QWidget* parent, const ControlSpec* specs, size_t count) {
    m_specs.assign(specs, specs + count);
    const QFontMetrics metrics(parent->font());
    // Group boxes first, so that the controls inside them lie on top.
    for (int pass = 0; pass < 2; ++pass) {
        for (const ControlSpec& spec : m_specs) {
            if ((spec.kind == EControl::Group) != (pass == 0))
                continue;
            QWidget* widget = Create(spec, parent);
            widget->setObjectName(QStringLiteral("c%1").arg(spec.id));
            widget->setGeometry(ToPixels(spec.x, spec.y, spec.w, spec.h, metrics));
            m_widgets[spec.id] = widget;
            if (auto* screen = qobject_cast<CPreviewScreen*>(widget)) {
                m_captions[spec.id] = screen;
            } else {
                m_ownedCaptions.push_back(std::make_unique<CWidgetCaption>(widget));
                m_captions[spec.id] = m_ownedCaptions.back().get();
            }
        }
    }
}

QWidget* CDialogControls::Get(int id) const {
    const auto it = m_widgets.find(id);
    return it == m_widgets.end() ? nullptr : it->second;
}

ICaptionWindow* CDialogControls::GetCaption(int id) const {
    const auto it = m_captions.find(id);
    return it == m_captions.end() ? nullptr : it->second;
}

void CDialogControls::RegisterLanguage(CLanguage& own, const CLanguage* source) const {
    for (const ControlSpec& spec : m_specs) {
        if (spec.section && spec.key)
            own.Register(GetCaption(spec.id), spec.defaultText, spec.section, spec.key,
                         CLanguage::MODE_REPLACE, source);
    }
}

void CDialogControls::FeedLayout(CLayoutKeeper& keeper) const {
    for (const ControlSpec& spec : m_specs) {
        if (spec.layoutMode >= 0)
            keeper.Add(Get(spec.id), spec.layoutMode);
    }
}
