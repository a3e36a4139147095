#include "gui/CAbortDlg.h"

#include "jobs/CWaitBox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

CAbortDlg::CAbortDlg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(QString::fromUtf8(CWaitBox::WAIT_TEXT), this);
    text->setAlignment(Qt::AlignCenter);
    layout->addWidget(text);
    layout->setContentsMargins(24, 24, 24, 24);
    m_confirmAbort = [this] {
        return QMessageBox::question(this, QStringLiteral("Flintmoor"),
                                     QString::fromUtf8(CWaitBox::ABORT_QUESTION),
                                     QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    };
}

int CAbortDlg::ShowModal() {
    if (m_pending) {
        const int result = *m_pending;
        m_pending.reset();
        return result;
    }
    m_bShowing = true;
    const int result = exec();
    m_bShowing = false;
    return result;
}

void CAbortDlg::End(int result) {
    if (m_bShowing)
        done(result);
    else if (!m_pending)
        m_pending = result;
}

void CAbortDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (m_confirmAbort && m_confirmAbort())
            done(RESULT_ABORT);
        return;
    }
    if (event->key() == Qt::Key_F1 || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}
