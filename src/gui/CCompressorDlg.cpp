#include "gui/CCompressorDlg.h"

#include "encoding/EncodingPart.h"
#include "gui/CCompressorPreviewer.h"
#include "media/CAVIFile.h"
#include "media/CSilentHost.h"
#include "platform/CCompressorRegistry.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int PREVIEW_WIDTH = 320;
constexpr int PREVIEW_HEIGHT = 240;

const CompressorInfo& ProposedCompressor(FOURCC proposed) {
    const CompressorInfo* info = CCompressorRegistry::Find(proposed);
    return info ? *info : CCompressorRegistry::Compressors().front();
}

int32_t SourceLength(const std::string& path) {
    // The window has said what is wrong with a source that does not open.
    CSilentHost host;
    CAVIFile file(host);
    return file.Open(path, false) ? file.GetLength() : 0;
}
} // namespace

bool CCompressorDlg::Choose(QWidget* parent, const std::string& sourcePath, CodecOptions& record,
                            FOURCC proposed) {
    CCompressorDlg dialog(parent, sourcePath, record, proposed);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (dialog.IsChanged())
        record = dialog.GetRecord();
    return true;
}

CCompressorDlg::CCompressorDlg(QWidget* parent, const std::string& sourcePath, const CodecOptions& record,
                               FOURCC proposed)
    : QDialog(parent), m_strSource(sourcePath) {
    setWindowTitle(QStringLiteral("Video Compression"));
    BuildControls();
    const CompressorInfo& fallback = ProposedCompressor(proposed);
    std::string error;
    EncoderSettings settings;
    if (record.fccHandler == 0) {
        // A record nobody filled yet: the proposed compressor's preset.
        m_record = CCompressorRegistry::MakeOptions(fallback, fallback.defaults);
        m_bChanged = true;
    } else if (CCompressorRegistry::EffectiveSettings(record, nullptr, settings, &error)) {
        m_record = record;
    } else {
        m_record = CCompressorRegistry::MakeOptions(fallback, fallback.defaults);
        m_bChanged = true;
        m_pSettingsError->setText(QString::fromStdString(error + "; the preset is proposed instead."));
    }
    const int32_t length = SourceLength(sourcePath);
    m_pFrame->setRange(0, length > 0 ? length - 1 : 0);
    m_pFrame->setValue(length / 2); // the opening frames are often black
    m_pPreviewer = std::make_unique<CCompressorPreviewer>(
        sourcePath, [this](const CCompressorPreviewer::Result& result) {
            QMetaObject::invokeMethod(
                this,
                [this, result] {
                    ShowPreview(result.request, result.image, result.compressedBytes, result.error);
                },
                Qt::QueuedConnection);
        });
    ShowRecord();
    RequestPreview();
}

// The previewer first: its thread may still post to this dialog.
CCompressorDlg::~CCompressorDlg() {
    m_pPreviewer.reset();
}

