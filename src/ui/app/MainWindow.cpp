#include "ui/app/MainWindow.h"

#include "core/UserError.h"
#include "core/addressbook/OpenAddressBook.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/ReadOnlyFolder.h"
#include "ui/addressbook/CheckList.h"
#include "ui/addressbook/unAbout.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/Options1.h"
#include "ui/editor/uView.h"
#include "ui/printing/PageOutput.h"
#include "ui/printing/desk1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

namespace {} // namespace

MainWindow::MainWindow(Windows& windows)
    : output(std::make_unique<PageOutput>(windows.messages, windows.appdir)), w(windows) {
    buildLayout();
    buildCommands();
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setSingleShot(true);
    Timer1.setInterval(10);
    connect(&Timer1, &QTimer::timeout, this,
            [this] { guarded(w.messages, [this] { Timer1Timer(); }); });
    m_othersChanges.setObjectName(QStringLiteral("othersChangesTimer"));
    m_othersChanges.setInterval(othersChangesInterval);
    connect(&m_othersChanges, &QTimer::timeout, this,
            [this] { guarded(w.messages, [this] { othersChangesStep(); }); });
    creationStep();
}

MainWindow::~MainWindow() = default;

void MainWindow::creationStep() {
    appdir = w.appdir;
    appversion = QStringLiteral(ENVALO_VERSION);
    showall = true;
    // Without the settings file the address book still loads: an empty list would
    // look like lost addresses. The file is read once here, for both.
    IniFile ini(appdir + QStringLiteral("envalo.ini"));
    QString book = appdir + QStringLiteral("Convert.mdb");
    try {
        updateformats(ini);
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
            scrDpiX = qRound(screen->logicalDotsPerInchX());
            scrDpiY = qRound(screen->logicalDotsPerInchY());
        }
        openAddressBook(book, ini);
        Timer1.start();
    } catch (const std::exception& e) {
        w.messages.notice(errorMessage(e));
    }
}

void MainWindow::openAddressBook(const QString& location, IniFile& ini) {
    m_othersChanges.stop();
    OpenAddressBook& book = w.addressBook;
    book.open(location);
    columnadded = book.columnAdded();
    // A profile rename or delete that a stop cut off between the settings file and the
    // address book is finished before the recipients are read.
    try {
        book.finishNotedMove(ini);
    } catch (const std::exception& e) {
        w.messages.notice(errorMessage(e));
    }
    book.readTables();
    pages->setCurrentIndex(0);
    m_recipientPage = true;
    loadgroups();
    loadlists();
    loadrecords();
    applyPage();
    m_othersSeen = book.othersChanges();
    if (m_othersSeen >= 0)
        m_othersChanges.start();
}

void MainWindow::updateformats(IniFile& ini) {
    // A file that cannot be read is reported as a read reports it.
    ini.readLines();
    ini.editLines(withFullFormatNames);
}

void MainWindow::Timer1Timer() {
    Timer1.stop();
    checkprinter();
    setWindowTitle(applicationTitle() + QStringLiteral(" v") + appversion);
    if (columnadded) {
        w.addressBook.resetProfiles(cbp->currentText());
        w.messages.notice(QStringLiteral(
            "Структура базы успешно обновлена, необходимо перезапустить программу."));
        requestEnd();
    }
    // cbp shows the store's list of names; only its choice starts afresh here.
    cbp->setCurrentIndex(-1);
    if (cb->count() == 0)
        return;
    if (const auto recipient = w.addressBook.recipient(cb->currentText()))
        selectProfileEntry(recipient->profile);
    else
        cbp->setCurrentIndex(-1);
    // A settings file that could not be read at start is not created or replaced here.
    if (!m_settingsRead)
        return;
    ProgramOptions::writeProfile(w.opt->ini(), cbp->currentText());
    // This load is the last word at start: the store's own start-up load would only
    // repeat it, and a profile that cannot be loaded would be reported twice.
    w.opt->startTimer.stop();
    w.opt->loadprofile(cbp->currentText());
    w.desk->redraw();
}

void MainWindow::checkprinter() {
    output->checkprinter(ScreenConversions{scrDpiX, scrDpiY});
}

void MainWindow::printerSetupClick() {
    output->printerSetup();
}

void MainWindow::showClick() {
    w.desk->show();
    w.desk->redraw();
}

