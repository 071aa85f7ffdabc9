#include "ForeignLock.h"
#include "MainControls.h"
#include "TestProgram.h"
#include "Tools.h"

#include "core/profiles/IniFile.h"
#include "core/run/AddressBook.h"
#include "core/run/OpenAddressBook.h"
#include "ui/addressbook/AboutWindow.h"
#include "ui/addressbook/CheckList.h"
#include "ui/addressbook/NewRecordDialog.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/app/RecordsPane.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <optional>

namespace {

// Recipients and senders for the address-book tests; multi-line texts keep CR LF.
const QString addressBook =
    rowsSql({{"Абрамов", "Абрамову А.А.", "Москва\r\nул. Лесная, 1", 101000, false, "Конверт DL"},
             {"Борисова", "Борисовой Б.Б.", "Тверь", 170000, true, "Конверт C6"},
             {"Власов", "Власову В.В.", "Казань", 420000, false, ""},
             {"Громова Анна", "Громовой А.", "Омск", 644000, false, "Конверт DL"}},
            {{"Фирма «Альфа»", "Самара", 443000, true}, {"Бюро «Бета»", "Уфа", 450000, false}});

QStringList lines(const CheckList& list) {
    QStringList result;
    for (int i = 0; i < list.count(); ++i)
        result.append(list.text(i));
    return result;
}

// The address book of the program under test, started and ready.
struct Book : TestProgram {
    explicit Book(const QString& moreSql = addressBook) {
        folder.addSettings();
        folder.addPictures();
        folder.addDatabaseFromScript(TestFolder::shippedSchema() + '\n' + moreSql);
        start();
        runDeferredStep();
        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts("notice").join('|')));
    }
    QString db() { return folder.file(QStringLiteral("Convert.mdb")); }
    QVariant value(const QString& sql) { return folder.value(sql); }
    int row(const QString& name) { return lines(*recipientList(frm())).indexOf(name); }
    // Selects a recipient line as a click on it does.
    void pick(const QString& name) {
        const int r = row(name);
        QVERIFY2(r >= 0, qPrintable(name));
        recipientList(frm())->setCurrentRow(r);
        emit recipientList(frm())->userSelected(r);
    }
    void tick(const QString& name, bool on) {
        CheckListModel& model = recipientList(frm())->lines();
        model.setData(model.index(row(name)), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    }
    void toSenders() { control<QTabWidget>(frm(), "PageControl1")->setCurrentIndex(1); }
    // Selects a sender line as a click on it does.
    void pickSender(const QString& name) {
        const QList<QListWidgetItem*> found = senderList(frm())->findItems(name, Qt::MatchExactly);
        QVERIFY2(found.size() == 1, qPrintable(name));
        const int r = senderList(frm())->row(found[0]);
        senderList(frm())->setCurrentRow(r);
        emit senderList(frm())->userSelected(r);
    }
    QStringList senderLines() {
        QStringList result;
        for (int i = 0; i < senderList(frm())->count(); ++i)
            result.append(senderList(frm())->item(i)->text());
        return result;
    }
    QStringList stored(const QString& sql) {
        QStringList result;
        for (const QVariant& v : folder.column(sql))
            result.append(v.toString());
        return result;
    }
};

} // namespace

class RecordsTest : public QObject {
    Q_OBJECT

private slots:
    void listsAreSortedTheRussianWay();
    void editorsShowWhatAnEnvelopePrints_data();
    void editorsShowWhatAnEnvelopePrints();
    void unsavedChangesCheck();
    void saveValidation_data();
    void saveValidation();
    void saveRenamesAndTrims();
    void senderSave();
    void anotherWorkstationsChange_data();
    void anotherWorkstationsChange();
    void deletedByAnotherWorkstation();
    void addRecords();
    void deleteRecords();
    void deleteFailureIsReported();
    void deleteSender_data();
    void deleteSender();
    void failedStore_data();
    void failedStore();
    void indexKeyFilter_data();
    void indexKeyFilter();
    void ticks();
    void search_data();
    void search();
    void emptySearchToggles();
    void newRecordWindow();
    void realClicks();
    void aboutWindowAndProfileChoice();
};

