// The main window's controls, menus, toolbar and hints.
#include "ui/app/MainWindow.h"
#include "ui/controls/DialogParts.h"

#include "ui/addressbook/CheckList.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Icons.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/NumberKeyFilter.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

void describe(QWidget* control, const QString& name, const char* programName) {
    control->setAccessibleName(name);
    setProgramName(control, QString::fromLatin1(programName));
}

QFont addressFont() {
    QFont font(QStringLiteral("Sylfaen"));
    font.setPixelSize(15);
    return font;
}

QPlainTextEdit* addressEditor(QWidget* parent, const QString& name, const char* programName) {
    auto* editor = new QPlainTextEdit(parent);
    editor->setFont(addressFont());
    editor->setTabChangesFocus(true);
    editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    describe(editor, name, programName);
    return editor;
}

QLineEdit* indexEditor(QWidget* parent, const QString& name, const char* programName) {
    auto* editor = new QLineEdit(parent);
    editor->setFont(addressFont());
    editor->setMaximumWidth(110);
    describe(editor, name, programName);
    return editor;
}

QLabel* fieldLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// The name, address and index of one side of the envelope, each with its label.
QGridLayout* addressGrid(const QString& nameLabel, QWidget* name, const QString& addressLabel,
                         QWidget* address, QWidget* index, const QString& note, QWidget* parent) {
    auto* grid = new QGridLayout;
    grid->addWidget(fieldLabel(nameLabel, name, parent), 0, 0, Qt::AlignTop);
    grid->addWidget(name, 0, 1, 1, 2);
    grid->addWidget(fieldLabel(addressLabel, address, parent), 1, 0, Qt::AlignTop);
    grid->addWidget(address, 1, 1, 1, 2);
    grid->addWidget(fieldLabel(QStringLiteral("Индекс:"), index, parent), 2, 0);
    grid->addWidget(index, 2, 1);
    grid->addWidget(new QLabel(note, parent), 2, 2);
    grid->setColumnStretch(2, 1);
    return grid;
}

// A titled block of the right pane.
QWidget* titledBlock(const QString& title, QLayout* content, QWidget* parent) {
    auto* block = new QWidget(parent);
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(titleBar(title, block));
    content->setContentsMargins(6, 2, 6, 6);
    layout->addLayout(content);
    return block;
}

} // namespace

void MainWindow::installIndexFilter(QLineEdit* editor) {
    // A digit goes in while the field holds at most five characters.
    new NumberKeyFilter(editor, 5);
}

