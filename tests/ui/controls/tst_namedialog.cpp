#include "Controls.h"
#include "TestProgram.h"

#include "ui/addressbook/GroupNameDialog.h"
#include "ui/addressbook/NewRecordDialog.h"
#include "ui/app/Program.h"
#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Windows.h"
#include "ui/controls/ScreenFit.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/SaveAsDialog.h"

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using namespace ControlNames;

namespace {

// One use of the name prompt, picked out of the program's windows.
using DialogOf = std::function<QDialog*(Windows&)>;

// What confirming does with the name typed.
enum class Typed { Trimmed, AsTyped };

} // namespace

Q_DECLARE_METATYPE(DialogOf)
Q_DECLARE_METATYPE(Typed)

// The three uses of the small name prompt: a new record, a group's name and the editor's
// "save as". Each keeps its own captions, names of controls and rules, which screen
// readers, scripts and the windows that ask rely on.
class NameDialogTest : public QObject {
    Q_OBJECT

private slots:
    void eachUseKeepsItsLook_data();
    void eachUseKeepsItsLook();
    void eachUseKeepsItsRules_data();
    void eachUseKeepsItsRules();
};

void NameDialogTest::eachUseKeepsItsLook_data() {
    QTest::addColumn<DialogOf>("dialog");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("spokenField");
    // Object name (also the accessible description), text and accessible name of each button.
    QTest::addColumn<QStringList>("confirm");
    QTest::addColumn<QStringList>("cancel");
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<bool>("overTheEditor");

    QTest::newRow("new record") << DialogOf([](Windows& w) -> QDialog* { return w.newRecord; })
                                << u"Новая запись"_s << u"Название получателя:"_s << u"Название"_s
                                << QStringList{u"Button2"_s, u"Добавить"_s, u"Добавить"_s}
                                << QStringList{u"Button1"_s, u"Отмена"_s, u"Отмена"_s} << false
                                << false;
    QTest::newRow("new sender") << DialogOf([](Windows& w) -> QDialog* {
        w.newRecord->setPrompt(u"Название отправителя"_s);
        return w.newRecord;
    }) << u"Новая запись"_s << u"Название отправителя"_s
                                << u"Название"_s
                                << QStringList{u"Button2"_s, u"Добавить"_s, u"Добавить"_s}
                                << QStringList{u"Button1"_s, u"Отмена"_s, u"Отмена"_s} << false
                                << false;
    QTest::newRow("group name") << DialogOf([](Windows& w) -> QDialog* { return w.groupName; })
                                << u"Новая группа"_s << u"Укажите название группы"_s
                                << u"Укажите название группы"_s
                                << QStringList{u"Button1"_s, u"Добавить"_s, QString()}
                                << QStringList{u"Button2"_s, u"Отмена"_s, u"Отмена"_s} << false
                                << false;
    QTest::newRow("group name, renaming")
        << DialogOf([](Windows& w) -> QDialog* {
               w.groupName->setAction(u"Изменить"_s);
               return w.groupName;
           })
        << u"Изменить"_s << u"Укажите название группы"_s << u"Укажите название группы"_s
        << QStringList{u"Button1"_s, u"Изменить"_s, QString()}
        << QStringList{u"Button2"_s, u"Отмена"_s, u"Отмена"_s} << false << false;
    QTest::newRow("save as") << DialogOf([](Windows& w) -> QDialog* { return w.saveAs; })
                             << u"Сохранить как"_s << u"Введите название профиля:"_s
                             << u"Введите название профиля:"_s
                             << QStringList{u"Button1"_s, u"ОК"_s, u"ОК"_s}
                             << QStringList{u"Button2"_s, u"Отмена"_s, u"Отмена"_s} << true << true;
}

void NameDialogTest::eachUseKeepsItsLook() {
    QFETCH(DialogOf, dialog);
    QFETCH(QString, title);
    QFETCH(QString, prompt);
    QFETCH(QString, spokenField);
    QFETCH(QStringList, confirm);
    QFETCH(QStringList, cancel);
    QFETCH(bool, closeBox);
    QFETCH(bool, overTheEditor);
    TestProgram t;
    t.startAsShipped();
    Windows& w = t.program->windows();
    QDialog& d = *dialog(w);

    QCOMPARE(d.windowTitle(), title);
    QCOMPARE(d.windowFlags().testFlag(Qt::WindowCloseButtonHint), closeBox);
    // Wide enough for the caption to show whole in a title bar («Сохранить как» was cut).
    d.layout()->activate();
    QVERIFY2(d.width() >= captionWidth(d),
             qPrintable(QStringLiteral("%1 < %2").arg(d.width()).arg(captionWidth(d))));
    QCOMPARE(d.parentWidget(),
             overTheEditor ? static_cast<QWidget*>(w.layoutEditor) : w.mainWindow);
    QLabel* label = control<QLabel>(d, Controls::namePrompt);
    QLineEdit* field = control<QLineEdit>(d, Controls::nameField);
    QCOMPARE(label->text(), prompt);
    QCOMPARE(label->buddy(), field);
    QCOMPARE(field->accessibleName(), spokenField);
    // The names scripts and screen readers know, as they have always been.
    QCOMPARE(label->objectName(), u"Label1"_s);
    QCOMPARE(field->objectName(), u"Edit1"_s);
    QCOMPARE(field->accessibleDescription(), u"Edit1"_s);
    for (const auto& [button, isDefault] : {std::pair(confirm, true), std::pair(cancel, false)}) {
        QPushButton* b = control<QPushButton>(d, button[0].toLatin1().constData());
        QCOMPARE(b->accessibleDescription(), button[0]);
        QCOMPARE(b->text(), button[1]);
        QCOMPARE(b->accessibleName(), button[2]);
        QCOMPARE(b->isDefault(), isDefault);
    }
    QCOMPARE(d.findChildren<QPushButton*>().size(), 2);
    QCOMPARE(d.findChildren<QLineEdit*>().size(), 1);
}

