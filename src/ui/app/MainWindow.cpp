#include "ui/app/MainWindow.h"

#include "core/UserError.h"
#include "core/addressbook/AccessBook.h"
#include "core/addressbook/AddressDb.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/OpenAddressBook.h"
#include "core/run/PageOutput.h"
#include "core/run/ReadOnlyFolder.h"
#include "ui/addressbook/AboutWindow.h"
#include "ui/addressbook/AccessConversion.h"
#include "ui/addressbook/AddressBookPlace.h"
#include "ui/addressbook/GroupsWindow.h"
#include "ui/app/MainCommands.h"
#include "ui/app/RecipientTicks.h"
#include "ui/app/RecordChanges.h"
#include "ui/app/RecordEditors.h"
#include "ui/app/RecordsPane.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Icons.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/ScreenFit.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/PreviewWindow.h"
#include "ui/printing/PrinterDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>

MainWindow::MainWindow(Windows& windows)
    : w(windows), m_output(std::make_unique<PageOutput>(windows.messages, windows.appdir)) {
    setWindowTitle(applicationTitle());
    setWindowIcon(envelopeIcon());
    m_records = new RecordsPane(w, this);
    setCentralWidget(m_records);
    m_commands = std::make_unique<MainCommands>(w, *this, *m_records);
    connect(&m_records->editors(), &RecordEditors::profileChosen, this,
            [this] { guarded(w.messages, [this] { loadChosenProfile(); }); });
    connect(&m_records->editors(), &RecordEditors::recipientNameNotInDative, this,
            [this](const QString& name) {
                w.messages.notice(
                    name.isEmpty()
                        ? QStringLiteral("Впишите название записи: «Кому» заполняется из него.")
                        : QStringLiteral("«%1» не удалось поставить в дательный падеж: в «Кому» "
                                         "вписано как есть. Проверьте «Кому»; в дательный "
                                         "падеж ставятся фамилия, имя и отчество, например "
                                         "«Кузнецов Андрей Викторович».")
                              .arg(name));
            });
    m_deferredStart.setObjectName(QString::fromLatin1(ControlNames::Main::deferredStartTimer));
    m_deferredStart.setSingleShot(true);
    m_deferredStart.setInterval(10);
    connect(&m_deferredStart, &QTimer::timeout, this,
            [this] { guarded(w.messages, [this] { runDeferredStart(); }); });
    m_othersChanges.setObjectName(QString::fromLatin1(ControlNames::Main::othersChangesTimer));
    m_othersChanges.setInterval(othersChangesInterval);
    connect(&m_othersChanges, &QTimer::timeout, this,
            [this] { guarded(w.messages, [this] { othersChangesStep(); }); });
    creationStep();
    // 853 x 788 where the screen has room; on a smaller one the screen's available area.
    fitOnScreen(*this, QSize(853, 788));
}

MainWindow::~MainWindow() = default;

void MainWindow::creationStep() {
    appdir = w.appdir;
    m_appVersion = QStringLiteral(ENVALO_VERSION);
    // Without the settings file the address book still loads: an empty list would
    // look like lost addresses. The file is read once here, for both.
    IniFile ini(appdir + QStringLiteral("envalo.ini"));
    QString book = appdir + QStringLiteral("Convert.mdb");
    try {
        writeFullFormatNames(ini);
        m_settingsRead = true;
    } catch (const std::exception& e) {
        m_settingsRead = false;
        w.messages.notice(errorMessage(e));
    }
    try {
        book = ProgramOptions::read(ini).addressBookIn(appdir);
    } catch (const std::exception&) {
        // Unreadable settings leave the embedded address book, as they always did.
    }
    try {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            m_scrDpiX = qRound(screen->logicalDotsPerInchX());
            m_scrDpiY = qRound(screen->logicalDotsPerInchY());
        }
        openAddressBook(book, ini);
        m_deferredStart.start();
    } catch (const std::exception& e) {
        w.messages.notice(errorMessage(e));
    }
}

void MainWindow::setPageOutput(std::unique_ptr<PageOutput> output) {
    m_output = std::move(output);
}

void MainWindow::openAddressBook(const QString& location, IniFile& ini) {
    m_othersChanges.stop();
    OpenAddressBook& book = w.addressBook;
    book.open(location);
    // A profile rename or delete that a stop cut off between the settings file and the
    // address book is finished before the recipients are read.
    try {
        book.finishNotedMove(ini);
    } catch (const std::exception& e) {
        w.messages.notice(errorMessage(e));
    }
    book.readTables();
    m_records->showAddressBook();
    m_othersSeen = book.othersChanges();
    if (m_othersSeen >= 0)
        m_othersChanges.start();
}

void MainWindow::writeFullFormatNames(IniFile& ini) {
    // A file that cannot be read is reported as a read reports it.
    ini.readLines();
    ini.editLines(withFullFormatNames);
}

void MainWindow::runDeferredStart() {
    m_deferredStart.stop();
    m_output->checkprinter(ScreenConversions{m_scrDpiX, m_scrDpiY});
    setWindowTitle(applicationTitle() + QStringLiteral(" v") + m_appVersion);
    if (w.addressBook.columnAdded()) {
        w.addressBook.resetProfiles(m_records->editors().profile());
        w.messages.notice(QStringLiteral(
            "Структура базы успешно обновлена, необходимо перезапустить программу."));
        requestEnd();
    }
    // The profile list shows the store's list of names; only its choice starts afresh here.
    RecordEditors& editors = m_records->editors();
    editors.chooseProfile(-1);
    if (!m_records->hasRecipients())
        return;
    if (const auto recipient = w.addressBook.recipient(m_records->selectedRecipient()))
        editors.selectProfile(recipient->profile);
    else
        editors.chooseProfile(-1);
    // A settings file that could not be read at start is not created or replaced here.
    if (!m_settingsRead)
        return;
    loadChosenProfile();
    w.preview->redraw();
}

