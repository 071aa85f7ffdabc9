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
#include "ui/app/RecordEditors.h"
#include "ui/app/RecordsPane.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
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
    int row(const QString& name) { return lines(*recipientList(mainWindow())).indexOf(name); }
    // Selects a recipient line as a click on it does.
    void pick(const QString& name) {
        const int r = row(name);
        QVERIFY2(r >= 0, qPrintable(name));
        recipientList(mainWindow())->setCurrentRow(r);
        emit recipientList(mainWindow())->userSelected(r);
    }
    void tick(const QString& name, bool on) {
        CheckListModel& model = recipientList(mainWindow())->lines();
        model.setData(model.index(row(name)), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    }
    void toSenders() { control<QTabWidget>(mainWindow(), "PageControl1")->setCurrentIndex(1); }
    // Selects a sender line as a click on it does.
    void pickSender(const QString& name) {
        const QList<QListWidgetItem*> found =
            senderList(mainWindow())->findItems(name, Qt::MatchExactly);
        QVERIFY2(found.size() == 1, qPrintable(name));
        const int r = senderList(mainWindow())->row(found[0]);
        senderList(mainWindow())->setCurrentRow(r);
        emit senderList(mainWindow())->userSelected(r);
    }
    QStringList senderLines() {
        QStringList result;
        for (int i = 0; i < senderList(mainWindow())->count(); ++i)
            result.append(senderList(mainWindow())->item(i)->text());
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
    void recordWithoutAnIndexSavesAsItIs_data();
    void recordWithoutAnIndexSavesAsItIs();
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
    void menusHaveTheirLetters();
    void usualKeys();
    void recipientNameInDative_data();
    void recipientNameInDative();
};

void RecordsTest::listsAreSortedTheRussianWay() {
    Book b(addressBook + "insert into `table` (name, galka) values ('ёлкин', 0);\n"
                         "insert into `table` (name, galka) values ('Ежов', 0);\n"
                         "insert into `table` (name, galka) values ('абрамов', 0);\n"
                         "insert into `table` (name, galka) values ('Жуков', 0);\n"
                         "insert into `table` (name, galka) values ('Zed', 0);");
    const QStringList shown = lines(*recipientList(b.mainWindow()));
    QVERIFY(shown.indexOf("Ежов") < shown.indexOf("ёлкин"));
    QVERIFY(shown.indexOf("ёлкин") < shown.indexOf("Жуков"));
    QCOMPARE(qAbs(shown.indexOf("абрамов") - shown.indexOf("Абрамов")), 1);
    QCOMPARE(recipientList(b.mainWindow())->currentRow(), 0);
    QCOMPARE(nameField(b.mainWindow())->text(), shown[0]);
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
    QCOMPARE(nameField(b.mainWindow())->text(), QStringLiteral("Абрамов"));
    const AddressTexts shown = b.mainWindow().addressTexts();
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
    MainWindow& mainWindow = b.mainWindow();
    b.pick("Абрамов");
    // A changed tick alone is no change.
    b.tick("Абрамов", true);
    control<QToolButton>(mainWindow, "ToolButton2")->click();
    QVERIFY(b.messages.texts("question").isEmpty());

    control<QPlainTextEdit>(mainWindow, "komy")->setPlainText("Абрамову\nлично");
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
    QCOMPARE(nameField(mainWindow)->text(), QStringLiteral("Власов"));
    QCOMPARE(recipientList(mainWindow)->currentText(), QStringLiteral("Власов"));

    control<QPlainTextEdit>(mainWindow, "kyda")->setPlainText("Куда-то ещё");
    b.messages.answer(false);
    b.pick("Абрамов");
    QCOMPARE(b.value("select kyda from `table` where name='Власов'").toString(),
             QStringLiteral("Казань"));
    QCOMPARE(nameField(mainWindow)->text(), QStringLiteral("Абрамов"));
    QCOMPARE(control<QPlainTextEdit>(mainWindow, "kyda")->toPlainText(),
             QStringLiteral("Москва\nул. Лесная, 1"));

    // A changed profile choice is a change.
    recipientProfile(mainWindow)
        ->setCurrentIndex(recipientProfile(mainWindow)->findText("Конверт C5"));
    b.messages.answer(true);
    control<QToolButton>(mainWindow, "ToolButton2")->click();
    QCOMPARE(b.value("select profile from `table` where name='Абрамов'").toString(),
             QStringLiteral("Конверт C5"));
    b.verifyNothingUnexpected();
}

void RecordsTest::saveValidation_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("message");
    // The field that has the focus after the message; empty: not checked.
    QTest::addColumn<QString>("focused");
    const QString missing = QStringLiteral(
        "Нельзя сохранить заголовок письма, т.к. не указано имя или индекс получателя.");
    QTest::newRow("no name") << ""
                             << "101000" << missing << "rname";
    QTest::newRow("no index") << "Абрамов"
                              << "" << missing << "intyda";
    QTest::newRow("neither") << ""
                             << "" << missing << "rname";
    QTest::newRow("another's name, other case") << "БОРИСОВА"
                                                << "101000"
                                                << "Такое название уже существует."
                                                << "";
    QTest::newRow("another's name after trimming") << "  Борисова "
                                                   << "101000"
                                                   << "Такое название уже существует."
                                                   << "";
    QTest::newRow("a lone minus") << "Абрамов"
                                  << "-"
                                  << "«-» не является целым числом."
                                  << "";
    QTest::newRow("beyond a whole number") << "Абрамов"
                                           << "99999999999"
                                           << "«99999999999» не является целым числом."
                                           << "";
}

