// SPDX-License-Identifier: GPL-3.0-or-later
// The small window of a desktop start that waits for a batch run.
#include "app/BatchWait.h"

#include "app/UHauptImages.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace zarvo {

TBatchWait::TBatchWait(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("BatchWait"));
    setWindowTitle(QStringLiteral("Zarvo"));
    setWindowIcon(ApplicationIcon());
    auto* text = new QLabel(QString::fromUtf8("Ein Stapellauf sichert gerade die Nachrichten des Modems.\n"
                                              "Zarvo startet, sobald er fertig ist."),
                            this);
    // No end is known: the bar only shows that the wait goes on.
    auto* busy = new QProgressBar(this);
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    auto* cancel = new QPushButton(QStringLiteral("Nicht warten"), this);
    connect(cancel, &QPushButton::clicked, this, &TBatchWait::Cancelled);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(text);
    column->addWidget(busy);
    column->addLayout(buttons);
    setFixedSize(sizeHint());
}

void TBatchWait::closeEvent(QCloseEvent* event)
{
    // The close box means the same as "Nicht warten"; the start decides when the window goes.
    event->ignore();
    emit Cancelled();
}

} // namespace zarvo
