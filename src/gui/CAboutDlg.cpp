#include "gui/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("Info über Flintmoor 1.5"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(windowIcon().pixmap(48, 48));
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QLabel(QStringLiteral("Flintmoor Version 1.5\n\n"
                                            "Hint: Yes, i know that there are a few more things to do.\n"
                                            "Wait for the new versions.\n\n"
                                            "Flintmoor for Linux, built with Qt and FFmpeg."),
                             this);
    row->addWidget(texts, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
