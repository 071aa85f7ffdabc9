// The main window's toolbar, menus and list menu, and what each command does.
#include "ui/app/MainCommands.h"

#include "core/profiles/ProgramOptions.h"
#include "ui/app/MainWindow.h"
#include "ui/app/MainWindowParts.h"
#include "ui/app/RecipientTicks.h"
#include "ui/app/RecordChanges.h"
#include "ui/app/RecordEditors.h"
#include "ui/app/RecordsPane.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Icons.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/PreviewWindow.h"

#include <QAction>
#include <QMenuBar>
#include <QToolBar>

namespace {

// Menu commands are named like the controls, so that tools and tests find them too.
QAction* command(QMenu* menu, const QString& text, const char* programName) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(programName));
    return action;
}

} // namespace

MainCommands::MainCommands(Windows& windows, MainWindow& window, RecordsPane& records)
    : w(windows), m_window(window), m_records(records), m_transfer(windows, window, records) {
    buildToolbar();
    buildMenus();
    buildListMenu();
    QObject::connect(&m_records, &RecordsPane::recipientOpened, &m_window,
                     [this] { guarded(w.messages, [this] { m_window.openLayoutEditor(); }); });
}

void MainCommands::on(QAction* action, std::function<void()> handler) {
    QObject::connect(action, &QAction::triggered, &m_window,
                     [this, handler] { guarded(w.messages, handler); });
}

void MainCommands::buildToolbar() {
    auto* toolbar = m_window.addToolBar(QStringLiteral("Панель инструментов"));
    toolbar->setObjectName(QString::fromLatin1(ControlNames::Main::toolbar));
    toolbar->setMovable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

    auto tool = [&](const QString& text, const char* theme, QStyle::StandardPixmap fallback,
                    const QString& hint, const char* programName) {
        auto* action = toolbar->addAction(themeIcon(theme, fallback), text);
        action->setToolTip(hint.isEmpty() ? QString() : hint);
        if (auto* button = toolbar->widgetForAction(action)) {
            describe(button, text, programName);
            button->setToolTip(hint);
        }
        return action;
    };
    QAction* print = tool(QStringLiteral("Печать"), "document-print", QStyle::SP_FileIcon, {},
                          ControlNames::Main::printButton);
    QAction* save = tool(QStringLiteral("Сохранить"), "document-save", QStyle::SP_DialogSaveButton,
                         QStringLiteral("Сохранение изменений"), ControlNames::Main::saveButton);
    QAction* add =
        tool(QStringLiteral("Добавить"), "list-add", QStyle::SP_FileDialogNewFolder,
             QStringLiteral("Добвление контрагента в базу данных"), ControlNames::Main::addButton);
    QAction* remove =
        tool(QStringLiteral("Удалить"), "edit-delete", QStyle::SP_TrashIcon,
             QStringLiteral("Удалить выделенные контрагенты"), ControlNames::Main::deleteButton);
    QAction* clear =
        tool(QStringLiteral("Очистить"), "edit-clear", QStyle::SP_DialogResetButton,
             QStringLiteral("Очистить форму конверта"), ControlNames::Main::clearButton);
    QAction* tickAll =
        tool(QStringLiteral("Отметить всё"), "edit-select-all", QStyle::SP_DialogApplyButton,
             QStringLiteral("Отметить или снять отметку со всех контрагентов"),
             ControlNames::Main::tickAllButton);
    QAction* settings =
        tool(QStringLiteral("Настройки"), "preferences-system", QStyle::SP_FileDialogDetailedView,
             QStringLiteral("Предварительный просмотр"), ControlNames::Main::layoutEditorButton);
    QAction* groups = tool(QStringLiteral("Группы"), "system-users", QStyle::SP_DirIcon,
                           QStringLiteral("Группы получателей"), ControlNames::Main::groupsButton);

    // The usual keys where the program's own give none.
    save->setShortcut(QKeySequence::Save);
    add->setShortcut(QKeySequence::New);
    on(save, [this] { this->save(); });
    on(print, [this] { m_window.printClick(); });
    on(add, [this] { this->add(); });
    on(clear, [this] { askToClearEditors(); });
    on(tickAll, [this] { m_records.ticks().toggleAll(); });
    on(settings, [this] { m_window.openLayoutEditor(); });
    on(groups, [this] { m_window.openGroups(); });
    on(remove, [this] { deleteChosen(false); });
}