void RecordsTest::listsAreSortedTheRussianWay() {
    Book b(addressBook + "insert into `table` (name, galka) values ('ёлкин', 0);\n"
                         "insert into `table` (name, galka) values ('Ежов', 0);\n"
                         "insert into `table` (name, galka) values ('абрамов', 0);\n"
                         "insert into `table` (name, galka) values ('Жуков', 0);\n"
                         "insert into `table` (name, galka) values ('Zed', 0);");
    const QStringList shown = lines(*recipientList(b.frm()));
    QVERIFY(shown.indexOf("Ежов") < shown.indexOf("ёлкин"));
    QVERIFY(shown.indexOf("ёлкин") < shown.indexOf("Жуков"));
    QCOMPARE(qAbs(shown.indexOf("абрамов") - shown.indexOf("Абрамов")), 1);
    QCOMPARE(recipientList(b.frm())->currentRow(), 0);
    QCOMPARE(nameField(b.frm())->text(), shown[0]);
}

void RecordsTest::editorsShowWhatAnEnvelopePrints_data() {
    addStoredTextRows();
}

// The editors hold what an envelope prints for the records they show, so the window prints
// what the command line prints for the same records.
void RecordsTest::editorsShowWhatAnEnvelopePrints() {
    QFETCH(QString, stored);
    QFETCH(QString, printed);
    // Абрамов is the first line, shown at start with the default sender.
    Book b(addressBook + "update `table` set kyda='" + stored + "' where name='Абрамов';\n" +
           "update table2 set otkyda='" + stored + "' where `default`=1;\n");
    QCOMPARE(nameField(b.frm())->text(), QStringLiteral("Абрамов"));
    const AddressTexts shown = b.frm().addressTexts();
    QCOMPARE(shown.kyda, printed);
    QCOMPARE(shown.otkyda, printed);

    AddressDb db(QStringLiteral("printed"));
    db.open(b.db(), {}, AddressDb::Access::ReadOnly);
    const AddressBook book(db);
    const AddressTexts cli = book.textsFor(*book.recipient(QStringLiteral("Абрамов")));
    QCOMPARE(cli.kyda, shown.kyda);
    QCOMPARE(cli.otkyda, shown.otkyda);
}

void RecordsTest::unsavedChangesCheck() {
    Book b;
    MainWindow& frm = b.frm();
    b.pick("Абрамов");
    // A changed tick alone is no change.
    b.tick("Абрамов", true);
    control<QToolButton>(frm, "ToolButton2")->click();
    QVERIFY(b.messages.texts("question").isEmpty());

    control<QPlainTextEdit>(frm, "komy")->setPlainText("Абрамову\nлично");
    b.messages.answer(true);
    b.pick("Власов");
    QVERIFY(!b.messages.shown.isEmpty());
    QCOMPARE(b.messages.shown.last().title, QStringLiteral("Внимание"));
    QCOMPARE(b.messages.shown.last().text,
             QStringLiteral("Данные были изменены, сохранить изменения?"));
    QCOMPARE(b.value("select komy from `table` where name='Абрамов'").toString(),
             QStringLiteral("Абрамову\r\nлично"));
    QCOMPARE(b.value("select komy from `table` where name='Власов'").toString(),
             QStringLiteral("Власову В.В."));
    QCOMPARE(nameField(frm)->text(), QStringLiteral("Власов"));
    QCOMPARE(recipientList(frm)->currentText(), QStringLiteral("Власов"));

    control<QPlainTextEdit>(frm, "kyda")->setPlainText("Куда-то ещё");
    b.messages.answer(false);
    b.pick("Абрамов");
    QCOMPARE(b.value("select kyda from `table` where name='Власов'").toString(),
             QStringLiteral("Казань"));
    QCOMPARE(nameField(frm)->text(), QStringLiteral("Абрамов"));
    QCOMPARE(control<QPlainTextEdit>(frm, "kyda")->toPlainText(),
             QStringLiteral("Москва\nул. Лесная, 1"));

    // A changed profile choice is a change.
    recipientProfile(frm)->setCurrentIndex(recipientProfile(frm)->findText("Конверт C5"));
    b.messages.answer(true);
    control<QToolButton>(frm, "ToolButton2")->click();
    QCOMPARE(b.value("select profile from `table` where name='Абрамов'").toString(),
             QStringLiteral("Конверт C5"));
    b.verifyNothingUnexpected();
}