void MainWindow::selectProfileEntry(const QString& profile) {
    int found = -1;
    for (int i = 0; i < cbp->count(); ++i) {
        if (cbp->itemText(i).compare(profile, Qt::CaseInsensitive) == 0) {
            found = i;
            break;
        }
    }
    cbp->setCurrentIndex(found);
}

void MainWindow::exitClick() {
    if (w.messages.question(QStringLiteral("Нажмите ОК, чтобы завершить работу программы"),
                            QStringLiteral("Подтвердите")))
        requestEnd();
}

void MainWindow::aboutClick() {
    w.messages.showModal(*w.pAbout);
}

void MainWindow::requestEnd() {
    m_endRequested = true;
    emit endProgram();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (w.addressBook.isRead())
        storechecks();
    event->accept();
    requestEnd();
}

void MainWindow::saveClick() {
    w.desk->saveCapture(appdir + QStringLiteral("temp"));
    checkchanges();
}

void MainWindow::addClick() {
    checkchanges();
    addrecord();
}

void MainWindow::deleteClick(bool fromListMenu) {
    if (!fromListMenu && cb->count() == 0)
        return;
    if (!w.messages.question(QStringLiteral("Все отмеченные записи будут удалены"),
                             QStringLiteral("Подтвердите")))
        return;
    deleterecords();
}

void MainWindow::clearClick() {
    if (w.messages.question(QStringLiteral("Очистить форму конверта?"),
                            QStringLiteral("Подтверждение")))
        clearform();
}

void MainWindow::settingsClick() {
    checkchanges();
    if (cb->count() > 0)
        w.messages.showModal(*w.view);
}

void MainWindow::findClick() {
    checkchanges();
    findrecords();
}

void MainWindow::recipientSelected(int row) {
    const QString clicked = cb->text(row);
    checkchanges();
    selectRecipientLine(clicked);
    loadrecords();
    w.opt->loadprofile(cbp->currentText());
    w.desk->redraw();
    w.desk->compose();
}

void MainWindow::senderSelected(int row) {
    const QString clicked = cb2->item(row)->text();
    checkchanges();
    selectSenderLine(clicked);
    loadrecords();
    moveDefaultMark();
}

void MainWindow::pageChanged() {
    // The check runs for the page being left, before the editors change sides.
    checkchanges();
    m_recipientPage = pages->currentIndex() == 0;
    applyPage();
}

void MainWindow::cbpChange() {
    // The recipient's own profile changes only when the record is saved.
    ProgramOptions::writeProfile(w.opt->ini(), cbp->currentText());
    // This load is the last word at start: the store's own start-up load would only
    // repeat it, and a profile that cannot be loaded would be reported twice.
    w.opt->startTimer.stop();
    w.opt->loadprofile(cbp->currentText());
}

void MainWindow::showProfileNames(QAbstractItemModel* names) {
    cbp->setModel(names);
}

int MainWindow::chosenProfile() const {
    return cbp->currentIndex();
}

void MainWindow::chooseProfile(int index) {
    cbp->setCurrentIndex(index);
}

bool MainWindow::startLoadsProfile() const {
    return Timer1.isActive() && cb->count() > 0;
}

void MainWindow::editorClosed() {
    w.addressBook.rereadRecipients();
    loadrecords();
    // What choosing the selected recipient line does: its profile, as stored,
    // replaces whatever the editor did not save.
    const int row = cb->currentRow();
    if (row >= 0)
        recipientSelected(row);
}

bool MainWindow::stepRecipient(int direction) {
    const int selected = cb->currentRow();
    if (cb->count() == 0 || selected == (direction > 0 ? cb->count() - 1 : 0))
        return false;
    int from = selected;
    for (int row = 0; row < cb->count(); ++row) {
        if (cb->text(row) == rname->text()) {
            from = row;
            break;
        }
    }
    int target = from + direction;
    while (target >= 0 && target < cb->count() && !cb->isChecked(target))
        target += direction;
    if (target < 0 || target >= cb->count())
        return false;
    // Unsaved edits would be lost silently otherwise; saving may move lines, so go by name.
    const QString name = cb->text(target);
    checkchanges();
    for (int row = 0; row < cb->count(); ++row) {
        if (cb->text(row) == name) {
            cb->setCurrentRow(row);
            loadrecords();
            return true;
        }
    }
    return false;
}
