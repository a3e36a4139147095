#include "cli/CTerminalHost.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Columns a UTF-8 text takes (one per code point; our texts have no wide ones).
size_t Columns(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

// The text cut to `columns` code points, never inside a UTF-8 sequence.
std::string CutToColumns(const std::string& text, size_t columns) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && n++ == columns)
            return text.substr(0, i);
    }
    return text;
}

size_t TerminalColumns(std::FILE* out) {
    winsize size{};
    if (ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col;
    return 0; // unknown: do not cut
}

// Message texts may carry "\r\n" line ends; a bare carriage return would
// send the cursor back over the text on a terminal.
std::string WithoutCarriageReturns(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

const char* AnswerName(int answer) {
    switch (answer) {
    case IDOK:
        return "OK";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return "Cancel";
    }
}

} // namespace

CTerminalHost::CTerminalHost(std::FILE* out) : CTerminalHost(out, isatty(fileno(out)) == 1) {}

CTerminalHost::CTerminalHost(std::FILE* out, bool terminal) : m_out(out), m_bTerminal(terminal) {}

void CTerminalHost::SetAnswerPolicy(EAnswerPolicy policy) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_policy = policy;
}

void CTerminalHost::SetStatusText(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strStatus = text;
    UpdateLocked(false);
}

// The bar itself has no place on one text line; the percent text says it all.
void CTerminalHost::SetProgressRange(int, int) {}
void CTerminalHost::SetProgressPos(int) {}

void CTerminalHost::SetPercentText(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool changed = text != m_strPercent;
    m_strPercent = text;
    UpdateLocked(changed);
}

void CTerminalHost::ShowCurrentTime(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strCurrentTime = text;
    UpdateLocked(false);
}

void CTerminalHost::ShowRemainingTime(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strRemainingTime = text;
    UpdateLocked(false);
}

int CTerminalHost::MessageBox(const std::string& text, const std::string& caption, EMessageButtons buttons,
                              EMessageKind /*kind*/) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearLineLocked();
    const std::string shown = WithoutCarriageReturns(text);
    if (caption.empty())
        std::fprintf(m_out, "%s\n", shown.c_str());
    else
        std::fprintf(m_out, "%s: %s\n", caption.c_str(), shown.c_str());
    const int answer = Answer(buttons);
    if (buttons != EMessageButtons::Ok)
        std::fprintf(m_out, "  -> %s\n", AnswerName(answer));
    UpdateLocked(false);
    std::fflush(m_out);
    return answer;
}

void CTerminalHost::JobFinished() {
    FinishLine();
}

void CTerminalHost::FinishLine() {
    std::lock_guard<std::mutex> lock(m_mutex);
    FinishLineLocked();
}

int CTerminalHost::Answer(EMessageButtons buttons) const {
    switch (buttons) {
    case EMessageButtons::Ok:
        return IDOK;
    case EMessageButtons::OkCancel:
        return m_policy == EAnswerPolicy::Yes ? IDOK : IDCANCEL;
    case EMessageButtons::YesNo:
        return m_policy == EAnswerPolicy::Yes ? IDYES : IDNO;
    case EMessageButtons::YesNoCancel:
        // "No" may mean "throw it away"; only Cancel surely keeps everything.
        if (m_policy == EAnswerPolicy::Yes)
            return IDYES;
        return m_policy == EAnswerPolicy::No ? IDNO : IDCANCEL;
    }
    return IDCANCEL;
}

std::string CTerminalHost::ComposeLine() const {
    if (m_strStatus.empty() && m_strPercent.empty())
        return "";
    std::string line = m_strPercent;
    if (!m_strStatus.empty()) {
        if (!line.empty())
            line += "  ";
        line += m_strStatus;
    }
    if (!m_strCurrentTime.empty())
        line += "  | Current Time: " + m_strCurrentTime;
    if (!m_strRemainingTime.empty())
        line += "  | Remaining Time: " + m_strRemainingTime;
    return line;
}

void CTerminalHost::UpdateLocked(bool percentChanged) {
    if (!m_bTerminal) {
        if (percentChanged) {
            const std::string line = ComposeLine();
            if (!line.empty())
                std::fprintf(m_out, "%s\n", line.c_str());
            m_bPending = false;
        } else {
            m_bPending = true;
        }
        return;
    }
    std::string line = ComposeLine();
    if (const size_t columns = TerminalColumns(m_out))
        line = CutToColumns(line, columns - 1);
    if (line == m_strShown)
        return;
    const size_t oldColumns = Columns(m_strShown);
    const size_t newColumns = Columns(line);
    std::fprintf(m_out, "\r%s", line.c_str());
    if (oldColumns > newColumns)
        std::fprintf(m_out, "%*s", static_cast<int>(oldColumns - newColumns), "");
    std::fflush(m_out);
    m_strShown = line;
}

void CTerminalHost::ClearLineLocked() {
    if (!m_bTerminal || m_strShown.empty())
        return;
    std::fprintf(m_out, "\r%*s\r", static_cast<int>(Columns(m_strShown)), "");
    m_strShown.clear();
}

void CTerminalHost::FinishLineLocked() {
    if (m_bTerminal) {
        if (!m_strShown.empty())
            std::fprintf(m_out, "\n");
        m_strShown.clear();
    } else if (m_bPending) {
        const std::string line = ComposeLine();
        if (!line.empty())
            std::fprintf(m_out, "%s\n", line.c_str());
    }
    m_bPending = false;
    m_strStatus.clear();
    m_strPercent.clear();
    m_strCurrentTime.clear();
    m_strRemainingTime.clear();
    std::fflush(m_out);
}