void RecordsTest::saveValidation_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("message");
    const QString missing = QStringLiteral(
        "Нельзя сохранить заголовок письма, т.к. не указано имя или индекс получателя.");
    QTest::newRow("no name") << ""
                             << "101000" << missing;
    QTest::newRow("no index") << "Абрамов"
                              << "" << missing;
    QTest::newRow("another's name, other case") << "БОРИСОВА"
                                                << "101000"
                                                << "Такое название уже существует.";
    QTest::newRow("another's name after trimming") << "  Борисова "
                                                   << "101000"
                                                   << "Такое название уже существует.";
    QTest::newRow("a lone minus") << "Абрамов"
                                  << "-"
                                  << "«-» не является целым числом.";
    QTest::newRow("beyond a whole number") << "Абрамов"
                                           << "99999999999"
                                           << "«99999999999» не является целым числом.";
}

void RecordsTest::saveValidation() {
    QFETCH(QString, name);
    QFETCH(QString, index);
    QFETCH(QString, message);
    Book b;
    MainWindow& frm = b.frm();
    b.pick("Абрамов");
    nameField(frm)->setText(name);
    control<QLineEdit>(frm, "intyda")->setText(index);
    control<QPlainTextEdit>(frm, "komy")->setPlainText("изменено");
    b.messages.answer(true);
    control<QToolButton>(frm, "ToolButton2")->click();
    QCOMPARE(b.messages.texts("notice"), QStringList{message});
    QCOMPARE(b.value("select count(*) from `table` where komy='изменено'").toInt(), 0);
    QCOMPARE(b.value("select intyda from `table` where name='Абрамов'").toInt(), 101000);
    b.verifyNothingUnexpected();
}

void RecordsTest::saveRenamesAndTrims() {
    Book b;
    MainWindow& frm = b.frm();
    b.pick("Власов");
    b.tick("Власов", true);
    nameField(frm)->setText("ВЛАСОВ");
    b.messages.answer(true);
    control<QToolButton>(frm, "ToolButton2")->click();
    QVERIFY(b.messages.texts("notice").isEmpty());
    QCOMPARE(b.value("select count(*) from `table` where name='ВЛАСОВ' and galka=1").toInt(), 1);
    QCOMPARE(recipientList(frm)->currentText(), QStringLiteral("ВЛАСОВ"));
    QVERIFY(recipientList(frm)->isChecked(recipientList(frm)->currentRow()));

    nameField(frm)->setText("  Яковлев Пётр  ");
    b.messages.answer(true);
    control<QToolButton>(frm, "ToolButton2")->click();
    QCOMPARE(b.value("select count(*) from `table` where name='Яковлев Пётр'").toInt(), 1);
    QCOMPARE(recipientList(frm)->currentText(), QStringLiteral("Яковлев Пётр"));
    QCOMPARE(recipientList(frm)->currentRow(), recipientList(frm)->count() - 1);
    QCOMPARE(nameField(frm)->text(), QStringLiteral("Яковлев Пётр"));
    b.verifyNothingUnexpected();
}

void RecordsTest::anotherWorkstationsChange_data() {
    QTest::addColumn<bool>("senders");
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("recipient, overwritten") << false << true;
    QTest::newRow("recipient, theirs kept") << false << false;
    QTest::newRow("sender, overwritten") << true << true;
    QTest::newRow("sender, theirs kept") << true << false;
}

// A record another workstation saved since the editors showed it is not overwritten
// without asking; kept, theirs is shown.
void RecordsTest::anotherWorkstationsChange() {
    QFETCH(bool, senders);
    QFETCH(bool, overwrite);
    Book b;
    MainWindow& frm = b.frm();
    const char* editor = senders ? "otkyda" : "kyda";
    const QString column = senders ? "otkyda" : "kyda";
    const QString table = senders ? "table2" : "`table`";
    if (senders)
        b.toSenders();
    else
        b.pick("Власов");
    const QString where = senders ? "otkogo = 'Фирма «Альфа»'" : "name = 'Власов'";
    b.folder.execute(
        QStringLiteral("update %1 set %2 = 'их адрес' where %3").arg(table, column, where));
    control<QPlainTextEdit>(frm, editor)->setPlainText("мой адрес");
    b.messages.answer(true);
    b.messages.answer(overwrite);
    control<QToolButton>(frm, "ToolButton2")->click();
    QCOMPARE(b.messages.texts("question").value(1),
             "Запись изменена другим пользователем. Перезаписать?");
    const QString kept = overwrite ? "мой адрес" : "их адрес";
    QCOMPARE(
        b.value(QStringLiteral("select %1 from %2 where %3").arg(column, table, where)).toString(),
        kept);
    QCOMPARE(control<QPlainTextEdit>(frm, editor)->toPlainText(), kept);
    b.verifyNothingUnexpected();
}

