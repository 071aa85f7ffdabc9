#include "MainControls.h"
#include "TestProgram.h"

#include "core/run/OpenAddressBook.h"
#include "ui/addressbook/CheckList.h"
#include "ui/addressbook/GroupNameDialog.h"
#include "ui/addressbook/GroupsWindow.h"
#include "ui/addressbook/MemberGroupsWindow.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/app/RecordsPane.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QToolButton>
#include <algorithm>

namespace {

// Recipients in every shape of groups column the filter meets; group "" is
// there so that an empty piece would match if the filter let it.
const char* groupBook = R"(
insert into `groups` (pname, `check`) values ('Друзья', 0);
insert into `groups` (pname, `check`) values ('Работа', 0);
insert into `groups` (pname, `check`) values ('Соседи', 0);
insert into `groups` (pname, `check`) values ('', 0);
insert into `table` (name, komy, intyda, `groups`) values ('Без групп', 'Б', 1, '');
insert into `table` (name, komy, intyda, `groups`) values ('Друг', 'Д', 1, 'Друзья');
insert into `table` (name, komy, intyda, `groups`) values ('Коллега', 'К', 1, 'Работа');
insert into `table` (name, komy, intyda, `groups`) values ('Оба', 'О', 1, 'Друзья;Работа');
insert into `table` (name, komy, intyda, `groups`) values ('Частичный', 'Ч', 1, 'Друз');
insert into `table` (name, komy, intyda, `groups`) values ('Регистр', 'Р', 1, 'друзья');
insert into `table` (name, komy, intyda, `groups`) values ('Пустые', 'П', 1, ';;');
insert into `table` (name, komy, intyda, `groups`) values ('Хвост', 'Х', 1, 'Соседи;');
insert into table2 (otkogo, otkyda, intyt, `default`) values ('Фирма', 'Самара', 443000, 1);
)";

QStringList sorted(QStringList names) {
    std::sort(names.begin(), names.end());
    return names;
}

struct Book : TestProgram {
    explicit Book(const QString& moreSql = {}) {
        folder.addSettings();
        folder.addPictures();
        folder.addDatabaseFromScript(TestFolder::shippedSchema() + '\n' +
                                     QString::fromUtf8(groupBook) + moreSql);
        start();
        runDeferredStep();
        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts("notice").join('|')));
    }
    MainWindow& f() { return mainWindow(); }
    GroupsWindow& groups() { return *program->windows().groupsWindow; }
    GroupNameDialog& addGroup() { return *program->windows().groupName; }
    QVariant value(const QString& sql) { return folder.value(sql); }
    QString checkedInTable() {
        const QString sql = "select group_concat(pname, '|') from "
                            "(select pname from `groups` where `check` order by id)";
        return value(sql).toString();
    }
    QString column(const QString& recipient) {
        return value("select `groups` from `table` where name='" + recipient + "'").toString();
    }
    QStringList listed() {
        QStringList names;
        for (int i = 0; i < recipientList(f())->count(); ++i)
            names.append(recipientList(f())->text(i));
        return sorted(names);
    }
    void pick(const QString& name) {
        const int row = listedRow(name);
        QVERIFY2(row >= 0, qPrintable(name));
        recipientList(f())->setCurrentRow(row);
        f().records().showSelectedRecords();
    }
    int listedRow(const QString& name) {
        for (int i = 0; i < recipientList(f())->count(); ++i)
            if (recipientList(f())->text(i) == name)
                return i;
        return -1;
    }
};

QStringList lines(const QListWidget& list) {
    QStringList result;
    for (int i = 0; i < list.count(); ++i)
        result.append(list.item(i)->text());
    return result;
}

QStringList ticked(const QListWidget& list) {
    QStringList result;
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->checkState() == Qt::Checked)
            result.append(list.item(i)->text());
    return result;
}

