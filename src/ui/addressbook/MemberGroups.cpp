#include "ui/addressbook/MemberGroups.h"

#include "core/UserError.h"
#include "core/addressbook/OpenAddressBook.h"
#include "core/addressbook/splittext.h"
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

TMemberGroups::TMemberGroups(Windows& windows, const QString& recipient)
    : QDialog(windows.frm), w(windows), m_recipient(recipient) {
    setWindowTitle(QStringLiteral("Группы получателя"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    auto* layout = new QGridLayout(this);
    // A recipient's name is the user's text, never markup.
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(true);
    Label1->setText(QStringLiteral("Получатель: ") + recipient);
    CLB = new QListWidget(this);
    CLB->setAccessibleName(QStringLiteral("Группы получателя"));
    setProgramName(CLB, QStringLiteral("CLB"));
    Label1->setBuddy(CLB);
    Button1 = dialogButton(QStringLiteral("Готово"), "Button1", true, this);
    Button2 = dialogButton(QStringLiteral("Отмена"), "Button2", false, this);
    layOutPrompt(layout, Label1, CLB, Button1, Button2);
    // The size hints settle before the window is shown rather than while it is.
    layout->activate();
    resize(300, 280);

    connect(Button1, &QPushButton::clicked, this,
            [this] { guarded(w.messages, [this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, &TMemberGroups::reject);
    fill();
}

void TMemberGroups::fill() {
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
        auto* item = new QListWidgetItem(name, CLB);
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
        auto* item = new QListWidgetItem(piece + QStringLiteral(" (нет такой группы)"), CLB);
        item->setData(NameRole, piece);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    if (CLB->count() > 0)
        CLB->setCurrentRow(0);
}

QString TMemberGroups::checkedText() const {
    QStringList names;
    for (int i = 0; i < CLB->count(); ++i) {
        const QListWidgetItem* item = CLB->item(i);
        if ((item->flags() & Qt::ItemIsUserCheckable) && item->checkState() == Qt::Checked)
            names.append(item->data(NameRole).toString());
    }
    return names.join(delimiter);
}

void TMemberGroups::Button1Click() {
    // Another program may have deleted the row meanwhile.
    if (!w.addressBook.setRecipientGroups(m_recipient, checkedText()))
        throw UserError(
            QStringLiteral("Получатель «%1» не найден в базе данных.").arg(m_recipient));
    accept();
}