// A record another workstation deleted meanwhile: the line goes, and the user is told.
void RecordsTest::deletedByAnotherWorkstation() {
    Book b;
    MainWindow& frm = b.frm();
    // No line ticked: the selected one is deleted.
    recipientList(frm)->lines().setAllChecked(false);
    b.pick("Власов");
    const int lines = recipientList(frm)->count();
    b.folder.execute("delete from `table` where name = 'Власов'");
    b.messages.answer(true);
    control<QToolButton>(frm, "ToolButton4")->click();
    QCOMPARE(b.messages.texts("notice"),
             QStringList{"Запись «Власов» уже удалена другим пользователем."});
    QCOMPARE(recipientList(frm)->count(), lines - 1);
    QCOMPARE(b.row("Власов"), -1);
    b.verifyNothingUnexpected();
}

void RecordsTest::senderSave() {
    Book b;
    MainWindow& frm = b.frm();
    b.toSenders();
    QVERIFY(control<QPlainTextEdit>(frm, "otkogo")->isEnabled());
    QVERIFY(!control<QPlainTextEdit>(frm, "komy")->isEnabled());
    QCOMPARE(control<QPlainTextEdit>(frm, "otkogo")->toPlainText(),
             QStringLiteral("Фирма «Альфа»"));
    control<QPlainTextEdit>(frm, "otkogo")->setPlainText(" Фирма «Альфа»\nотдел кадров");
    control<QLineEdit>(frm, "intyt")->setText("");
    b.messages.answer(true);
    control<QToolButton>(frm, "ToolButton2")->click();
    QCOMPARE(b.messages.texts("notice"),
             QStringList{"Нельзя сохранить заголовок письма, т.к. не указано имя или индекс "
                         "отправителя."});
    // The failed save reloads nothing: the edits stay for the user to mend.
    control<QLineEdit>(frm, "intyt")->setText("443001");
    b.messages.answer(true);
    control<QToolButton>(frm, "ToolButton2")->click();
    QCOMPARE(b.value("select otkogo from table2 where intyt=443001").toString(),
             QStringLiteral(" Фирма «Альфа»\r\nотдел кадров"));
    QCOMPARE(senderList(frm)->currentItem()->text(),
             QStringLiteral(" Фирма «Альфа»\r\nотдел кадров"));
    b.verifyNothingUnexpected();
}

void RecordsTest::addRecords() {
    Book b;
    MainWindow& frm = b.frm();
    auto typeName = [](const QString& name) {
        return [name](QDialog& d) {
            QVERIFY(qobject_cast<NewRecordDialog*>(&d));
            control<QLineEdit>(d, "Edit1")->setText(name);
            control<QPushButton>(d, "Button2")->click();
        };
    };
    b.messages.onModal(typeName("  борисова  "));
    control<QAction>(frm, "cbMenuAdd")->trigger();
    QCOMPARE(b.messages.texts("error"), QStringList{"Такое название уже существует."});
    QCOMPARE(b.value("select count(*) from `table`").toInt(), 4);

    b.messages.onModal(typeName("Дмитриев"));
    control<QToolButton>(frm, "ToolButton3")->click();
    QCOMPARE(recipientList(frm)->currentText(), QStringLiteral("Дмитриев"));
    QCOMPARE(b.value("select profile || '|' || intyda || '|' || galka from `table`"
                     " where name='Дмитриев'")
                 .toString(),
             recipientProfile(frm)->itemText(0) + "|0|0");

    b.toSenders();
    b.messages.onModal([](QDialog& d) {
        QCOMPARE(control<QLabel>(d, "Label1")->text(), QStringLiteral("Название отправителя"));
        control<QLineEdit>(d, "Edit1")->setText("Контора «Гамма»");
        control<QPushButton>(d, "Button2")->click();
    });
    control<QToolButton>(frm, "ToolButton3")->click();
    QCOMPARE(b.value("select group_concat(otkogo) from table2 where `default`=1").toString(),
             QStringLiteral("Контора «Гамма»"));
    b.verifyNothingUnexpected();

    // The new default sender is selected at the next start.
    b.program.reset();
    TestProgram again;
    again.folder.addSettings();
    again.folder.addPictures();
    QFile::remove(again.folder.file("Convert.mdb"));
    QVERIFY(QFile::copy(b.db(), again.folder.file("Convert.mdb")));
    again.start();
    QCOMPARE(senderList(again.frm())->currentItem()->text(), QStringLiteral("Контора «Гамма»"));
}

