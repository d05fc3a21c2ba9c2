// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ArchiveSettings.h"
#include "core/OptionSequences.h"
#include "core/Settings.h"

#include <QDialog>
#include <QList>

#include <functional>
#include <memory>

class QTabWidget;
class QWidget;

namespace zarvo {

class TZarvo;
class OptionenPages;
class PortChooser;

// The options dialog: every setting of TOpts on three pages, the port test, the autostart buttons,
// and ApplyOpts, which makes a settings record current for the whole program. Created once; each
// showing is modal (ShowModal).
class TOptionen : public QDialog {
    Q_OBJECT
  public:
    enum class Page { TSProg = 0, TSHintergrund = 1, TSModem = 2, TSArchiv = 3 };

    // zarvo and opts are the main window's modem component and its current settings; both must
    // outlive the dialog. ApplyOpts and OK change `opts`.
    TOptionen(TZarvo& zarvo, TOpts& opts, QWidget* parent = nullptr);
    ~TOptionen() override;

    void SetActivePage(Page page);
    Page ActivePage() const;

    // Sets every control from Opts / collects the controls into Opts (LocalMode is left alone).
    // The archive page is filled from the settings file's [Archiv] each time, and OK writes it back.
    void OptsToDialog(const TOpts& Opts);
    void DialogToOpts(TOpts& Opts) const;
    void ArchiveToDialog(const ArchiveSettings& settings);
    ArchiveSettings DialogToArchive() const;

    // Makes Opts current: connects to its port when it differs from the current one (forced or
    // tested), writes the self-mode options, then takes Opts over (ApplyOptions). False when the new
    // port has no modem (the message is shown and the current settings stay) or the modem did not
    // take the options (the status bar says so). The line-cable actions follow
    // Opts.LineKabel in both cases (LineActionsVisible).
    bool ApplyOpts(const TOpts& Opts);

    // Called by ApplyOpts with the visibility of the main window's LAbspielen and LStoppen.
    std::function<void(bool)> LineActionsVisible;

    // Shows the dialog modally and returns its result. Tests replace ModalHook to drive the open
    // dialog without a nested event loop (the dialog is shown, the hook runs, the dialog hides).
    int ShowModal();
    std::function<int(TOptionen&)> ModalHook;

    // The settings file OK writes: ZARVO2.ini in the program's directory.
    static QString SettingsFileName();

    // Chooses the port list's entry for a device path, or types the path (as a user would).
    void ChoosePort(const QString& path);

    // Handlers (also reachable through the buttons, found by objectName).
    void OkBtnClick();
    void BitBtn2Click(); // Abbrechen
    void BitBtn1Click(); // Hilfe
    void ComTestClick();
    void EdDR_PasswordChange();
    void StartmitWinClick();
    void NoWinStartClick();

  private:
    void BuildButtons();
    // The COMn the running program uses (its settings and the bound modem): a new path never
    // takes their [Ports] key over.
    QList<int> PortsInUse() const;
    ApplyResult Apply(const TOpts& Opts, const tModemOptions* shown);

    TZarvo& m_zarvo;
    TOpts& m_opts;
    QTabWidget* m_pages = nullptr;
    std::unique_ptr<OptionenPages> m_ui;
    PortChooser* m_ports = nullptr;
    bool m_inPasswordCheck = false;
    ArchiveSettings m_archive; // as loaded: the keys the page does not show are written back unchanged
    QString m_ocrLanguages;    // the languages m_ocrReason was found for
    QString m_ocrReason;
    bool m_ocrChecked = false;
    // The self-mode options the controls were last filled with, and whether they were known.
    tModemOptions m_shown;
    bool m_shownHeld = true;
};

} // namespace zarvo
