// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/FaxOptions.h"

#include <QDialog>
#include <QLocale>
#include <QPointer>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace zarvo {

// "Faxfenster - Optionen": print zoom and offsets, and the shared settings of every fax viewer
// (display zoom, height factor, window size), loaded from FAX.INI at creation and written on OK.
class TfrmFROpt : public QDialog {
    Q_OBJECT
  public:
    // Loads FAX.INI of the program's directory with the user's number format.
    explicit TfrmFROpt(QWidget* owner = nullptr, const QLocale& locale = QLocale());

    // The saved values in force; OK changes them.
    FaxOptions Saved;
    double& PrintZoom = Saved.PrintZoom;
    double& RandX = Saved.RandX;
    double& RandY = Saved.RandY;
    double& FensterZoom = Saved.FensterZoom;
    quint8& Hoehemul = Saved.Hoehemul;
    int& FensterWidth = Saved.FensterWidth;
    int& FensterHeight = Saved.FensterHeight;

    // Filled by the viewer before it shows the dialog; taken over on OK.
    qint32 CurWidth = 0;
    qint32 CurHeight = 0;
    double CurZoom = 1.0;
    quint8 CurHoehemul = 1;

    QLineEdit* txtZoom = nullptr;
    QLineEdit* txtX = nullptr;
    QLineEdit* txtY = nullptr;
    QCheckBox* chkFaxFen = nullptr;
    QCheckBox* chkZoom = nullptr;

    QString IniFile() const { return m_iniFile; }

  public slots:
    void btnOKClick();
    void btnCancelClick();

  protected:
    void reject() override; // Escape and the title bar's close act as Cancel

  private:
    void FillEdits();

    QLocale m_locale;
    QString m_iniFile;
};

// The shared options object of all viewers: created by the first viewer that needs it (owned by
// that viewer) and kept while that viewer lives.
TfrmFROpt* frmFROpt();
TfrmFROpt& EnsureFrmFROpt(QWidget* owner);

} // namespace zarvo
