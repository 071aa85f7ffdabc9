#include "MainControls.h"
#include "ServerDatabase.h"
#include "TestProgram.h"

#include "core/addressbook/AddressDb.h"
#include "ui/addressbook/CheckList.h"
#include "ui/app/Envalo.h"

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Book : TestProgram {
    Book() {
        startAsShipped();
        messages.reset();
    }
    void chooseServer(const QString& text, const char* button) {
        messages.onModal([=](QDialog& window) {
            control<QRadioButton>(window, "serverChoice")->setChecked(true);
            control<QLineEdit>(window, "connection")->setText(text);
            control<QPushButton>(window, button)->click();
            if (window.isVisible())
                control<QPushButton>(window, "Button2")->click();
        });
        control<QAction>(frm(), "menuAddressBook")->trigger();
    }
    bool keyStored() const { return folder.settingsBytes().contains("addressbook="); }
};

} // namespace

class AddressBookPlaceTest : public QObject {
    Q_OBJECT

private slots:
    void aServerThatDoesNotAnswerIsKeptOnlyWhenAsked();
    void theListsFollowTheAddressBookChosen();
    void anotherWorkstationsChangesAppear();
};

void AddressBookPlaceTest::aServerThatDoesNotAnswerIsKeptOnlyWhenAsked() {
    Book b;
    const int recipients = recipientList(b.frm())->count();
    // Port 1 on this machine: nothing listens there.
    b.messages.answer(false);
    b.chooseServer("postgresql://127.0.0.1:1/адреса?user=office", "Button1");
    QCOMPARE(b.messages.texts("question").size(), 1);
    QVERIFY2(b.messages.texts("question")[0].endsWith("\r\nСохранить всё равно?"),
             qPrintable(b.messages.texts("question")[0]));
    QVERIFY(!b.keyStored());
    QCOMPARE(recipientList(b.frm())->count(), recipients);

    b.messages.reset();
    b.chooseServer("mysql://office", "testButton");
    QCOMPARE(b.messages.texts("notice").value(0).left(40),
             QString("Строка соединения начинается с postgresql://").left(40));
    b.verifyNothingUnexpected();
}

void AddressBookPlaceTest::theListsFollowTheAddressBookChosen() {
    const ServerDatabase server;
    if (!server.available())
        QSKIP(qPrintable(ServerDatabase::skipReason()));
    Book b;
    const int recipients = recipientList(b.frm())->count();
    QVERIFY(recipients > 0);
    // An empty database on the server: the tables are made, the lists are empty.
    b.chooseServer(server.text(), "Button1");
    QVERIFY(b.keyStored());
    QCOMPARE(recipientList(b.frm())->count(), 0);
    QVERIFY(b.messages.texts("notice").isEmpty());

    b.messages.onModal([](QDialog& window) {
        control<QRadioButton>(window, "fileChoice")->setChecked(true);
        control<QPushButton>(window, "Button1")->click();
    });
    control<QAction>(b.frm(), "menuAddressBook")->trigger();
    QCOMPARE(recipientList(b.frm())->count(), recipients);
    b.verifyNothingUnexpected();
}

// Another workstation adds and changes recipients; the lists follow at the next step, keeping
// the line chosen, but never while the user has an unsaved record.
void AddressBookPlaceTest::anotherWorkstationsChangesAppear() {
    const ServerDatabase server;
    if (!server.available())
        QSKIP(qPrintable(ServerDatabase::skipReason()));
    Book b;
    b.chooseServer(server.text(), "Button1");
    Tfrm& main = b.frm();
    CheckList& lines = *recipientList(main);
    QCOMPARE(lines.count(), 0);

    AddressDb office(u"another workstation"_s);
    office.open(server.text());
    TableCursor theirs(office, u"table"_s, u"name"_s);
    theirs.open();
    const auto add = [&theirs](const QString& name) {
        theirs.insert({{u"name"_s, name}, {u"intyda"_s, 101000}, {u"komy"_s, name}});
    };
    add(u"Орлов"_s);
    add(u"Петров"_s);
    main.othersChangesStep();
    QCOMPARE(lines.count(), 2);
    lines.setCurrentRow(1);
    main.recipientSelected(1);
    QCOMPARE(nameField(main)->text(), u"Петров"_s);

    auto* komy = control<QPlainTextEdit>(main, "komy");
    komy->setPlainText(u"Петрову, не сохранено"_s);
    add(u"Сидоров"_s);
    main.othersChangesStep();
    QCOMPARE(lines.count(), 2);
    QCOMPARE(komy->toPlainText(), u"Петрову, не сохранено"_s);

    komy->setPlainText(u"Петров"_s);
    main.othersChangesStep();
    QCOMPARE(lines.count(), 3);
    QCOMPARE(lines.text(2), u"Сидоров"_s);
    QCOMPARE(lines.currentRow(), 1);
    QCOMPARE(nameField(main)->text(), u"Петров"_s);
    b.verifyNothingUnexpected();
}

QTEST_MAIN(AddressBookPlaceTest)

#include "tst_addressbookplace.moc"
