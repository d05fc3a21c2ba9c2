// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog's port drop-down: the port list, typed paths, and the COMn a choice is kept as.
#include "app/UOptionenPort.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace zarvo {

namespace {

// Wide enough for "COM5: /dev/ttyUSB0 – FT232R USB UART"; longer texts show whole in the list.
constexpr int kShownCharacters = 34;

} // namespace

PortChooser::PortChooser(QComboBox* box, QLabel* detail, QObject* parent)
    : QObject(parent), m_box(box), m_detail(detail)
{
    m_box->setEditable(true);
    m_box->setInsertPolicy(QComboBox::NoInsert);
    m_box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_box->setMinimumContentsLength(kShownCharacters);
    m_box->lineEdit()->setPlaceholderText(QStringLiteral("Gerät wählen oder Pfad eingeben"));
    m_detail->setTextFormat(Qt::PlainText);
    connect(m_box, &QComboBox::currentTextChanged, this, [this] { ShowDetail(); });
}

void PortChooser::Fill(int slot, const QString& iniFile, const QList<int>& keep)
{
    m_iniFile = iniFile;
    m_keep = keep;
    m_machine = PortMachine::System();
    m_keys = PortSlots::Read(iniFile);
    m_entries = BuildPortList(m_machine, m_keys, slot);
    const QSignalBlocker quiet(m_box);
    m_box->clear();
    int shown = -1;
    for (const PortEntry& e : m_entries) {
        if (slot != 0 && e.slot == slot)
            shown = m_box->count();
        m_box->addItem(PortLabel(e));
        m_box->setItemData(m_box->count() - 1, e.byId.isEmpty() ? e.path : e.byId, Qt::ToolTipRole);
    }
    // The list opens as wide as its longest line, whatever the box's own width.
    m_box->view()->setMinimumWidth(m_box->view()->sizeHintForColumn(0) + 2 * m_box->view()->frameWidth());
    m_box->setCurrentIndex(shown);
    if (shown < 0)
        m_box->setEditText(QString());
    ShowDetail();
}

PortEntry PortChooser::Chosen() const
{
    const int index = m_box->currentIndex();
    const QString text = m_box->currentText();
    if (index >= 0 && index < m_entries.size() && text == m_box->itemText(index))
        return m_entries[index];
    return DescribePort(TypedPortPath(text, m_keys), m_machine, m_keys);
}

PortChoice PortChooser::Choice() const
{
    if (!m_machine.resolve)
        return {}; // not filled yet
    return ChoosePortSlot(Chosen(), m_machine, m_keys, m_keep);
}

int PortChooser::Store()
{
    const PortChoice choice = Choice();
    if (choice.write) {
        StorePortChoice(m_iniFile, choice);
        Fill(choice.slot, m_iniFile, m_keep);
    }
    return choice.slot;
}

void PortChooser::ChoosePath(const QString& path)
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].path == path || m_entries[i].device == path) {
            m_box->setCurrentIndex(i);
            return;
        }
    }
    m_box->setEditText(path);
}

void PortChooser::ShowDetail()
{
    if (!m_machine.resolve)
        return;
    const PortEntry entry = Chosen();
    const PortChoice choice = ChoosePortSlot(entry, m_machine, m_keys, m_keep);
    if (choice.slot == 0) {
        m_detail->clear();
        m_detail->setToolTip(QString());
        return;
    }
    QString full = QStringLiteral("COM%1 = %2").arg(choice.slot).arg(choice.path);
    if (entry.device.isEmpty())
        full += QStringLiteral(" (nicht vorhanden)");
    else if (!entry.serial)
        full += QStringLiteral(" (keine serielle Schnittstelle)");
    m_detail->setToolTip(full);
    m_detail->setText(m_detail->fontMetrics().elidedText(full, Qt::ElideMiddle, m_box->sizeHint().width()));
}

} // namespace zarvo
