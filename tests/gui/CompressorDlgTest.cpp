// The compressor choice dialog: the record it starts from, the record its
// controls make (and that the setting string gives back), records it must
// keep or refuse, and the preview frame encoded off the UI thread.

#include "GuiTestSupport.h"

#include "gui/CCompressorDlg.h"
#include "platform/CCompressorRegistry.h"
#include "support/TestMovies.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

namespace {
CodecOptions Parsed(const std::string& text) {
    CodecOptions options;
    if (!CCompressorRegistry::ParseSettings(text, options, nullptr))
        throw std::runtime_error("not a setting string: " + text);
    return options;
}
EncoderSettings Effective(const CodecOptions& options) {
    EncoderSettings settings;
    CCompressorRegistry::EffectiveSettings(options, nullptr, settings, nullptr);
    return settings;
}
void SetSpin(QSpinBox* box, int value) {
    box->setValue(value);
    emit box->editingFinished();
}
void SetLine(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    emit edit->editingFinished();
}
int IndexOf(const std::string& fourcc) {
    const auto& all = CCompressorRegistry::Compressors();
    for (size_t i = 0; i < all.size(); ++i)
        if (FourCCToString(all[i].fourcc) == fourcc)
            return static_cast<int>(i);
    return -1;
}
} // namespace

class CompressorDlgTest : public QObject {
    Q_OBJECT
    CTempDir m_dir;
    std::string m_source;

private slots:
    void initTestCase() {
        m_source = m_dir.File("source.avi");
        fmtest::FfmpegMovie spec;
        spec.frames = 30;
        spec.size = "160x120";
        QVERIFY(MakeTestMovie(m_source, spec));
    }

    void anEmptyRecordStartsFromTheProposedPreset() {
        CCompressorDlg dlg(nullptr, m_source, CodecOptions(), MakeFourCC('D', 'I', 'V', '4'));
        QCOMPARE(dlg.GetRecord(), Parsed("DIV4"));
        QVERIFY(dlg.IsChanged()); // OK must fill the empty record
        QCOMPARE(dlg.GetCompressorBox()->currentIndex(), IndexOf("DIV4"));
        QVERIFY(dlg.GetBitrateChoice()->isChecked());
        QCOMPARE(dlg.GetBitrateBox()->value(), 900);
        QVERIFY(!dlg.GetQualityBox()->isEnabled());
    }

    void theControlsMakeARecordThatRoundTrips() {
        CCompressorDlg dlg(nullptr, m_source, Parsed("DIV3"));
        QVERIFY(!dlg.IsChanged());
        SetSpin(dlg.GetBitrateBox(), 450);
        SetSpin(dlg.GetKeyIntervalBox(), 100);
        // Another compressor keeps the rate and key frames set by hand.
        dlg.GetCompressorBox()->setCurrentIndex(IndexOf("XVID"));
        emit dlg.GetCompressorBox()->activated(IndexOf("XVID"));
        EncoderSettings settings = Effective(dlg.GetRecord());
        QCOMPARE(FourCCToString(dlg.GetRecord().fccHandler), std::string("XVID"));
        QCOMPARE(settings.bitrateKbps, 450u);
        QCOMPARE(settings.keyInterval, 100u);
        // The preset's other settings through the setting string.
        const QString shown = dlg.GetSettingsEdit()->text();
        QVERIFY(shown.startsWith("XVID:") && shown.contains("bitrate=450"));
        SetLine(dlg.GetSettingsEdit(), QString(shown).replace("qcomp=50", "qcomp=70"));
        QCOMPARE(Effective(dlg.GetRecord()).qcompressPercent, uint8_t(70));
        QCOMPARE(Parsed(CCompressorRegistry::SettingsText(dlg.GetRecord())), dlg.GetRecord());
        dlg.GetQualityChoice()->setChecked(true);
        SetSpin(dlg.GetQualityBox(), 6);
        settings = Effective(dlg.GetRecord());
        QCOMPARE(settings.rateMode, uint8_t(EncoderSettings::RATE_QUANTISER));
        QCOMPARE(settings.quantiser, uint8_t(6));
        QVERIFY(!dlg.GetBitrateBox()->isEnabled());
        QVERIFY(dlg.IsChanged());

        // (A fixed quality keeps the bit rate for a change back, which the
        // setting string does not carry.)
        const CodecOptions record = dlg.GetRecord();
        const std::string text = CCompressorRegistry::SettingsText(record);
        QCOMPARE(CCompressorRegistry::SettingsText(Parsed(text)), text);
        // Opened again on its own record, the dialog shows it unchanged.
        CCompressorDlg again(nullptr, m_source, record);
        QVERIFY(!again.IsChanged());
        QCOMPARE(again.GetRecord(), record);
        QCOMPARE(again.GetQualityBox()->value(), 6);
        QCOMPARE(again.GetKeyIntervalBox()->value(), 100);
        QCOMPARE(again.GetSettingsEdit()->text(), dlg.GetSettingsEdit()->text());
        // The preset button goes back to the compressor's own settings.
        again.OnPresetClicked();
        QCOMPARE(again.GetRecord(), Parsed("XVID"));
    }

