#include "ui/app/Envalo.h"

#include "core/UserError.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/ProfileMove.h"
#include "core/run/ReadOnlyFolder.h"
#include "ui/addressbook/CheckList.h"
#include "ui/addressbook/unAbout.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/PageOutput.h"
#include "ui/printing/desk1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

namespace {} // namespace

Tfrm::Tfrm(Windows& windows)
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

Tfrm::~Tfrm() {
    table.reset();
    table2.reset();
    groups.reset();
    db.close();
}

void Tfrm::creationStep() {
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

void Tfrm::openAddressBook(const QString& location, IniFile& ini) {
    m_othersChanges.stop();
    table.reset();
    table2.reset();
    groups.reset();
    checkedgroups.clear();
    db.close();
    db.open(location, AddressDb::addressTables());
    columnadded = db.createcolumn();
    // Reopened so that the cursors see a column just added; otherwise the connection stands
    // (on a server, opening is a connection and a look at the catalogue).
    if (columnadded) {
        db.close();
        db.open(location);
    }
    // A profile rename or delete that a stop cut off between the settings file and the
    // address book is finished before the recipients are read.
    try {
        finishNotedMove(ini, db);
    } catch (const std::exception& e) {
        w.messages.notice(errorMessage(e));
    }
    table = std::make_unique<TableCursor>(db, QStringLiteral("table"), QStringLiteral("name"));
    table2 = std::make_unique<TableCursor>(db, QStringLiteral("table2"), QStringLiteral("otkogo"),
                                           QStringLiteral("default"));
    groups = std::make_unique<TableCursor>(db, QStringLiteral("groups"), QStringLiteral("pname"),
                                           QStringLiteral("check"));
    table->open();
    table2->open();
    groups->open();
    pages->setCurrentIndex(0);
    m_recipientPage = true;
    loadgroups();
    loadlists();
    loadrecords();
    applyPage();
    m_othersSeen = db.othersChanges();
    if (m_othersSeen >= 0)
        m_othersChanges.start();
}

void Tfrm::updateformats(IniFile& ini) {
    // A file that cannot be read is reported as a read reports it.
    ini.readLines();
    ini.editLines(withFullFormatNames);
}

void Tfrm::Timer1Timer() {
    Timer1.stop();
    checkprinter();
    setWindowTitle(applicationTitle() + QStringLiteral(" v") + appversion);
    if (columnadded) {
        db.resetProfiles(cbp->currentText());
        w.messages.notice(QStringLiteral(
            "Структура базы успешно обновлена, необходимо перезапустить программу."));
        requestEnd();
    }
    // cbp shows the store's list of names; only its choice starts afresh here.
    cbp->setCurrentIndex(-1);
    if (cb->count() == 0)
        return;
    if (table->locate(cb->currentText()))
        selectProfileEntry(table->text(QStringLiteral("profile")));
    else
        cbp->setCurrentIndex(-1);
    // A settings file that could not be read at start is not created or replaced here.
    if (!m_settingsRead)
        return;
    ProgramOptions::writeProfile(w.profileStore->ini(), cbp->currentText());
    // This load is the last word at start: the store's own start-up load would only
    // repeat it, and a profile that cannot be loaded would be reported twice.
    w.profileStore->startTimer.stop();
    w.profileStore->load(cbp->currentText());
    w.desk->redraw();
}

void Tfrm::checkprinter() {
    output->checkprinter(ScreenConversions{scrDpiX, scrDpiY});
}

void Tfrm::printerSetupClick() {
    output->printerSetup();
}

void Tfrm::showClick() {
    w.desk->show();
    w.desk->redraw();
}

void Tfrm::selectProfileEntry(const QString& profile) {
    int found = -1;
    for (int i = 0; i < cbp->count(); ++i) {
        if (cbp->itemText(i).compare(profile, Qt::CaseInsensitive) == 0) {
            found = i;
            break;
        }
    }
    cbp->setCurrentIndex(found);
}

void Tfrm::exitClick() {
    if (w.messages.question(QStringLiteral("Нажмите ОК, чтобы завершить работу программы"),
                            QStringLiteral("Подтвердите")))
        requestEnd();
}

void Tfrm::aboutClick() {
    w.messages.showModal(*w.pAbout);
}

void Tfrm::requestEnd() {
    m_endRequested = true;
    emit endProgram();
}

void Tfrm::closeEvent(QCloseEvent* event) {
    if (table && table->isOpen())
        storechecks();
    event->accept();
    requestEnd();
}

void Tfrm::saveClick() {
    w.desk->saveCapture(appdir + QStringLiteral("temp"));
    checkchanges();
}

void Tfrm::addClick() {
    checkchanges();
    addrecord();
}

void Tfrm::deleteClick(bool fromListMenu) {
    if (!fromListMenu && cb->count() == 0)
        return;
    if (!w.messages.question(QStringLiteral("Все отмеченные записи будут удалены"),
                             QStringLiteral("Подтвердите")))
        return;
    deleterecords();
}

void Tfrm::clearClick() {
    if (w.messages.question(QStringLiteral("Очистить форму конверта?"),
                            QStringLiteral("Подтверждение")))
        clearform();
}

void Tfrm::settingsClick() {
    checkchanges();
    if (cb->count() > 0)
        w.messages.showModal(*w.layoutEditor);
}

void Tfrm::findClick() {
    checkchanges();
    findrecords();
}

void Tfrm::recipientSelected(int row) {
    const QString clicked = cb->text(row);
    checkchanges();
    selectRecipientLine(clicked);
    loadrecords();
    w.profileStore->load(cbp->currentText());
    w.desk->redraw();
    w.desk->compose();
}

void Tfrm::senderSelected(int row) {
    const QString clicked = cb2->item(row)->text();
    checkchanges();
    selectSenderLine(clicked);
    loadrecords();
    moveDefaultMark();
}

void Tfrm::pageChanged() {
    // The check runs for the page being left, before the editors change sides.
    checkchanges();
    m_recipientPage = pages->currentIndex() == 0;
    applyPage();
}

void Tfrm::cbpChange() {
    // The recipient's own profile changes only when the record is saved.
    ProgramOptions::writeProfile(w.profileStore->ini(), cbp->currentText());
    // This load is the last word at start: the store's own start-up load would only
    // repeat it, and a profile that cannot be loaded would be reported twice.
    w.profileStore->startTimer.stop();
    w.profileStore->load(cbp->currentText());
}

void Tfrm::showProfileNames(QAbstractItemModel* names) {
    cbp->setModel(names);
}

int Tfrm::chosenProfile() const {
    return cbp->currentIndex();
}

void Tfrm::chooseProfile(int index) {
    cbp->setCurrentIndex(index);
}

bool Tfrm::startLoadsProfile() const {
    return Timer1.isActive() && cb->count() > 0;
}

void Tfrm::editorClosed() {
    table->refresh();
    loadrecords();
    // What choosing the selected recipient line does: its profile, as stored,
    // replaces whatever the editor did not save.
    const int row = cb->currentRow();
    if (row >= 0)
        recipientSelected(row);
}

bool Tfrm::stepRecipient(int direction) {
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
