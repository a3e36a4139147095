#pragma once
// The main window as the jobs see it. Every call from a job thread reaches
// the UI thread as a queued call; the frequent ones (progress position,
// percent and status text) are coalesced so a fast job cannot flood the
// event queue. A message box blocks only the calling worker until the user
// answers it on the UI thread. After Shutdown no box is shown any more:
// waiting and later callers get the box's negative answer, so a worker can
// always finish while the program ends.

#include "jobs/ITimeListener.h"
#include "media/IHost.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QWidget;

class CQtHost : public QObject, public IHost, public ITimeListener {
    Q_OBJECT
public:
    // Shows a message box on the UI thread and returns the answer (IDOK ...).
    using BoxPresenter = std::function<int(const QString& text, const QString& caption,
                                           EMessageButtons buttons, EMessageKind kind)>;

    explicit CQtHost(QObject* parent = nullptr);
    ~CQtHost() override;

    // The window the boxes belong to; tests replace the presenter.
    void SetBoxParent(QWidget* parent) { m_pBoxParent = parent; }
    void SetBoxPresenter(BoxPresenter presenter) { m_presenter = std::move(presenter); }
    void Shutdown();

    void SetStatusText(const std::string& text) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int pos) override;
    void SetPercentText(const std::string& text) override;
    int MessageBox(const std::string& text, const std::string& caption, EMessageButtons buttons,
                   EMessageKind kind) override;
    void JobStarted() override;
    void JobFinished() override;
    void EndWaitBox(int result) override;
    void SetLastPiece(bool last) override;

    void ShowCurrentTime(const std::string& text) override;
    void ShowRemainingTime(const std::string& text) override;

    // The answer a box gives when nobody can answer it.
    static int NegativeAnswer(EMessageButtons buttons);

signals:
    void statusText(const QString& text);
    void progressRange(int low, int high);
    void progressPos(int pos);
    void percentText(const QString& text);
    void jobStarted();
    void jobFinished();
    void waitBoxEnded(int result);
    void lastPiece(bool last);
    void currentTime(const QString& text);
    void remainingTime(const QString& text);

private:
    struct BoxRequest {
        QString text;
        QString caption;
        EMessageButtons buttons = EMessageButtons::Ok;
        EMessageKind kind = EMessageKind::Information;
        int answer = 0;
        bool done = false;
    };
    // Runs `call` now on the UI thread, else queues it there.
    void Post(std::function<void()> call);
    bool OnUiThread() const;
    int Present(const QString& text, const QString& caption, EMessageButtons buttons, EMessageKind kind);
    void PostLatest();

    QWidget* m_pBoxParent = nullptr;
    BoxPresenter m_presenter;

    std::mutex m_mutex; // guards the fields below
    std::condition_variable m_answered;
    bool m_bShutdown = false;
    QString m_strStatus;
    QString m_strPercent;
    int m_nPos = 0;
    bool m_bStatusDirty = false;
    bool m_bPercentDirty = false;
    bool m_bPosDirty = false;
    bool m_bLatestPosted = false;
};
