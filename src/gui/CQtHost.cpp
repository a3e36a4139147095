#include "gui/CQtHost.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QWidget>

#include <utility>

CQtHost::CQtHost(QObject* parent) : QObject(parent) {}

CQtHost::~CQtHost() {
    Shutdown();
}

bool CQtHost::OnUiThread() const {
    return QThread::currentThread() == thread();
}

void CQtHost::Post(std::function<void()> call) {
    if (OnUiThread())
        call();
    else
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void CQtHost::Shutdown() {
    {
        std::lock_guard lock(m_mutex);
        m_bShutdown = true;
    }
    m_answered.notify_all();
}

void CQtHost::PostLatest() {
    // Called with m_mutex held: one queued call carries every value that
    // changed until it runs.
    if (m_bLatestPosted)
        return;
    m_bLatestPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            QString status;
            QString percent;
            int pos = 0;
            bool statusDirty, percentDirty, posDirty;
            {
                std::lock_guard lock(m_mutex);
                m_bLatestPosted = false;
                status = m_strStatus;
                percent = m_strPercent;
                pos = m_nPos;
                statusDirty = std::exchange(m_bStatusDirty, false);
                percentDirty = std::exchange(m_bPercentDirty, false);
                posDirty = std::exchange(m_bPosDirty, false);
            }
            if (statusDirty)
                emit statusText(status);
            if (posDirty)
                emit progressPos(pos);
            if (percentDirty)
                emit percentText(percent);
        },
        Qt::QueuedConnection);
}

void CQtHost::SetStatusText(const std::string& text) {
    if (OnUiThread()) {
        emit statusText(QString::fromStdString(text));
        return;
    }
    std::lock_guard lock(m_mutex);
    m_strStatus = QString::fromStdString(text);
    m_bStatusDirty = true;
    PostLatest();
}

void CQtHost::SetProgressPos(int pos) {
    if (OnUiThread()) {
        emit progressPos(pos);
        return;
    }
    std::lock_guard lock(m_mutex);
    m_nPos = pos;
    m_bPosDirty = true;
    PostLatest();
}

void CQtHost::SetPercentText(const std::string& text) {
    if (OnUiThread()) {
        emit percentText(QString::fromStdString(text));
        return;
    }
    std::lock_guard lock(m_mutex);
    m_strPercent = QString::fromStdString(text);
    m_bPercentDirty = true;
    PostLatest();
}

void CQtHost::SetProgressRange(int low, int high) {
    Post([this, low, high] { emit progressRange(low, high); });
}

void CQtHost::JobStarted() {
    Post([this] { emit jobStarted(); });
}

void CQtHost::JobFinished() {
    Post([this] { emit jobFinished(); });
}

void CQtHost::EndWaitBox(int result) {
    Post([this, result] { emit waitBoxEnded(result); });
}

void CQtHost::SetLastPiece(bool last) {
    Post([this, last] { emit lastPiece(last); });
}

void CQtHost::ShowCurrentTime(const std::string& text) {
    const QString value = QString::fromStdString(text);
    Post([this, value] { emit currentTime(value); });
}

void CQtHost::ShowRemainingTime(const std::string& text) {
    const QString value = QString::fromStdString(text);
    Post([this, value] { emit remainingTime(value); });
}

int CQtHost::NegativeAnswer(EMessageButtons buttons) {
    switch (buttons) {
    case EMessageButtons::Ok:
        return IDOK;
    case EMessageButtons::YesNo:
        return IDNO;
    case EMessageButtons::OkCancel:
    case EMessageButtons::YesNoCancel:
        break;
    }
    return IDCANCEL;
}

int CQtHost::Present(const QString& text, const QString& caption, EMessageButtons buttons,
                     EMessageKind kind) {
    if (m_presenter)
        return m_presenter(text, caption, buttons, kind);
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (kind) {
    case EMessageKind::Information:
        break;
    case EMessageKind::Warning:
        icon = QMessageBox::Warning;
        break;
    case EMessageKind::Error:
        icon = QMessageBox::Critical;
        break;
    case EMessageKind::Question:
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    switch (buttons) {
    case EMessageButtons::Ok:
        break;
    case EMessageButtons::OkCancel:
        standard = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case EMessageButtons::YesNo:
        standard = QMessageBox::Yes | QMessageBox::No;
        break;
    case EMessageButtons::YesNoCancel:
        standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    QMessageBox box(icon, caption.isEmpty() ? QStringLiteral("Flintmoor") : caption, text, standard,
                    m_pBoxParent);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return NegativeAnswer(buttons);
    }
}

int CQtHost::MessageBox(const std::string& text, const std::string& caption, EMessageButtons buttons,
                        EMessageKind kind) {
    const QString qtext = QString::fromStdString(text);
    const QString qcaption = QString::fromStdString(caption);
    if (OnUiThread())
        return Present(qtext, qcaption, buttons, kind);
    auto request = std::make_shared<BoxRequest>();
    request->text = qtext;
    request->caption = qcaption;
    request->buttons = buttons;
    request->kind = kind;
    {
        std::lock_guard lock(m_mutex);
        if (m_bShutdown)
            return NegativeAnswer(buttons);
    }
    QMetaObject::invokeMethod(
        this,
        [this, request] {
            {
                std::lock_guard lock(m_mutex);
                if (m_bShutdown)
                    return;
            }
            const int answer = Present(request->text, request->caption, request->buttons, request->kind);
            {
                std::lock_guard lock(m_mutex);
                request->answer = answer;
                request->done = true;
            }
            m_answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(m_mutex);
    m_answered.wait(lock, [&] { return request->done || m_bShutdown; });
    return request->done ? request->answer : NegativeAnswer(buttons);
}