void MainWindow::buildLayout() {
    setWindowTitle(applicationTitle());
    setWindowIcon(envelopeIcon());
    resize(853, 788);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setHandleWidth(8);
    setCentralWidget(splitter);

    // Left pane: search, then the two lists on m_pages with their tabs at the bottom.
    auto* left = new QWidget(splitter);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(4, 4, 0, 4);
    auto* searchRow = new QHBoxLayout;
    m_searchText = new QLineEdit(left);
    describe(m_searchText, QStringLiteral("Поиск"), ControlNames::Main::searchText);
    m_searchButton = new QToolButton(left);
    m_searchButton->setIcon(themeIcon("edit-find", QStyle::SP_FileDialogContentsView));
    m_searchButton->setToolTip(QStringLiteral("Выполнить поиск"));
    describe(m_searchButton, QStringLiteral("Выполнить поиск"), ControlNames::Main::searchButton);
    searchRow->addWidget(m_searchText);
    searchRow->addWidget(m_searchButton);
    leftLayout->addLayout(searchRow);
    m_wholeName = new QCheckBox(QStringLiteral("Только название целиком"), left);
    describe(m_wholeName, m_wholeName->text(), ControlNames::Main::wholeNameOnly);
    leftLayout->addWidget(m_wholeName);

    m_pages = new QTabWidget(left);
    m_pages->setTabPosition(QTabWidget::South);
    describe(m_pages, QStringLiteral("Страницы списков"), ControlNames::Main::listPages);
    m_recipients = new CheckList(m_pages);
    m_recipients->setFont(addressFont());
    describe(m_recipients, QStringLiteral("Список получателей"), ControlNames::Main::recipientList);
    m_senders = new ListBox(m_pages);
    m_senders->setFont(addressFont());
    m_senders->setSelectionMode(QAbstractItemView::SingleSelection);
    describe(m_senders, QStringLiteral("Список отправителей"), ControlNames::Main::senderList);
    m_pages->addTab(m_recipients, QStringLiteral("Получатель"));
    m_pages->addTab(m_senders, QStringLiteral("Отправитель"));
    leftLayout->addWidget(m_pages, 1);
    left->setMinimumWidth(200);

    // Right pane: the four titled blocks.
    auto* right = new QWidget(splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 4, 4, 4);

    m_name = new QLineEdit(right);
    m_name->setFont(addressFont());
    describe(m_name, QStringLiteral("Название"), ControlNames::Main::recordName);
    auto* nameLayout = new QVBoxLayout;
    nameLayout->addWidget(m_name);
    rightLayout->addWidget(titledBlock(QStringLiteral("Название"), nameLayout, right));

    komy = addressEditor(right, QStringLiteral("Кому:"), ControlNames::Main::recipientName);
    kyda = addressEditor(right, QStringLiteral("Куда:"), ControlNames::Main::recipientAddress);
    intyda =
        indexEditor(right, QStringLiteral("Индекс получателя"), ControlNames::Main::recipientIndex);
    auto* recipient = addressGrid(QStringLiteral("Кому:"), komy, QStringLiteral("Куда:"), kyda,
                                  intyda, QStringLiteral("(Получателя)"), right);
    rightLayout->addWidget(titledBlock(QStringLiteral("Получатель"), recipient, right), 3);

    otkogo = addressEditor(right, QStringLiteral("От кого:"), ControlNames::Main::senderName);
    otkyda = addressEditor(right, QStringLiteral("От куда:"), ControlNames::Main::senderAddress);
    intyt =
        indexEditor(right, QStringLiteral("Индекс отправителя"), ControlNames::Main::senderIndex);
    auto* sender = addressGrid(QStringLiteral("От кого:"), otkogo, QStringLiteral("От куда:"),
                               otkyda, intyt, QStringLiteral("(Оправителя)"), right);
    rightLayout->addWidget(titledBlock(QStringLiteral("Отправитель"), sender, right), 3);
    // Shown until the first load replaces it.
    otkogo->setPlainText(QStringLiteral("Иванов Пётр Сергеевич\nООО «Образец»"));
    otkyda->setPlainText(QStringLiteral("ул. Примерная, д. 1, кв. 1\nг. Образцовск"));

    m_profile = new QComboBox(right);
    describe(m_profile, QStringLiteral("Профиль печати:"), ControlNames::Main::recipientProfile);
    auto* profileRow = new QHBoxLayout;
    profileRow->addWidget(fieldLabel(QStringLiteral("Профиль печати: "), m_profile, right));
    profileRow->addWidget(m_profile, 1);
    rightLayout->addWidget(titledBlock(QStringLiteral("Профиль"), profileRow, right));

    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setSizes({287, 853 - 287 - 8});
    splitter->setStretchFactor(1, 1);
}