void tick(QListWidget& list, const QString& text, bool on) {
    const auto items = list.findItems(text, Qt::MatchExactly);
    QVERIFY2(items.size() == 1, qPrintable(text));
    items[0]->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

// A window's list of groups, its name field and its buttons.
QListWidget& list(QWidget& window) {
    return *control<QListWidget>(window, "CLB");
}

QLineEdit* edit(QWidget& window) {
    return control<QLineEdit>(window, "Edit1");
}

QPushButton* button(QWidget& window, const char* programName) {
    return control<QPushButton>(window, programName);
}

// A name typed into the group-name window and confirmed.
std::function<void(QDialog&)> typeName(GroupNameDialog& window, const QString& name) {
    return [&window, name](QDialog&) {
        edit(window)->setText(name);
        button(window, "Button1")->click();
    };
}

} // namespace

class GroupsTest : public QObject {
    Q_OBJECT

private slots:
    void filter_data();
    void filter();
    void existingNameInOtherCase();
    void doneStoresTicksAndFilters();
    void closeBoxStoresNoTicks();
    void groupNameWindow();
    void renameAndRemove();
    void membership();
};

void GroupsTest::filter_data() {
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("nothing checked: only those in no group")
        << QStringList{} << QStringList{"Без групп"};
    QTest::newRow("either of two groups; a part or other case is no match")
        << QStringList{"Друзья"} << QStringList{"Без групп", "Друг", "Оба"};
    QTest::newRow("the other of two groups")
        << QStringList{"Работа"} << QStringList{"Без групп", "Коллега", "Оба"};
    QTest::newRow("both") << QStringList{"Друзья", "Работа"}
                          << QStringList{"Без групп", "Друг", "Коллега", "Оба"};
    QTest::newRow("a name before a trailing ;")
        << QStringList{"Соседи"} << QStringList{"Без групп", "Хвост"};
    QTest::newRow("empty pieces never match") << QStringList{""} << QStringList{"Без групп"};
}

void GroupsTest::filter() {
    QFETCH(QStringList, checked);
    QFETCH(QStringList, shown);
    QString marks;
    for (const QString& name : checked)
        marks += "update `groups` set `check`=1 where pname='" + name + "';\n";
    Book b(marks);
    QCOMPARE(b.openAddressBook().groupFilter(), checked);
    QCOMPARE(b.listed(), sorted(shown));

    // The list follows the group filter at its next refill.
    b.openAddressBook().setGroupFilter({"Друзья", "Работа"});
    b.f().refillLists();
    QCOMPARE(b.listed(), sorted({"Без групп", "Друг", "Коллега", "Оба"}));
}

void GroupsTest::existingNameInOtherCase() {
    Book b;
    GroupsWindow& g = b.groups();
    b.messages.onModal([&](QDialog&) {
        QCOMPARE(g.windowTitle(), QStringLiteral("Группы"));
        QCOMPARE(lines(list(g)), QStringList({"Друзья", "Работа", "Соседи", ""}));
        QCOMPARE(list(g).currentRow(), 0);
        // A tick given but not stored yet survives adding another group.
        tick(list(g), "Работа", true);
        button(g, "Button1")->click();
        button(g, "Button1")->click();
        button(g, "Button1")->click();
        QCOMPARE(lines(list(g)), QStringList({"Друзья", "Работа", "Соседи", "", "Дача "}));
        QCOMPARE(ticked(list(g)), QStringList{"Работа"});
        g.close();
    });
    b.messages.onModal(typeName(b.addGroup(), "ДРУЗЬЯ"));
    b.messages.onModal(typeName(b.addGroup(), "Дача "));
    b.messages.onModal(typeName(b.addGroup(), "Дом;Сад"));
    control<QToolButton>(b.f(), "ToolButtonGroups")->click();
    QCOMPARE(b.messages.texts("notice"),
             QStringList({"Такая группа уже есть", "Название группы не может содержать «;»"}));
    QCOMPARE(b.value("select count(*) from `groups`").toInt(), 5);
    const QVariant added = b.value("select coalesce(`check`, 0) from `groups` where pname='Дача '");
    QVERIFY(added.isValid());
    QCOMPARE(added.toInt(), 0);
    QCOMPARE(b.checkedInTable(), QString());
    b.verifyNothingUnexpected();
}

