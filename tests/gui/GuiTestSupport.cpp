#include "GuiTestSupport.h"

#include "gui/CMainDlg.h"
#include "gui/MainDlgControls.h"
#include "support/TestMovies.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <map>
#include <stdexcept>

GuiMovies MakeGuiMovies(const CTempDir& dir, int frames, int fastFrames) {
    GuiMovies movies{dir.File("low.avi"), dir.File("fast.avi")};
    fmtest::FfmpegMovie spec;
    spec.frames = frames;
    spec.keyEvery = 25;
    spec.audio = "pcm";
    spec.quality = 3;
    std::string error;
    if (!MakeTestMovie(movies.low, spec, &error))
        throw std::runtime_error("ffmpeg: " + error);
    spec.frames = fastFrames;
    spec.quality = 12;
    spec.audioFrequency = 880;
    if (!MakeTestMovie(movies.fast, spec, &error))
        throw std::runtime_error("ffmpeg: " + error);
    return movies;
}

std::unique_ptr<CMainDlg> MakeMainDlg(const CTempDir& dir, std::vector<std::string>* boxes) {
    MainDlgPaths paths;
    paths.settingsFile = dir.File("Settings.ini");
    paths.languageDirs = {FLINTMOOR_LANGUAGE_DIR};
    auto dlg = std::make_unique<CMainDlg>(paths);
    dlg->GetHost().SetBoxPresenter(
        [boxes](const QString& text, const QString&, EMessageButtons, EMessageKind) {
            if (boxes)
                boxes->push_back(text.toStdString());
            return IDOK;
        });
    dlg->OnInitDialog();
    dlg->show();
    return dlg;
}

void ClickControl(CMainDlg& dlg, int id) {
    auto* button = qobject_cast<QAbstractButton*>(dlg.GetControls().Get(id));
    if (!button)
        throw std::runtime_error("no button " + std::to_string(id));
    QTest::mouseClick(button, Qt::LeftButton);
}

void AddPartsWithButtons(CMainDlg& dlg, std::initializer_list<ButtonPart> parts) {
    for (const ButtonPart& part : parts) {
        dlg.MoveTo(part.end);
        ClickControl(dlg, IDC_SET_END);
        ClickControl(dlg, part.fast ? IDC_ADD_FAST : IDC_ADD_LOW);
    }
}

bool IsEnabled(const CMainDlg& dlg, int id) {
    return dlg.GetControls().Get(id)->isEnabled();
}

QString ControlText(const CMainDlg& dlg, int id) {
    QWidget* widget = dlg.GetControls().Get(id);
    if (auto* field = qobject_cast<QLineEdit*>(widget))
        return field->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    return QString();
}

namespace {
std::map<std::string, GuiTestFactory>& Registry() {
    static std::map<std::string, GuiTestFactory> registry;
    return registry;
}
} // namespace

bool RegisterGuiTest(const char* name, GuiTestFactory factory) {
    Registry()[name] = std::move(factory);
    return true;
}

// Runs the test class named by the first argument (all without one); the
// other arguments go to Qt Test.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string only;
    std::vector<char*> args{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (i == 1 && argv[i][0] != '-')
            only = argv[i];
        else
            args.push_back(argv[i]);
    }
    int status = 0;
    for (const auto& [name, factory] : Registry()) {
        if (!only.empty() && only != name)
            continue;
        std::unique_ptr<QObject> test = factory();
        status |= QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    return status;
}
