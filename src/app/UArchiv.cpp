// SPDX-License-Identifier: GPL-3.0-or-later
// The archive window: the search row, the list over the archive's model, the status line, the
// window's settings and the look for newly archived messages.
#include "app/UArchiv.h"

#include "app/HelpAccess.h"
#include "app/UHauptImages.h"
#include "common/IniProfile.h"
#include "common/ProgramPaths.h"
#include "core/MessageList.h"
#include "core/archive/Archive.h"
#include "core/archive/ArchiveListModel.h"
#include "core/archive/ArchiveTimeSpan.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace zarvo {

using archive::ArchiveListModel;
using archive::MessageKind;

namespace {

const QString kSection = QStringLiteral("Archivfenster");
constexpr int kTypingDelayMs = 150;
constexpr int kLookAgainMs = 2000;

QString SettingsFile()
{
    return ProgramPaths::programFile(QStringLiteral("ZARVO2.ini"));
}

// The main list's pictures over the widget-free model: the kind's image instead of its name, the
// flag for a heard message.
class ArchiveIcons : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const int column = index.column();
        const auto kind =
            static_cast<MessageKind>(QIdentityProxyModel::data(index, ArchiveListModel::KindRole).toInt());
        const bool pictured = kind == MessageKind::Voice || kind == MessageKind::Fax;
        if (column == ArchiveListModel::KindColumn && pictured) {
            if (role == Qt::DecorationRole)
                return ImageList1(kind == MessageKind::Voice ? 0 : 1);
            if (role == Qt::DisplayRole)
                return QString();
            if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
                return archive::kindText(kind);
        }
        if (column == ArchiveListModel::HeardColumn && role == Qt::DecorationRole &&
            QIdentityProxyModel::data(index, ArchiveListModel::HeardRole).toBool())
            return ImageList1(4);
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

TArchiv::TArchiv(TZarvo* zarvo, TWave* wave, QWidget* parent)
    : QWidget(parent, Qt::Window), m_zarvo(zarvo), m_wave(wave)
{
    setObjectName(QStringLiteral("Archiv"));
    setWindowTitle(QStringLiteral("Zarvo Archiv"));
    setWindowIcon(ApplicationIcon());
    BuildWidgets();
    BuildActions();
    m_placed = LoadPlace();
    // Opening may rebuild the index from the journals, which takes seconds for a big archive: the
    // window shows first and says so.
    m_status->setText(QString::fromUtf8("Das Archiv wird geöffnet..."));
    UpdateActions();
}

void TArchiv::FinishOpening()
{
    OpenArchive();
    LoadColumns();
    if (!m_placed) {
        int sum = 0;
        for (int c = 0; c < ArchiveListModel::ColumnCount; ++c)
            sum += m_list->columnWidth(c);
        resize(std::max(sum + 40, 640), 440);
    }
    // What was typed or chosen while the archive opened counts.
    if (!m_search->text().isEmpty() || m_kind->currentIndex() > 0 ||
        m_span->currentIndex() != static_cast<int>(archive::TimeSpan::All))
        ApplyFilter();
    if (m_model && m_model->rowCount() > 0)
        SelectRow(0);
    UpdateStatus();
    UpdateActions();
    if (m_archive && isVisible())
        m_live->start();
}

TArchiv::~TArchiv()
{
    // The main window ends the program without hiding its windows first.
    if (isVisible())
        SaveSettings();
}

void TArchiv::BuildWidgets()
{
    auto* searchLabel = new QLabel(QStringLiteral("&Suchen:"), this);
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("Suche"));
    m_search->setPlaceholderText(QStringLiteral("Anrufer, Notiz oder Faxtext"));
    m_search->setClearButtonEnabled(true);
    m_search->setToolTip(
        QString::fromUtf8("Findet Nachrichten, in deren Anrufer, Notiz oder Faxtext "
                          "Wörter mit dem Eingegebenen beginnen. Eingabe öffnet die erste."));
    searchLabel->setBuddy(m_search);
    m_search->installEventFilter(this);

