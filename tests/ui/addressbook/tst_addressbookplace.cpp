#include "MainControls.h"
#include "ServerDatabase.h"
#include "TestProgram.h"

#include "ui/addressbook/CheckList.h"
#include "ui/app/Envalo.h"

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

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

QTEST_MAIN(AddressBookPlaceTest)

#include "tst_addressbookplace.moc"