void GroupsTest::doneStoresTicksAndFilters() {
    Book b("update `groups` set `check`=1 where pname='Работа';");
    MainWindow& mainWindow = b.f();
    // Unsaved edits are settled before the window opens.
    control<QPlainTextEdit>(mainWindow, "komy")->setPlainText("правка");
    b.messages.answer(true);
    GroupsWindow& g = b.groups();
    b.messages.onModal([&](QDialog&) {
        QCOMPARE(ticked(list(g)), QStringList{"Работа"});
        tick(list(g), "Работа", false);
        tick(list(g), "Друзья", true);
        tick(list(g), "Соседи", true);
        button(g, "Button5")->click();
        QVERIFY(!g.isVisible());
    });
    control<QAction>(mainWindow, "menuGroups")->trigger();
    QCOMPARE(b.messages.texts("question").size(), 1);
    QCOMPARE(b.value("select komy from `table` where name='Без групп'").toString(),
             QStringLiteral("правка"));
    QCOMPARE(b.checkedInTable(), QStringLiteral("Друзья|Соседи"));
    QCOMPARE(b.openAddressBook().groupFilter(), QStringList({"Друзья", "Соседи"}));
    QCOMPARE(b.listed(), sorted({"Без групп", "Друг", "Оба", "Хвост"}));
    b.verifyNothingUnexpected();
}

void GroupsTest::closeBoxStoresNoTicks() {
    Book b("update `groups` set `check`=1 where pname='Друзья';");
    GroupsWindow& g = b.groups();
    auto untickAndClose = [&](QDialog&) {
        QCOMPARE(ticked(list(g)), QStringList{"Друзья"});
        tick(list(g), "Друзья", false);
        tick(list(g), "Работа", true);
        g.close();
    };
    b.messages.onModal(untickAndClose);
    b.messages.onModal([&](QDialog&) {
        tick(list(g), "Работа", true);
        QTest::keyClick(&list(g), Qt::Key_Escape);
    });
    // Each opening shows the stored ticks again.
    b.messages.onModal(untickAndClose);
    for (int i = 0; i < 3; ++i)
        control<QToolButton>(b.f(), "ToolButtonGroups")->click();
    QCOMPARE(b.checkedInTable(), QStringLiteral("Друзья"));
    QCOMPARE(b.openAddressBook().groupFilter(), QStringList{"Друзья"});
    QCOMPARE(b.listed(), sorted({"Без групп", "Друг", "Оба"}));
    b.verifyNothingUnexpected();
}

void GroupsTest::groupNameWindow() {
    Book b;
    GroupsWindow& g = b.groups();
    GroupNameDialog& a = b.addGroup();
    QCOMPARE(a.windowTitle(), QStringLiteral("Новая группа"));
    QCOMPARE(control<QLabel>(a, "Label1")->text(), QStringLiteral("Укажите название группы"));
    QCOMPARE(control<QLabel>(a, "Label1")->buddy(), edit(a));
    b.messages.onModal([&](QDialog&) {
        for (int i = 0; i < 4; ++i)
            button(g, "Button1")->click();
        g.close();
    });
    b.messages.onModal(typeName(a, "Дача"));
    b.messages.onModal([&](QDialog&) {
        QCOMPARE(a.windowTitle(), QStringLiteral("Добавить"));
        QCOMPARE(button(a, "Button1")->text(), QStringLiteral("Добавить"));
        QCOMPARE(edit(a)->text(), QStringLiteral("Дача"));
        edit(a)->setText("Гости");
        button(a, "Button2")->click();
    });
    b.messages.onModal([&](QDialog&) {
        QCOMPARE(edit(a)->text(), QString());
        edit(a)->setText("Гости");
        QTest::keyClick(edit(a), Qt::Key_Escape);
    });
    // Confirming an empty field does nothing.
    b.messages.onModal([&](QDialog&) {
        QCOMPARE(edit(a)->text(), QString());
        button(a, "Button1")->click();
    });
    control<QToolButton>(b.f(), "ToolButtonGroups")->click();
    QCOMPARE(b.value("select group_concat(pname, '|') from `groups`").toString(),
             QStringLiteral("Друзья|Работа|Соседи||Дача"));
    QVERIFY(b.messages.texts("notice").isEmpty());
    b.verifyNothingUnexpected();
}