    auto* kindLabel = new QLabel(QStringLiteral("&Art:"), this);
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("Art"));
    m_kind->addItems({QStringLiteral("Alle Arten"), QStringLiteral("Sprache"), QStringLiteral("Fax"),
                      QStringLiteral("Daten")});
    kindLabel->setBuddy(m_kind);

    auto* spanLabel = new QLabel(QStringLiteral("&Zeitraum:"), this);
    m_span = new QComboBox(this);
    m_span->setObjectName(QStringLiteral("Zeitraum"));
    m_span->addItems(archive::timeSpanTexts());
    m_span->setCurrentIndex(static_cast<int>(archive::TimeSpan::All));
    spanLabel->setBuddy(m_span);

    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("Liste"));
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setTabKeyNavigation(false);
    m_list->setWordWrap(false);
    m_list->setAlternatingRowColors(true);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->horizontalHeader()->setSectionsMovable(false);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setAccessibleName(QStringLiteral("Archivierte Nachrichten"));

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Status"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* row = new QHBoxLayout;
    row->addWidget(searchLabel);
    row->addWidget(m_search, 1);
    row->addSpacing(8);
    row->addWidget(kindLabel);
    row->addWidget(m_kind);
    row->addSpacing(8);
    row->addWidget(spanLabel);
    row->addWidget(m_span);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->addLayout(row);
    column->addWidget(m_list, 1);
    column->addWidget(m_status);
    setTabOrder(m_search, m_kind);
    setTabOrder(m_kind, m_span);
    setTabOrder(m_span, m_list);

    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    m_typing->setInterval(kTypingDelayMs);
    connect(m_typing, &QTimer::timeout, this, [this] { ApplyFilter(); });
    connect(m_search, &QLineEdit::textChanged, m_typing, qOverload<>(&QTimer::start));
    connect(m_kind, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
    connect(m_span, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
    m_live = new QTimer(this);
    m_live->setInterval(kLookAgainMs);
    connect(m_live, &QTimer::timeout, this, [this] { LookForNewMessages(); });
}

void TArchiv::OpenArchive()
{
    if (m_archive)
        return;
    const archive::ArchivePlace place = archive::archivePlace(SettingsFile());
    // Opened, a folder that is not there (its drive not connected) would be made anew and one that
    // cannot be read would look empty, and the index would forget what it held: the user is told.
    const QFileInfo folder(place.folder);
    const QString cannot = QString::fromUtf8("Das Archiv lässt sich nicht öffnen: ");
    if (!folder.exists() && place.folder == archive::archivePlaceFor(QString()).folder)
        m_problem =
            QString::fromUtf8("Noch nichts archiviert: der Archivordner %1 fehlt noch.").arg(place.folder);
    else if (!folder.exists())
        m_problem =
            cannot +
            QString::fromUtf8("Archivordner %1 fehlt (ist sein Laufwerk verbunden?)").arg(place.folder);
    else if (!folder.isDir() || !folder.isReadable() || !folder.isExecutable())
        m_problem = cannot + QString::fromUtf8("Archivordner %1 lässt sich nicht lesen").arg(place.folder);
    else {
        m_archive = archive::Archive::open(place.folder, place.index, &m_problem);
        if (!m_archive)
            m_problem = cannot + m_problem;
    }
    m_search->setEnabled(m_archive != nullptr);
    m_kind->setEnabled(m_archive != nullptr);
    m_span->setEnabled(m_archive != nullptr);
    if (!m_archive)
        return;
    m_model = new ArchiveListModel(*m_archive, this);
    auto* icons = new ArchiveIcons(this);
    icons->setSourceModel(m_model);
    m_list->setModel(icons);
    // The archive's own order first: the header shows it and does not ask again.
    m_list->horizontalHeader()->setSortIndicator(ArchiveListModel::ReceivedColumn, Qt::DescendingOrder);
    m_list->setSortingEnabled(true);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { UpdateActions(); });
    connect(m_list, &QTableView::doubleClicked, this, [this] { OpenCurrent(); });
    connect(m_list, &QTableView::customContextMenuRequested, this,
            [this](const QPoint& p) { ShowContextMenu(p); });
    try {
        m_count = m_archive->count();
    }
    catch (const std::exception&) {
        m_count = -1;
    }
}

