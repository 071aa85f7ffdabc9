#include "ui/addressbook/MemberGroupsWindow.h"

#include "core/UserError.h"
#include "core/addressbook/splittext.h"
#include "core/run/OpenAddressBook.h"
#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/DialogParts.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSet>

namespace {

const QString delimiter = QStringLiteral(";");

} // namespace

MemberGroupsWindow::MemberGroupsWindow(Windows& windows, const QString& recipient)
    : QDialog(windows.mainWindow), w(windows), m_recipient(recipient) {
    setWindowTitle(QStringLiteral("Группы получателя"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    auto* layout = new QGridLayout(this);
    // A recipient's name is the user's text, never markup.
    m_recipientLabel = new QLabel(this);
    m_recipientLabel->setObjectName(QString::fromLatin1(ControlNames::Book::memberRecipient));
    m_recipientLabel->setTextFormat(Qt::PlainText);
    m_recipientLabel->setWordWrap(true);
    m_recipientLabel->setText(QStringLiteral("Получатель: ") + recipient);
    m_list = new QListWidget(this);
    m_list->setAccessibleName(QStringLiteral("Группы получателя"));
    setProgramName(m_list, QString::fromLatin1(ControlNames::Book::memberGroupList));
    m_recipientLabel->setBuddy(m_list);
    m_done =
        dialogButton(QStringLiteral("Готово"), ControlNames::Book::memberGroupsDone, true, this);
    m_cancel =
        dialogButton(QStringLiteral("Отмена"), ControlNames::Book::memberGroupsCancel, false, this);
    layOutPrompt(layout, m_recipientLabel, m_list, m_done, m_cancel);
    // The size hints settle before the window is shown rather than while it is.
    layout->activate();
    resize(300, 280);

    connect(m_done, &QPushButton::clicked, this,
            [this] { guarded(w.messages, [this] { store(); }); });
    connect(m_cancel, &QPushButton::clicked, this, &MemberGroupsWindow::reject);
    fill();
}

void MemberGroupsWindow::fill() {
    const QString column = w.addressBook.recipientGroups(m_recipient);
    QStringList pieces;
    for (const QString& piece : splittext(column, delimiter)) {
        if (!piece.isEmpty() && !pieces.contains(piece))
            pieces.append(piece);
    }

    QSet<QString> listed;
    for (const QString& name : w.addressBook.groupNames()) {
        if (name.isEmpty() || listed.contains(name))
            continue;
        listed.insert(name);
        auto* item = new QListWidgetItem(name, m_list);
        item->setData(NameRole, name);
        if (name.contains(delimiter)) {
            // Written into the column, such a name would fall apart into other names.
            item->setFlags(item->flags() & ~(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled));
            item->setToolTip(QStringLiteral("Название группы содержит «;»"));
            continue;
        }
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(pieces.contains(name) ? Qt::Checked : Qt::Unchecked);
    }
    for (const QString& piece : std::as_const(pieces)) {
        if (listed.contains(piece))
            continue;
        auto* item = new QListWidgetItem(piece + QStringLiteral(" (нет такой группы)"), m_list);
        item->setData(NameRole, piece);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

QString MemberGroupsWindow::checkedText() const {
    QStringList names;
    for (int i = 0; i < m_list->count(); ++i) {
        const QListWidgetItem* item = m_list->item(i);
        if ((item->flags() & Qt::ItemIsUserCheckable) && item->checkState() == Qt::Checked)
            names.append(item->data(NameRole).toString());
    }
    return names.join(delimiter);
}

void MemberGroupsWindow::store() {
    // Another program may have deleted the row meanwhile.
    if (!w.addressBook.setRecipientGroups(m_recipient, checkedText()))
        throw UserError(
            QStringLiteral("Получатель «%1» не найден в базе данных.").arg(m_recipient));
    accept();
}