void MainWindow::setUpPrinter() {
    choosePrinter(w.messages, *m_output);
    showDestination();
}

void MainWindow::showDestination() {
    const PrintDestination& destination = m_output->destination();
    const bool file = destination.kind == PrintDestination::Kind::File;
    if (file && !m_destination) {
        m_destination = new QLabel(statusBar());
        m_destination->setObjectName(QString::fromLatin1(ControlNames::Main::destination));
        statusBar()->addWidget(m_destination, 1);
    }
    if (file) {
        const QString text = QStringLiteral("Конверты печатаются в файл «%1»")
                                 .arg(QDir::toNativeSeparators(destination.file));
        m_destination->setText(text);
        m_destination->setAccessibleName(text);
    }
    if (m_destination)
        statusBar()->setVisible(file);
}

void MainWindow::showPreview() {
    w.preview->show();
    w.preview->redraw();
}

void MainWindow::askToEnd() {
    if (w.messages.question(QStringLiteral("Нажмите ОК, чтобы завершить работу программы"),
                            QStringLiteral("Подтвердите")))
        requestEnd();
}

void MainWindow::showAbout() {
    w.messages.showModal(*w.aboutWindow);
}

void MainWindow::requestEnd() {
    m_endRequested = true;
    emit endProgram();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (w.addressBook.isRead())
        m_records->ticks().storeAll();
    event->accept();
    requestEnd();
}

void MainWindow::openLayoutEditor() {
    m_records->changes().offerToSaveChanges();
    if (m_records->hasRecipients())
        w.messages.showModal(*w.layoutEditor);
}

void MainWindow::openGroups() {
    m_records->changes().offerToSaveChanges();
    w.messages.showModal(*w.groupsWindow);
}

void MainWindow::chooseAddressBookPlace() {
    m_records->changes().offerToSaveChanges();
    IniFile& ini = w.profileStore->ini();
    const QString current = ProgramOptions::read(ini).addressbook.trimmed();
    AddressBookPlace window(this, w.messages, current);
    // The same address book is opened again only when its connection has gone, as a server's
    // session that ended leaves it; otherwise the lists stay as they are.
    if (w.messages.showModal(window) != QDialog::Accepted ||
        (window.location() == current && w.addressBook.isOpen()))
        return;
    // The folder's file may be an address book an older Windows version kept in Microsoft
    // Access: chosen, it is converted first, or nothing changes.
    ProgramOptions chosen;
    chosen.addressbook = window.location();
    const QString path = chosen.addressBookIn(appdir);
    if (!AddressDb::isServerText(path) && isAccessFile(path) &&
        !offerAccessConversion(path, w.messages))
        return;
    ProgramOptions::writeAddressBook(ini, window.location());
    // The lists show the address book chosen at once.
    openAddressBook(ProgramOptions::read(ini).addressBookIn(appdir), ini);
}

void MainWindow::loadChosenProfile() {
    // The recipient's own profile changes only when the record is saved.
    const QString profile = m_records->editors().profile();
    ProgramOptions::writeProfile(w.profileStore->ini(), profile);
    // This load is the last word at start: the store's own start-up load would only
    // repeat it, and a profile that cannot be loaded would be reported twice.
    w.profileStore->cancelStartLoad();
    w.profileStore->load(profile);
}

void MainWindow::refillLists() {
    m_records->refillLists();
}

AddressTexts MainWindow::addressTexts() const {
    return m_records->editors().texts();
}

void MainWindow::showProfileNames(QAbstractItemModel* names) {
    m_records->editors().showProfileNames(names);
}

int MainWindow::chosenProfile() const {
    return m_records->editors().chosenProfile();
}

void MainWindow::chooseProfile(int index) {
    m_records->editors().chooseProfile(index);
}

bool MainWindow::startLoadsProfile() const {
    return m_deferredStart.isActive() && m_records->hasRecipients();
}

void MainWindow::editorClosed() {
    m_records->reloadAfterEditor();
}

bool MainWindow::stepRecipient(int direction) {
    return m_records->stepRecipient(direction);
}

void MainWindow::othersChangesStep() {
    // A question, an import or the print run works with the lists as they are; so does a
    // user typing or holding an unsaved record.
    OpenAddressBook& book = w.addressBook;
    if (m_printing || book.inTransaction() || QApplication::activeModalWidget() ||
        QApplication::activePopupWidget() || m_records->formChanged())
        return;
    const QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused) &&
        (qobject_cast<const QLineEdit*>(focused) || qobject_cast<const QPlainTextEdit*>(focused)))
        return;
    const qint64 seen = book.othersChanges();
    if (seen < 0 && book.sessionEnded()) {
        // The user is asked rather than the window connecting by itself: a connection from the
        // timer would hold the window for as long as libpq waits on a broken network, time
        // after time. Asked once, as the steps stop with it; after "no" every action says the
        // link broke, as before, until the address book is opened again.
        if (!m_othersChanges.isActive())
            return;
        m_othersChanges.stop();
        const QString server = book.location();
        if (w.messages.question(
                QStringLiteral("Связь с сервером базы данных «%1» прервалась: изменения, "
                               "сделанные на других рабочих местах, больше не показываются. "
                               "Подключиться к серверу заново?")
                    .arg(server),
                applicationTitle()))
            openAddressBook(server, w.profileStore->ini());
        return;
    }
    if (seen < 0 || seen == m_othersSeen)
        return;
    m_othersSeen = seen;
    m_records->showOthersChanges();
}