    void aRecordOkdUnchangedStaysAsItWas() {
        // As a data base may bring it: fields our dialog never writes.
        CodecOptions imported = Parsed("DIV4:bitrate=700");
        imported.dwQuality = 7500;
        imported.dwInterleaveEvery = 1;
        CodecOptions record = imported;
        CCompressorDlg dlg(nullptr, m_source, record);
        QCOMPARE(dlg.GetBitrateBox()->value(), 700);
        QVERIFY(!dlg.IsChanged());
        QCOMPARE(dlg.GetRecord(), imported);
    }

    void wrongSettingsAreRefusedWithTheirReason() {
        CCompressorDlg dlg(nullptr, m_source, Parsed("DIV3"));
        SetLine(dlg.GetSettingsEdit(), "DIV3:bitrate=fast");
        QVERIFY(dlg.findChildren<QLabel*>().size() > 0);
        QCOMPARE(dlg.GetRecord(), Parsed("DIV3"));
        QVERIFY(!dlg.IsChanged());
        bool said = false;
        for (QLabel* label : dlg.findChildren<QLabel*>())
            said |= label->text().contains("bitrate");
        QVERIFY(said);

        // A record from elsewhere that is not valid: the preset instead, and why.
        CodecOptions foreign = Parsed("DIV3");
        foreign.lpParms.assign(12, 0xEE);
        CCompressorDlg refused(nullptr, m_source, foreign, MakeFourCC('D', 'I', 'V', '3'));
        QCOMPARE(refused.GetRecord(), Parsed("DIV3"));
        QVERIFY(refused.IsChanged());
        bool explained = false;
        for (QLabel* label : refused.findChildren<QLabel*>())
            explained |= label->text().contains("refused");
        QVERIFY(explained);
    }

    void thePreviewShowsTheFrameAndWhatItCosts() {
        CCompressorDlg dlg(nullptr, m_source, Parsed("DIV3:bitrate=2000"));
        QTRY_VERIFY_WITH_TIMEOUT(dlg.IsPreviewCurrent(), 20000);
        const QPixmap picture = dlg.GetPreviewLabel()->pixmap();
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.width() * 3, picture.height() * 4); // 160x120 kept in proportion
        const QString rich = dlg.GetPreviewSizeLabel()->text();
        QVERIFY2(rich.startsWith("Frame 15 as a key frame: ") && rich.endsWith(" KBytes"), qPrintable(rich));

        // A lower rate costs fewer bytes; only the newest settings show.
        SetSpin(dlg.GetBitrateBox(), 100);
        SetSpin(dlg.GetBitrateBox(), 50);
        QVERIFY(!dlg.IsPreviewCurrent());
        QTRY_VERIFY_WITH_TIMEOUT(dlg.IsPreviewCurrent(), 20000);
        const QString poor = dlg.GetPreviewSizeLabel()->text();
        const auto kbytes = [](const QString& text) {
            return text.section(": ", 1).section(' ', 0, 0).replace(',', '.').toDouble();
        };
        QVERIFY2(kbytes(poor) < kbytes(rich), qPrintable(poor + " / " + rich));

        // Closing while a preview is being made waits for nothing but that frame.
        for (int i = 0; i < 3; ++i)
            CCompressorDlg(nullptr, m_source, Parsed("FFVH"));
    }
};

FLINTMOOR_GUI_TEST(CompressorDlgTest);
#include "CompressorDlgTest.moc"