void CCompressorDlg::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_pCompressor = new QComboBox(this);
    for (const CompressorInfo& info : CCompressorRegistry::Compressors())
        m_pCompressor->addItem(QString::fromStdString(FourCCToString(info.fourcc) + "  " + info.name));
    form->addRow(QStringLiteral("Compressor:"), m_pCompressor);
    m_pDescription = new QLabel(this);
    m_pDescription->setWordWrap(true);
    form->addRow(QString(), m_pDescription);
    layout->addLayout(form);

    auto* rate = new QGroupBox(QStringLiteral("Rate and key frames"), this);
    auto* rateForm = new QFormLayout(rate);
    m_pUseBitrate = new QRadioButton(QStringLiteral("Bit rate (kbit/s):"), rate);
    m_pBitrate = new QSpinBox(rate);
    m_pBitrate->setRange(8, 100000);
    m_pBitrate->setSingleStep(50);
    rateForm->addRow(m_pUseBitrate, m_pBitrate);
    m_pUseQuality = new QRadioButton(QStringLiteral("Fixed quality (1 best .. 31):"), rate);
    m_pQuality = new QSpinBox(rate);
    m_pQuality->setRange(1, 31);
    rateForm->addRow(m_pUseQuality, m_pQuality);
    m_pKeyInterval = new QSpinBox(rate);
    m_pKeyInterval->setRange(0, 100000);
    m_pKeyInterval->setSpecialValueText(QStringLiteral("only where requested"));
    rateForm->addRow(QStringLiteral("Key frame at least every (frames):"), m_pKeyInterval);
    layout->addWidget(rate);

    auto* settings = new QGroupBox(QStringLiteral("Settings of the preset"), this);
    auto* settingsLayout = new QVBoxLayout(settings);
    auto* settingsRow = new QHBoxLayout;
    m_pSettings = new QLineEdit(settings);
    m_pSettings->setToolTip(QString::fromStdString(CCompressorRegistry::SettingKeysHelp()));
    settingsRow->addWidget(m_pSettings, 1);
    auto* preset = new QPushButton(QStringLiteral("Preset"), settings);
    preset->setAutoDefault(false);
    preset->setToolTip(QStringLiteral("Back to the compressor's own settings"));
    settingsRow->addWidget(preset);
    settingsLayout->addLayout(settingsRow);
    m_pSettingsError = new QLabel(settings);
    m_pSettingsError->setWordWrap(true);
    m_pSettingsError->setStyleSheet(QStringLiteral("color: #b00000"));
    settingsLayout->addWidget(m_pSettingsError);
    layout->addWidget(settings);

    auto* preview = new QGroupBox(QStringLiteral("Preview"), this);
    auto* previewLayout = new QVBoxLayout(preview);
    auto* frameRow = new QHBoxLayout;
    frameRow->addWidget(new QLabel(QStringLiteral("Source frame:"), preview));
    m_pFrame = new QSpinBox(preview);
    frameRow->addWidget(m_pFrame);
    frameRow->addStretch(1);
    previewLayout->addLayout(frameRow);
    m_pPreview = new QLabel(preview);
    m_pPreview->setFixedSize(PREVIEW_WIDTH, PREVIEW_HEIGHT);
    m_pPreview->setAlignment(Qt::AlignCenter);
    m_pPreview->setStyleSheet(QStringLiteral("background: black; color: white"));
    previewLayout->addWidget(m_pPreview, 0, Qt::AlignHCenter);
    m_pPreviewSize = new QLabel(preview);
    previewLayout->addWidget(m_pPreviewSize);
    layout->addWidget(preview);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pCompressor, &QComboBox::activated, this, [this](int index) { OnCompressorChosen(index); });
    for (QRadioButton* choice : {m_pUseBitrate, m_pUseQuality})
        connect(choice, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                OnRateChanged();
        });
    for (QSpinBox* box : {m_pBitrate, m_pQuality, m_pKeyInterval})
        connect(box, &QSpinBox::editingFinished, this, [this] { OnRateChanged(); });
    connect(m_pSettings, &QLineEdit::editingFinished, this, [this] { OnSettingsEdited(); });
    connect(preset, &QPushButton::clicked, this, [this] { OnPresetClicked(); });
    connect(m_pFrame, &QSpinBox::editingFinished, this, [this] { RequestPreview(); });
}

void CCompressorDlg::ShowRecord() {
    const CompressorInfo* info = nullptr;
    EncoderSettings settings;
    CCompressorRegistry::EffectiveSettings(m_record, &info, settings, nullptr);
    if (!info)
        return;
    const QSignalBlocker b1(m_pCompressor), b2(m_pUseBitrate), b3(m_pUseQuality), b4(m_pBitrate),
        b5(m_pQuality), b6(m_pKeyInterval), b7(m_pSettings);
    const auto& all = CCompressorRegistry::Compressors();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].fourcc == info->fourcc)
            m_pCompressor->setCurrentIndex(static_cast<int>(i));
    const bool rated = !info->lossless;
    m_pDescription->setText(rated
                                ? QString()
                                : QStringLiteral("Lossless: every frame is a key frame, and the movie takes "
                                                 "the bytes it needs."));
    const bool quality = settings.rateMode == EncoderSettings::RATE_QUANTISER;
    m_pUseBitrate->setChecked(!quality);
    m_pUseQuality->setChecked(quality);
    m_pBitrate->setValue(static_cast<int>(settings.bitrateKbps));
    m_pQuality->setValue(settings.quantiser);
    m_pKeyInterval->setValue(static_cast<int>(settings.keyInterval));
    m_pUseBitrate->setEnabled(rated);
    m_pUseQuality->setEnabled(rated);
    m_pKeyInterval->setEnabled(rated);
    m_pBitrate->setEnabled(rated && !quality);
    m_pQuality->setEnabled(rated && quality);
    m_pSettings->setText(QString::fromStdString(CCompressorRegistry::SettingsText(m_record)));
    m_pSettings->setCursorPosition(0); // the compressor's name first
}

