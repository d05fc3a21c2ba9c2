// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class QIcon;
class QLabel;
class QToolButton;

namespace zarvo {

class WavPlayer;

// The voice window: plays one converted voice message (play, pause, stop, back to start) and saves
// it as a WAV file. Created once and reused. Without a sound output it still opens, says so, and
// saving works.
class TWave : public QDialog {
    Q_OBJECT
  public:
    explicit TWave(QWidget* parent = nullptr);
    ~TWave() override;

    // The file to play (the main window's converted "~~test.wav").
    void SetFileName(const QString& FileName);
    QString FileName() const { return m_fileName; }

    // Decodes the file for playback. On a file that cannot be decoded the error is shown and false
    // returned; the caller then does not show the window.
    bool Open();
    // Stops playback and releases the sound output (close button, title bar, hiding).
    void CloseDevice();

    // Shows the window modally. Tests replace ModalHook as for the options dialog.
    int ShowModal();
    std::function<int(TWave&)> ModalHook;

    // Convenience for the main window: SetFileName, Open, ShowModal; false when Open failed.
    bool PlayFile(const QString& FileName);

    // The glyphs of the save, close and help buttons (the main window's images); theme icons otherwise.
    void SetGlyphs(const QIcon& save, const QIcon& close, const QIcon& help = {});

    // Asks for the target file ("Wave-Datei abspeichern"); empty when cancelled. Tests replace it.
    std::function<QString(TWave&)> AskSaveFileName;

    // True when a sound output could be opened for the current file.
    bool SoundAvailable() const;
    // The player behind the buttons (for tests).
    WavPlayer& Player() { return *m_player; }

    // Handlers.
    void SpeedButton1Click(); // close
    void SpeedButton2Click(); // save
    void HilfeExecute();      // help "sprfen.htm"

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void FormActivate();
    void UpdateButtons();

    QString m_fileName;
    std::unique_ptr<WavPlayer> m_player;
    QWidget* m_mediaPlayer = nullptr;
    QToolButton* m_btPlay = nullptr;
    QToolButton* m_btPause = nullptr;
    QToolButton* m_btStop = nullptr;
    QToolButton* m_btPrev = nullptr;
    QToolButton* m_speedButton2 = nullptr;
    QToolButton* m_speedButton1 = nullptr;
    QToolButton* m_speedButton3 = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace zarvo