void RecordsTest::saveValidation() {
    QFETCH(QString, name);
    QFETCH(QString, index);
    QFETCH(QString, message);
    QFETCH(QString, focused);
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    b.pick("Абрамов");
    control<QPlainTextEdit>(mainWindow, "kyda")->setFocus();
    nameField(mainWindow)->setText(name);
    control<QLineEdit>(mainWindow, "intyda")->setText(index);
    control<QPlainTextEdit>(mainWindow, "komy")->setPlainText("изменено");
    b.messages.answer(true);
    control<QToolButton>(mainWindow, "ToolButton2")->click();
    QCOMPARE(b.messages.texts("notice"), QStringList{message});
    QCOMPARE(b.value("select count(*) from `table` where komy='изменено'").toInt(), 0);
    QCOMPARE(b.value("select intyda from `table` where name='Абрамов'").toInt(), 101000);
    if (!focused.isEmpty())
        QCOMPARE(mainWindow.focusWidget()->objectName(), focused);
    b.verifyNothingUnexpected();
}

void RecordsTest::saveRenamesAndTrims() {
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    b.pick("Власов");
    b.tick("Власов", true);
    nameField(mainWindow)->setText("ВЛАСОВ");
    b.messages.answer(true);
    control<QToolButton>(mainWindow, "ToolButton2")->click();
    QVERIFY(b.messages.texts("notice").isEmpty());
    QCOMPARE(b.value("select count(*) from `table` where name='ВЛАСОВ' and galka=1").toInt(), 1);
    QCOMPARE(recipientList(mainWindow)->currentText(), QStringLiteral("ВЛАСОВ"));
    QVERIFY(recipientList(mainWindow)->isChecked(recipientList(mainWindow)->currentRow()));

    nameField(mainWindow)->setText("  Яковлев Пётр  ");
    b.messages.answer(true);
    control<QToolButton>(mainWindow, "ToolButton2")->click();
    QCOMPARE(b.value("select count(*) from `table` where name='Яковлев Пётр'").toInt(), 1);
    QCOMPARE(recipientList(mainWindow)->currentText(), QStringLiteral("Яковлев Пётр"));
    QCOMPARE(recipientList(mainWindow)->currentRow(), recipientList(mainWindow)->count() - 1);
    QCOMPARE(nameField(mainWindow)->text(), QStringLiteral("Яковлев Пётр"));
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

void RecordsTest::recordWithoutAnIndexSavesAsItIs_data() {
    QTest::addColumn<bool>("senders");
    QTest::newRow("recipient") << false;
    QTest::newRow("sender") << true;
}

// Index 0 shows as an empty field; the record is saved with it as it was, not refused for
// want of an index.
void RecordsTest::recordWithoutAnIndexSavesAsItIs() {
    QFETCH(bool, senders);
    const QString table = senders ? "table2" : "`table`";
    const QString index = senders ? "intyt" : "intyda";
    const QString column = senders ? "otkyda" : "kyda";
    const QString where = senders ? "otkogo = 'Фирма «Альфа»'" : "name = 'Власов'";
    Book b(addressBook + QStringLiteral("update %1 set %2 = 0 where %3;").arg(table, index, where));
    MainWindow& mainWindow = b.mainWindow();
    if (senders)
        b.toSenders();
    else
        b.pick("Власов");
    QCOMPARE(control<QLineEdit>(mainWindow, qPrintable(index))->text(), QString());
    control<QPlainTextEdit>(mainWindow, qPrintable(column))->setPlainText("ул. Мира, 1");
    b.messages.answer(true);
    control<QToolButton>(mainWindow, "ToolButton2")->click();
    QCOMPARE(b.messages.texts("notice"), QStringList{});
    QCOMPARE(b.value(QStringLiteral("select %1 || '|' || %2 from %3 where %4")
                         .arg(column, index, table, where))
                 .toString(),
             "ул. Мира, 1|0");
    b.verifyNothingUnexpected();
}

// A record another workstation saved since the editors showed it is not overwritten
// without asking; kept, theirs is shown.
void RecordsTest::anotherWorkstationsChange() {
    QFETCH(bool, senders);
    QFETCH(bool, overwrite);
    Book b;
    MainWindow& mainWindow = b.mainWindow();
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
    control<QPlainTextEdit>(mainWindow, editor)->setPlainText("мой адрес");
    b.messages.answer(true);
    b.messages.answer(overwrite);
    control<QToolButton>(mainWindow, "ToolButton2")->click();
    QCOMPARE(b.messages.texts("question").value(1),
             "Запись изменена другим пользователем. Перезаписать?");
    const QString kept = overwrite ? "мой адрес" : "их адрес";
    QCOMPARE(
        b.value(QStringLiteral("select %1 from %2 where %3").arg(column, table, where)).toString(),
        kept);
    QCOMPARE(control<QPlainTextEdit>(mainWindow, editor)->toPlainText(), kept);
    b.verifyNothingUnexpected();
}

// A record another workstation deleted meanwhile: the line goes, and the user is told.
void RecordsTest::deletedByAnotherWorkstation() {
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    // No line ticked: the selected one is deleted.
    recipientList(mainWindow)->lines().setAllChecked(false);
    b.pick("Власов");
    const int lines = recipientList(mainWindow)->count();
    b.folder.execute("delete from `table` where name = 'Власов'");
    b.messages.answer(true);
    control<QToolButton>(mainWindow, "ToolButton4")->click();
    QCOMPARE(b.messages.texts("notice"),
             QStringList{"Запись «Власов» уже удалена другим пользователем."});
    QCOMPARE(recipientList(mainWindow)->count(), lines - 1);
    QCOMPARE(b.row("Власов"), -1);
    b.verifyNothingUnexpected();
}

void RecordsTest::senderSave() {
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    b.toSenders();
    QVERIFY(control<QPlainTextEdit>(mainWindow, "otkogo")->isEnabled());
    QVERIFY(!control<QPlainTextEdit>(mainWindow, "komy")->isEnabled());
    QCOMPARE(control<QPlainTextEdit>(mainWindow, "otkogo")->toPlainText(),
             QStringLiteral("Фирма «Альфа»"));
    control<QPlainTextEdit>(mainWindow, "otkogo")->setPlainText(" Фирма «Альфа»\nотдел кадров");
    control<QLineEdit>(mainWindow, "intyt")->setText("");
    b.messages.answer(true);
    control<QToolButton>(mainWindow, "ToolButton2")->click();
    QCOMPARE(b.messages.texts("notice"),
             QStringList{"Нельзя сохранить заголовок письма, т.к. не указано имя или индекс "
                         "отправителя."});
    // The failed save reloads nothing: the edits stay for the user to mend.
    control<QLineEdit>(mainWindow, "intyt")->setText("443001");
    b.messages.answer(true);
    control<QToolButton>(mainWindow, "ToolButton2")->click();
    QCOMPARE(b.value("select otkogo from table2 where intyt=443001").toString(),
             QStringLiteral(" Фирма «Альфа»\r\nотдел кадров"));
    QCOMPARE(senderList(mainWindow)->currentItem()->text(),
             QStringLiteral(" Фирма «Альфа»\r\nотдел кадров"));
    b.verifyNothingUnexpected();
}

void RecordsTest::addRecords() {
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    auto typeName = [](const QString& name) {
        return [name](QDialog& d) {
            QVERIFY(qobject_cast<NewRecordDialog*>(&d));
            control<QLineEdit>(d, "Edit1")->setText(name);
            control<QPushButton>(d, "Button2")->click();
        };
    };
    b.messages.onModal(typeName("  борисова  "));
    control<QAction>(mainWindow, "cbMenuAdd")->trigger();
    QCOMPARE(b.messages.texts("error"), QStringList{"Такое название уже существует."});
    QCOMPARE(b.value("select count(*) from `table`").toInt(), 4);

    b.messages.onModal(typeName("Дмитриев"));
    control<QToolButton>(mainWindow, "ToolButton3")->click();
    QCOMPARE(recipientList(mainWindow)->currentText(), QStringLiteral("Дмитриев"));
    QCOMPARE(b.value("select profile || '|' || intyda || '|' || galka from `table`"
                     " where name='Дмитриев'")
                 .toString(),
             recipientProfile(mainWindow)->itemText(0) + "|0|0");
    // The stored 0 is no index: the field shows it empty, and it is no unsaved change.
    QCOMPARE(control<QLineEdit>(mainWindow, "intyda")->text(), QString());
    QVERIFY(!mainWindow.records().editors().changed(true));

    b.toSenders();
    b.messages.onModal([](QDialog& d) {
        QCOMPARE(control<QLabel>(d, "Label1")->text(), QStringLiteral("Название отправителя"));
        control<QLineEdit>(d, "Edit1")->setText("Контора «Гамма»");
        control<QPushButton>(d, "Button2")->click();
    });
    control<QToolButton>(mainWindow, "ToolButton3")->click();
    QCOMPARE(b.value("select group_concat(otkogo) from table2 where `default`=1").toString(),
             QStringLiteral("Контора «Гамма»"));
    QCOMPARE(control<QLineEdit>(mainWindow, "intyt")->text(), QString());
    QVERIFY(!mainWindow.records().editors().changed(false));
    b.verifyNothingUnexpected();

    // The new default sender is selected at the next start.
    b.program.reset();
    TestProgram again;
    again.folder.addSettings();
    again.folder.addPictures();
    QFile::remove(again.folder.file("Convert.mdb"));
    QVERIFY(QFile::copy(b.db(), again.folder.file("Convert.mdb")));
    again.start();
    QCOMPARE(senderList(again.mainWindow())->currentItem()->text(),
             QStringLiteral("Контора «Гамма»"));
}

void RecordsTest::deleteRecords() {
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    b.pick("Борисова");
    b.tick("Абрамов", true); // Борисова is ticked already: two adjacent lines
    b.messages.answer(false);
    control<QToolButton>(mainWindow, "ToolButton4")->click();
    QCOMPARE(b.value("select count(*) from `table`").toInt(), 4);

    b.messages.answer(true);
    control<QToolButton>(mainWindow, "ToolButton4")->click();
    QVERIFY(!b.messages.shown.isEmpty());
    QCOMPARE(b.messages.shown.last().text, QStringLiteral("Все отмеченные записи будут удалены"));
    QCOMPARE(b.messages.shown.last().title, QStringLiteral("Подтвердите"));
    QCOMPARE(lines(*recipientList(mainWindow)), (QStringList{"Власов", "Громова Анна"}));
    QCOMPARE(b.value("select group_concat(name) from `table`").toString(),
             QStringLiteral("Власов,Громова Анна"));
    QCOMPARE(recipientList(mainWindow)->currentText(), QStringLiteral("Громова Анна"));

    // Nothing ticked: the selected one goes.
    b.pick("Власов");
    b.messages.answer(true);
    control<QAction>(mainWindow, "cbMenuDelete")->trigger();
    QCOMPARE(lines(*recipientList(mainWindow)), QStringList{"Громова Анна"});
    QCOMPARE(b.value("select group_concat(name) from `table`").toString(),
             QStringLiteral("Громова Анна"));
    b.verifyNothingUnexpected();
}

void RecordsTest::deleteFailureIsReported() {
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    b.tick("Власов", true);
    // Another program makes the table refuse deletions.
    b.folder.execute("create trigger keep before delete on `table` begin "
                     "select raise(abort, 'удаление запрещено'); end");
    b.messages.answer(true);
    control<QToolButton>(mainWindow, "ToolButton4")->click();
    const QStringList errors = b.messages.texts("error");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains("удаление запрещено"), qPrintable(errors[0]));
    QCOMPARE(b.value("select count(*) from `table`").toInt(), 4);
    QVERIFY(lines(*recipientList(mainWindow)).contains("Власов"));
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
    MainWindow& mainWindow = b.mainWindow();
    b.toSenders();
    b.pickSender(deleted);
    b.messages.answer(true);
    control<QToolButton>(mainWindow, "ToolButton4")->click();

    QStringList left = senders;
    left.removeOne(deleted);
    QCOMPARE(b.stored("select otkogo from table2 order by id"), left);
    QCOMPARE(b.senderLines(), left);
    QCOMPARE(senderList(mainWindow)->currentItem() ? senderList(mainWindow)->currentItem()->text()
                                                   : QString(),
             selected);
    QCOMPARE(control<QPlainTextEdit>(mainWindow, "otkogo")->toPlainText(), selected);
    // With no sender left nothing can be typed where no record would keep it: the editors
    // say how to add one, and take input again once one is added.
    const bool none = selected.isEmpty();
    for (const char* name : {"otkogo", "otkyda"})
        QCOMPARE(control<QPlainTextEdit>(mainWindow, name)->isEnabled(), !none);
    QCOMPARE(control<QLineEdit>(mainWindow, "intyt")->isEnabled(), !none);
    QCOMPARE(control<QPlainTextEdit>(mainWindow, "otkogo")->placeholderText(),
             none ? QStringLiteral("Добавьте отправителя кнопкой \"Добавить\"") : QString());
    if (none) {
        b.messages.onModal([](QDialog& d) {
            control<QLineEdit>(d, "Edit1")->setText("Контора «Гамма»");
            control<QPushButton>(d, "Button2")->click();
        });
        control<QToolButton>(mainWindow, "ToolButton3")->click();
        QCOMPARE(b.senderLines(), QStringList{"Контора «Гамма»"});
        for (const char* name : {"otkogo", "otkyda"})
            QVERIFY(control<QPlainTextEdit>(mainWindow, name)->isEnabled());
        QVERIFY(control<QLineEdit>(mainWindow, "intyt")->isEnabled());
        QCOMPARE(control<QPlainTextEdit>(mainWindow, "otkogo")->placeholderText(), QString());
        // On the recipients' page the sender's editors take no input, as ever.
        control<QTabWidget>(mainWindow, "PageControl1")->setCurrentIndex(0);
        QVERIFY(!control<QPlainTextEdit>(mainWindow, "otkogo")->isEnabled());
        QVERIFY(control<QPlainTextEdit>(mainWindow, "komy")->isEnabled());
    }
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
    MainWindow& mainWindow = b.mainWindow();
    b.openAddressBook().setBusyTimeout(200);
    const auto tickedLines = [&mainWindow] {
        QStringList ticked;
        for (int i = 0; i < recipientList(mainWindow)->count(); ++i)
            if (recipientList(mainWindow)->isChecked(i))
                ticked.append(recipientList(mainWindow)->text(i));
        return ticked;
    };
    const QString tickedRows = "select name from `table` where galka=1 order by name";
    if (store == "save") {
        b.pick("Абрамов");
        nameField(mainWindow)->setText("Абрамов-Петров");
        control<QPlainTextEdit>(mainWindow, "komy")->setPlainText("Абрамову лично");
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
        control<QToolButton>(mainWindow, "ToolButton6")->click();
    } else if (store == "save") {
        control<QToolButton>(mainWindow, "ToolButton2")->click();
    } else if (store.startsWith("default sender")) {
        b.pickSender("Бюро «Бета»");
    } else {
        mainWindow.show();
        QVERIFY(mainWindow.close());
    }
    // A failed save and the close step report through a plain notice, the rest as errors.
    const bool notice = store == "save" || store == "close";
    QCOMPARE(b.messages.texts(notice ? "notice" : "error"), QStringList{message.arg(b.db())});
    QCOMPARE(b.stored(tickedRows), store == "close" ? QStringList() : QStringList{"Борисова"});
    QCOMPARE(tickedLines(), b.stored(tickedRows));
    lock.reset();

    if (store == "save") {
        QVERIFY(lines(*recipientList(mainWindow)).contains("Абрамов"));
        QCOMPARE(b.stored("select komy from `table` where name='Абрамов'"),
                 QStringList{"Абрамову А.А."});
        // The edits stay in the fields, so the user can try again once the file is free.
        b.messages.answer(true);
        control<QToolButton>(mainWindow, "ToolButton2")->click();
        QCOMPARE(b.stored("select komy from `table` where name='Абрамов-Петров'"),
                 QStringList{"Абрамову лично"});
        QCOMPARE(recipientList(mainWindow)->currentText(), QStringLiteral("Абрамов-Петров"));
    } else if (store.startsWith("default sender")) {
        QCOMPARE(b.stored("select otkogo from table2 where `default`=1"),
                 QStringList{"Фирма «Альфа»"});
        // A refilled list selects the default sender the file holds.
        mainWindow.refillLists();
        QCOMPARE(senderList(mainWindow)->currentItem()
                     ? senderList(mainWindow)->currentItem()->text()
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
    QLineEdit* intyda = control<QLineEdit>(b.mainWindow(), "intyda");
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
    MainWindow& mainWindow = b.mainWindow();
    b.tick("Власов", true);
    QCOMPARE(b.value("select galka from `table` where name='Власов'").toInt(), 1);

    // A tick from the keyboard asks about edits first instead of dropping them.
    control<QPlainTextEdit>(mainWindow, "komy")->setPlainText("Абрамову лично");
    b.messages.answer(true);
    b.tick("Абрамов", true);
    QCOMPARE(b.messages.texts("question").size(), 1);
    QCOMPARE(b.value("select komy || '|' || galka from `table` where name='Абрамов'").toString(),
             QStringLiteral("Абрамову лично|1"));
    b.tick("Абрамов", false);

    // A tick made in a search result stays in the full list.
    control<QLineEdit>(mainWindow, "editfind")->setText("громова");
    mainWindow.records().search();
    QCOMPARE(lines(*recipientList(mainWindow)), QStringList{"Громова Анна"});
    b.tick("Громова Анна", true);
    control<QLineEdit>(mainWindow, "editfind")->clear();
    // An empty search lists the ticked ones, the next one everybody again.
    mainWindow.records().search();
    QVERIFY(!mainWindow.records().showsAll());
    mainWindow.records().search();
    QCOMPARE(recipientList(mainWindow)->count(), 4);
    QVERIFY(recipientList(mainWindow)->isChecked(b.row("Громова Анна")));

    // "Отметить всё": the opposite of the first line, for every line.
    control<QToolButton>(mainWindow, "ToolButton6")->click(); // first line Абрамов is unticked
    QCOMPARE(b.value("select count(*) from `table` where galka=1").toInt(), 4);
    control<QToolButton>(mainWindow, "ToolButton6")->click();
    QCOMPARE(b.value("select count(*) from `table` where galka=1").toInt(), 0);
    for (int i = 0; i < recipientList(mainWindow)->count(); ++i)
        QVERIFY(!recipientList(mainWindow)->isChecked(i));

    // The close step stores every tick and skips a recipient deleted meanwhile.
    recipientList(mainWindow)->lines().setChecked(b.row("Абрамов"), true);
    recipientList(mainWindow)->lines().setChecked(b.row("Власов"), true);
    b.folder.execute("delete from `table` where name='Власов'");
    mainWindow.show();
    QVERIFY(mainWindow.close());
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
    MainWindow& mainWindow = b.mainWindow();
    if (senders)
        b.toSenders();
    // Enter asks about unsaved edits before the search reloads the editors.
    (senders ? control<QPlainTextEdit>(mainWindow, "otkyda")
             : control<QPlainTextEdit>(mainWindow, "kyda"))
        ->setPlainText("правка");
    b.messages.answer(false);
    control<QCheckBox>(mainWindow, "cb1")->setChecked(whole);
    control<QLineEdit>(mainWindow, "editfind")->setText(text);
    QTest::keyClick(control<QLineEdit>(mainWindow, "editfind"), Qt::Key_Return);
    QStringList shown;
    if (senders) {
        for (int i = 0; i < senderList(mainWindow)->count(); ++i)
            shown.append(senderList(mainWindow)->item(i)->text());
    } else {
        shown = lines(*recipientList(mainWindow));
    }
    QCOMPARE(shown, found);
    if (!senders && !found.isEmpty())
        QCOMPARE(nameField(mainWindow)->text(), found[0]);
    b.verifyNothingUnexpected();
}

void RecordsTest::emptySearchToggles() {
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    control<QToolButton>(mainWindow, "SpeedButton1")->click();
    QCOMPARE(lines(*recipientList(mainWindow)), QStringList{"Борисова"});
    QVERIFY(recipientList(mainWindow)->isChecked(0));
    QVERIFY(!mainWindow.records().showsAll());
    QCOMPARE(nameField(mainWindow)->text(), QStringLiteral("Борисова"));
    control<QToolButton>(mainWindow, "SpeedButton1")->click();
    QCOMPARE(recipientList(mainWindow)->count(), 4);
    QVERIFY(mainWindow.records().showsAll());

    b.tick("Борисова", false);
    control<QToolButton>(mainWindow, "SpeedButton1")->click();
    QCOMPARE(recipientList(mainWindow)->count(), 4);
    QVERIFY(mainWindow.records().showsAll());
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
    control<QAction>(b.mainWindow(), "cbMenuAdd")->trigger();
    QCOMPARE(b.messages.texts("error"), QStringList{"Введите название."});
    QCOMPARE(edit->text(), QString());
    QCOMPARE(window.name(), QString());
    QCOMPARE(recipientList(b.mainWindow())->count(), 4);
    b.verifyNothingUnexpected();
}

void RecordsTest::realClicks() {
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    control<QTabWidget>(mainWindow, "PageControl1")->setCurrentIndex(0);
    const QModelIndex index = recipientList(mainWindow)->model()->index(b.row("Власов"), 0);
    const QRect rect = recipientList(mainWindow)->visualRect(index);
    QTest::mouseClick(recipientList(mainWindow)->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(nameField(mainWindow)->text(), QStringLiteral("Власов"));

    control<QPlainTextEdit>(mainWindow, "komy")->setPlainText("правка");
    b.messages.answer(false);
    const QRect first =
        recipientList(mainWindow)->visualRect(recipientList(mainWindow)->model()->index(0, 0));
    QTest::mouseClick(recipientList(mainWindow)->viewport(), Qt::LeftButton, {}, first.center());
    QCOMPARE(b.messages.texts("question").size(), 1);
    QCOMPARE(nameField(mainWindow)->text(), recipientList(mainWindow)->text(0));
    b.verifyNothingUnexpected();
}

void RecordsTest::aboutWindowAndProfileChoice() {
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    b.messages.onModal([&](QDialog& d) {
        QVERIFY(qobject_cast<AboutWindow*>(&d));
        QCOMPARE(d.windowTitle(), QStringLiteral("О программе Envalo"));
        QCOMPARE(control<QLabel>(d, "Label5")->text(), QStringLiteral("Версия программы 1.34"));
        QCOMPARE(control<QLabel>(d, "Label4")->text(), "INI-File: " + b.folder.file("envalo.ini"));
        control<QPushButton>(d, "Button1")->click();
    });
    control<QAction>(mainWindow, "menuAbout")->trigger();

    // Choosing a profile makes it the current one at once; the record keeps its
    // own until it is saved.
    const int c6 = recipientProfile(mainWindow)->findText("Конверт C6");
    recipientProfile(mainWindow)->setCurrentIndex(c6);
    emit recipientProfile(mainWindow)->activated(c6);
    QCOMPARE(IniFile(b.folder.file("envalo.ini")).readString("option", "profile", ""),
             QStringLiteral("Конверт C6"));
    QCOMPARE(b.value("select profile from `table` where name='Абрамов'").toString(),
             QStringLiteral("Конверт DL"));
    b.verifyNothingUnexpected();
}

namespace {

// A menu's commands as shown, each with its letter after "&".
QStringList commandTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions())
        if (!action->isSeparator())
            texts.append(action->text());
    return texts;
}

} // namespace

void RecordsTest::menusHaveTheirLetters() {
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    QList<const QMenu*> menus;
    QStringList titles;
    for (const QAction* action : mainWindow.menuBar()->actions()) {
        titles.append(action->text());
        menus.append(action->menu());
    }
    QCOMPARE(titles, (QStringList{"&Меню", "&Опции", "&?"}));
    menus.append(control<QMenu>(mainWindow, "cbMenu"));
    const QList<QStringList> expected = {
        {"&Печать", "&Импорт адресов...", "&Экспорт адресов...", "В&ыход"},
        {"Настройки п&ринтера", "Настройки пе&чати", "&Группы...", "&Адресная книга...",
         "Весь тираж &одним заданием"},
        {"&О программе..."},
        {"&Удалить", "&Показать", "&Добавить", "&Группы получателя..."}};
    for (qsizetype i = 0; i < menus.size(); ++i) {
        const QStringList texts = commandTexts(*menus[i]);
        QCOMPARE(texts, expected[i]);
        // One letter each, none taken twice in a menu.
        QSet<QChar> letters;
        for (const QString& text : texts) {
            QCOMPARE(text.count('&'), 1);
            letters.insert(text[text.indexOf('&') + 1].toLower());
        }
        QCOMPARE(letters.size(), texts.size());
    }
}

void RecordsTest::usualKeys() {
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    auto byKey = [&](const QKeySequence& key) {
        QStringList found;
        for (const QAction* action : mainWindow.findChildren<QAction*>())
            if (action->shortcut() == key)
                found.append(action->objectName().isEmpty() ? action->text()
                                                            : action->objectName());
        return found;
    };
    // The usual keys, and the program's own kept.
    QCOMPARE(byKey(QKeySequence(Qt::CTRL | Qt::Key_N)), QStringList{"Добавить"});
    QCOMPARE(byKey(QKeySequence(Qt::CTRL | Qt::Key_S)), QStringList{"Сохранить"});
    QCOMPARE(byKey(QKeySequence(Qt::CTRL | Qt::Key_F)), QStringList{"menuFind"});
    QCOMPARE(byKey(QKeySequence(Qt::CTRL | Qt::Key_P)), QStringList{"menuPrint"});
    QCOMPARE(byKey(QKeySequence(Qt::CTRL | Qt::Key_F4)), QStringList{"menuExit"});
    QCOMPARE(byKey(QKeySequence(Qt::Key_F3)), QStringList{"menuPrinterSetup"});
    QCOMPARE(byKey(QKeySequence(Qt::Key_F2)), QStringList{"menuPrintSettings"});

    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    // Ctrl+F: to the search field, its text selected for typing over.
    control<QLineEdit>(mainWindow, "editfind")->setText("Влас");
    control<QAction>(mainWindow, "menuFind")->trigger();
    QCOMPARE(mainWindow.focusWidget(), control<QLineEdit>(mainWindow, "editfind"));
    QCOMPARE(control<QLineEdit>(mainWindow, "editfind")->selectedText(), QStringLiteral("Влас"));

    // Ctrl+N: after «Добавить» the new record's first field has the focus.
    b.messages.onModal([](QDialog& d) {
        control<QLineEdit>(d, "Edit1")->setText("Дмитриев");
        control<QPushButton>(d, "Button2")->click();
    });
    for (QAction* action : mainWindow.findChildren<QAction*>())
        if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_N))
            action->trigger();
    QCOMPARE(recipientList(mainWindow)->currentText(), QStringLiteral("Дмитриев"));
    QCOMPARE(mainWindow.focusWidget(), control<QPlainTextEdit>(mainWindow, "komy"));
    b.toSenders();
    b.messages.onModal([](QDialog& d) {
        control<QLineEdit>(d, "Edit1")->setText("Контора «Гамма»");
        control<QPushButton>(d, "Button2")->click();
    });
    control<QToolButton>(mainWindow, "ToolButton3")->click();
    QCOMPARE(mainWindow.focusWidget(), control<QPlainTextEdit>(mainWindow, "otkyda"));

    // Delete in a list asks as «Удалить» does, and deletes on OK.
    b.pickSender("Бюро «Бета»");
    b.messages.answer(false);
    QTest::keyClick(senderList(mainWindow), Qt::Key_Delete);
    QCOMPARE(b.messages.texts("question").last(),
             QStringLiteral("Все отмеченные записи будут удалены"));
    QVERIFY(b.senderLines().contains("Бюро «Бета»"));
    b.messages.answer(true);
    QTest::keyClick(senderList(mainWindow), Qt::Key_Delete);
    QVERIFY(!b.senderLines().contains("Бюро «Бета»"));
    control<QTabWidget>(mainWindow, "PageControl1")->setCurrentIndex(0);
    b.pick("Власов");
    b.tick("Борисова", false);
    b.messages.answer(true);
    QTest::keyClick(recipientList(mainWindow), Qt::Key_Delete);
    QVERIFY(!lines(*recipientList(mainWindow)).contains("Власов"));
    QCOMPARE(b.value("select count(*) from `table` where name='Власов'").toInt(), 0);
    mainWindow.hide();
    b.verifyNothingUnexpected();
}

