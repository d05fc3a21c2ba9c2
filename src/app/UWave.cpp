// SPDX-License-Identifier: GPL-3.0-or-later
// The voice window: a small player over the converted voice message, save and help.
#include "app/UWave.h"
#include "app/ModalRun.h"

#include "app/HelpAccess.h"
#include "app/UWavePlayer.h"
#include "common/MessageSeam.h"
#include "common/OutputFile.h"
#include "core/WavPlayback.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <cerrno>

namespace zarvo {
namespace {

constexpr int kButton = 28;       // edge of one square button
constexpr int kPlayerHeight = 30; // the player's buttons are one row of four

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback, const QWidget* w)
{
    return QIcon::fromTheme(QLatin1String(name), w->style()->standardIcon(fallback));
}

QToolButton* MakeButton(QWidget* parent, const char* name, const QString& hint, const QIcon& icon)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setIcon(icon);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::StrongFocus);
    b->resize(kButton, kButton);
    return b;
}

} // namespace

TWave::TWave(QWidget* parent) : QDialog(parent), m_player(std::make_unique<WavPlayer>())
{
    setObjectName(QStringLiteral("Wave"));
    setWindowTitle(QStringLiteral("Wave"));
    setModal(true);

    // The media player: play, pause, stop, back to the start, at the left edge.
    m_mediaPlayer = new QWidget(this);
    m_mediaPlayer->setObjectName(QStringLiteral("MediaPlayer1"));
    m_mediaPlayer->setGeometry(0, 0, 4 * kButton + 1, kPlayerHeight);
    m_btPlay = MakeButton(m_mediaPlayer, "btPlay", QStringLiteral("Abspielen"),
                          ThemeIcon("media-playback-start", QStyle::SP_MediaPlay, this));
    m_btPause = MakeButton(m_mediaPlayer, "btPause", QStringLiteral("Pause"),
                           ThemeIcon("media-playback-pause", QStyle::SP_MediaPause, this));
    m_btStop = MakeButton(m_mediaPlayer, "btStop", QStringLiteral("Stopp"),
                          ThemeIcon("media-playback-stop", QStyle::SP_MediaStop, this));
    m_btPrev = MakeButton(m_mediaPlayer, "btPrev", QStringLiteral("Zum Anfang"),
                          ThemeIcon("media-skip-backward", QStyle::SP_MediaSkipBackward, this));
    int x = 1;
    for (QToolButton* b : {m_btPlay, m_btPause, m_btStop, m_btPrev}) {
        b->move(x, 1);
        x += kButton;
    }
    connect(m_btPlay, &QToolButton::clicked, this, [this] { m_player->Play(); });
    connect(m_btPause, &QToolButton::clicked, this, [this] { m_player->Pause(); });
    connect(m_btStop, &QToolButton::clicked, this, [this] { m_player->Stop(); });
    connect(m_btPrev, &QToolButton::clicked, this, [this] { m_player->Rewind(); });
    connect(m_player.get(), &WavPlayer::stateChanged, this, [this] { UpdateButtons(); });

    m_speedButton2 = MakeButton(this, "SpeedButton2", QStringLiteral("Speichert die Wave Datei"),
                                ThemeIcon("document-save", QStyle::SP_DialogSaveButton, this));
    m_speedButton1 = MakeButton(this, "SpeedButton1", QStringLiteral("Schließt das Fenster"),
                                ThemeIcon("window-close", QStyle::SP_DialogCloseButton, this));
    m_speedButton3 = MakeButton(this, "SpeedButton3", QStringLiteral("Zeigt die Hilfe"),
                                ThemeIcon("help-contents", QStyle::SP_DialogHelpButton, this));
    auto* hilfe = new QAction(QStringLiteral("&Hilfe"), this);
    hilfe->setObjectName(QStringLiteral("Hilfe"));
    hilfe->setToolTip(QStringLiteral("Zeigt die Hilfe"));
    hilfe->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(hilfe);
    connect(hilfe, &QAction::triggered, this, [this] { HilfeExecute(); });
    connect(m_speedButton3, &QToolButton::clicked, hilfe, &QAction::trigger);
    connect(m_speedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(m_speedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LabelSound"));
    m_status->setWordWrap(true);
    m_status->hide();

    FormActivate();
    UpdateButtons();
}

TWave::~TWave()
{
    // The player goes before the buttons its signal updates.
    m_player->disconnect(this);
}

void TWave::SetFileName(const QString& FileName)
{
    m_fileName = FileName;
}

bool TWave::Open()
{
    if (!m_player->Open(m_fileName)) {
        Messages().error(kAppCaption, m_player->Error());
        return false;
    }
    m_status->setText(
        m_player->SoundAvailable()
            ? QString()
            : QStringLiteral("Keine Tonausgabe verfügbar. Die Nachricht kann nur gespeichert werden."));
    m_status->setVisible(!m_player->SoundAvailable());
    FormActivate();
    UpdateButtons();
    return true;
}

void TWave::CloseDevice()
{
    m_player->Close();
}

bool TWave::SoundAvailable() const
{
    return m_player->SoundAvailable();
}

int TWave::ShowModal()
{
    return RunModal(*this, ModalHook);
}

bool TWave::PlayFile(const QString& FileName)
{
    SetFileName(FileName);
    if (!Open())
        return false;
    ShowModal();
    return true;
}

void TWave::SetGlyphs(const QIcon& save, const QIcon& close, const QIcon& help)
{
    if (!help.isNull())
        m_speedButton3->setIcon(help);
    if (!save.isNull())
        m_speedButton2->setIcon(save);
    if (!close.isNull())
        m_speedButton1->setIcon(close);
}

void TWave::showEvent(QShowEvent* event)
{
    FormActivate();
    QDialog::showEvent(event);
    // Space or Enter then plays the message at once (or saves it when nothing can play).
    (m_btPlay->isEnabled() ? m_btPlay : m_speedButton2)->setFocus();
}

void TWave::closeEvent(QCloseEvent* event)
{
    CloseDevice();
    QDialog::closeEvent(event);
}

void TWave::hideEvent(QHideEvent* event)
{
    CloseDevice();
    QDialog::hideEvent(event);
}

void TWave::FormActivate()
{
    const QRect player = m_mediaPlayer->geometry();
    const WaveButtonLayout l = LayOutWaveButtons(player.left(), player.width(), m_speedButton2->width(),
                                                 m_speedButton1->width(), m_speedButton3->width());
    const int top = (kPlayerHeight - kButton) / 2;
    m_speedButton2->move(l.saveLeft, top);
    m_speedButton1->move(l.closeLeft, top);
    m_speedButton3->move(l.helpLeft, top);
    // Qt sizes the client area; the frame is the window manager's.
    int height = kPlayerHeight + 2;
    if (m_status->isVisible() || !m_status->text().isEmpty()) {
        const int w = l.windowWidth - 8;
        const int h = m_status->heightForWidth(w);
        m_status->setGeometry(4, height, w, h);
        height += h + 4;
    }
    setFixedSize(l.windowWidth, height);
}

void TWave::UpdateButtons()
{
    using S = WavPlayer::State;
    const S s = m_player->state();
    const bool sound = m_player->SoundAvailable();
    m_btPlay->setEnabled(sound && s != S::Playing && s != S::Closed);
    m_btPause->setEnabled(sound && (s == S::Playing || s == S::Paused));
    m_btStop->setEnabled(sound && (s == S::Playing || s == S::Paused));
    m_btPrev->setEnabled(sound && s != S::Closed);
}

void TWave::SpeedButton1Click()
{
    CloseDevice();
    reject();
}

void TWave::SpeedButton2Click()
{
    QString target;
    if (AskSaveFileName) {
        target = AskSaveFileName(*this);
    }
    else {
        QFileDialog dialog(this, QStringLiteral("Wave-Datei abspeichern"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QStringLiteral("Wave (*.wav)"));
        dialog.setDefaultSuffix(QStringLiteral("wav"));
        dialog.selectFile(QStringLiteral("newfile.wav"));
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            target = dialog.selectedFiles().constFirst();
    }
    if (target.isEmpty())
        return;
    // Never replaces a file, nor writes through a link of that name; the copy lands whole or not at
    // all, and one that did not happen is said, so nobody trusts a file that is not there.
    QFile source(m_fileName);
    OutputFile copy(QFile::encodeName(target).toStdString(), Existing::Refuse);
    const bool read = source.open(QIODevice::ReadOnly);
    const QByteArray bytes = read ? source.readAll() : QByteArray();
    if (read && copy.Open() && copy.Write(bytes.constData(), static_cast<std::size_t>(bytes.size())) &&
        copy.Commit())
        return;
    if (copy.Error() == EEXIST) {
        Messages().warning(
            kAppCaption,
            QStringLiteral("Die Datei %1 existiert bereits und wurde nicht überschrieben.").arg(target));
        return;
    }
    const QString reason = read ? QString::fromStdString(copy.Reason()) : source.errorString();
    Messages().error(
        kAppCaption,
        QStringLiteral("Die Datei %1 konnte nicht gespeichert werden (%2).").arg(target, reason));
}

void TWave::HilfeExecute()
{
    ShowHelpTopic(this, QStringLiteral("sprfen.htm"));
}

} // namespace zarvo
