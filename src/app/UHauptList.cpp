// SPDX-License-Identifier: GPL-3.0-or-later
// THaupt: the message list - rebuilding it, the new-message check, column widths, cell images, and
// playing or showing the current message.
#include "app/UHaupt.h"
#include "app/UHauptImages.h"
#include "app/UWave.h"
#include "common/MessageSeam.h"
#include "common/ProgramPaths.h"
#include "modem/Zarvo.h"

#include <QDesktopServices>
#include <QHeaderView>
#include <QPainter>
#include <QProcess>
#include <QProgressBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QUrl>

#include <algorithm>

namespace zarvo {

namespace {

// Draws the type and flag columns as images: "Fax" and "Sprache" in column 0, "True" in columns 2
// and 3 as the flag; "false" leaves the cell blank. Other cells keep their text.
class SGCellDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QString text = index.data().toString();
        int image = -1;
        bool blank = false;
        if (index.column() == 0 && text == kCellFax)
            image = 1;
        else if (index.column() == 0 && text == kCellVoice)
            image = 0;
        else if ((index.column() == 2 || index.column() == 3) && text == kCellTrue)
            image = 4;
        else if ((index.column() == 2 || index.column() == 3) && text == kCellFalse)
            blank = true;
        if (image < 0 && !blank) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        plain.text.clear();
        plain.features &= ~QStyleOptionViewItem::HasDisplay;
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : nullptr;
        if (style)
            style->drawControl(QStyle::CE_ItemViewItem, &plain, painter, widget);
        if (image >= 0) {
            const QRect r = option.rect;
            const int x = std::max(r.left(), CellImageX(r.left(), r.left() + r.width()));
            ImageList1(image).paint(painter, QRect(x, r.top() + 2, 16, 16));
        }
    }
};

} // namespace

void THaupt::InstallCellDrawing()
{
    SG->setItemDelegate(new SGCellDelegate(SG));
}

QString THaupt::TempWavName()
{
    return ProgramPaths::workFile(QStringLiteral("~~test.wav"));
}

QString THaupt::TempTifName()
{
    return ProgramPaths::workFile(QStringLiteral("~~test.tif"));
}

int THaupt::CurrentRow() const
{
    const int row = SG->currentRow();
    return row < 0 ? 0 : row + 1;
}

void THaupt::SetCurrentRow(int row)
{
    if (row >= 1 && row <= SG->rowCount())
        SG->setCurrentCell(row - 1, 0);
    else
        SG->setCurrentCell(-1, -1);
}

int THaupt::RowCount() const
{
    return SG->rowCount() + 1;
}

QString THaupt::Cell(int column, int row) const
{
    if (column < 0 || column >= kListColumns)
        return {};
    if (row == 0)
        return MessageListHeaders()[column];
    const QTableWidgetItem* item = SG->item(row - 1, column);
    return item ? item->text() : QString();
}

void THaupt::FillMessageList()
{
    const MessageListData list = ReadMessageList(*Zarvo1);
    ShowList(list);
    if (!list.Error.isEmpty())
        Messages().error(kAppCaption, list.Error);
}

void THaupt::ShowList(const MessageListData& list)
{
    // The inbox learns the directory from the list (what the list shows needs no notice), and
    // the tray follows it.
    m_inbox->SetList(list);
    const std::vector<MessageRow>& rows = m_inbox->Rows();
    PBSpeicheraus->setValue(m_inbox->UsedPercent());
    // Row n is message n: the same number stays current, else the first row.
    const int current = CurrentRow();
    SG->clearContents();
    SG->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < kListColumns; ++c) {
            auto* item = new QTableWidgetItem(rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            SG->setItem(r, c, item);
        }
    if (!rows.empty())
        SetCurrentRow(current >= 1 && current <= static_cast<int>(rows.size()) ? current : 1);
    FitColumns();
    if (m_shown)
        m_keepCentred = false;
    ArchiveListShown(list);
    UpdateBusyDisplay();
}

