#include "ui/addressbook/GroupsWindow.h"
#include "ui/controls/DialogParts.h"

#include "core/run/OpenAddressBook.h"
#include "ui/addressbook/GroupNameDialog.h"
#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

GroupsWindow::GroupsWindow(Windows& windows) : QDialog(windows.mainWindow), w(windows) {
    setWindowTitle(QStringLiteral("Группы"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    auto* layout = new QHBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setAccessibleName(QStringLiteral("Список групп"));
    setProgramName(m_list, QString::fromLatin1(ControlNames::Book::groupList));
    layout->addWidget(m_list, 1);
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
    m_add = button("Добавить", ControlNames::Book::addGroup);
    m_remove = button("Удалить", ControlNames::Book::removeGroup);
    m_rename = button("Изменить", ControlNames::Book::renameGroup);
    m_all = button("ВСЕ", ControlNames::Book::allGroups);
    buttons->addStretch(1);
    m_done = button("Готово", ControlNames::Book::groupsDone);
    m_done->setDefault(true);
    setFixedSize(283, 251);

    auto on = [this](QPushButton* b, void (GroupsWindow::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { guarded(w.messages, [&] { (this->*handler)(); }); });
    };
    on(m_add, &GroupsWindow::addGroup);
    on(m_remove, &GroupsWindow::removeGroup);
    on(m_rename, &GroupsWindow::renameGroup);
    on(m_done, &GroupsWindow::storeTicksAndClose);
}

void GroupsWindow::showEvent(QShowEvent* event) {
    guarded(w.messages, [this] { refill(); });
    m_list->setFocus();
    QDialog::showEvent(event);
}

void GroupsWindow::refill(const Ticks& keep) {
    m_list->clear();
    for (const GroupRecord& group : w.addressBook.groups()) {
        auto* item = new QListWidgetItem(group.name, m_list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(keep.value(group.name, group.checked ? Qt::Checked : Qt::Unchecked));
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

GroupsWindow::Ticks GroupsWindow::ticks() const {
    Ticks result;
    for (int i = 0; i < m_list->count(); ++i)
        result.insert(m_list->item(i)->text(), m_list->item(i)->checkState());
    return result;
}

QString GroupsWindow::askName(const QString& action) {
    GroupNameDialog& window = *w.groupName;
    window.setAction(action);
    if (w.messages.showModal(window) != QDialog::Accepted)
        return {};
    return window.name();
}

bool GroupsWindow::acceptable(const QString& name) {
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

void GroupsWindow::addGroup() {
    const QString name = askName(QStringLiteral("Добавить"));
    if (name.isEmpty() || !acceptable(name))
        return;
    const Ticks keep = ticks();
    w.addressBook.addGroup(name);
    refill(keep);
}

void GroupsWindow::removeGroup() {
    const int line = m_list->currentRow();
    if (line < 0)
        return;
    Ticks keep = ticks();
    keep.remove(m_list->item(line)->text());
    w.addressBook.removeGroup(line, m_list->item(line)->text());
    refill(keep);
}

void GroupsWindow::renameGroup() {
    const int line = m_list->currentRow();
    if (line < 0)
        return;
    const QString old = m_list->item(line)->text();
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

void GroupsWindow::storeTicksAndClose() {
    std::vector<std::pair<QString, bool>> lines;
    for (int i = 0; i < m_list->count(); ++i)
        lines.emplace_back(m_list->item(i)->text(), m_list->item(i)->checkState() == Qt::Checked);
    w.addressBook.storeGroupTicks(lines);
    accept();
    w.mainWindow->refillLists();
}