void RecordsTest::deleteRecords() {
    Book b;
    MainWindow& frm = b.frm();
    b.pick("Борисова");
    b.tick("Абрамов", true); // Борисова is ticked already: two adjacent lines
    b.messages.answer(false);
    control<QToolButton>(frm, "ToolButton4")->click();
    QCOMPARE(b.value("select count(*) from `table`").toInt(), 4);

    b.messages.answer(true);
    control<QToolButton>(frm, "ToolButton4")->click();
    QVERIFY(!b.messages.shown.isEmpty());
    QCOMPARE(b.messages.shown.last().text, QStringLiteral("Все отмеченные записи будут удалены"));
    QCOMPARE(b.messages.shown.last().title, QStringLiteral("Подтвердите"));
    QCOMPARE(lines(*recipientList(frm)), (QStringList{"Власов", "Громова Анна"}));
    QCOMPARE(b.value("select group_concat(name) from `table`").toString(),
             QStringLiteral("Власов,Громова Анна"));
    QCOMPARE(recipientList(frm)->currentText(), QStringLiteral("Громова Анна"));

    // Nothing ticked: the selected one goes.
    b.pick("Власов");
    b.messages.answer(true);
    control<QAction>(frm, "cbMenuDelete")->trigger();
    QCOMPARE(lines(*recipientList(frm)), QStringList{"Громова Анна"});
    QCOMPARE(b.value("select group_concat(name) from `table`").toString(),
             QStringLiteral("Громова Анна"));
    b.verifyNothingUnexpected();
}

void RecordsTest::deleteFailureIsReported() {
    Book b;
    MainWindow& frm = b.frm();
    b.tick("Власов", true);
    // Another program makes the table refuse deletions.
    b.folder.execute("create trigger keep before delete on `table` begin "
                     "select raise(abort, 'удаление запрещено'); end");
    b.messages.answer(true);
    control<QToolButton>(frm, "ToolButton4")->click();
    const QStringList errors = b.messages.texts("error");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains("удаление запрещено"), qPrintable(errors[0]));
    QCOMPARE(b.value("select count(*) from `table`").toInt(), 4);
    QVERIFY(lines(*recipientList(frm)).contains("Власов"));
}

void RecordsTest::deleteSender_data() {
    QTest::addColumn<QStringList>("senders"); // in table order, the first is the default
    QTest::addColumn<QString>("deleted");
    QTest::addColumn<QString>("selected");
    const QStringList three{"Фирма «Альфа»", "Бюро «Бета»", "Контора «Гамма»"};
    QTest::newRow("a middle line: the line that moves into its place") << three << "Бюро «Бета»"
                                                                       << "Контора «Гамма»";
    QTest::newRow("the last line: the new last line") << three << "Контора «Гамма»"
                                                      << "Бюро «Бета»";
    QTest::newRow("the only line: none")
        << QStringList{"Фирма «Альфа»"} << "Фирма «Альфа»" << QString();
}

void RecordsTest::deleteSender() {
    QFETCH(QStringList, senders);
    QFETCH(QString, deleted);
    QFETCH(QString, selected);
    QString sql = addressBook + "delete from table2;\n";
    for (int i = 0; i < senders.size(); ++i)
        sql += QStringLiteral("insert into table2 (otkogo, otkyda, intyt, `default`) values "
                              "('%1', 'Адрес %2', 10000%2, %3);\n")
                   .arg(senders[i])
                   .arg(i)
                   .arg(i == 0 ? 1 : 0);
    Book b(sql);
    MainWindow& frm = b.frm();
    b.toSenders();
    b.pickSender(deleted);
    b.messages.answer(true);
    control<QToolButton>(frm, "ToolButton4")->click();

    QStringList left = senders;
    left.removeOne(deleted);
    QCOMPARE(b.stored("select otkogo from table2 order by id"), left);
    QCOMPARE(b.senderLines(), left);
    QCOMPARE(senderList(frm)->currentItem() ? senderList(frm)->currentItem()->text() : QString(),
             selected);
    QCOMPARE(control<QPlainTextEdit>(frm, "otkogo")->toPlainText(), selected);
    b.verifyNothingUnexpected();
}

void RecordsTest::failedStore_data() {
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("message"); // %1 is the database file's full path
    const QString locked = QStringLiteral("Файл базы данных «%1» занят другой программой "
                                          "(database is locked). Попробуйте ещё раз чуть позже.");
    // Another program holds the file longer than the program waits.
    QTest::newRow("ticking a line") << "tick" << locked;
    QTest::newRow("Отметить всё") << "check all" << locked;
    QTest::newRow("saving a record") << "save" << locked;
    QTest::newRow("the default sender mark") << "default sender" << locked;
    QTest::newRow("the ticks stored at closing") << "close" << locked;
    // The file refuses the second of the two writes that move the mark.
    QTest::newRow("the default sender mark, refused halfway")
        << "default sender refused" << QStringLiteral("Ошибка базы данных «%1» (отказано).");
}