void THaupt::CheckNewMessages()
{
    // The question and every voice window it opens reactivate the window, which asks for another
    // check. Running it inside would rebuild the list under the playback that is going through it;
    // it runs once this check is done instead.
    if (m_checking) {
        m_checkAgain = true;
        return;
    }
    m_checking = true;
    try {
        do {
            m_checkAgain = false;
            CheckNewMessagesOnce();
        } while (m_checkAgain && !m_closed && !m_quitting);
    }
    catch (...) {
        m_checking = false;
        throw;
    }
    m_checking = false;
}

void THaupt::CheckNewMessagesOnce()
{
    tMemoryStatus status;
    if (Zarvo1->ReadMemoryStatus(status) != 0)
        return;
    if (status.CountA + status.CountB == m_inbox->MessageCount())
        return;
    FillMessageList();
    const std::vector<int> fresh = UnlistenedMessages(m_inbox->Rows());
    if (fresh.empty())
        return;
    if (!Messages().question(
            QStringLiteral("Zarvo"),
            QStringLiteral("Es befinden sich neue Nachrichten im Speicher.\rSollen sie jetzt "
                           "abgespielt werden?")))
        return;
    for (const int row : fresh) {
        if (row >= RowCount() || m_closed || m_quitting)
            break;
        SetCurrentRow(row);
        SGDblClick();
    }
}

void THaupt::FitColumns()
{
    if (!SG)
        return;
    const QFontMetrics metrics = SG->fontMetrics();
    const QFontMetrics headerMetrics = SG->horizontalHeader()->fontMetrics();
    const int padding = 2 * (SG->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, SG) + 1) +
                        (SG->showGrid() ? 1 : 0);
    // The header draws its text with the header's own margins.
    const int headerPadding = 2 * SG->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, SG);
    int sum = 0;
    for (int c = 0; c < kListColumns; ++c) {
        int widest = ColumnWidth(headerMetrics.horizontalAdvance(MessageListHeaders()[c]), headerPadding);
        for (const MessageRow& row : m_inbox->Rows())
            widest = std::max(widest, ColumnWidth(metrics.horizontalAdvance(row[c]), padding));
        SG->setColumnWidth(c, widest);
        sum += widest;
    }
    const int width = FittedClientWidth(sum);
    if (minimumWidth() != width || maximumWidth() != width) {
        setFixedWidth(width);
        if (m_keepCentred)
            CentreOnScreen();
    }
}

void THaupt::SGDblClick()
{
    const int row = CurrentRow();
    if (row == 0)
        return;
    QByteArray Data;
    Zarvo1->GetMessage(static_cast<quint8>(row), Data);
    if (Data.isEmpty())
        return;
    ArchiveDownloaded(row, Data);
    // The download marked it read in the modem.
    m_inbox->NoteHeard(row);
    if (Data.at(0) == 'F') {
        if (Data.size() > 1)
            ShowFaxMessage(Data);
    }
    else if (Data.at(0) == 'V') {
        // A failed conversion leaves the previous message's file behind: never play that one.
        const QString wav = TempWavName();
        if (Zarvo1->ConvertVoice(Data, wav) == 0 && Wave)
            Wave->PlayFile(wav);
    }
}

void THaupt::ShowFaxMessage(const QByteArray& Data)
{
    switch (Opts.FaxView) {
    case 0:
        Zarvo1->ShowFax(Data);
        break;
    // The outside viewer gets the file only when this fax was written: an older one may still lie there.
    case 1:
        if (Zarvo1->SaveFax(Data, TempTifName()) == 0)
            ShellOpen(QStringLiteral("kodakimg.exe"), TempTifName());
        break;
    case 2:
        if (Zarvo1->SaveFax(Data, TempTifName()) == 0)
            ShellOpen(Opts.ExtFax, TempTifName());
        break;
    default:
        break;
    }
}

void THaupt::ShellOpen(const QString& program, const QString& file)
{
    if (ShellOpenHook) {
        ShellOpenHook(program, file);
        return;
    }
    // The outside viewer's result is not examined: a missing program simply shows nothing.
    if (program == QLatin1String("kodakimg.exe"))
        QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    else if (!program.isEmpty())
        QProcess::startDetached(program, {file});
}

} // namespace zarvo
