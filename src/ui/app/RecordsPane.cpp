// The main window's address book: the lists and the editors beside them, choosing records,
// the search and the ticked listing.
#include "ui/app/RecordsPane.h"

#include "core/addressbook/AddressImport.h"
#include "core/run/OpenAddressBook.h"
#include "core/run/PrintRun.h"
#include "ui/addressbook/CheckList.h"
#include "ui/addressbook/MemberGroupsWindow.h"
#include "ui/app/MainWindowParts.h"
#include "ui/app/RecipientTicks.h"
#include "ui/app/RecordChanges.h"
#include "ui/app/RecordEditors.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Icons.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/PreviewWindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

RecordsPane::RecordsPane(Windows& windows, QWidget* parent)
    : QSplitter(Qt::Horizontal, parent), w(windows) {
    setHandleWidth(8);
    QWidget* lists = buildLists();
    m_editors = new RecordEditors(this);
    m_ticks = std::make_unique<RecipientTicks>(w.addressBook, w.messages, m_recipients->lines());
    m_changes = std::make_unique<RecordChanges>(w, *this, *m_recipients, *m_senders);
    addWidget(lists);
    addWidget(m_editors);
    setSizes({287, 853 - 287 - 8});
    setStretchFactor(1, 1);

    connect(m_searchButton, &QToolButton::clicked, this,
            [this] { guarded(w.messages, [this] { startSearch(); }); });
    // Enter searches like the button: a search reloads the editors, so edits are
    // asked about first rather than dropped.
    connect(m_searchText, &QLineEdit::returnPressed, this,
            [this] { guarded(w.messages, [this] { startSearch(); }); });
    connect(m_recipients, &QAbstractItemView::doubleClicked, this, &RecordsPane::recipientOpened);
    connect(m_recipients, &CheckList::userSelected, this,
            [this](int row) { guarded(w.messages, [&] { recipientSelected(row); }); });
    connect(&m_recipients->lines(), &CheckListModel::userChecked, this,
            [this](int row) { guarded(w.messages, [&] { recipientTicked(row); }); });
    connect(m_senders, &ListBox::userSelected, this,
            [this](int row) { guarded(w.messages, [&] { senderSelected(row); }); });
    connect(m_pages, &QTabWidget::currentChanged, this,
            [this] { guarded(w.messages, [this] { pageChanged(); }); });
}

RecordsPane::~RecordsPane() = default;

QWidget* RecordsPane::buildLists() {
    // Search, then the two lists on m_pages with their tabs at the bottom.
    auto* left = new QWidget(this);
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
    // Delete in either list deletes, as the toolbar's «Удалить» does.
    m_recipients->installEventFilter(this);
    m_senders->installEventFilter(this);
    m_senders->setFont(addressFont());
    m_senders->setSelectionMode(QAbstractItemView::SingleSelection);
    describe(m_senders, QStringLiteral("Список отправителей"), ControlNames::Main::senderList);
    m_pages->addTab(m_recipients, QStringLiteral("Получатель"));
    m_pages->addTab(m_senders, QStringLiteral("Отправитель"));
    leftLayout->addWidget(m_pages, 1);
    left->setMinimumWidth(200);
    return left;
}

void RecordsPane::setListMenu(QMenu* menu) {
    m_recipients->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(
        m_recipients, &QWidget::customContextMenuRequested, this,
        [this, menu](const QPoint& at) { menu->popup(m_recipients->viewport()->mapToGlobal(at)); });
}

void RecordsPane::showAddressBook() {
    m_pages->setCurrentIndex(0);
    m_recipientPage = true;
    w.addressBook.readGroupFilter();
    refillLists();
    showSelectedRecords();
    applyPage();
}

void RecordsPane::refillLists() {
    m_senders->clear();
    m_recipients->lines().setLines(w.addressBook.listedRecipients());
    m_senders->addItems(w.addressBook.senderLines());
    selectFirstLines();
}