void MainWindow::buildCommands() {
    auto* toolbar = addToolBar(QStringLiteral("Панель инструментов"));
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
    printAction = tool(QStringLiteral("Печать"), "document-print", QStyle::SP_FileIcon, {},
                       ControlNames::Main::printButton);
    saveAction = tool(QStringLiteral("Сохранить"), "document-save", QStyle::SP_DialogSaveButton,
                      QStringLiteral("Сохранение изменений"), ControlNames::Main::saveButton);
    addAction =
        tool(QStringLiteral("Добавить"), "list-add", QStyle::SP_FileDialogNewFolder,
             QStringLiteral("Добвление контрагента в базу данных"), ControlNames::Main::addButton);
    deleteAction =
        tool(QStringLiteral("Удалить"), "edit-delete", QStyle::SP_TrashIcon,
             QStringLiteral("Удалить выделенные контрагенты"), ControlNames::Main::deleteButton);
    clearAction = tool(QStringLiteral("Очистить"), "edit-clear", QStyle::SP_DialogResetButton,
                       QStringLiteral("Очистить форму конверта"), ControlNames::Main::clearButton);
    checkAllAction =
        tool(QStringLiteral("Отметить всё"), "edit-select-all", QStyle::SP_DialogApplyButton,
             QStringLiteral("Отметить или снять отметку со всех контрагентов"),
             ControlNames::Main::tickAllButton);
    settingsAction =
        tool(QStringLiteral("Настройки"), "preferences-system", QStyle::SP_FileDialogDetailedView,
             QStringLiteral("Предварительный просмотр"), ControlNames::Main::layoutEditorButton);
    groupsAction = tool(QStringLiteral("Группы"), "system-users", QStyle::SP_DirIcon,
                        QStringLiteral("Группы получателей"), ControlNames::Main::groupsButton);

    // Menu commands are named like the controls, so that tools and tests find them too.
    auto command = [](QMenu* menu, const QString& text, const char* programName) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(programName));
        return action;
    };
    auto* menu = menuBar()->addMenu(QStringLiteral("Меню"));
    menuPrint = command(menu, QStringLiteral("Печать"), ControlNames::Main::printCommand);
    menuPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    menu->addSeparator();
    menuImport =
        command(menu, QStringLiteral("Импорт адресов..."), ControlNames::Main::importCommand);
    menuExport =
        command(menu, QStringLiteral("Экспорт адресов..."), ControlNames::Main::exportCommand);
    menu->addSeparator();
    menuExit = command(menu, QStringLiteral("Выход"), ControlNames::Main::exitCommand);
    menuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4));
    auto* options = menuBar()->addMenu(QStringLiteral("Опции"));
    menuPrinterSetup = command(options, QStringLiteral("Настройки принтера"),
                               ControlNames::Main::printerSetupCommand);
    menuPrinterSetup->setShortcut(QKeySequence(Qt::Key_F3));
    menuPrintSettings = command(options, QStringLiteral("Настройки печати"),
                                ControlNames::Main::layoutEditorCommand);
    menuPrintSettings->setShortcut(QKeySequence(Qt::Key_F2));
    menuGroups = command(options, QStringLiteral("Группы..."), ControlNames::Main::groupsCommand);
    menuAddressBook = command(options, QStringLiteral("Адресная книга..."),
                              ControlNames::Main::addressBookCommand);
    auto* help = menuBar()->addMenu(QStringLiteral("?"));
    menuAbout = command(help, QStringLiteral("О программе..."), ControlNames::Main::aboutCommand);

    m_listMenu = new QMenu(this);
    m_listMenu->setObjectName(QString::fromLatin1(ControlNames::Main::listMenu));
    m_listDelete =
        command(m_listMenu, QStringLiteral("Удалить"), ControlNames::Main::listDeleteCommand);
    m_listShow =
        command(m_listMenu, QStringLiteral("Показать"), ControlNames::Main::listShowCommand);
    m_listAdd = command(m_listMenu, QStringLiteral("Добавить"), ControlNames::Main::listAddCommand);
    m_listGroups = command(m_listMenu, QStringLiteral("Группы получателя..."),
                           ControlNames::Main::listGroupsCommand);
    m_recipients->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_recipients, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        m_listMenu->popup(m_recipients->viewport()->mapToGlobal(at));
    });

    auto on = [this](QAction* action, void (MainWindow::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded(w.messages, [&] { (this->*handler)(); }); });
    };
    on(menuExit, &MainWindow::askToEnd);
    on(menuAbout, &MainWindow::showAbout);
    on(saveAction, &MainWindow::save);
    on(printAction, &MainWindow::printClick);
    on(menuPrint, &MainWindow::printClick);
    on(menuPrinterSetup, &MainWindow::setUpPrinter);
    on(m_listShow, &MainWindow::showPreview);
    on(addAction, &MainWindow::add);
    // The list menu adds like the toolbar: the new record replaces the editors, so
    // edits are asked about first.
    on(m_listAdd, &MainWindow::add);
    on(clearAction, &MainWindow::askToClearEditors);
    on(checkAllAction, &MainWindow::toggleAllTicks);
    on(settingsAction, &MainWindow::openLayoutEditor);
    on(menuPrintSettings, &MainWindow::openLayoutEditor);
    on(groupsAction, &MainWindow::openGroups);
    on(menuGroups, &MainWindow::openGroups);
    on(menuImport, &MainWindow::importFromFile);
    on(menuExport, &MainWindow::exportToFile);
    on(menuAddressBook, &MainWindow::chooseAddressBookPlace);
    on(m_listGroups, &MainWindow::openMemberGroups);
    connect(deleteAction, &QAction::triggered, this,
            [this] { guarded(w.messages, [this] { deleteChosen(false); }); });
    connect(m_listDelete, &QAction::triggered, this,
            [this] { guarded(w.messages, [this] { deleteChosen(true); }); });
    connect(m_searchButton, &QToolButton::clicked, this,
            [this] { guarded(w.messages, [this] { startSearch(); }); });
    // Enter searches like the button: a search reloads the editors, so edits are
    // asked about first rather than dropped.
    connect(m_searchText, &QLineEdit::returnPressed, this,
            [this] { guarded(w.messages, [this] { startSearch(); }); });
    connect(m_recipients, &QAbstractItemView::doubleClicked, this,
            [this] { guarded(w.messages, [this] { openLayoutEditor(); }); });
    connect(m_recipients, &CheckList::userSelected, this,
            [this](int row) { guarded(w.messages, [&] { recipientSelected(row); }); });
    connect(&m_recipients->lines(), &CheckListModel::userChecked, this,
            [this](int row) { guarded(w.messages, [&] { recipientTicked(row); }); });
    connect(m_senders, &ListBox::userSelected, this,
            [this](int row) { guarded(w.messages, [&] { senderSelected(row); }); });
    connect(m_profile, &QComboBox::activated, this,
            [this] { guarded(w.messages, [this] { profileChosen(); }); });
    connect(m_pages, &QTabWidget::currentChanged, this,
            [this] { guarded(w.messages, [this] { pageChanged(); }); });
    installIndexFilter(intyda);
    installIndexFilter(intyt);
}