void GroupsTest::renameAndRemove() {
    Book b;
    GroupsWindow& g = b.groups();
    GroupNameDialog& a = b.addGroup();
    b.messages.onModal([&](QDialog&) {
        list(g).setCurrentRow(1);
        tick(list(g), "Работа", true);
        button(g, "Button3")->click();
        QCOMPARE(lines(list(g)), QStringList({"Друзья", "Служба", "Соседи", ""}));
        QCOMPARE(ticked(list(g)), QStringList{"Служба"});
        list(g).setCurrentRow(0);
        button(g, "Button2")->click();
        QCOMPARE(lines(list(g)), QStringList({"Служба", "Соседи", ""}));
        button(g, "Button5")->click();
    });
    b.messages.onModal([&](QDialog&) {
        QCOMPARE(a.windowTitle(), QStringLiteral("Изменить"));
        QCOMPARE(button(a, "Button1")->text(), QStringLiteral("Изменить"));
        edit(a)->setText("Служба");
        button(a, "Button1")->click();
    });
    control<QToolButton>(b.f(), "ToolButtonGroups")->click();
    QCOMPARE(b.value("select group_concat(pname, '|') from `groups`").toString(),
             QStringLiteral("Служба|Соседи|"));
    QCOMPARE(b.checkedInTable(), QStringLiteral("Служба"));
    // Recipients keep the names they had.
    QCOMPARE(b.column("Оба"), QStringLiteral("Друзья;Работа"));
    QVERIFY(b.messages.texts("question").isEmpty());
    b.verifyNothingUnexpected();
}

void GroupsTest::membership() {
    Book b("update `table` set `groups`='Друзья;;Старая;Работа' where name='Без групп';\n"
           "update `groups` set `check`=1 where pname='Друзья';");
    MainWindow& mainWindow = b.f();
    auto unknown = [](const QString& name) { return name + " (нет такой группы)"; };

    b.pick("Без групп");
    b.messages.onModal([&](QDialog& d) {
        auto& m = dynamic_cast<MemberGroupsWindow&>(d);
        QCOMPARE(m.windowTitle(), QStringLiteral("Группы получателя"));
        QVERIFY(control<QLabel>(m, "Label1")->text().contains("Без групп"));
        QCOMPARE(lines(list(m)), QStringList({"Друзья", "Работа", "Соседи", unknown("Старая")}));
        QCOMPARE(ticked(list(m)), QStringList({"Друзья", "Работа", unknown("Старая")}));
        tick(list(m), "Работа", false);
        tick(list(m), "Соседи", true);
        button(m, "Button1")->click();
    });
    control<QAction>(mainWindow, "cbMenuGroups")->trigger();
    QCOMPARE(b.column("Без групп"), QStringLiteral("Друзья;Соседи;Старая"));
    QCOMPARE(b.value("select komy from `table` where name='Без групп'").toString(),
             QStringLiteral("Б"));
    // Still a member of a checked group, so still listed and selected.
    QCOMPARE(recipientList(mainWindow)->currentText(), QStringLiteral("Без групп"));

    b.messages.onModal([&](QDialog& d) {
        auto& m = dynamic_cast<MemberGroupsWindow&>(d);
        tick(list(m), unknown("Старая"), false);
        tick(list(m), "Друзья", false);
        button(m, "Button2")->click();
    });
    control<QAction>(mainWindow, "cbMenuGroups")->trigger();
    QCOMPARE(b.column("Без групп"), QStringLiteral("Друзья;Соседи;Старая"));

    b.messages.onModal([&](QDialog& d) {
        auto& m = dynamic_cast<MemberGroupsWindow&>(d);
        tick(list(m), unknown("Старая"), false);
        tick(list(m), "Друзья", false);
        button(m, "Button1")->click();
    });
    control<QAction>(mainWindow, "cbMenuGroups")->trigger();
    QCOMPARE(b.column("Без групп"), QStringLiteral("Соседи"));
    // No checked group names the recipient any more.
    QVERIFY(!b.listed().contains("Без групп"));

    // Nothing is asked or shown without a selected recipient.
    recipientList(mainWindow)->setCurrentRow(-1);
    control<QAction>(mainWindow, "cbMenuGroups")->trigger();
    QCOMPARE(b.messages.texts("modal").size(), 3);
    b.verifyNothingUnexpected();
}

QTEST_MAIN(GroupsTest)
#include "tst_groups.moc"
