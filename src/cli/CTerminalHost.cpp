#include "cli/CTerminalHost.h"

void CTerminalHost::SetStatusText(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fprintf(m_out, "%s\n", text.c_str());
}

void CTerminalHost::SetProgressRange(int, int) {}
void CTerminalHost::SetProgressPos(int) {}
void CTerminalHost::SetPercentText(const std::string&) {}

int CTerminalHost::MessageBox(const std::string& text, const std::string& caption, EMessageButtons buttons) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (caption.empty())
        std::fprintf(m_out, "%s\n", text.c_str());
    else
        std::fprintf(m_out, "%s: %s\n", caption.c_str(), text.c_str());
    switch (buttons) {
    case EMessageButtons::Ok:
        return IDOK;
    case EMessageButtons::OkCancel:
        // Cancel never loses anything; OK only when the user said yes.
        return m_policy == EAnswerPolicy::Yes ? IDOK : IDCANCEL;
    case EMessageButtons::YesNo:
    case EMessageButtons::YesNoCancel:
        return m_policy == EAnswerPolicy::Yes ? IDYES : IDNO;
    }
    return IDCANCEL;
}