// The store fails with a message, and the window shows what the file holds.
void RecordsTest::failedStore() {
    QFETCH(QString, store);
    QFETCH(QString, message);
    Book b;
    MainWindow& frm = b.frm();
    b.openAddressBook().setBusyTimeout(200);
    const auto tickedLines = [&frm] {
        QStringList ticked;
        for (int i = 0; i < recipientList(frm)->count(); ++i)
            if (recipientList(frm)->isChecked(i))
                ticked.append(recipientList(frm)->text(i));
        return ticked;
    };
    const QString tickedRows = "select name from `table` where galka=1 order by name";
    if (store == "save") {
        b.pick("Абрамов");
        nameField(frm)->setText("Абрамов-Петров");
        control<QPlainTextEdit>(frm, "komy")->setPlainText("Абрамову лично");
        b.messages.answer(true);
    } else if (store.startsWith("default sender")) {
        b.toSenders();
    } else if (store == "close") {
        // The list shows a tick that another program has taken away meanwhile.
        b.folder.execute("update `table` set galka=0 where name='Борисова'");
    }
    std::optional<ForeignLock> lock;
    if (store == "default sender refused") {
        b.folder.execute("create trigger refuse before update of `default` on table2"
                         " when new.`default` = 1 begin select raise(abort, 'отказано'); end");
    } else {
        lock.emplace(b.db(), ForeignLock::Kind::Write);
        QVERIFY2(lock->held(), qPrintable(lock->error()));
    }

    if (store == "tick") {
        b.tick("Власов", true);
    } else if (store == "check all") {
        control<QToolButton>(frm, "ToolButton6")->click();
    } else if (store == "save") {
        control<QToolButton>(frm, "ToolButton2")->click();
    } else if (store.startsWith("default sender")) {
        b.pickSender("Бюро «Бета»");
    } else {
        frm.show();
        QVERIFY(frm.close());
    }
    // A failed save and the close step report through a plain notice, the rest as errors.
    const bool notice = store == "save" || store == "close";
    QCOMPARE(b.messages.texts(notice ? "notice" : "error"), QStringList{message.arg(b.db())});
    QCOMPARE(b.stored(tickedRows), store == "close" ? QStringList() : QStringList{"Борисова"});
    QCOMPARE(tickedLines(), b.stored(tickedRows));
    lock.reset();

    if (store == "save") {
        QVERIFY(lines(*recipientList(frm)).contains("Абрамов"));
        QCOMPARE(b.stored("select komy from `table` where name='Абрамов'"),
                 QStringList{"Абрамову А.А."});
        // The edits stay in the fields, so the user can try again once the file is free.
        b.messages.answer(true);
        control<QToolButton>(frm, "ToolButton2")->click();
        QCOMPARE(b.stored("select komy from `table` where name='Абрамов-Петров'"),
                 QStringList{"Абрамову лично"});
        QCOMPARE(recipientList(frm)->currentText(), QStringLiteral("Абрамов-Петров"));
    } else if (store.startsWith("default sender")) {
        QCOMPARE(b.stored("select otkogo from table2 where `default`=1"),
                 QStringList{"Фирма «Альфа»"});
        // A refilled list selects the default sender the file holds.
        frm.refillLists();
        QCOMPARE(senderList(frm)->currentItem() ? senderList(frm)->currentItem()->text()
                                                : QString(),
                 QStringLiteral("Фирма «Альфа»"));
    }
    b.verifyNothingUnexpected();
}

void RecordsTest::indexKeyFilter_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::newRow("letters refused") << "12ab3"
                                     << "123";
    QTest::newRow("minus only first") << "-12-3"
                                      << "-123";
    QTest::newRow("seventh digit refused") << "1234567"
                                           << "123456";
    QTest::newRow("blanks and punctuation refused") << "1 2.3"
                                                    << "123";
}

