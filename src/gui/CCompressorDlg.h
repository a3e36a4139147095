#pragma once
// The compressor choice: the stand-in for the system's save-options dialog,
// unlike a VfW design one dialog for every compressor we offer. The user
// picks a compressor, starts from its preset and sets the bit rate (or a
// fixed quality), the key frame interval and the preset's other settings as
// a setting string; one frame of the source movie, encoded and decoded with
// those settings off the UI thread, shows what they look like and cost. OK
// writes the choice into the caller's record; a record OK'd unchanged stays
// exactly as it was (also one imported from a data base).

#include "platform/AviTypes.h"
#include "platform/CodecOptions.h"
#include "platform/EncoderSettings.h"

#include <QDialog>
#include <QImage>

#include <functional>
#include <memory>
#include <string>

class CCompressorPreviewer;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
struct CompressorInfo;

class CCompressorDlg : public QDialog {
    Q_OBJECT
public:
    // What a window calls to let the user configure `record` for the video
    // of `sourcePath`: true when the user confirmed (the record is then
    // filled), false on Cancel (the record is unchanged). A record that
    // names no compressor yet starts from `proposed` (DIV3 when 0).
    static bool Choose(QWidget* parent, const std::string& sourcePath, CodecOptions& record,
                       FOURCC proposed = 0);
    // Windows keep one of these so that tests can answer in the dialog's
    // place; by default it is Choose.
    using Chooser = std::function<bool(const std::string& sourcePath, CodecOptions& record, FOURCC proposed)>;

    CCompressorDlg(QWidget* parent, const std::string& sourcePath, const CodecOptions& record,
                   FOURCC proposed = 0);
    ~CCompressorDlg() override;

    // The record the controls describe now.
    const CodecOptions& GetRecord() const { return m_record; }
    bool IsChanged() const { return m_bChanged; }

    // The controls, for tests and screenshots.
    QComboBox* GetCompressorBox() const { return m_pCompressor; }
    QRadioButton* GetBitrateChoice() const { return m_pUseBitrate; }
    QRadioButton* GetQualityChoice() const { return m_pUseQuality; }
    QSpinBox* GetBitrateBox() const { return m_pBitrate; }
    QSpinBox* GetQualityBox() const { return m_pQuality; }
    QSpinBox* GetKeyIntervalBox() const { return m_pKeyInterval; }
    QLineEdit* GetSettingsEdit() const { return m_pSettings; }
    QSpinBox* GetPreviewFrameBox() const { return m_pFrame; }
    QLabel* GetPreviewLabel() const { return m_pPreview; }
    QLabel* GetPreviewSizeLabel() const { return m_pPreviewSize; }
    // Has the preview shown a picture for the current settings?
    bool IsPreviewCurrent() const { return m_bPreviewCurrent; }

    // Control changes, as the widgets report them.
    void OnCompressorChosen(int index);
    void OnRateChanged();
    void OnSettingsEdited();
    void OnPresetClicked();

signals:
    // A preview picture for the current settings arrived.
    void previewShown();

private:
    void BuildControls();
    // Puts m_record into every control without reporting the changes.
    void ShowRecord();
    // m_record from the compressor and settings; marks the dialog changed.
    void SetRecord(const CompressorInfo& info, const EncoderSettings& settings);
    void RequestPreview();
    void ShowPreview(int request, const QImage& image, size_t bytes, const QString& error);

    std::string m_strSource;
    CodecOptions m_record;
    bool m_bChanged = false;
    QComboBox* m_pCompressor = nullptr;
    QLabel* m_pDescription = nullptr;
    QRadioButton* m_pUseBitrate = nullptr;
    QRadioButton* m_pUseQuality = nullptr;
    QSpinBox* m_pBitrate = nullptr;
    QSpinBox* m_pQuality = nullptr;
    QSpinBox* m_pKeyInterval = nullptr;
    QLineEdit* m_pSettings = nullptr;
    QLabel* m_pSettingsError = nullptr;
    QSpinBox* m_pFrame = nullptr;
    QLabel* m_pPreview = nullptr;
    QLabel* m_pPreviewSize = nullptr;
    int m_nPreviewRequest = 0;
    bool m_bPreviewCurrent = false;
    std::unique_ptr<CCompressorPreviewer> m_pPreviewer;
};