QAction* TArchiv::Action(const QString& name) const
{
    return findChild<QAction*>(name);
}

QString TArchiv::StatusText() const
{
    return m_status->text();
}

bool TArchiv::eventFilter(QObject* watched, QEvent* event)
{
    // Esc first empties the search field; the window's Esc (close) waits for an empty field.
    if (watched == m_search && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !m_search->text().isEmpty()) {
        event->accept();
        return true;
    }
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // What was typed counts now, not after the pause.
            if (m_typing->isActive()) {
                m_typing->stop();
                ApplyFilter();
            }
            SelectRow(0);
            OpenCurrent();
            return true;
        }
        if (key->key() == Qt::Key_Down && m_model && m_model->rowCount() > 0) {
            if (!m_list->currentIndex().isValid())
                SelectRow(0);
            m_list->setFocus(Qt::TabFocusReason);
            return true;
        }
        if (key->key() == Qt::Key_Escape && !m_search->text().isEmpty()) {
            m_search->clear();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TArchiv::ApplyFilter()
{
    if (!m_model)
        return;
    archive::ListFilter filter;
    filter.text = m_search->text();
    if (m_kind->currentIndex() > 0)
        filter.kind = static_cast<MessageKind>(m_kind->currentIndex() - 1); // Voice, Fax, Data
    const archive::TimeRange range = archive::timeRange(
        static_cast<archive::TimeSpan>(m_span->currentIndex()), QDateTime::currentDateTime());
    filter.from = range.from;
    filter.to = range.to;
    m_model->setFilter(filter);
    if (m_model->rowCount() > 0)
        SelectRow(0);
    UpdateStatus();
    UpdateActions();
}

void TArchiv::SelectRow(int row)
{
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_list->model()->index(row, ArchiveListModel::CallerColumn);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    m_list->scrollTo(index);
}

void TArchiv::ReloadKeepingCurrent()
{
    if (!m_model)
        return;
    const int row = m_list->currentIndex().row();
    const QString id = row >= 0 && m_model->message(row) ? m_model->message(row)->id : QString();
    m_model->reload();
    const int again = m_model->rowOf(id);
    SelectRow(again >= 0 ? again : std::min(row, m_model->rowCount() - 1));
    UpdateStatus();
    UpdateActions();
}

void TArchiv::LookForNewMessages()
{
    if (!m_archive)
        return;
    try {
        m_archive->refresh();
        const qint64 count = m_archive->count();
        if (count == m_count)
            return;
        m_count = count;
    }
    catch (const std::exception& e) {
        m_status->setText(
            QStringLiteral("Das Archiv lässt sich nicht lesen: %1").arg(QString::fromUtf8(e.what())));
        return;
    }
    ReloadKeepingCurrent();
}

void TArchiv::UpdateStatus()
{
    if (!m_archive) {
        m_status->setText(m_problem);
        return;
    }
    if (!m_model->problem().isEmpty()) {
        m_status->setText(m_model->problem());
        return;
    }
    QString text = m_count == 1
                       ? QStringLiteral("1 Nachricht im Archiv")
                       : QStringLiteral("%1 Nachrichten im Archiv").arg(std::max<qint64>(m_count, 0));
    const archive::ListFilter& f = m_model->filter();
    const bool filtered = !f.text.trimmed().isEmpty() || f.kind || f.from.isValid();
    if (filtered && m_model->rowCount() == 0)
        text += QStringLiteral(" – keine passt zur Suche");
    if (m_archive->indexRebuilt())
        text += QStringLiteral(". ") + m_archive->rebuildNote();
    m_status->setText(text);
}

void TArchiv::FitColumns()
{
    if (!m_model)
        return;
    // As the main list sizes its columns: the widest text of the header and the rows shown first.
    const QFontMetrics metrics = m_list->fontMetrics();
    const QFontMetrics headerMetrics = m_list->horizontalHeader()->fontMetrics();
    const int padding =
        2 * (m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1) +
        (m_list->showGrid() ? 1 : 0);
    const int headerPadding = 2 * m_list->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, m_list) +
                              m_list->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, m_list);
    const QAbstractItemModel* shown = m_list->model();
    for (int c = 0; c < ArchiveListModel::ColumnCount; ++c) {
        int widest = ColumnWidth(
            headerMetrics.horizontalAdvance(shown->headerData(c, Qt::Horizontal).toString()), headerPadding);
        for (int r = 0; r < std::min(shown->rowCount(), m_model->pageSize()); ++r) {
            const QModelIndex i = shown->index(r, c);
            int text = metrics.horizontalAdvance(i.data().toString());
            if (!i.data(Qt::DecorationRole).isNull())
                text += 20;
            widest = std::max(widest, ColumnWidth(text, padding));
        }
        if (c == ArchiveListModel::NoteColumn)
            widest = std::max(widest, 160);
        m_list->setColumnWidth(c, widest);
    }
}