void RecordsTest::indexKeyFilter() {
    QFETCH(QString, typed);
    QFETCH(QString, result);
    Book b;
    QLineEdit* intyda = control<QLineEdit>(b.frm(), "intyda");
    intyda->clear();
    QTest::keyClicks(intyda, typed);
    QCOMPARE(intyda->text(), result);
    QTest::keyClick(intyda, Qt::Key_Backspace);
    QCOMPARE(intyda->text(), result.left(result.size() - 1));
    // Digits go in before a comma that stands to the right of the caret.
    intyda->setText("123456,");
    intyda->setCursorPosition(3);
    QTest::keyClick(intyda, Qt::Key_7);
    QCOMPARE(intyda->text(), QStringLiteral("1237456,"));
}

void RecordsTest::ticks() {
    Book b;
    MainWindow& frm = b.frm();
    b.tick("Власов", true);
    QCOMPARE(b.value("select galka from `table` where name='Власов'").toInt(), 1);

    // A tick from the keyboard asks about edits first instead of dropping them.
    control<QPlainTextEdit>(frm, "komy")->setPlainText("Абрамову лично");
    b.messages.answer(true);
    b.tick("Абрамов", true);
    QCOMPARE(b.messages.texts("question").size(), 1);
    QCOMPARE(b.value("select komy || '|' || galka from `table` where name='Абрамов'").toString(),
             QStringLiteral("Абрамову лично|1"));
    b.tick("Абрамов", false);

    // A tick made in a search result stays in the full list.
    control<QLineEdit>(frm, "editfind")->setText("громова");
    frm.records().search();
    QCOMPARE(lines(*recipientList(frm)), QStringList{"Громова Анна"});
    b.tick("Громова Анна", true);
    control<QLineEdit>(frm, "editfind")->clear();
    // An empty search lists the ticked ones, the next one everybody again.
    frm.records().search();
    QVERIFY(!frm.records().showsAll());
    frm.records().search();
    QCOMPARE(recipientList(frm)->count(), 4);
    QVERIFY(recipientList(frm)->isChecked(b.row("Громова Анна")));

    // "Отметить всё": the opposite of the first line, for every line.
    control<QToolButton>(frm, "ToolButton6")->click(); // first line Абрамов is unticked
    QCOMPARE(b.value("select count(*) from `table` where galka=1").toInt(), 4);
    control<QToolButton>(frm, "ToolButton6")->click();
    QCOMPARE(b.value("select count(*) from `table` where galka=1").toInt(), 0);
    for (int i = 0; i < recipientList(frm)->count(); ++i)
        QVERIFY(!recipientList(frm)->isChecked(i));

    // The close step stores every tick and skips a recipient deleted meanwhile.
    recipientList(frm)->lines().setChecked(b.row("Абрамов"), true);
    recipientList(frm)->lines().setChecked(b.row("Власов"), true);
    b.folder.execute("delete from `table` where name='Власов'");
    frm.show();
    QVERIFY(frm.close());
    QVERIFY(b.messages.texts("notice").isEmpty());
    QCOMPARE(b.value("select group_concat(name) from `table` where galka=1").toString(),
             QStringLiteral("Абрамов"));
    QCOMPARE(b.value("select count(*) from `table`").toInt(), 3);
}

void RecordsTest::search_data() {
    QTest::addColumn<bool>("senders");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("two words, any case")
        << false << false << " ВЛАС ова " << QStringList{"Борисова", "Власов", "Громова Анна"};
    QTest::newRow("one record once")
        << false << false << "ов в" << QStringList{"Абрамов", "Борисова", "Власов", "Громова Анна"};
    QTest::newRow("whole text needed")
        << false << true << "ова анна" << QStringList{"Громова Анна"};
    QTest::newRow("whole text, not words") << false << true << "ова влас" << QStringList{};
    QTest::newRow("blanks only") << false << false << "   " << QStringList{};
    QTest::newRow("senders") << true << false << "бета" << QStringList{"Бюро «Бета»"};
}

void RecordsTest::search() {
    QFETCH(bool, senders);
    QFETCH(bool, whole);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    Book b;
    MainWindow& frm = b.frm();
    if (senders)
        b.toSenders();
    // Enter asks about unsaved edits before the search reloads the editors.
    (senders ? control<QPlainTextEdit>(frm, "otkyda") : control<QPlainTextEdit>(frm, "kyda"))
        ->setPlainText("правка");
    b.messages.answer(false);
    control<QCheckBox>(frm, "cb1")->setChecked(whole);
    control<QLineEdit>(frm, "editfind")->setText(text);
    QTest::keyClick(control<QLineEdit>(frm, "editfind"), Qt::Key_Return);
    QStringList shown;
    if (senders) {
        for (int i = 0; i < senderList(frm)->count(); ++i)
            shown.append(senderList(frm)->item(i)->text());
    } else {
        shown = lines(*recipientList(frm));
    }
    QCOMPARE(shown, found);
    if (!senders && !found.isEmpty())
        QCOMPARE(nameField(frm)->text(), found[0]);
    b.verifyNothingUnexpected();
}