void RecordsPane::selectFirstLines() {
    if (m_recipients->count() > 0)
        m_recipients->setCurrentRow(0);
    if (const auto sender = w.addressBook.defaultSenderName())
        selectSenderLine(*sender);
    showSelectedRecords();
}

void RecordsPane::selectSenderLine(const QString& name) {
    for (int i = 0; i < m_senders->count(); ++i) {
        if (m_senders->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) {
            m_senders->setCurrentRow(i);
            return;
        }
    }
}

void RecordsPane::selectRecipientLine(const QString& name) {
    for (int i = 0; i < m_recipients->count(); ++i) {
        if (m_recipients->text(i) == name) {
            m_recipients->setCurrentRow(i);
            return;
        }
    }
}

bool RecordsPane::hasRecipients() const {
    return m_recipients->count() > 0;
}

QString RecordsPane::selectedRecipient() const {
    return m_recipients->currentText();
}

void RecordsPane::showRecord(AddressPage page, const QString& name) {
    if (page == AddressPage::Recipients)
        selectRecipientLine(name);
    else
        selectSenderLine(name);
    showSelectedRecords();
}

void RecordsPane::showRecipientAt(int row) {
    m_recipients->setCurrentRow(row);
    showSelectedRecords();
}

void RecordsPane::showSelectedRecords() {
    const QListWidgetItem* senderItem = m_senders->currentItem();
    // A sender typed with none selected (the last one deleted) could not be saved anywhere.
    m_editors->enableSide(recipientPage(), senderItem != nullptr);
    if (!recipientPage() && m_recipients->count() == 0)
        return;
    clearEditors();
    const QString recipientName = m_recipients->currentText();
    const QString senderName = senderItem ? senderItem->text() : QString();

    // The editors show what an envelope prints for the records.
    const std::optional<RecipientRecord> recipient = w.addressBook.recipient(recipientName);
    const std::optional<SenderRecord> sender = w.addressBook.sender(senderName);
    m_editors->showRecords(recipient ? &*recipient : nullptr, sender ? &*sender : nullptr);
}

void RecordsPane::clearEditors() {
    m_editors->clear(recipientPage());
}

bool RecordsPane::formChanged() const {
    return m_editors->changed(recipientPage());
}

void RecordsPane::moveDefaultMark() {
    const QListWidgetItem* item = m_senders->currentItem();
    if (!item)
        return;
    // A failure leaves the senders read again: the next search or list refill selects the
    // default sender from them.
    w.addressBook.markDefaultSender(item->text());
}

void RecordsPane::applyPage() {
    showSelectedRecords();
}

void RecordsPane::pageChanged() {
    // The check runs for the page being left, before the editors change sides.
    m_changes->offerToSaveChanges();
    m_recipientPage = m_pages->currentIndex() == 0;
    applyPage();
}

void RecordsPane::recipientSelected(int row) {
    const QString clicked = m_recipients->text(row);
    m_changes->offerToSaveChanges();
    selectRecipientLine(clicked);
    showSelectedRecords();
    w.profileStore->load(m_editors->profile());
    w.preview->redraw();
    w.preview->compose();
}

void RecordsPane::recipientTicked(int row) {
    // A tick made from the keyboard comes without a selection step: the
    // editors may still hold edits the user has not been asked about.
    m_changes->offerToSaveChanges();
    showSelectedRecords();
    m_ticks->store(row);
}

void RecordsPane::senderSelected(int row) {
    const QString clicked = m_senders->item(row)->text();
    m_changes->offerToSaveChanges();
    selectSenderLine(clicked);
    showSelectedRecords();
    moveDefaultMark();
}

bool RecordsPane::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_recipients || watched == m_senders) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            emit deleteKeyPressed();
            return true;
        }
    }
    return QSplitter::eventFilter(watched, event);
}

void RecordsPane::focusSearch() {
    m_searchText->setFocus(Qt::ShortcutFocusReason);
    m_searchText->selectAll();
}

