#include "ui/app/MainWindow.h"

#include "core/UserError.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/OpenAddressBook.h"
#include "core/run/PageOutput.h"
#include "core/run/ReadOnlyFolder.h"
#include "ui/addressbook/AboutWindow.h"
#include "ui/addressbook/CheckList.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/PreviewWindow.h"
#include "ui/printing/PrinterDialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

namespace {} // namespace

MainWindow::MainWindow(Windows& windows)
    : m_output(std::make_unique<PageOutput>(windows.messages, windows.appdir)), w(windows) {
    buildLayout();
    buildCommands();
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
}

MainWindow::~MainWindow() = default;

void MainWindow::creationStep() {
    appdir = w.appdir;
    m_appVersion = QStringLiteral(ENVALO_VERSION);
    m_showingAll = true;
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
    m_pages->setCurrentIndex(0);
    m_recipientPage = true;
    readGroupFilter();
    refillLists();
    showSelectedRecords();
    applyPage();
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
    checkprinter();
    setWindowTitle(applicationTitle() + QStringLiteral(" v") + m_appVersion);
    if (w.addressBook.columnAdded()) {
        w.addressBook.resetProfiles(m_profile->currentText());
        w.messages.notice(QStringLiteral(
            "Структура базы успешно обновлена, необходимо перезапустить программу."));
        requestEnd();
    }
    // m_profile shows the store's list of names; only its choice starts afresh here.
    m_profile->setCurrentIndex(-1);
    if (m_recipients->count() == 0)
        return;
    if (const auto recipient = w.addressBook.recipient(m_recipients->currentText()))
        selectProfileEntry(recipient->profile);
    else
        m_profile->setCurrentIndex(-1);
    // A settings file that could not be read at start is not created or replaced here.
    if (!m_settingsRead)
        return;
    ProgramOptions::writeProfile(w.profileStore->ini(), m_profile->currentText());
    // This load is the last word at start: the store's own start-up load would only
    // repeat it, and a profile that cannot be loaded would be reported twice.
    w.profileStore->cancelStartLoad();
    w.profileStore->load(m_profile->currentText());
    w.preview->redraw();
}

void MainWindow::checkprinter() {
    m_output->checkprinter(ScreenConversions{m_scrDpiX, m_scrDpiY});
}

void MainWindow::setUpPrinter() {
    choosePrinter(w.messages, *m_output);
}

void MainWindow::showPreview() {
    w.preview->show();
    w.preview->redraw();
}

void MainWindow::selectProfileEntry(const QString& profile) {
    int found = -1;
    for (int i = 0; i < m_profile->count(); ++i) {
        if (m_profile->itemText(i).compare(profile, Qt::CaseInsensitive) == 0) {
            found = i;
            break;
        }
    }
    m_profile->setCurrentIndex(found);
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
        storeTicks();
    event->accept();
    requestEnd();
}

void MainWindow::save() {
    w.preview->saveCapture(appdir + QStringLiteral("temp"));
    offerToSaveChanges();
}

void MainWindow::add() {
    offerToSaveChanges();
    addRecord();
}

void MainWindow::deleteChosen(bool fromListMenu) {
    if (!fromListMenu && m_recipients->count() == 0)
        return;
    if (!w.messages.question(QStringLiteral("Все отмеченные записи будут удалены"),
                             QStringLiteral("Подтвердите")))
        return;
    deleteRecords();
}

void MainWindow::askToClearEditors() {
    if (w.messages.question(QStringLiteral("Очистить форму конверта?"),
                            QStringLiteral("Подтверждение")))
        clearEditors();
}

void MainWindow::openLayoutEditor() {
    offerToSaveChanges();
    if (m_recipients->count() > 0)
        w.messages.showModal(*w.layoutEditor);
}

void MainWindow::startSearch() {
    offerToSaveChanges();
    search();
}

void MainWindow::recipientSelected(int row) {
    const QString clicked = m_recipients->text(row);
    offerToSaveChanges();
    selectRecipientLine(clicked);
    showSelectedRecords();
    w.profileStore->load(m_profile->currentText());
    w.preview->redraw();
    w.preview->compose();
}

void MainWindow::senderSelected(int row) {
    const QString clicked = m_senders->item(row)->text();
    offerToSaveChanges();
    selectSenderLine(clicked);
    showSelectedRecords();
    moveDefaultMark();
}

void MainWindow::pageChanged() {
    // The check runs for the page being left, before the editors change sides.
    offerToSaveChanges();
    m_recipientPage = m_pages->currentIndex() == 0;
    applyPage();
}

void MainWindow::profileChosen() {
    // The recipient's own profile changes only when the record is saved.
    ProgramOptions::writeProfile(w.profileStore->ini(), m_profile->currentText());
    // This load is the last word at start: the store's own start-up load would only
    // repeat it, and a profile that cannot be loaded would be reported twice.
    w.profileStore->cancelStartLoad();
    w.profileStore->load(m_profile->currentText());
}

void MainWindow::showProfileNames(QAbstractItemModel* names) {
    m_profile->setModel(names);
}

int MainWindow::chosenProfile() const {
    return m_profile->currentIndex();
}

void MainWindow::chooseProfile(int index) {
    m_profile->setCurrentIndex(index);
}

bool MainWindow::startLoadsProfile() const {
    return m_deferredStart.isActive() && m_recipients->count() > 0;
}

void MainWindow::editorClosed() {
    w.addressBook.rereadRecipients();
    showSelectedRecords();
    // What choosing the selected recipient line does: its profile, as stored,
    // replaces whatever the editor did not save.
    const int row = m_recipients->currentRow();
    if (row >= 0)
        recipientSelected(row);
}

bool MainWindow::stepRecipient(int direction) {
    const int selected = m_recipients->currentRow();
    if (m_recipients->count() == 0 || selected == (direction > 0 ? m_recipients->count() - 1 : 0))
        return false;
    int from = selected;
    for (int row = 0; row < m_recipients->count(); ++row) {
        if (m_recipients->text(row) == m_name->text()) {
            from = row;
            break;
        }
    }
    int target = from + direction;
    while (target >= 0 && target < m_recipients->count() && !m_recipients->isChecked(target))
        target += direction;
    if (target < 0 || target >= m_recipients->count())
        return false;
    // Unsaved edits would be lost silently otherwise; saving may move lines, so go by name.
    const QString name = m_recipients->text(target);
    offerToSaveChanges();
    for (int row = 0; row < m_recipients->count(); ++row) {
        if (m_recipients->text(row) == name) {
            m_recipients->setCurrentRow(row);
            showSelectedRecords();
            return true;
        }
    }
    return false;
}
