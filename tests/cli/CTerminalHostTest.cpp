#include "cli/CTerminalHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

class CCapture {
public:
    CCapture() : m_file(std::tmpfile()) {}
    ~CCapture() { std::fclose(m_file); }
    std::FILE* File() { return m_file; }
    std::string Text() {
        std::fflush(m_file);
        std::rewind(m_file);
        std::string text;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0)
            text.append(buffer, n);
        return text;
    }

private:
    std::FILE* m_file;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// What a job does per frame: status, position, percent text.
void Frame(CTerminalHost& host, int i, int n) {
    host.SetStatusText("Creating Frame " + std::to_string(i) + " of " + std::to_string(n) + " ...   ");
    host.SetProgressPos(i * 10000 / n);
    host.SetPercentText(std::to_string(i * 100 / n) + " %");
}

} // namespace

TEST(TerminalHost, LogGetsALineOnlyWhenThePercentChangesAndTheFinalState) {
    CCapture out;
    CTerminalHost host(out.File(), false);
    host.SetProgressRange(0, 10000);
    host.SetPercentText("0 %");
    host.ShowCurrentTime("00:00:00");
    host.ShowRemainingTime("00:00:00");
    for (int i = 0; i < 400; ++i) {
        if (i == 200) {
            host.ShowCurrentTime("00:00:07");
            host.ShowRemainingTime("00:00:08");
        }
        Frame(host, i, 400);
    }
    host.SetStatusText("Writing Sucessfull!");
    host.SetPercentText("100 %");
    host.SetStatusText("Waiting!"); // no percent change: written at the end
    host.JobFinished();

    const auto lines = Lines(out.Text());
    ASSERT_EQ(lines.size(), 102u); // 0 % .. 99 %, 100 %, the final state
    EXPECT_EQ(lines[0], "0 %");
    EXPECT_EQ(lines[50],
              "50 %  Creating Frame 200 of 400 ...     | Current Time: 00:00:07  | Remaining Time: "
              "00:00:08");
    EXPECT_EQ(lines[100].substr(0, 26), "100 %  Writing Sucessfull!");
    EXPECT_EQ(lines[101].substr(0, 15), "100 %  Waiting!");
    EXPECT_EQ(out.Text().find('\r'), std::string::npos);
}

TEST(TerminalHost, TerminalRewritesOneLineAndMessagesGetTheirOwn) {
    CCapture out;
    CTerminalHost host(out.File(), true);
    host.SetPercentText("5 %");
    host.SetStatusText("Creating Frame 10 of 200 ...   ");
    host.SetStatusText("Waiting!");
    EXPECT_EQ(out.Text().find('\n'), std::string::npos);
    const std::string beforeMessage = out.Text();
    // The shorter line covers the rest of the longer one with blanks.
    EXPECT_NE(beforeMessage.find("\r5 %  Waiting!" + std::string(23, ' ')), std::string::npos);

    host.MessageBox("Warning: not compatible.\r\n\r\nSource: 1 x 1", "Warning!", EMessageButtons::YesNo,
                    EMessageKind::Question);
    const std::string afterMessage = out.Text().substr(beforeMessage.size());
    const std::string cleared = "\r" + std::string(13, ' ') + "\r"; // the shown text
    EXPECT_EQ(afterMessage.substr(0, cleared.size()), cleared);
    EXPECT_NE(
        afterMessage.find("Warning!: Warning: not compatible.\n\nSource: 1 x 1\n  -> No\n\r5 %  Waiting!"),
        std::string::npos);

    host.JobFinished();
    EXPECT_EQ(out.Text().back(), '\n');
    host.ShowCurrentTime("00:00:01"); // times alone draw nothing after the job
    EXPECT_EQ(out.Text().back(), '\n');
}

TEST(TerminalHost, QuestionsGetThePolicysAnswerElseTheSafeOne) {
    CCapture out;
    CTerminalHost host(out.File(), false);
    using P = CTerminalHost::EAnswerPolicy;
    using B = EMessageButtons;
    struct Case {
        P policy;
        B buttons;
        int answer;
    };
    const Case cases[] = {
        {P::Safe, B::Ok, IDOK},          {P::Safe, B::OkCancel, IDCANCEL},
        {P::Safe, B::YesNo, IDNO},       {P::Safe, B::YesNoCancel, IDCANCEL},
        {P::Yes, B::OkCancel, IDOK},     {P::Yes, B::YesNo, IDYES},
        {P::Yes, B::YesNoCancel, IDYES}, {P::No, B::OkCancel, IDCANCEL},
        {P::No, B::YesNoCancel, IDNO},
    };
    for (const Case& c : cases) {
        host.SetAnswerPolicy(c.policy);
        EXPECT_EQ(host.MessageBox("Question?", "", c.buttons, EMessageKind::Question), c.answer)
            << static_cast<int>(c.policy) << " " << static_cast<int>(c.buttons);
    }
    host.EndWaitBox(0);
    EXPECT_EQ(host.GetWaitBox().Wait(), 0);
    host.SetLastPiece(true);
    EXPECT_TRUE(host.GetLastPiece());
}

TEST(TerminalHost, CallsFromSeveralThreadsKeepMessagesWhole) {
    CCapture out;
    CTerminalHost host(out.File(), false);
    std::thread worker([&] {
        for (int i = 0; i < 2000; ++i)
            Frame(host, i, 2000);
    });
    std::thread timer([&] {
        for (int i = 0; i < 500; ++i) {
            host.ShowCurrentTime("00:00:01");
            host.ShowRemainingTime("00:00:02");
        }
    });
    for (int i = 0; i < 50; ++i)
        host.ShowError("Error in Paste Streams! AVIStreamRead");
    worker.join();
    timer.join();
    int whole = 0;
    for (const auto& line : Lines(out.Text()))
        whole += line == "Error in Paste Streams! AVIStreamRead";
    EXPECT_EQ(whole, 50);
}