void MainCommands::buildMenus() {
    QMenuBar* bar = m_window.menuBar();
    // Each menu and command has its letter (Alt+М opens «Меню»).
    auto* menu = bar->addMenu(QStringLiteral("&Меню"));
    QAction* print = command(menu, QStringLiteral("&Печать"), ControlNames::Main::printCommand);
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    menu->addSeparator();
    QAction* import =
        command(menu, QStringLiteral("&Импорт адресов..."), ControlNames::Main::importCommand);
    QAction* exportTo =
        command(menu, QStringLiteral("&Экспорт адресов..."), ControlNames::Main::exportCommand);
    menu->addSeparator();
    QAction* exit = command(menu, QStringLiteral("В&ыход"), ControlNames::Main::exitCommand);
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4));
    auto* options = bar->addMenu(QStringLiteral("&Опции"));
    QAction* printerSetup = command(options, QStringLiteral("Настройки п&ринтера"),
                                    ControlNames::Main::printerSetupCommand);
    printerSetup->setShortcut(QKeySequence(Qt::Key_F3));
    QAction* printSettings = command(options, QStringLiteral("Настройки пе&чати"),
                                     ControlNames::Main::layoutEditorCommand);
    printSettings->setShortcut(QKeySequence(Qt::Key_F2));
    QAction* groups =
        command(options, QStringLiteral("&Группы..."), ControlNames::Main::groupsCommand);
    QAction* addressBook = command(options, QStringLiteral("&Адресная книга..."),
                                   ControlNames::Main::addressBookCommand);
    options->addSeparator();
    QAction* oneJob = command(options, QStringLiteral("Весь тираж &одним заданием"),
                              ControlNames::Main::oneJobCommand);
    oneJob->setCheckable(true);
    oneJob->setToolTip(QStringLiteral(
        "Все конверты печати уходят в очередь принтера одним заданием, по странице на конверт "
        "в порядке печати. Когда между конвертами задана задержка печати, каждый конверт "
        "по-прежнему печатается отдельным заданием."));
    options->setToolTipsVisible(true);
    // Shown as the settings file says now, which another program may have changed.
    QObject::connect(options, &QMenu::aboutToShow, &m_window, [this, oneJob] {
        guarded(w.messages, [this, oneJob] {
            oneJob->setChecked(ProgramOptions::read(w.profileStore->ini()).oneJob());
        });
    });
    auto* help = bar->addMenu(QStringLiteral("&?"));
    QAction* about =
        command(help, QStringLiteral("&О программе..."), ControlNames::Main::aboutCommand);

    on(exit, [this] { m_window.askToEnd(); });
    on(about, [this] { m_window.showAbout(); });
    on(print, [this] { m_window.printClick(); });
    on(printerSetup, [this] { m_window.setUpPrinter(); });
    on(printSettings, [this] { m_window.openLayoutEditor(); });
    on(groups, [this] { m_window.openGroups(); });
    on(import, [this] { m_transfer.importFromFile(); });
    on(exportTo, [this] { m_transfer.exportToFile(); });
    on(addressBook, [this] { m_window.chooseAddressBookPlace(); });
    on(oneJob, [this, oneJob] {
        const bool chosen = oneJob->isChecked();
        // The mark follows the file: a choice that cannot be saved is not shown as made.
        oneJob->setChecked(!chosen);
        ProgramOptions::writeOneJob(w.profileStore->ini(), chosen);
        oneJob->setChecked(chosen);
    });

    auto* find = new QAction(QStringLiteral("Поиск"), &m_window);
    find->setObjectName(QString::fromLatin1(ControlNames::Main::findCommand));
    find->setShortcut(QKeySequence::Find);
    m_window.addAction(find);
    on(find, [this] { m_records.focusSearch(); });
}

void MainCommands::buildListMenu() {
    auto* listMenu = new QMenu(&m_window);
    listMenu->setObjectName(QString::fromLatin1(ControlNames::Main::listMenu));
    QAction* remove =
        command(listMenu, QStringLiteral("&Удалить"), ControlNames::Main::listDeleteCommand);
    QAction* show =
        command(listMenu, QStringLiteral("&Показать"), ControlNames::Main::listShowCommand);
    QAction* add =
        command(listMenu, QStringLiteral("&Добавить"), ControlNames::Main::listAddCommand);
    QAction* groups = command(listMenu, QStringLiteral("&Группы получателя..."),
                              ControlNames::Main::listGroupsCommand);
    m_records.setListMenu(listMenu);

    on(show, [this] { m_window.showPreview(); });
    // The list menu adds like the toolbar: the new record replaces the editors, so
    // edits are asked about first.
    on(add, [this] { this->add(); });
    on(groups, [this] { m_records.openRecipientGroups(); });
    on(remove, [this] { deleteChosen(true); });
    QObject::connect(&m_records, &RecordsPane::deleteKeyPressed, &m_window,
                     [this] { guarded(w.messages, [this] { deleteChosen(true); }); });
}

void MainCommands::save() {
    w.preview->saveCapture(w.appdir + QStringLiteral("temp"));
    m_records.changes().offerToSaveChanges();
}

void MainCommands::add() {
    m_records.changes().offerToSaveChanges();
    if (m_records.changes().addRecord())
        m_records.editors().focusFirstField(m_records.recipientPage());
}

void MainCommands::deleteChosen(bool fromListMenu) {
    if (!fromListMenu && !m_records.hasRecipients())
        return;
    if (!w.messages.question(QStringLiteral("Все отмеченные записи будут удалены"),
                             QStringLiteral("Подтвердите")))
        return;
    m_records.changes().deleteRecords();
}

void MainCommands::askToClearEditors() {
    if (w.messages.question(QStringLiteral("Очистить форму конверта?"),
                            QStringLiteral("Подтверждение")))
        m_records.clearEditors();
}