void RecordsPane::startSearch() {
    m_changes->offerToSaveChanges();
    search();
}

void RecordsPane::openRecipientGroups() {
    if (m_recipients->currentRow() < 0)
        return;
    m_changes->offerToSaveChanges();
    // The check may have saved the recipient under a new name.
    const QString recipient = m_recipients->currentText();
    if (recipient.isEmpty())
        return;
    MemberGroupsWindow window(w, recipient);
    if (w.messages.showModal(window) != QDialog::Accepted)
        return;
    refillLists();
    // The recipient stays selected while its groups still let it be listed.
    for (int row = 0; row < m_recipients->count(); ++row) {
        if (m_recipients->text(row) == recipient) {
            m_recipients->setCurrentRow(row);
            showSelectedRecords();
            break;
        }
    }
}

void RecordsPane::reloadAfterEditor() {
    w.addressBook.rereadRecipients();
    showSelectedRecords();
    // What choosing the selected recipient line does: its profile, as stored,
    // replaces whatever the editor did not save.
    const int row = m_recipients->currentRow();
    if (row >= 0)
        recipientSelected(row);
}

bool RecordsPane::stepRecipient(int direction) {
    const int selected = m_recipients->currentRow();
    if (m_recipients->count() == 0 || selected == (direction > 0 ? m_recipients->count() - 1 : 0))
        return false;
    int from = selected;
    for (int row = 0; row < m_recipients->count(); ++row) {
        if (m_recipients->text(row) == m_editors->recordName()) {
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
    m_changes->offerToSaveChanges();
    for (int row = 0; row < m_recipients->count(); ++row) {
        if (m_recipients->text(row) == name) {
            m_recipients->setCurrentRow(row);
            showSelectedRecords();
            return true;
        }
    }
    return false;
}

RunRecipients RecordsPane::printRecipients() const {
    RunRecipients recipients;
    for (int row = 0; row < m_recipients->count(); ++row) {
        recipients.lines.append(m_recipients->text(row));
        recipients.ticked.append(m_recipients->isChecked(row));
    }
    recipients.current = m_recipients->currentRow();
    return recipients;
}

QStringList RecordsPane::tickedRecipients() const {
    QStringList names;
    for (int row = 0; row < m_recipients->count(); ++row)
        if (m_recipients->isChecked(row))
            names.append(m_recipients->text(row));
    return names;
}

void RecordsPane::listTicked() {
    std::vector<std::pair<QString, bool>> ticked;
    for (QString& name : w.addressBook.tickedRecipients())
        ticked.emplace_back(std::move(name), true);
    m_recipients->lines().setLines(std::move(ticked));
}

void RecordsPane::showOthersChanges() {
    const QString recipient = m_recipients->currentText();
    const QListWidgetItem* senderItem = m_senders->currentItem();
    const QString sender = senderItem ? senderItem->text() : QString();
    w.addressBook.rereadAll();
    w.addressBook.readGroupFilter();
    if (!m_searchText->text().isEmpty()) {
        search();
    } else if (m_showingAll) {
        refillLists();
    } else {
        listTicked();
        m_recipients->setCurrentRow(0);
    }
    selectRecipientLine(recipient);
    selectSenderLine(sender);
    showSelectedRecords();
}

void RecordsPane::search() {
    const QString searchText = m_searchText->text();
    if (searchText.isEmpty()) {
        if (m_showingAll && m_recipients->lines().checkedCount() > 0) {
            listTicked();
            m_showingAll = false;
            m_recipients->setCurrentRow(0);
            showSelectedRecords();
        } else {
            refillLists();
            m_showingAll = true;
        }
        return;
    }

    if (recipientPage()) {
        m_recipients->lines().setLines(
            w.addressBook.findRecipients(searchText, m_wholeName->isChecked()));
    } else {
        m_senders->clear();
        m_senders->addItems(w.addressBook.findSenders(searchText, m_wholeName->isChecked()));
    }
    selectFirstLines();
}