void CCompressorDlg::SetRecord(const CompressorInfo& info, const EncoderSettings& settings) {
    std::string reason;
    if (!ValidateEncoderSettings(settings, &reason)) {
        m_pSettingsError->setText(QString::fromStdString("Settings not valid: " + reason));
        ShowRecord();
        return;
    }
    m_record = CCompressorRegistry::MakeOptions(info, settings);
    m_bChanged = true;
    m_pSettingsError->clear();
    ShowRecord();
    RequestPreview();
}

void CCompressorDlg::OnCompressorChosen(int index) {
    const auto& all = CCompressorRegistry::Compressors();
    if (index < 0 || index >= static_cast<int>(all.size()))
        return;
    const CompressorInfo& chosen = all[static_cast<size_t>(index)];
    const CompressorInfo* current = nullptr;
    EncoderSettings before;
    CCompressorRegistry::EffectiveSettings(m_record, &current, before, nullptr);
    EncoderSettings settings = chosen.defaults;
    // The rate and key frames the user set carry over to another compressor
    // that takes them; the rest comes from the new compressor's preset.
    if (current && !current->lossless && !chosen.lossless) {
        settings.rateMode = before.rateMode;
        settings.bitrateKbps = before.bitrateKbps;
        settings.quantiser = before.quantiser;
        settings.keyInterval = before.keyInterval;
    }
    SetRecord(chosen, settings);
}

void CCompressorDlg::OnRateChanged() {
    const CompressorInfo* info = nullptr;
    EncoderSettings settings;
    if (!CCompressorRegistry::EffectiveSettings(m_record, &info, settings, nullptr) || info->lossless)
        return;
    EncoderSettings wanted = settings;
    wanted.rateMode =
        m_pUseQuality->isChecked() ? EncoderSettings::RATE_QUANTISER : EncoderSettings::RATE_BITRATE;
    wanted.bitrateKbps = static_cast<uint32_t>(m_pBitrate->value());
    wanted.quantiser = static_cast<uint8_t>(m_pQuality->value());
    wanted.keyInterval = static_cast<uint32_t>(m_pKeyInterval->value());
    if (wanted == settings) {
        ShowRecord(); // the enabling follows the rate choice
        return;
    }
    SetRecord(*info, wanted);
}

void CCompressorDlg::OnSettingsEdited() {
    CodecOptions parsed;
    std::string error;
    if (!CCompressorRegistry::ParseSettings(m_pSettings->text().trimmed().toStdString(), parsed, &error)) {
        m_pSettingsError->setText(QString::fromStdString(error));
        return;
    }
    if (parsed == m_record) {
        m_pSettingsError->clear();
        return;
    }
    const CompressorInfo* info = nullptr;
    EncoderSettings settings;
    if (CCompressorRegistry::EffectiveSettings(parsed, &info, settings, &error))
        SetRecord(*info, settings);
}

void CCompressorDlg::OnPresetClicked() {
    const CompressorInfo* info = CCompressorRegistry::Find(m_record.fccHandler);
    if (info)
        SetRecord(*info, info->defaults);
}

void CCompressorDlg::RequestPreview() {
    ++m_nPreviewRequest;
    m_bPreviewCurrent = false;
    m_pPreviewSize->setText(QStringLiteral("Encoding frame %1 ...").arg(m_pFrame->value()));
    m_pPreviewer->Request(m_nPreviewRequest, m_pFrame->value(), m_record);
}

void CCompressorDlg::ShowPreview(int request, const QImage& image, size_t bytes, const QString& error) {
    if (request != m_nPreviewRequest)
        return; // settings changed since: a newer picture is on its way
    if (image.isNull()) {
        m_pPreview->setPixmap(QPixmap());
        m_pPreview->setText(QStringLiteral("No preview"));
        m_pPreviewSize->setText(error);
        return;
    }
    m_pPreview->setPixmap(QPixmap::fromImage(
        image.scaled(PREVIEW_WIDTH, PREVIEW_HEIGHT, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_pPreviewSize->setText(QStringLiteral("Frame %1 as a key frame: %2")
                                .arg(m_pFrame->value())
                                .arg(QString::fromStdString(FormatPartSize(static_cast<int64_t>(bytes)))));
    m_bPreviewCurrent = true;
    emit previewShown();
}