void NameDialogTest::eachUseKeepsItsRules_data() {
    QTest::addColumn<DialogOf>("dialog");
    QTest::addColumn<QString>("confirmButton");
    QTest::addColumn<QString>("cancelButton");
    QTest::addColumn<Typed>("typed");
    QTest::addColumn<bool>("blankRefused");
    // The name last confirmed is in the field when the window opens again.
    QTest::addColumn<bool>("keepsTheLastName");
    // Closed by the window's close box, the name typed stays.
    QTest::addColumn<bool>("closeBoxKeepsTheName");

    QTest::newRow("new record") << DialogOf([](Windows& w) -> QDialog* { return w.newRecord; })
                                << u"Button2"_s << u"Button1"_s << Typed::Trimmed << true << false
                                << false;
    QTest::newRow("group name") << DialogOf([](Windows& w) -> QDialog* { return w.groupName; })
                                << u"Button1"_s << u"Button2"_s << Typed::AsTyped << false << true
                                << false;
    QTest::newRow("save as") << DialogOf([](Windows& w) -> QDialog* { return w.saveAs; })
                             << u"Button1"_s << u"Button2"_s << Typed::AsTyped << true << false
                             << true;
}

void NameDialogTest::eachUseKeepsItsRules() {
    QFETCH(DialogOf, dialog);
    QFETCH(QString, confirmButton);
    QFETCH(QString, cancelButton);
    QFETCH(Typed, typed);
    QFETCH(bool, blankRefused);
    QFETCH(bool, keepsTheLastName);
    QFETCH(bool, closeBoxKeepsTheName);
    TestProgram t;
    t.startAsShipped();
    Windows& w = t.program->windows();
    QDialog& d = *dialog(w);
    const auto name = [&] { return control<QLineEdit>(d, Controls::nameField)->text(); };
    const auto confirm = [&] {
        control<QPushButton>(d, confirmButton.toLatin1().constData())->click();
    };

    // A blank name: refused with a notice and the window stays, or taken as it is.
    t.messages.onModal([&](QDialog&) {
        control<QLineEdit>(d, Controls::nameField)->setText(u"   "_s);
        confirm();
        QCOMPARE(d.isVisible(), blankRefused);
        if (d.isVisible())
            control<QPushButton>(d, cancelButton.toLatin1().constData())->click();
    });
    const int blank = t.messages.showModal(d);
    QCOMPARE(blank, blankRefused ? int(QDialog::Rejected) : int(QDialog::Accepted));
    QCOMPARE(t.messages.texts(u"error"_s),
             blankRefused ? QStringList{u"Введите название."_s} : QStringList());
    QCOMPARE(name(), blankRefused ? QString() : u"   "_s);

    t.messages.onModal([&](QDialog&) {
        control<QLineEdit>(d, Controls::nameField)->setText(u"  Архив 2  "_s);
        confirm();
        QVERIFY(!d.isVisible());
    });
    QCOMPARE(t.messages.showModal(d), int(QDialog::Accepted));
    const QString confirmed = typed == Typed::Trimmed ? u"Архив 2"_s : u"  Архив 2  "_s;
    QCOMPARE(name(), confirmed);

    t.messages.onModal([&](QDialog&) {
        QCOMPARE(name(), keepsTheLastName ? confirmed : QString());
        control<QLineEdit>(d, Controls::nameField)->setText(u"Другое"_s);
        QTest::keyClick(control<QLineEdit>(d, Controls::nameField), Qt::Key_Escape);
    });
    QCOMPARE(t.messages.showModal(d), int(QDialog::Rejected));
    QCOMPARE(name(), QString());

    if (d.windowFlags().testFlag(Qt::WindowCloseButtonHint)) {
        t.messages.onModal([&](QDialog&) {
            control<QLineEdit>(d, Controls::nameField)->setText(u"Третье"_s);
            d.close();
        });
        QCOMPARE(t.messages.showModal(d), int(QDialog::Rejected));
        QCOMPARE(name(), closeBoxKeepsTheName ? u"Третье"_s : QString());
    }
    t.verifyNothingUnexpected();
}

QTEST_MAIN(NameDialogTest)
#include "tst_namedialog.moc"
