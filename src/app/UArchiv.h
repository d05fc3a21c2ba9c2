// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;
class QTimer;

namespace zarvo {

class TWave;
class TZarvo;
namespace archive {
class Archive;
class ArchiveListModel;
struct ArchivedMessage;
} // namespace archive

// "Zarvo Archiv": every archived message, newest first, found by caller, note, kind and time span,
// opened from the archive (never from the modem): a voice message in the voice window, a fax in the
// fax window. Not modal; the main window and the modem's work go on beside it. Messages archived
// meanwhile (by the main window or a batch run) appear by themselves.
// UArchiv.cpp builds the window, the filter and its settings; UArchivActions.cpp opens, marks,
// saves and trashes messages.
class TArchiv : public QWidget {
    Q_OBJECT
  public:
    // `zarvo` shows faxes and converts voice messages; `wave` plays them. Neither is owned.
    TArchiv(TZarvo* zarvo, TWave* wave, QWidget* parent = nullptr);
    ~TArchiv() override;

    // The archive in use; nullptr until the window was first shown, or when it could not be opened
    // (the window says why).
    archive::Archive* Archive() const { return m_archive.get(); }
    archive::ArchiveListModel* Model() const { return m_model; } // nullptr as Archive()
    QLineEdit* SearchField() const { return m_search; }
    QTableView* List() const { return m_list; }
    QAction* Action(const QString& name) const;
    // The text under the list: the number of messages, or why the archive is missing.
    QString StatusText() const;

    // Opens the message in the current row; false when there is none or it could not be shown.
    bool OpenCurrent();
    void SetHeardCurrent(bool heard);
    void EditNoteCurrent();
    void SaveCurrentAs();
    void TrashCurrent();
    // Applies the search text, kind and time span now (the search field waits ~150 ms after typing).
    void ApplyFilter();
    // Reads what others archived meanwhile; reloads the list when the number of messages changed.
    void LookForNewMessages();

    // --- Seams (tests replace them) ---
    // The new note; nullopt when cancelled. QInputDialog by default.
    std::function<std::optional<QString>(TArchiv&, const QString& current)> AskNote;
    // The target file for "Speichern unter..."; empty when cancelled. QFileDialog by default.
    std::function<QString(TArchiv&, const QString& suggested, const QString& filter)> AskSaveFileName;
    // Opens a file in the desktop's program for it (a fax without its downloaded bytes, data).
    std::function<void(const QString& file)> OpenFileHook;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void BuildWidgets();
    void BuildActions();
    void OpenArchive();
    void FinishOpening(); // after the first show
    // The saved place and size; false when none was saved.
    bool LoadPlace();
    void LoadColumns();
    void SaveSettings();
    void FitColumns();
    void UpdateStatus();
    void UpdateActions();
    void ShowContextMenu(const QPoint& pos);
    // The current row's message, copied (a reload may replace the rows); nullopt when none.
    std::optional<archive::ArchivedMessage> Current() const;
    void SelectRow(int row);
    // Reloads the list keeping the current message current (or the same row).
    void ReloadKeepingCurrent();
    bool OpenVoice(const archive::ArchivedMessage& m);
    bool OpenFax(const archive::ArchivedMessage& m);
    void OpenFile(const QString& file);

    TZarvo* m_zarvo;
    TWave* m_wave;
    std::unique_ptr<archive::Archive> m_archive;
    QString m_problem; // why the archive could not be opened
    archive::ArchiveListModel* m_model = nullptr;
    QLineEdit* m_search = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_span = nullptr;
    QTableView* m_list = nullptr;
    QLabel* m_status = nullptr;
    QTimer* m_typing = nullptr; // the debounce of the search field
    QTimer* m_live = nullptr;   // looks for newly archived messages
    qint64 m_count = -1;
    bool m_opening = false;
    bool m_placed = false;
};

} // namespace zarvo
