#include "MainControls.h"
#include "TestProgram.h"

#include "ui/addressbook/CheckList.h"
#include "ui/app/Envalo.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

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
    const QString server = qEnvironmentVariable("ENVALO_TEST_PG");
    if (server.isEmpty())
        QSKIP("ENVALO_TEST_PG is not set: no PostgreSQL server for this run (scripts/test.sh "
              "starts one with scripts/pg-test.sh)");
    const QString database = QStringLiteral("envalo_ui%1").arg(QCoreApplication::applicationPid());
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "test admin");
        const QUrl url(server);
        admin.setDatabaseName(url.path().mid(1));
        admin.setHostName(QUrlQuery(url).queryItemValue("host"));
        admin.setUserName(QUrlQuery(url).queryItemValue("user"));
        QVERIFY2(admin.open(), qPrintable(admin.lastError().text()));
        QSqlQuery(admin).exec("drop database if exists " + database);
        QVERIFY(QSqlQuery(admin).exec("create database " + database));
    }
    QUrl url(server);
    url.setPath('/' + database);
    {
        Book b;
        const int recipients = recipientList(b.frm())->count();
        QVERIFY(recipients > 0);
        // An empty database on the server: the tables are made, the lists are empty.
        b.chooseServer(url.toString(), "Button1");
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
    {
        QSqlDatabase admin = QSqlDatabase::database("test admin", false);
        QVERIFY(QSqlQuery(admin).exec("drop database if exists " + database + " with (force)"));
        admin.close();
    }
    QSqlDatabase::removeDatabase("test admin");
}

QTEST_MAIN(AddressBookPlaceTest)

#include "tst_addressbookplace.moc"
