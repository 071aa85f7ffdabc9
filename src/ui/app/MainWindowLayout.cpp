// The main window's controls, menus, toolbar and hints.
#include "ui/app/MainWindow.h"
#include "ui/controls/DialogParts.h"

#include "ui/addressbook/CheckList.h"
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

    // Left pane: search, then the two lists on pages with their tabs at the bottom.
    auto* left = new QWidget(splitter);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(4, 4, 0, 4);
    auto* searchRow = new QHBoxLayout;
    editfind = new QLineEdit(left);
    describe(editfind, QStringLiteral("Поиск"), "editfind");
    findButton = new QToolButton(left);
    findButton->setIcon(themeIcon("edit-find", QStyle::SP_FileDialogContentsView));
    findButton->setToolTip(QStringLiteral("Выполнить поиск"));
    describe(findButton, QStringLiteral("Выполнить поиск"), "SpeedButton1");
    searchRow->addWidget(editfind);
    searchRow->addWidget(findButton);
    leftLayout->addLayout(searchRow);
    cb1 = new QCheckBox(QStringLiteral("Только название целиком"), left);
    describe(cb1, cb1->text(), "cb1");
    leftLayout->addWidget(cb1);

    pages = new QTabWidget(left);
    pages->setTabPosition(QTabWidget::South);
    describe(pages, QStringLiteral("Страницы списков"), "PageControl1");
    cb = new CheckList(pages);
    cb->setFont(addressFont());
    describe(cb, QStringLiteral("Список получателей"), "cb");
    cb2 = new ListBox(pages);
    cb2->setFont(addressFont());
    cb2->setSelectionMode(QAbstractItemView::SingleSelection);
    describe(cb2, QStringLiteral("Список отправителей"), "cb2");
    pages->addTab(cb, QStringLiteral("Получатель"));
    pages->addTab(cb2, QStringLiteral("Отправитель"));
    leftLayout->addWidget(pages, 1);
    left->setMinimumWidth(200);

    // Right pane: the four titled blocks.
    auto* right = new QWidget(splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 4, 4, 4);

    rname = new QLineEdit(right);
    rname->setFont(addressFont());
    describe(rname, QStringLiteral("Название"), "rname");
    auto* nameLayout = new QVBoxLayout;
    nameLayout->addWidget(rname);
    rightLayout->addWidget(titledBlock(QStringLiteral("Название"), nameLayout, right));

    komy = addressEditor(right, QStringLiteral("Кому:"), "komy");
    kyda = addressEditor(right, QStringLiteral("Куда:"), "kyda");
    intyda = indexEditor(right, QStringLiteral("Индекс получателя"), "intyda");
    auto* recipient = addressGrid(QStringLiteral("Кому:"), komy, QStringLiteral("Куда:"), kyda,
                                  intyda, QStringLiteral("(Получателя)"), right);
    rightLayout->addWidget(titledBlock(QStringLiteral("Получатель"), recipient, right), 3);

    otkogo = addressEditor(right, QStringLiteral("От кого:"), "otkogo");
    otkyda = addressEditor(right, QStringLiteral("От куда:"), "otkyda");
    intyt = indexEditor(right, QStringLiteral("Индекс отправителя"), "intyt");
    auto* sender = addressGrid(QStringLiteral("От кого:"), otkogo, QStringLiteral("От куда:"),
                               otkyda, intyt, QStringLiteral("(Оправителя)"), right);
    rightLayout->addWidget(titledBlock(QStringLiteral("Отправитель"), sender, right), 3);
    // Shown until the first load replaces it.
    otkogo->setPlainText(QStringLiteral("Иванов Пётр Сергеевич\nООО «Образец»"));
    otkyda->setPlainText(QStringLiteral("ул. Примерная, д. 1, кв. 1\nг. Образцовск"));

    cbp = new QComboBox(right);
    describe(cbp, QStringLiteral("Профиль печати:"), "cbp");
    auto* profileRow = new QHBoxLayout;
    profileRow->addWidget(fieldLabel(QStringLiteral("Профиль печати: "), cbp, right));
    profileRow->addWidget(cbp, 1);
    rightLayout->addWidget(titledBlock(QStringLiteral("Профиль"), profileRow, right));

    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setSizes({287, 853 - 287 - 8});
    splitter->setStretchFactor(1, 1);
}