void RecordsTest::recipientNameInDative_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("komy");     // before
    QTest::addColumn<QString>("expected"); // after
    QTest::addColumn<QString>("notice");   // "" when none
    QTest::newRow("a man") << "Кузнецов Андрей Викторович"
                           << ""
                           << "Кузнецову Андрею Викторовичу"
                           << "";
    QTest::newRow("a woman, the organisation's line kept")
        << "Кузнецова Анна Викторовна"
        << "Кузнецовой А. В.\nООО «Альфа»"
        << "Кузнецовой Анне Викторовне\nООО «Альфа»"
        << "";
    QTest::newRow("gender unknown: as it is, and said")
        << "Ким Саша"
        << "Киму"
        << "Ким Саша"
        << "«Ким Саша» не удалось поставить в дательный падеж: в «Кому» вписано как есть. "
           "Проверьте «Кому»; в дательный падеж ставятся фамилия, имя и отчество, например "
           "«Кузнецов Андрей Викторович».";
    QTest::newRow("no name") << "  "
                             << "Киму"
                             << "Киму"
                             << "Впишите название записи: «Кому» заполняется из него.";
}

void RecordsTest::recipientNameInDative() {
    QFETCH(QString, name);
    QFETCH(QString, komy);
    QFETCH(QString, expected);
    QFETCH(QString, notice);
    Book b;
    MainWindow& mainWindow = b.mainWindow();
    b.pick("Власов");
    nameField(mainWindow)->setText(name);
    auto* komyField = control<QPlainTextEdit>(mainWindow, "komy");
    komyField->setPlainText(komy);
    control<QToolButton>(mainWindow, "komyDative")->click();
    QCOMPARE(komyField->toPlainText(), expected);
    QCOMPARE(b.messages.texts("notice"), notice.isEmpty() ? QStringList{} : QStringList{notice});
}

QTEST_MAIN(RecordsTest)

#include "tst_records.moc"
