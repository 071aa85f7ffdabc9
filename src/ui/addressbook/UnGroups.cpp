#include "ui/addressbook/UnGroups.h"
#include "ui/controls/DialogParts.h"

#include "ui/addressbook/GroupNameDialog.h"
#include "ui/common/MainWindow.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString pname = QStringLiteral("pname");
const QString check = QStringLiteral("check");

} // namespace

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
    TableCursor& groups = *w.frm->groups;
    for (groups.first(); !groups.eof(); groups.next()) {
        const QString name = groups.text(pname);
        auto* item = new QListWidgetItem(name, CLB);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(keep.value(name, groups.flag(check) ? Qt::Checked : Qt::Unchecked));
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

bool TGroups::locateLine(int line) {
    // The lines follow the table order one to one, so the row at the line's place
    // is its group, also when another group's name differs from it only in case.
    TableCursor& groups = *w.frm->groups;
    const QString name = CLB->item(line)->text();
    groups.first();
    for (int i = 0; i < line && !groups.eof(); ++i)
        groups.next();
    if (!groups.eof() && groups.text(pname) == name)
        return true;
    return groups.locate(name);
}

QString TGroups::askName(const QString& action) {
    GroupNameDialog& window = *w.groupName;
    window.setAction(action);
    if (w.messages.showModal(window) != QDialog::Accepted)
        return {};
    return window.name();
}

bool TGroups::acceptable(const QString& name) {
    if (w.frm->groups->locate(name)) {
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
    w.frm->groups->insert({{pname, name}});
    refill(keep);
}

void TGroups::Button2Click() {
    const int line = CLB->currentRow();
    if (line < 0)
        return;
    Ticks keep = ticks();
    keep.remove(CLB->item(line)->text());
    if (locateLine(line))
        w.frm->groups->remove();
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
    if (locateLine(line) && !w.frm->groups->update({{pname, name}})) {
        // Another program removed the group meanwhile: show the table as it is now.
        w.frm->groups->refresh();
        keep.remove(name);
    }
    refill(keep);
}

void TGroups::Button5Click() {
    TableCursor& groups = *w.frm->groups;
    QStringList checked;
    try {
        AddressDb::Transaction transaction(w.frm->db);
        for (int i = 0; i < CLB->count(); ++i) {
            const bool ticked = CLB->item(i)->checkState() == Qt::Checked;
            if (locateLine(i))
                groups.update({{check, ticked ? 1 : 0}});
            if (ticked)
                checked.append(CLB->item(i)->text());
        }
        transaction.commit();
    } catch (...) {
        // The rows already written were rolled back; the cursor must forget them too.
        groups.refresh();
        throw;
    }
    w.frm->checkedgroups = checked;
    accept();
    w.frm->loadlists();
}