void RecordsTest::emptySearchToggles() {
    Book b;
    MainWindow& frm = b.frm();
    control<QToolButton>(frm, "SpeedButton1")->click();
    QCOMPARE(lines(*recipientList(frm)), QStringList{"Борисова"});
    QVERIFY(recipientList(frm)->isChecked(0));
    QVERIFY(!frm.records().showsAll());
    QCOMPARE(nameField(frm)->text(), QStringLiteral("Борисова"));
    control<QToolButton>(frm, "SpeedButton1")->click();
    QCOMPARE(recipientList(frm)->count(), 4);
    QVERIFY(frm.records().showsAll());

    b.tick("Борисова", false);
    control<QToolButton>(frm, "SpeedButton1")->click();
    QCOMPARE(recipientList(frm)->count(), 4);
    QVERIFY(frm.records().showsAll());
    b.verifyNothingUnexpected();
}

void RecordsTest::newRecordWindow() {
    Book b;
    NewRecordDialog& window = *b.program->windows().newRecord;
    QLineEdit* edit = control<QLineEdit>(window, "Edit1");
    b.messages.onModal([&](QDialog&) {
        QVERIFY(edit->hasFocus() || !window.isActiveWindow());
        edit->setText("   ");
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(window.isVisible());
        QCOMPARE(edit->text(), QString());
        edit->setText("Новиков");
        QTest::keyClick(edit, Qt::Key_Escape);
    });
    control<QAction>(b.frm(), "cbMenuAdd")->trigger();
    QCOMPARE(b.messages.texts("error"), QStringList{"Введите название."});
    QCOMPARE(edit->text(), QString());
    QCOMPARE(window.name(), QString());
    QCOMPARE(recipientList(b.frm())->count(), 4);
    b.verifyNothingUnexpected();
}

void RecordsTest::realClicks() {
    Book b;
    MainWindow& frm = b.frm();
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    control<QTabWidget>(frm, "PageControl1")->setCurrentIndex(0);
    const QModelIndex index = recipientList(frm)->model()->index(b.row("Власов"), 0);
    const QRect rect = recipientList(frm)->visualRect(index);
    QTest::mouseClick(recipientList(frm)->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(nameField(frm)->text(), QStringLiteral("Власов"));

    control<QPlainTextEdit>(frm, "komy")->setPlainText("правка");
    b.messages.answer(false);
    const QRect first = recipientList(frm)->visualRect(recipientList(frm)->model()->index(0, 0));
    QTest::mouseClick(recipientList(frm)->viewport(), Qt::LeftButton, {}, first.center());
    QCOMPARE(b.messages.texts("question").size(), 1);
    QCOMPARE(nameField(frm)->text(), recipientList(frm)->text(0));
    b.verifyNothingUnexpected();
}

void RecordsTest::aboutWindowAndProfileChoice() {
    Book b;
    MainWindow& frm = b.frm();
    b.messages.onModal([&](QDialog& d) {
        QVERIFY(qobject_cast<AboutWindow*>(&d));
        QCOMPARE(d.windowTitle(), QStringLiteral("О программе Envalo"));
        QCOMPARE(control<QLabel>(d, "Label5")->text(), QStringLiteral("Версия программы 1.34"));
        QCOMPARE(control<QLabel>(d, "Label4")->text(), "INI-File: " + b.folder.file("envalo.ini"));
        control<QPushButton>(d, "Button1")->click();
    });
    control<QAction>(frm, "menuAbout")->trigger();

    // Choosing a profile makes it the current one at once; the record keeps its
    // own until it is saved.
    const int c6 = recipientProfile(frm)->findText("Конверт C6");
    recipientProfile(frm)->setCurrentIndex(c6);
    emit recipientProfile(frm)->activated(c6);
    QCOMPARE(IniFile(b.folder.file("envalo.ini")).readString("option", "profile", ""),
             QStringLiteral("Конверт C6"));
    QCOMPARE(b.value("select profile from `table` where name='Абрамов'").toString(),
             QStringLiteral("Конверт DL"));
    b.verifyNothingUnexpected();
}

QTEST_MAIN(RecordsTest)
#include "tst_records.moc"