void TArchiv::LoadColumns()
{
    if (!m_model)
        return;
    const IniProfile ini(SettingsFile());
    bool saved = true;
    for (int c = 0; c < ArchiveListModel::ColumnCount; ++c) {
        const int w = ini.readInteger(kSection, QStringLiteral("Spalte%1").arg(c), 0);
        if (w <= 0)
            saved = false;
        else
            m_list->setColumnWidth(c, w);
    }
    if (!saved)
        FitColumns();
}

bool TArchiv::LoadPlace()
{
    const IniProfile ini(SettingsFile());
    const int width = ini.readInteger(kSection, QStringLiteral("Breite"), 0);
    const int height = ini.readInteger(kSection, QStringLiteral("Hoehe"), 0);
    if (width < 200 || height < 150) {
        resize(720, 440);
        return false;
    }
    const QRect r(ini.readInteger(kSection, QStringLiteral("Links"), 0),
                  ini.readInteger(kSection, QStringLiteral("Oben"), 0), width, height);
    // A place on a screen that is no longer there is not used.
    if (QGuiApplication::screenAt(r.center()))
        setGeometry(r);
    else
        resize(r.size());
    return true;
}

void TArchiv::SaveSettings()
{
    try {
        IniProfile ini(SettingsFile());
        const QRect r = geometry();
        ini.writeInteger(kSection, QStringLiteral("Links"), r.x());
        ini.writeInteger(kSection, QStringLiteral("Oben"), r.y());
        ini.writeInteger(kSection, QStringLiteral("Breite"), r.width());
        ini.writeInteger(kSection, QStringLiteral("Hoehe"), r.height());
        if (m_model)
            for (int c = 0; c < ArchiveListModel::ColumnCount; ++c)
                ini.writeInteger(kSection, QStringLiteral("Spalte%1").arg(c), m_list->columnWidth(c));
    }
    catch (const std::exception&) {
        // A settings file that cannot be written costs only the window's place next time.
    }
}

void TArchiv::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_opening) {
        m_opening = true;
        QTimer::singleShot(0, this, [this] { FinishOpening(); });
    }
    else if (m_archive) {
        LookForNewMessages();
        m_live->start();
    }
    else {
        // The folder that was missing may be there now.
        m_status->setText(QString::fromUtf8("Das Archiv wird geöffnet..."));
        QTimer::singleShot(0, this, [this] { FinishOpening(); });
    }
    m_search->setFocus(Qt::ActiveWindowFocusReason);
    m_search->selectAll();
}

void TArchiv::hideEvent(QHideEvent* event)
{
    m_live->stop();
    if (!event->spontaneous())
        SaveSettings();
    QWidget::hideEvent(event);
}

} // namespace zarvo
