#include "ui/addressbook/UnGroups.h"
#include "ui/controls/DialogParts.h"

#include "core/addressbook/OpenAddressBook.h"
#include "ui/addressbook/UnAddG.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TGroups::TGroups(Windows& windows) : QDialog(windows.frm), w(windows) {
    setWindowTitle(QStringLiteral("Группы"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    auto* layout = new QHBoxLayout(this);
    CLB = new QListWidget(this);
    CLB->setAccessibleName(QStringLiteral("Список групп"));
    setProgramName(CLB, QStringLiteral("CLB"));
    layout->addWidget(CLB, 1);
    auto* buttons = new QVBoxLayout;
    layout->addLayout(buttons);
    auto button = [&](const char* text, const char* programName) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setAccessibleName(b->text());
        setProgramName(b, QString::fromLatin1(programName));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    Button1 = button("Добавить", "Button1");
    Button2 = button("Удалить", "Button2");
    Button3 = button("Изменить", "Button3");
    Button4 = button("ВСЕ", "Button4");
    buttons->addStretch(1);
    Button5 = button("Готово", "Button5");
    Button5->setDefault(true);
    setFixedSize(283, 251);

    auto on = [this](QPushButton* b, void (TGroups::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { guarded(w.messages, [&] { (this->*handler)(); }); });
    };
    on(Button1, &TGroups::Button1Click);
    on(Button2, &TGroups::Button2Click);
    on(Button3, &TGroups::Button3Click);
    on(Button5, &TGroups::Button5Click);
}

void TGroups::showEvent(QShowEvent* event) {
    guarded(w.messages, [this] { refill(); });
    CLB->setFocus();
    QDialog::showEvent(event);
}

void TGroups::refill(const Ticks& keep) {
    CLB->clear();
    for (const GroupRecord& group : w.addressBook.groups()) {
        auto* item = new QListWidgetItem(group.name, CLB);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(keep.value(group.name, group.checked ? Qt::Checked : Qt::Unchecked));
    }
    if (CLB->count() > 0)
        CLB->setCurrentRow(0);
}

TGroups::Ticks TGroups::ticks() const {
    Ticks result;
    for (int i = 0; i < CLB->count(); ++i)
        result.insert(CLB->item(i)->text(), CLB->item(i)->checkState());
    return result;
}

QString TGroups::askName(const QString& action) {
    TAddGroup& window = *w.AddGroup;
    window.setAction(action);
    if (w.messages.showModal(window) != QDialog::Accepted)
        return {};
    return window.name();
}

bool TGroups::acceptable(const QString& name) {
    if (w.addressBook.groupExists(name)) {
        w.messages.notice(QStringLiteral("Такая группа уже есть"));
        return false;
    }
    // A recipient's groups column separates names by ";", so such a name could
    // never make a recipient a member.
    if (name.contains(QLatin1Char(';'))) {
        w.messages.notice(QStringLiteral("Название группы не может содержать «;»"));
        return false;
    }
    return true;
}

void TGroups::Button1Click() {
    const QString name = askName(QStringLiteral("Добавить"));
    if (name.isEmpty() || !acceptable(name))
        return;
    const Ticks keep = ticks();
    w.addressBook.addGroup(name);
    refill(keep);
}

void TGroups::Button2Click() {
    const int line = CLB->currentRow();
    if (line < 0)
        return;
    Ticks keep = ticks();
    keep.remove(CLB->item(line)->text());
    w.addressBook.removeGroup(line, CLB->item(line)->text());
    refill(keep);
}

void TGroups::Button3Click() {
    const int line = CLB->currentRow();
    if (line < 0)
        return;
    const QString old = CLB->item(line)->text();
    const QString name = askName(QStringLiteral("Изменить"));
    if (name.isEmpty() || !acceptable(name))
        return;
    Ticks keep = ticks();
    keep.insert(name, keep.take(old));
    // Another program may have removed the group meanwhile: the list shows the table as it
    // is now.
    if (!w.addressBook.renameGroup(line, old, name))
        keep.remove(name);
    refill(keep);
}

void TGroups::Button5Click() {
    std::vector<std::pair<QString, bool>> lines;
    for (int i = 0; i < CLB->count(); ++i)
        lines.emplace_back(CLB->item(i)->text(), CLB->item(i)->checkState() == Qt::Checked);
    w.addressBook.storeGroupTicks(lines);
    accept();
    w.frm->loadlists();
}
