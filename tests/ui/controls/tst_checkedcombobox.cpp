#include "ui/controls/CheckedComboBox.h"

#include <QAccessible>
#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString noRoom = QStringLiteral("There is no room for Selected");

// A combo box whose notices are kept for the test.
struct Combo {
    explicit Combo(const QStringList& items) {
        box.SetItems(items);
        box.setNoticeHandler([this](const QString& text) { notices.append(text); });
    }
    void tick(const QString& text, bool on = true) {
        box.SetChecked(int(box.Items().indexOf(text)), on);
    }
    QString field() const { return box.findChild<QLineEdit*>()->text(); }

    CheckedComboBox box;
    QStringList notices;
};

// The combo box alone in a shown window, the window's top-left corner at pos.
struct Shown {
    explicit Shown(const QPoint& pos) {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        box = new CheckedComboBox(&window);
        layout->addWidget(box);
        window.setWindowFlags(Qt::FramelessWindowHint);
        window.move(pos);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    QWidget window;
    CheckedComboBox* box = nullptr;
};

QRect screenRect() {
    return QGuiApplication::primaryScreen()->geometry();
}

} // namespace

class TestCheckedComboBox : public QObject {
    Q_OBJECT

private slots:
    void ticksKeepTheirOrder_data() {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("steps"); // "+name" ticks, "-name" unticks
        QTest::addColumn<QStringList>("shown"); // the field after each step
        const QStringList xyz{"X", "Y", "Z"};
        QTest::newRow("X Y Z, then Y and X off") << xyz << QStringList{"+X", "+Y", "+Z", "-Y", "-X"}
                                                 << QStringList{"X", "X,Y", "X,Y,Z", "X,Z", "Z"};
        QTest::newRow("ticking order, not item order")
            << xyz << QStringList{"+Z", "+X", "-Z"} << QStringList{"Z", "Z,X", "X"};
        QTest::newRow("last piece off")
            << xyz << QStringList{"+X", "+Y", "-Y", "-X"} << QStringList{"X", "X,Y", "X", "<none>"};
        QTest::newRow("a name that begins another")
            << QStringList{"Новый профиль", "Новый профиль 2"}
            << QStringList{"+Новый профиль 2", "+Новый профиль", "-Новый профиль"}
            << QStringList{"Новый профиль 2", "Новый профиль 2,Новый профиль", "Новый профиль 2"};
        QTest::newRow("a name that ends another")
            << QStringList{"C5", "Конверт C5"} << QStringList{"+Конверт C5", "+C5", "-C5"}
            << QStringList{"Конверт C5", "Конверт C5,C5", "Конверт C5"};
        QTest::newRow("ticked twice, unticked twice") << xyz << QStringList{"+Y", "+Y", "-Y", "-Y"}
                                                      << QStringList{"Y", "Y", "<none>", "<none>"};
    }
    void ticksKeepTheirOrder() {
        QFETCH(QStringList, items);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, shown);
        Combo c(items);
        QSignalSpy changed(&c.box, &CheckedComboBox::changed);
        int expectedChanges = 0;
        QString before = c.box.Text();
        for (int i = 0; i < steps.size(); ++i) {
            const QString name = steps[i].mid(1);
            c.tick(name, steps[i].startsWith('+'));
            QCOMPARE(c.box.Text(), shown[i]);
            QCOMPARE(c.field(), shown[i]);
            const QStringList pieces = c.box.CheckedText().split(',', Qt::SkipEmptyParts);
            QCOMPARE(c.box.CheckedCount(), pieces.size());
            QCOMPARE(c.box.IsChecked(int(items.indexOf(name))), pieces.contains(name));
            expectedChanges += shown[i] != before;
            before = shown[i];
            QCOMPARE(changed.size(), expectedChanges);
        }
        QVERIFY(c.notices.isEmpty());
    }

    void refusesTextsOver255_data() {
        QTest::addColumn<int>("ticked"); // length of a text ticked before, 0 for none
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("255 characters, nothing ticked") << 0 << 255 << false;
        QTest::newRow("254 characters, nothing ticked") << 0 << 254 << true;
        QTest::newRow("a total of 255 fits") << 100 << 154 << true;
        QTest::newRow("a total of 256 does not") << 100 << 155 << false;
    }
    void refusesTextsOver255() {
        QFETCH(int, ticked);
        QFETCH(int, length);
        QFETCH(bool, accepted);
        const QString first(ticked, QChar(u'п'));
        const QString second(length, QChar(u'я'));
        Combo c(ticked ? QStringList{first, second} : QStringList{second});
        if (ticked)
            c.tick(first);
        const QString shownBefore = c.field();
        const int countBefore = c.box.CheckedCount();
        QSignalSpy changed(&c.box, &CheckedComboBox::changed);
        c.tick(second);
        QCOMPARE(c.box.IsChecked(int(c.box.Items().indexOf(second))), accepted);
        QCOMPARE(c.box.CheckedCount(), countBefore + int(accepted));
        QCOMPARE(c.field() == shownBefore, !accepted);
        QCOMPARE(c.box.CheckedText().size(),
                 accepted ? ticked + length + (ticked ? 1 : 0) : ticked);
        QCOMPARE(changed.size(), int(accepted));
        QCOMPARE(c.notices, accepted ? QStringList{} : QStringList{noRoom});
    }

    void userTicksInTheDropDown() {
        Combo c({"X", "Y", QString(252, QChar(u'ж'))});
        QSignalSpy changed(&c.box, &CheckedComboBox::changed);
        QSignalSpy user(&c.box, &CheckedComboBox::userChanged);
        QSignalSpy closed(&c.box, &CheckedComboBox::closedUp);
        c.box.showDropDown();
        QListWidget* list = c.box.dropDownList();
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        const auto space = [&](int row) {
            list->setCurrentRow(row);
            QTest::keyClick(list, Qt::Key_Space);
        };
        space(1);
        space(0);
        QCOMPARE(c.box.Text(), QStringLiteral("Y,X"));
        QCOMPARE(user.size(), 2);
        // The long text does not fit beside "Y,X": its box must not stay ticked either, or the
        // print run would print a profile that saving leaves out.
        space(2);
        QCOMPARE(c.notices, QStringList{noRoom});
        QVERIFY(!c.box.IsChecked(2));
        QCOMPARE(c.box.CheckedCount(), 2);
        QCOMPARE(user.size(), 2);
        space(1);
        QCOMPARE(c.box.Text(), QStringLiteral("X"));
        QCOMPARE(c.box.CheckedCount(), 1);

        const QList<QAction*> menu = list->actions();
        QCOMPARE(menu.size(), 2);
        QCOMPARE(menu[0]->text(), QStringLiteral("&Select All"));
        QCOMPARE(menu[1]->text(), QStringLiteral("&DeSelect All"));
        menu[0]->trigger();
        QCOMPARE(c.box.CheckedCount(), 3);
        menu[1]->trigger();
        QCOMPARE(c.box.Text(), QStringLiteral("<none>"));
        QCOMPARE(user.size(), 5);
        QCOMPARE(changed.size(), user.size());

        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(!c.box.isDroppedDown());
        QCOMPARE(closed.size(), 1);
    }

    void quotedText_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QString>("quoted");
        using B = CheckedComboBox;
        const QStringList xy{"Y", "X"};
        QTest::newRow("none") << int(B::qsNone) << xy << "Y,X";
        QTest::newRow("single") << int(B::qsSingle) << xy << "'Y','X'";
        QTest::newRow("double") << int(B::qsDouble) << xy << "\"Y\",\"X\"";
        QTest::newRow("single, one name") << int(B::qsSingle) << QStringList{"X"} << "'X'";
        QTest::newRow("single, nothing ticked") << int(B::qsSingle) << QStringList{} << "";
        QTest::newRow("double, nothing ticked") << int(B::qsDouble) << QStringList{} << "";
    }
    void quotedText() {
        QFETCH(int, style);
        QFETCH(QStringList, ticks);
        QFETCH(QString, quoted);
        Combo c({"X", "Y", "Z"});
        c.box.SetQuoteStyle(CheckedComboBox::TQuoteStyle(style));
        for (const QString& name : ticks)
            c.tick(name);
        QCOMPARE(c.box.QuotedText(), quoted);
        QCOMPARE(c.box.CheckedText(), ticks.join(','));
    }

    void selectAllThenDeSelectAll_data() {
        QTest::addColumn<QStringList>("items");
        QTest::newRow("short names") << QStringList{"X", "Y", "Z"};
        QTest::newRow("past the length limit")
            << QStringList{QString(120, 'a'), QString(120, 'b'), QString(120, 'c')};
    }
    void selectAllThenDeSelectAll() {
        QFETCH(QStringList, items);
        Combo c(items);
        c.tick(items[1]);
        QSignalSpy changed(&c.box, &CheckedComboBox::changed);
        c.box.SelectAll();
        for (int i = 0; i < items.size(); ++i)
            QVERIFY(c.box.IsChecked(i));
        QCOMPARE(c.box.CheckedText(), items.join(','));
        QCOMPARE(c.box.CheckedCount(), items.size());
        c.box.DeSelectAll();
        for (int i = 0; i < items.size(); ++i)
            QVERIFY(!c.box.IsChecked(i));
        QCOMPARE(c.box.CheckedText(), QString());
        QCOMPARE(c.box.CheckedCount(), 0);
        QCOMPARE(c.field(), QStringLiteral("<none>"));
        QCOMPARE(changed.size(), 2);
        c.tick(items[2]);
        QCOMPARE(c.box.CheckedText(), items[2]);
        QVERIFY(c.notices.isEmpty());
    }

    void indexOutsideItems_data() {
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("index");
        QTest::newRow("just past the last") << 3 << 3;
        QTest::newRow("far past the last") << 3 << 1000;
        QTest::newRow("negative") << 3 << -1;
        QTest::newRow("no items") << 0 << 0;
    }
    void indexOutsideItems() {
        QFETCH(int, items);
        QFETCH(int, index);
        Combo c(QStringList{"X", "Y", "Z"}.mid(0, items));
        c.box.SelectAll();
        QSignalSpy changed(&c.box, &CheckedComboBox::changed);
        QVERIFY(!c.box.IsChecked(index));
        c.box.SetChecked(index, true);
        c.box.SetChecked(index, false);
        QVERIFY(!c.box.IsChecked(index));
        QCOMPARE(c.box.CheckedCount(), items);
        QCOMPARE(changed.size(), 0);
    }

    void closedField_data() {
        QTest::addColumn<QString>("emptyValue"); // null keeps the default
        QTest::addColumn<bool>("sortDisplay");
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QString>("shown");
        QTest::newRow("default, nothing ticked") << QString() << false << QStringList{} << "<none>";
        QTest::newRow("profiles to print, nothing ticked")
            << "Профили на печать" << false << QStringList{} << "Профили на печать";
        QTest::newRow("ticked names")
            << "Профили на печать" << false << QStringList{"Z", "X"} << "Z,X";
        QTest::newRow("sorted display") << QString() << true << QStringList{"Z", "X"} << "X,Z";
    }
    void closedField() {
        QFETCH(QString, emptyValue);
        QFETCH(bool, sortDisplay);
        QFETCH(QStringList, ticks);
        QFETCH(QString, shown);
        Combo c({"X", "Y", "Z"});
        if (!emptyValue.isNull())
            c.box.SetEmptyValue(emptyValue);
        c.box.SetSortDisplay(sortDisplay);
        for (const QString& name : ticks)
            c.tick(name);
        QCOMPARE(c.field(), shown);
        QCOMPARE(c.box.Text(), shown);
        // The stored text keeps the ticking order whatever the field shows.
        QCOMPARE(c.box.CheckedText(), ticks.join(','));
    }

    void changingItemsUnticks_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("add") << "add" << QStringList{"б", "А", "в", "Г"};
        QTest::newRow("assign") << "assign" << QStringList{"Д"};
        QTest::newRow("clear") << "clear" << QStringList{};
        QTest::newRow("sort") << "sort" << QStringList{"А", "б", "в"};
    }
    void changingItemsUnticks() {
        QFETCH(QString, change);
        QFETCH(QStringList, after);
        Combo c({"б", "А", "в"});
        c.tick("б");
        c.tick("в");
        if (change == "add")
            c.box.AddItem("Г");
        else if (change == "assign")
            c.box.SetItems({"Д"});
        else if (change == "clear")
            c.box.Clear();
        else
            c.box.SetSorted(true);
        QCOMPARE(c.box.Items(), after);
        for (int i = 0; i < after.size(); ++i)
            QVERIFY(!c.box.IsChecked(i));
        QCOMPARE(c.box.CheckedText(), QString());
        QCOMPARE(c.box.CheckedCount(), 0);
        QCOMPARE(c.field(), QStringLiteral("<none>"));
        QCOMPARE(c.box.dropDownList()->count(), after.size());
    }

    void followsItsModel_data() {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("ticks"); // in this order
        QTest::addColumn<QString>("change");    // "insert|remove|rename|reset", row, text
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("shown");
        const QStringList xyz{"X", "Y", "Z"};
        const QStringList zyx{"Z", "Y", "X"};
        const QString a200(200, QLatin1Char('a'));
        const QString b50(50, QLatin1Char('b'));
        const QString c60(60, QLatin1Char('c'));
        QTest::newRow("row put in") << xyz << QStringList{"Z", "X"} << "insert 1 W"
                                    << QStringList{"X", "W", "Y", "Z"} << "Z,X";
        QTest::newRow("row taken out")
            << xyz << zyx << "remove 1" << QStringList{"X", "Z"} << "Z,X";
        QTest::newRow("ticked row renamed")
            << xyz << zyx << "rename 1 W" << QStringList{"X", "W", "Z"} << "Z,W,X";
        QTest::newRow("unticked row renamed")
            << xyz << QStringList{"X"} << "rename 1 W" << QStringList{"X", "W", "Z"} << "X";
        QTest::newRow("letter case only")
            << QStringList{"Конверт", "Профиль"} << QStringList{"Конверт", "Профиль"}
            << "rename 0 КОНВЕРТ" << QStringList{"КОНВЕРТ", "Профиль"} << "КОНВЕРТ,Профиль";
        QTest::newRow("reset") << xyz << QStringList{"Y", "Z"} << "reset 0 Z,Q,Y"
                               << QStringList{"Z", "Q", "Y"} << "Y,Z";
        QTest::newRow("renamed with no room")
            << QStringList{a200, b50} << QStringList{a200, b50} << "rename 1 " + c60
            << QStringList{a200, c60} << a200;
    }
    void followsItsModel() {
        QFETCH(QStringList, items);
        QFETCH(QStringList, ticks);
        QFETCH(QString, change);
        QFETCH(QStringList, after);
        QFETCH(QString, shown);
        Combo c({"Другой"});
        c.tick("Другой");
        QStringListModel model(items);
        c.box.setModel(&model);
        QCOMPARE(c.box.Items(), items);
        QCOMPARE(c.box.CheckedCount(), 0);
        for (const QString& text : ticks)
            c.tick(text);

        const QStringList step = change.split(QLatin1Char(' '));
        const int row = step[1].toInt();
        if (step[0] == "insert") {
            model.insertRows(row, 1);
            model.setData(model.index(row), step[2]);
        } else if (step[0] == "remove") {
            model.removeRows(row, 1);
        } else if (step[0] == "rename") {
            model.setData(model.index(row), step[2]);
        } else {
            model.setStringList(step[2].split(QLatin1Char(',')));
        }
        QCOMPARE(c.box.Items(), after);
        QCOMPARE(c.box.CheckedText(), shown);
        QCOMPARE(c.field(), shown);
        const QStringList pieces = shown.split(QLatin1Char(','));
        QCOMPARE(c.box.CheckedCount(), pieces.size());
        for (int i = 0; i < after.size(); ++i)
            QCOMPARE(c.box.IsChecked(i), pieces.contains(after[i]));
        QCOMPARE(c.box.dropDownList()->count(), after.size());
        QCOMPARE(c.notices, QStringList{});

        // Items set by hand let go of the model.
        c.box.SetItems({"Д"});
        model.removeRows(0, 1);
        QCOMPARE(c.box.Items(), QStringList{"Д"});
    }

    void dropDownPlace_data() {
        QTest::addColumn<QRect>("control");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<int>("top");
        const QRect screen(0, 0, 800, 600);
        QTest::newRow("room below") << QRect(100, 100, 121, 24) << screen << 124;
        QTest::newRow("bottom exactly 20 above the screen's")
            << QRect(0, 456, 121, 24) << screen << 480;
        QTest::newRow("one pixel lower opens upwards") << QRect(0, 457, 121, 24) << screen << 357;
        QTest::newRow("second screen, room below")
            << QRect(0, 700, 121, 24) << QRect(0, 600, 800, 600) << 724;
        QTest::newRow("second screen, near its bottom")
            << QRect(0, 1100, 121, 24) << QRect(0, 600, 800, 600) << 1000;
    }
    void dropDownPlace() {
        QFETCH(QRect, control);
        QFETCH(QRect, screen);
        QFETCH(int, top);
        QCOMPARE(CheckedComboBox::dropDownGeometry(control, 100, screen),
                 QRect(control.left(), top, control.width(), 100));
    }

    void dropDownOnScreen_data() {
        QTest::addColumn<bool>("nearBottom");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("lines");
        QTest::newRow("near the top") << false << 0 << 3 << 6;
        QTest::newRow("near the bottom") << true << 0 << 3 << 6;
        QTest::newRow("two columns of 30") << false << 2 << 30 << 10;
        QTest::newRow("three columns of 21") << true << 3 << 21 << 8;
        QTest::newRow("two columns of 4") << false << 2 << 4 << 6;
    }
    void dropDownOnScreen() {
        QFETCH(bool, nearBottom);
        QFETCH(int, columns);
        QFETCH(int, items);
        QFETCH(int, lines);
        const QRect screen = screenRect();
        Shown s(QPoint(40, nearBottom ? screen.bottom() - 40 : screen.top() + 40));
        QStringList names;
        for (int i = 0; i < items; ++i)
            names.append(QStringLiteral("Профиль %1").arg(i + 1));
        s.box->SetItems(names);
        s.box->SetColumns(columns);
        s.box->showDropDown();
        QListWidget* list = s.box->dropDownList();
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        QCOMPARE(s.box->DropDownLines(), lines);
        const QRect control(s.box->mapToGlobal(QPoint(0, 0)), s.box->size());
        const QRect popup = list->window()->geometry();
        QCOMPARE(popup.height(), list->sizeHintForRow(0) * lines + 4);
        QCOMPARE(popup.width(), control.width());
        QCOMPARE(popup.left(), control.left());
        QCOMPARE(popup.top(), nearBottom ? control.top() - popup.height() : control.bottom() + 1);
        s.box->hideDropDown();
    }

    void buttonClosesOpenDropDown() {
        Shown s(QPoint(40, 40));
        s.box->SetItems({"X", "Y"});
        QToolButton* button = s.box->dropDownButton();
        const QPoint onButton = button->mapTo(&s.window, button->rect().center());
        QTest::mouseClick(s.window.windowHandle(), Qt::LeftButton, {}, onButton);
        QTRY_VERIFY(s.box->isDroppedDown());
        QTest::mouseClick(s.window.windowHandle(), Qt::LeftButton, {}, onButton);
        QTRY_VERIFY(!s.box->isDroppedDown());
        QTest::qWait(50);
        QVERIFY(!s.box->isDroppedDown());
    }

    void accessibility() {
        Combo c({"X", "Y"});
        c.box.setAccessibleName(QStringLiteral("Профили на печать"));
        c.box.setAccessibleDescription(QStringLiteral("ccb1"));
        c.tick("Y");
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&c.box);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::ComboBox);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Профили на печать"));
        QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("ccb1"));
        QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("Y"));
        QVERIFY(!c.box.dropDownButton()->accessibleName().isEmpty());
    }
};

QTEST_MAIN(TestCheckedComboBox)
#include "tst_checkedcombobox.moc"
