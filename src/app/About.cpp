// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/About.h"

#include "app/UHauptImages.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zarvo {

QString AboutVersionLine(const QString& version)
{
    QStringList parts = version.split(u'.', Qt::SkipEmptyParts);
    while (parts.size() < 4)
        parts << QStringLiteral("0");
    return QStringLiteral("Version ") + parts.mid(0, 4).join(u'.') + QStringLiteral(" Build 240103");
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));

    auto* pages = new QTabWidget(this);
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Allgemein"));
    auto* icon = new QLabel(page);
    icon->setPixmap(ApplicationIcon().pixmap(64, 64));
    auto* name = new QLabel(QStringLiteral("<b>ZARVO</b>"), page);
    Version = new QLabel(AboutVersionLine(QStringLiteral(ZARVO_VERSION)), page);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* texts = new QVBoxLayout;
    texts->addStretch();
    texts->addWidget(name);
    texts->addWidget(Version);
    texts->addStretch();
    auto* row = new QHBoxLayout(page);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addLayout(texts, 1);
    pages->addTab(page, QStringLiteral("Allgemein"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

} // namespace zarvo