void MainWindow::buildCommands() {
    auto* toolbar = addToolBar(QStringLiteral("Панель инструментов"));
    toolbar->setObjectName(QStringLiteral("ToolBar1"));
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
    printAction =
        tool(QStringLiteral("Печать"), "document-print", QStyle::SP_FileIcon, {}, "ToolButton1");
    saveAction = tool(QStringLiteral("Сохранить"), "document-save", QStyle::SP_DialogSaveButton,
                      QStringLiteral("Сохранение изменений"), "ToolButton2");
    addAction = tool(QStringLiteral("Добавить"), "list-add", QStyle::SP_FileDialogNewFolder,
                     QStringLiteral("Добвление контрагента в базу данных"), "ToolButton3");
    deleteAction = tool(QStringLiteral("Удалить"), "edit-delete", QStyle::SP_TrashIcon,
                        QStringLiteral("Удалить выделенные контрагенты"), "ToolButton4");
    clearAction = tool(QStringLiteral("Очистить"), "edit-clear", QStyle::SP_DialogResetButton,
                       QStringLiteral("Очистить форму конверта"), "ToolButton5");
    checkAllAction =
        tool(QStringLiteral("Отметить всё"), "edit-select-all", QStyle::SP_DialogApplyButton,
             QStringLiteral("Отметить или снять отметку со всех контрагентов"), "ToolButton6");
    settingsAction =
        tool(QStringLiteral("Настройки"), "preferences-system", QStyle::SP_FileDialogDetailedView,
             QStringLiteral("Предварительный просмотр"), "ToolButton7");
    groupsAction = tool(QStringLiteral("Группы"), "system-users", QStyle::SP_DirIcon,
                        QStringLiteral("Группы получателей"), "ToolButtonGroups");

    // Menu commands are named like the controls, so that tools and tests find them too.
    auto command = [](QMenu* menu, const QString& text, const char* programName) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(programName));
        return action;
    };
    auto* menu = menuBar()->addMenu(QStringLiteral("Меню"));
    menuPrint = command(menu, QStringLiteral("Печать"), "menuPrint");
    menuPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    menu->addSeparator();
    menuImport = command(menu, QStringLiteral("Импорт адресов..."), "menuImport");
    menuExport = command(menu, QStringLiteral("Экспорт адресов..."), "menuExport");
    menu->addSeparator();
    menuExit = command(menu, QStringLiteral("Выход"), "menuExit");
    menuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4));
    auto* options = menuBar()->addMenu(QStringLiteral("Опции"));
    menuPrinterSetup = command(options, QStringLiteral("Настройки принтера"), "menuPrinterSetup");
    menuPrinterSetup->setShortcut(QKeySequence(Qt::Key_F3));
    menuPrintSettings = command(options, QStringLiteral("Настройки печати"), "menuPrintSettings");
    menuPrintSettings->setShortcut(QKeySequence(Qt::Key_F2));
    menuGroups = command(options, QStringLiteral("Группы..."), "menuGroups");
    menuAddressBook = command(options, QStringLiteral("Адресная книга..."), "menuAddressBook");
    auto* help = menuBar()->addMenu(QStringLiteral("?"));
    menuAbout = command(help, QStringLiteral("О программе..."), "menuAbout");

    cbMenu = new QMenu(this);
    cbMenu->setObjectName(QStringLiteral("cbMenu"));
    cbMenuDelete = command(cbMenu, QStringLiteral("Удалить"), "cbMenuDelete");
    cbMenuShow = command(cbMenu, QStringLiteral("Показать"), "cbMenuShow");
    cbMenuAdd = command(cbMenu, QStringLiteral("Добавить"), "cbMenuAdd");
    cbMenuGroups = command(cbMenu, QStringLiteral("Группы получателя..."), "cbMenuGroups");
    cb->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(cb, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { cbMenu->popup(cb->viewport()->mapToGlobal(at)); });

    auto on = [this](QAction* action, void (MainWindow::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded(w.messages, [&] { (this->*handler)(); }); });
    };
    on(menuExit, &MainWindow::exitClick);
    on(menuAbout, &MainWindow::aboutClick);
    on(saveAction, &MainWindow::saveClick);
    on(printAction, &MainWindow::printClick);
    on(menuPrint, &MainWindow::printClick);
    on(menuPrinterSetup, &MainWindow::printerSetupClick);
    on(cbMenuShow, &MainWindow::showClick);
    on(addAction, &MainWindow::addClick);
    // The list menu adds like the toolbar: the new record replaces the editors, so
    // edits are asked about first.
    on(cbMenuAdd, &MainWindow::addClick);
    on(clearAction, &MainWindow::clearClick);
    on(checkAllAction, &MainWindow::checkAll);
    on(settingsAction, &MainWindow::settingsClick);
    on(menuPrintSettings, &MainWindow::settingsClick);
    on(groupsAction, &MainWindow::groupsClick);
    on(menuGroups, &MainWindow::groupsClick);
    on(menuImport, &MainWindow::importClick);
    on(menuExport, &MainWindow::exportClick);
    on(menuAddressBook, &MainWindow::addressBookClick);
    on(cbMenuGroups, &MainWindow::memberGroupsClick);
    connect(deleteAction, &QAction::triggered, this,
            [this] { guarded(w.messages, [this] { deleteClick(false); }); });
    connect(cbMenuDelete, &QAction::triggered, this,
            [this] { guarded(w.messages, [this] { deleteClick(true); }); });
    connect(findButton, &QToolButton::clicked, this,
            [this] { guarded(w.messages, [this] { findClick(); }); });
    // Enter searches like the button: a search reloads the editors, so edits are
    // asked about first rather than dropped.
    connect(editfind, &QLineEdit::returnPressed, this,
            [this] { guarded(w.messages, [this] { findClick(); }); });
    connect(cb, &QAbstractItemView::doubleClicked, this,
            [this] { guarded(w.messages, [this] { settingsClick(); }); });
    connect(cb, &CheckList::userSelected, this,
            [this](int row) { guarded(w.messages, [&] { recipientSelected(row); }); });
    connect(&cb->lines(), &CheckListModel::userChecked, this,
            [this](int row) { guarded(w.messages, [&] { recipientTicked(row); }); });
    connect(cb2, &ListBox::userSelected, this,
            [this](int row) { guarded(w.messages, [&] { senderSelected(row); }); });
    connect(cbp, &QComboBox::activated, this,
            [this] { guarded(w.messages, [this] { cbpChange(); }); });
    connect(pages, &QTabWidget::currentChanged, this,
            [this] { guarded(w.messages, [this] { pageChanged(); }); });
    installIndexFilter(intyda);
    installIndexFilter(intyt);
}
