#pragma once
// What the window tests share: test movies made once per test class, a main
// window started with its settings in a scratch folder and the project's
// language files, button clicks by control id, and a registry so that one
// executable runs each test class as its own CTest test.

#include "support/TestUtil.h"

#include <QObject>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

class CMainDlg;

// LOW and FAST movies of `frames` frames (key frames every 25) in `dir`,
// with PCM audio; the FAST one at a lower quality, `fastFrames` long.
struct GuiMovies {
    std::string low;
    std::string fast;
};
GuiMovies MakeGuiMovies(const CTempDir& dir, int frames = 60, int fastFrames = 60);

// A main window initialised with Settings.ini in `dir` and the source tree's
// language files; message boxes are answered with OK and recorded in *boxes.
std::unique_ptr<CMainDlg> MakeMainDlg(const CTempDir& dir, std::vector<std::string>* boxes = nullptr);

// Adds parts with the buttons, as a user does: for each, move to its end
// frame, "Set End", then "Add as "low"/"fast" part" (each part starts
// where the one before ended).
struct ButtonPart {
    int end;
    bool fast;
};
void AddPartsWithButtons(CMainDlg& dlg, std::initializer_list<ButtonPart> parts);

// Clicks the button `id` (it must be enabled to act, as for a user).
void ClickControl(CMainDlg& dlg, int id);
bool IsEnabled(const CMainDlg& dlg, int id);
QString ControlText(const CMainDlg& dlg, int id);

using GuiTestFactory = std::function<std::unique_ptr<QObject>()>;
bool RegisterGuiTest(const char* name, GuiTestFactory factory);

#define FLINTMOOR_GUI_TEST(Class)                                                                            \
    static const bool g_registered##Class = RegisterGuiTest(#Class, [] { return std::make_unique<Class>(); })
