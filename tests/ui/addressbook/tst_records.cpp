#include "Controls.h"
#include "ForeignLock.h"
#include "TestProgram.h"

#include "core/profiles/IniFile.h"
#include "ui/addressbook/CheckList.h"
#include "ui/addressbook/newr.h"
#include "ui/addressbook/unAbout.h"
#include "ui/app/Envalo.h"
#include "ui/app/Program.h"

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
    int row(const QString& name) { return lines(*frm().cb).indexOf(name); }
    // Selects a recipient line as a click on it does.
    void pick(const QString& name) {
        const int r = row(name);
        QVERIFY2(r >= 0, qPrintable(name));
        frm().cb->setCurrentRow(r);
        emit frm().cb->userSelected(r);
    }
    void tick(const QString& name, bool on) {
        CheckListModel& model = frm().cb->lines();
        model.setData(model.index(row(name)), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    }
    void toSenders() { frm().pages->setCurrentIndex(1); }
    // Selects a sender line as a click on it does.
    void pickSender(const QString& name) {
        const QList<QListWidgetItem*> found = frm().cb2->findItems(name, Qt::MatchExactly);
        QVERIFY2(found.size() == 1, qPrintable(name));
        const int r = frm().cb2->row(found[0]);
        frm().cb2->setCurrentRow(r);
        emit frm().cb2->userSelected(r);
    }
    QStringList senderLines() {
        QStringList result;
        for (int i = 0; i < frm().cb2->count(); ++i)
            result.append(frm().cb2->item(i)->text());
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
    void unsavedChangesCheck();
    void saveValidation_data();
    void saveValidation();
    void saveRenamesAndTrims();
    void senderSave();
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
    const QStringList shown = lines(*b.frm().cb);
    QVERIFY(shown.indexOf("Ежов") < shown.indexOf("ёлкин"));
    QVERIFY(shown.indexOf("ёлкин") < shown.indexOf("Жуков"));
    QCOMPARE(qAbs(shown.indexOf("абрамов") - shown.indexOf("Абрамов")), 1);
    QCOMPARE(b.frm().cb->currentRow(), 0);
    QCOMPARE(b.frm().rname->text(), shown[0]);
}

void RecordsTest::unsavedChangesCheck() {
    Book b;
    Tfrm& frm = b.frm();
    b.pick("Абрамов");
    // A changed tick alone is no change.
    b.tick("Абрамов", true);
    frm.saveAction->trigger();
    QVERIFY(b.messages.texts("question").isEmpty());

    frm.komy->setPlainText("Абрамову\nлично");
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
    QCOMPARE(frm.rname->text(), QStringLiteral("Власов"));
    QCOMPARE(frm.cb->currentText(), QStringLiteral("Власов"));

    frm.kyda->setPlainText("Куда-то ещё");
    b.messages.answer(false);
    b.pick("Абрамов");
    QCOMPARE(b.value("select kyda from `table` where name='Власов'").toString(),
             QStringLiteral("Казань"));
    QCOMPARE(frm.rname->text(), QStringLiteral("Абрамов"));
    QCOMPARE(frm.kyda->toPlainText(), QStringLiteral("Москва\nул. Лесная, 1"));

    // A changed profile choice is a change.
    frm.cbp->setCurrentIndex(frm.cbp->findText("Конверт C5"));
    b.messages.answer(true);
    frm.saveAction->trigger();
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
    Tfrm& frm = b.frm();
    b.pick("Абрамов");
    frm.rname->setText(name);
    frm.intyda->setText(index);
    frm.komy->setPlainText("изменено");
    b.messages.answer(true);
    frm.saveAction->trigger();
    QCOMPARE(b.messages.texts("notice"), QStringList{message});
    QCOMPARE(b.value("select count(*) from `table` where komy='изменено'").toInt(), 0);
    QCOMPARE(b.value("select intyda from `table` where name='Абрамов'").toInt(), 101000);
    b.verifyNothingUnexpected();
}

void RecordsTest::saveRenamesAndTrims() {
    Book b;
    Tfrm& frm = b.frm();
    b.pick("Власов");
    b.tick("Власов", true);
    frm.rname->setText("ВЛАСОВ");
    b.messages.answer(true);
    frm.saveAction->trigger();
    QVERIFY(b.messages.texts("notice").isEmpty());
    QCOMPARE(b.value("select count(*) from `table` where name='ВЛАСОВ' and galka=1").toInt(), 1);
    QCOMPARE(frm.cb->currentText(), QStringLiteral("ВЛАСОВ"));
    QVERIFY(frm.cb->isChecked(frm.cb->currentRow()));

    frm.rname->setText("  Яковлев Пётр  ");
    b.messages.answer(true);
    frm.saveAction->trigger();
    QCOMPARE(b.value("select count(*) from `table` where name='Яковлев Пётр'").toInt(), 1);
    QCOMPARE(frm.cb->currentText(), QStringLiteral("Яковлев Пётр"));
    QCOMPARE(frm.cb->currentRow(), frm.cb->count() - 1);
    QCOMPARE(frm.rname->text(), QStringLiteral("Яковлев Пётр"));
    b.verifyNothingUnexpected();
}

void RecordsTest::senderSave() {
    Book b;
    Tfrm& frm = b.frm();
    b.toSenders();
    QVERIFY(frm.otkogo->isEnabled());
    QVERIFY(!frm.komy->isEnabled());
    QCOMPARE(frm.otkogo->toPlainText(), QStringLiteral("Фирма «Альфа»"));
    frm.otkogo->setPlainText(" Фирма «Альфа»\nотдел кадров");
    frm.intyt->setText("");
    b.messages.answer(true);
    frm.saveAction->trigger();
    QCOMPARE(b.messages.texts("notice"),
             QStringList{"Нельзя сохранить заголовок письма, т.к. не указано имя или индекс "
                         "отправителя."});
    // The failed save reloads nothing: the edits stay for the user to mend.
    frm.intyt->setText("443001");
    b.messages.answer(true);
    frm.saveAction->trigger();
    QCOMPARE(b.value("select otkogo from table2 where intyt=443001").toString(),
             QStringLiteral(" Фирма «Альфа»\r\nотдел кадров"));
    QCOMPARE(frm.cb2->currentItem()->text(), QStringLiteral(" Фирма «Альфа»\r\nотдел кадров"));
    b.verifyNothingUnexpected();
}

void RecordsTest::addRecords() {
    Book b;
    Tfrm& frm = b.frm();
    auto typeName = [](const QString& name) {
        return [name](QDialog& d) {
            QVERIFY(qobject_cast<Tnewrec*>(&d));
            control<QLineEdit>(d, "Edit1")->setText(name);
            control<QPushButton>(d, "Button2")->click();
        };
    };
    b.messages.onModal(typeName("  борисова  "));
    frm.cbMenuAdd->trigger();
    QCOMPARE(b.messages.texts("error"), QStringList{"Такое название уже существует."});
    QCOMPARE(b.value("select count(*) from `table`").toInt(), 4);

    b.messages.onModal(typeName("Дмитриев"));
    frm.addAction->trigger();
    QCOMPARE(frm.cb->currentText(), QStringLiteral("Дмитриев"));
    QCOMPARE(b.value("select profile || '|' || intyda || '|' || galka from `table`"
                     " where name='Дмитриев'")
                 .toString(),
             frm.cbp->itemText(0) + "|0|0");

    b.toSenders();
    b.messages.onModal([](QDialog& d) {
        QCOMPARE(control<QLabel>(d, "Label1")->text(), QStringLiteral("Название отправителя"));
        control<QLineEdit>(d, "Edit1")->setText("Контора «Гамма»");
        control<QPushButton>(d, "Button2")->click();
    });
    frm.addAction->trigger();
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
    QCOMPARE(again.frm().cb2->currentItem()->text(), QStringLiteral("Контора «Гамма»"));
}

void RecordsTest::deleteRecords() {
    Book b;
    Tfrm& frm = b.frm();
    b.pick("Борисова");
    b.tick("Абрамов", true); // Борисова is ticked already: two adjacent lines
    b.messages.answer(false);
    frm.deleteAction->trigger();
    QCOMPARE(b.value("select count(*) from `table`").toInt(), 4);

    b.messages.answer(true);
    frm.deleteAction->trigger();
    QVERIFY(!b.messages.shown.isEmpty());
    QCOMPARE(b.messages.shown.last().text, QStringLiteral("Все отмеченные записи будут удалены"));
    QCOMPARE(b.messages.shown.last().title, QStringLiteral("Подтвердите"));
    QCOMPARE(lines(*frm.cb), (QStringList{"Власов", "Громова Анна"}));
    QCOMPARE(b.value("select group_concat(name) from `table`").toString(),
             QStringLiteral("Власов,Громова Анна"));
    QCOMPARE(frm.cb->currentText(), QStringLiteral("Громова Анна"));

    // Nothing ticked: the selected one goes.
    b.pick("Власов");
    b.messages.answer(true);
    frm.cbMenuDelete->trigger();
    QCOMPARE(lines(*frm.cb), QStringList{"Громова Анна"});
    QCOMPARE(b.value("select group_concat(name) from `table`").toString(),
             QStringLiteral("Громова Анна"));
    b.verifyNothingUnexpected();
}

void RecordsTest::deleteFailureIsReported() {
    Book b;
    Tfrm& frm = b.frm();
    b.tick("Власов", true);
    // Another program makes the table refuse deletions.
    b.folder.execute("create trigger keep before delete on `table` begin "
                     "select raise(abort, 'удаление запрещено'); end");
    b.messages.answer(true);
    frm.deleteAction->trigger();
    const QStringList errors = b.messages.texts("error");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains("удаление запрещено"), qPrintable(errors[0]));
    QCOMPARE(b.value("select count(*) from `table`").toInt(), 4);
    QVERIFY(lines(*frm.cb).contains("Власов"));
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
    Tfrm& frm = b.frm();
    b.toSenders();
    b.pickSender(deleted);
    b.messages.answer(true);
    frm.deleteAction->trigger();

    QStringList left = senders;
    left.removeOne(deleted);
    QCOMPARE(b.stored("select otkogo from table2 order by id"), left);
    QCOMPARE(b.senderLines(), left);
    QCOMPARE(frm.cb2->currentItem() ? frm.cb2->currentItem()->text() : QString(), selected);
    QCOMPARE(frm.otkogo->toPlainText(), selected);
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
    Tfrm& frm = b.frm();
    frm.db.setBusyTimeout(200);
    const auto tickedLines = [&frm] {
        QStringList ticked;
        for (int i = 0; i < frm.cb->count(); ++i)
            if (frm.cb->isChecked(i))
                ticked.append(frm.cb->text(i));
        return ticked;
    };
    const QString tickedRows = "select name from `table` where galka=1 order by name";
    if (store == "save") {
        b.pick("Абрамов");
        frm.rname->setText("Абрамов-Петров");
        frm.komy->setPlainText("Абрамову лично");
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
        frm.checkAllAction->trigger();
    } else if (store == "save") {
        frm.saveAction->trigger();
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
        QVERIFY(lines(*frm.cb).contains("Абрамов"));
        QCOMPARE(b.stored("select komy from `table` where name='Абрамов'"),
                 QStringList{"Абрамову А.А."});
        // The edits stay in the fields, so the user can try again once the file is free.
        b.messages.answer(true);
        frm.saveAction->trigger();
        QCOMPARE(b.stored("select komy from `table` where name='Абрамов-Петров'"),
                 QStringList{"Абрамову лично"});
        QCOMPARE(frm.cb->currentText(), QStringLiteral("Абрамов-Петров"));
    } else if (store.startsWith("default sender")) {
        QCOMPARE(b.stored("select otkogo from table2 where `default`=1"),
                 QStringList{"Фирма «Альфа»"});
        // A refilled list selects the default sender the file holds.
        frm.loadlists();
        QCOMPARE(frm.cb2->currentItem() ? frm.cb2->currentItem()->text() : QString(),
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
    QLineEdit* intyda = b.frm().intyda;
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
    Tfrm& frm = b.frm();
    b.tick("Власов", true);
    QCOMPARE(b.value("select galka from `table` where name='Власов'").toInt(), 1);

    // A tick from the keyboard asks about edits first instead of dropping them.
    frm.komy->setPlainText("Абрамову лично");
    b.messages.answer(true);
    b.tick("Абрамов", true);
    QCOMPARE(b.messages.texts("question").size(), 1);
    QCOMPARE(b.value("select komy || '|' || galka from `table` where name='Абрамов'").toString(),
             QStringLiteral("Абрамову лично|1"));
    b.tick("Абрамов", false);

    // A tick made in a search result stays in the full list.
    frm.editfind->setText("громова");
    frm.findrecords();
    QCOMPARE(lines(*frm.cb), QStringList{"Громова Анна"});
    b.tick("Громова Анна", true);
    frm.editfind->clear();
    frm.showall = false;
    frm.findrecords();
    QCOMPARE(frm.cb->count(), 4);
    QVERIFY(frm.cb->isChecked(b.row("Громова Анна")));

    // "Отметить всё": the opposite of the first line, for every line.
    frm.checkAllAction->trigger(); // first line Абрамов is unticked
    QCOMPARE(b.value("select count(*) from `table` where galka=1").toInt(), 4);
    frm.checkAllAction->trigger();
    QCOMPARE(b.value("select count(*) from `table` where galka=1").toInt(), 0);
    for (int i = 0; i < frm.cb->count(); ++i)
        QVERIFY(!frm.cb->isChecked(i));

    // The close step stores every tick and skips a recipient deleted meanwhile.
    frm.cb->lines().setChecked(b.row("Абрамов"), true);
    frm.cb->lines().setChecked(b.row("Власов"), true);
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
    Tfrm& frm = b.frm();
    if (senders)
        b.toSenders();
    // Enter asks about unsaved edits before the search reloads the editors.
    (senders ? frm.otkyda : frm.kyda)->setPlainText("правка");
    b.messages.answer(false);
    frm.cb1->setChecked(whole);
    frm.editfind->setText(text);
    QTest::keyClick(frm.editfind, Qt::Key_Return);
    QStringList shown;
    if (senders) {
        for (int i = 0; i < frm.cb2->count(); ++i)
            shown.append(frm.cb2->item(i)->text());
    } else {
        shown = lines(*frm.cb);
    }
    QCOMPARE(shown, found);
    if (!senders && !found.isEmpty())
        QCOMPARE(frm.rname->text(), found[0]);
    b.verifyNothingUnexpected();
}

void RecordsTest::emptySearchToggles() {
    Book b;
    Tfrm& frm = b.frm();
    frm.findButton->click();
    QCOMPARE(lines(*frm.cb), QStringList{"Борисова"});
    QVERIFY(frm.cb->isChecked(0));
    QVERIFY(!frm.showall);
    QCOMPARE(frm.rname->text(), QStringLiteral("Борисова"));
    frm.findButton->click();
    QCOMPARE(frm.cb->count(), 4);
    QVERIFY(frm.showall);

    b.tick("Борисова", false);
    frm.findButton->click();
    QCOMPARE(frm.cb->count(), 4);
    QVERIFY(frm.showall);
    b.verifyNothingUnexpected();
}

void RecordsTest::newRecordWindow() {
    Book b;
    Tnewrec& window = *b.program->windows().newrec;
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
    b.frm().cbMenuAdd->trigger();
    QCOMPARE(b.messages.texts("error"), QStringList{"Введите название."});
    QCOMPARE(edit->text(), QString());
    QCOMPARE(window.name(), QString());
    QCOMPARE(b.frm().cb->count(), 4);
    b.verifyNothingUnexpected();
}

void RecordsTest::realClicks() {
    Book b;
    Tfrm& frm = b.frm();
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    frm.pages->setCurrentIndex(0);
    const QModelIndex index = frm.cb->model()->index(b.row("Власов"), 0);
    const QRect rect = frm.cb->visualRect(index);
    QTest::mouseClick(frm.cb->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(frm.rname->text(), QStringLiteral("Власов"));

    frm.komy->setPlainText("правка");
    b.messages.answer(false);
    const QRect first = frm.cb->visualRect(frm.cb->model()->index(0, 0));
    QTest::mouseClick(frm.cb->viewport(), Qt::LeftButton, {}, first.center());
    QCOMPARE(b.messages.texts("question").size(), 1);
    QCOMPARE(frm.rname->text(), frm.cb->text(0));
    b.verifyNothingUnexpected();
}

void RecordsTest::aboutWindowAndProfileChoice() {
    Book b;
    Tfrm& frm = b.frm();
    b.messages.onModal([&](QDialog& d) {
        QVERIFY(qobject_cast<TpAbout*>(&d));
        QCOMPARE(d.windowTitle(), QStringLiteral("О программе Envalo"));
        QCOMPARE(control<QLabel>(d, "Label5")->text(), QStringLiteral("Версия программы 1.34"));
        QCOMPARE(control<QLabel>(d, "Label4")->text(), "INI-File: " + b.folder.file("envalo.ini"));
        control<QPushButton>(d, "Button1")->click();
    });
    frm.menuAbout->trigger();

    // Choosing a profile makes it the current one at once; the record keeps its
    // own until it is saved.
    const int c6 = frm.cbp->findText("Конверт C6");
    frm.cbp->setCurrentIndex(c6);
    emit frm.cbp->activated(c6);
    QCOMPARE(IniFile(b.folder.file("envalo.ini")).readString("option", "profile", ""),
             QStringLiteral("Конверт C6"));
    QCOMPARE(b.value("select profile from `table` where name='Абрамов'").toString(),
             QStringLiteral("Конверт DL"));
    b.verifyNothingUnexpected();
}

QTEST_MAIN(RecordsTest)
#include "tst_records.moc"
