#include "gui/CAboutDlg.h"

#include "FlintmoorVersion.h"

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
    // The first lines are the about box's own texts; the last names the
    // build, whose version comes from the build files.
    auto* texts = new QLabel(QStringLiteral("Flintmoor Version 1.5\n\n"
                                            "Hint: Yes, i know that there are a few more things to do.\n"
                                            "Wait for the new versions.\n\n") +
                                 QStringLiteral("Flintmoor for Linux %1, built with Qt and FFmpeg.")
                                     .arg(QString::fromUtf8(FLINTMOOR_VERSION)),
                             this);
    row->addWidget(texts, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
