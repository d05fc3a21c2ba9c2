// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/UFROpt.h"

#include "common/Errors.h"
#include "common/MessageSeam.h"
#include "common/ProgramPaths.h"
#include "viewer/NumberKeyFilter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zarvo {

namespace {

QPointer<TfrmFROpt> g_frmFROpt;

QLineEdit* AddRow(QGridLayout* grid, int row, const QString& label, const QString& unit, QWidget* parent,
                  const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    auto* caption = new QLabel(label, parent);
    caption->setBuddy(edit);
    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1);
    if (!unit.isEmpty())
        grid->addWidget(new QLabel(unit, parent), row, 2);
    return edit;
}

} // namespace

TfrmFROpt::TfrmFROpt(QWidget* owner, const QLocale& locale)
    : QDialog(owner), m_locale(locale), m_iniFile(ProgramPaths::programFile(QStringLiteral("FAX.INI")))
{
    setObjectName(QStringLiteral("frmFROpt"));
    setWindowTitle(QStringLiteral("Faxfenster - Optionen"));
    setModal(true);

    auto* label1 =
        new QLabel(QStringLiteral("Hier stellen Sie Optionen zum Ausdruck ein. (0 heißt automatischer "
                                  "Zoom (möglichst groß) und rechts oben)."),
                   this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setWordWrap(true);

    auto* grid = new QGridLayout;
    txtZoom = AddRow(grid, 0, QStringLiteral("&Zoomfaktor (in %):"), QString(), this, "txtZoom");
    txtX = AddRow(grid, 1, QStringLiteral("Abstand von &rechts:"), QStringLiteral("cm"), this, "txtX");
    txtY = AddRow(grid, 2, QStringLiteral("Abstand von &oben:"), QStringLiteral("cm"), this, "txtY");
    auto* filter = new NumberKeyFilter(m_locale, this);
    for (QLineEdit* edit : {txtZoom, txtX, txtY})
        edit->installEventFilter(filter);

    chkFaxFen = new QCheckBox(QStringLiteral("&Größe des Faxfenster sichern"), this);
    chkFaxFen->setObjectName(QStringLiteral("chkFaxFen"));
    chkZoom = new QCheckBox(QStringLiteral("Zoom des &Fax sichern"), this);
    chkZoom->setObjectName(QStringLiteral("chkZoom"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmFROpt::btnOKClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmFROpt::btnCancelClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1);
    layout->addLayout(grid);
    layout->addWidget(chkFaxFen);
    layout->addWidget(chkZoom);
    layout->addStretch();
    layout->addWidget(buttons);
    setMinimumSize(260, 233);
    resize(300, 233);

    Saved = LoadFaxOptions(m_iniFile, m_locale);
    FillEdits();
}

void TfrmFROpt::FillEdits()
{
    txtZoom->setText(FormatFloat(PrintZoom * 100, m_locale));
    txtX->setText(FormatFloat(RandX / 100, m_locale));
    txtY->setText(FormatFloat(RandY / 100, m_locale));
}

void TfrmFROpt::btnOKClick()
{
    try {
        // Each field takes its value as soon as it converts; a later failure leaves it changed.
        PrintZoom = StrToFloat(txtZoom->text(), m_locale) / 100;
        RandX = StrToFloat(txtX->text(), m_locale) * 100;
        RandY = StrToFloat(txtY->text(), m_locale) * 100;
        FensterWidth = CurWidth;
        FensterHeight = CurHeight;
        FensterZoom = CurZoom;
        Hoehemul = CurHoehemul;
        SaveFaxOptions(m_iniFile, Saved, chkZoom->isChecked(), chkFaxFen->isChecked(), m_locale);
    }
    catch (const std::exception& e) {
        ShowException(e);
        return;
    }
    accept();
}

void TfrmFROpt::btnCancelClick()
{
    FillEdits();
    QDialog::reject();
}

void TfrmFROpt::reject()
{
    btnCancelClick();
}

TfrmFROpt* frmFROpt()
{
    return g_frmFROpt.data();
}

TfrmFROpt& EnsureFrmFROpt(QWidget* owner)
{
    if (!g_frmFROpt)
        g_frmFROpt = new TfrmFROpt(owner);
    return *g_frmFROpt;
}

} // namespace zarvo
