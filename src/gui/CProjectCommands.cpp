#include "gui/CProjectCommands.h"

#include "creation/COracleStart.h"
#include "encoding/CEncodingList.h"
#include "gui/CMainDlg.h"
#include "media/CAVIFile.h"
#include "settings/CProjectFile.h"

#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>

void CProjectCommands::OnSaveProject() {
    const std::string path =
        m_dlg.ChooseFile({true, QString::fromUtf8(INI_FILTER), QStringLiteral("*.ini"), true});
    if (!path.empty())
        SaveProject(path);
}

void CProjectCommands::OnLoadProject() {
    const std::string path =
        m_dlg.ChooseFile({false, QString::fromUtf8(INI_FILTER), QStringLiteral("*.ini"), true});
    if (!path.empty())
        LoadProject(path);
}

bool CProjectCommands::SaveProject(const std::string& path) {
    try {
        return COracleStart::SaveProject(m_dlg.GetSettingsStore(), m_dlg.GetEncodingList(), path);
    } catch (const CIniFileError&) {
        return false; // saving reports nothing, as with a file that cannot be created
    }
}

void CProjectCommands::LoadProject(const std::string& path) {
    m_dlg.Reset();
    m_dlg.GetAutoCreate().ResetForProject();
    CIniFile& store = m_dlg.GetSettingsStore();
    ProjectLoadResult result;
    try {
        result = CProjectFile::Load(path, store);
    } catch (const CIniFileError&) {
        return;
    }
    if (!result.loaded)
        return; // the window stays reset, and nothing is said
    if (result.hasLowFile)
        m_dlg.LoadMovie(true, result.lowFile);
    if (result.hasFastFile)
        m_dlg.LoadMovie(false, result.fastFile);
    {
        const QSignalBlocker quiet(m_dlg.GetSlider());
        m_dlg.GetSlider()->setValue(result.sliderValue);
    }
    store.SetInt("Slider", "Value", result.sliderValue);

    // Rows of a movie that is not open are kept unmeasured; their start
    // cells are padded like the rest of the project's rows.
    int32_t longest = 0;
    for (const ProjectPart& part : result.parts)
        longest = std::max(longest, part.end);
    CEncodingList& list = m_dlg.GetEncodingList();
    for (const ProjectPart& part : result.parts) {
        const EPartEncoding encoding = part.fast ? EPartEncoding::Fast : EPartEncoding::Low;
        const CAVIFile& movie = m_dlg.GetMovie(!part.fast);
        if (movie.IsOpen() && list.AddPart(movie, encoding, part.start, part.end) >= 0)
            continue;
        list.WriteRow(encoding, part.start, part.end, longest, 0, 0, 0, 0);
    }
    for (const std::string& warning : result.warnings)
        m_dlg.GetHost().ShowWarning(warning);
    m_dlg.GetMarks().Reset();
    m_dlg.Refresh(true);
}
