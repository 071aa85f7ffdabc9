// The main window's right side: the record's editors and the recipient's print profile.
#include "ui/app/RecordEditors.h"

#include "core/Numbers.h"
#include "core/addressbook/Dative.h"
#include "ui/app/MainWindowParts.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Icons.h"
#include "ui/controls/NumberKeyFilter.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString crlf = QStringLiteral("\r\n");
// Shown in the sender's name editor while there is no sender to edit.
const QString noSenderHint = QStringLiteral("Добавьте отправителя кнопкой \"Добавить\"");

QString editorText(const QPlainTextEdit* editor) {
    QString text = editor->toPlainText();
    text.replace(QLatin1Char('\n'), crlf);
    return text;
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

// The name, address and index of one side of the envelope, each with its label; a tool for
// the name goes under its label.
QGridLayout* addressGrid(const QString& nameLabel, QWidget* name, const QString& addressLabel,
                         QWidget* address, QWidget* index, const QString& note, QWidget* parent,
                         QWidget* nameTool = nullptr) {
    auto* grid = new QGridLayout;
    if (nameTool) {
        auto* column = new QVBoxLayout;
        column->addWidget(fieldLabel(nameLabel, name, parent));
        column->addWidget(nameTool);
        column->addStretch(1);
        grid->addLayout(column, 0, 0);
    } else {
        grid->addWidget(fieldLabel(nameLabel, name, parent), 0, 0, Qt::AlignTop);
    }
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

RecordEditors::RecordEditors(QWidget* parent) : QWidget(parent) {
    // The four titled blocks.
    auto* rightLayout = new QVBoxLayout(this);
    rightLayout->setContentsMargins(0, 4, 4, 4);

    m_name = new QLineEdit(this);
    m_name->setFont(addressFont());
    describe(m_name, QStringLiteral("Название"), ControlNames::Main::recordName);
    auto* nameLayout = new QVBoxLayout;
    nameLayout->addWidget(m_name);
    rightLayout->addWidget(titledBlock(QStringLiteral("Название"), nameLayout, this));

    komy = addressEditor(this, QStringLiteral("Кому:"), ControlNames::Main::recipientName);
    kyda = addressEditor(this, QStringLiteral("Куда:"), ControlNames::Main::recipientAddress);
    intyda =
        indexEditor(this, QStringLiteral("Индекс получателя"), ControlNames::Main::recipientIndex);
    m_komyInDative = new QToolButton(this);
    m_komyInDative->setText(QStringLiteral("Из названия"));
    m_komyInDative->setToolTip(
        QStringLiteral("Вписать в «Кому» название записи в дательном падеже: «Кузнецов Андрей "
                       "Викторович» — «Кузнецову Андрею Викторовичу»"));
    describe(m_komyInDative, QStringLiteral("«Кому» из названия в дательном падеже"),
             ControlNames::Main::recipientNameInDative);
    connect(m_komyInDative, &QToolButton::clicked, this, [this] {
        if (!fillRecipientNameInDative())
            emit recipientNameNotInDative(m_name->text().simplified());
    });
    auto* recipient = addressGrid(QStringLiteral("Кому:"), komy, QStringLiteral("Куда:"), kyda,
                                  intyda, QStringLiteral("(Получателя)"), this, m_komyInDative);
    rightLayout->addWidget(titledBlock(QStringLiteral("Получатель"), recipient, this), 3);

    otkogo = addressEditor(this, QStringLiteral("От кого:"), ControlNames::Main::senderName);
    otkyda = addressEditor(this, QStringLiteral("От куда:"), ControlNames::Main::senderAddress);
    intyt =
        indexEditor(this, QStringLiteral("Индекс отправителя"), ControlNames::Main::senderIndex);
    auto* sender = addressGrid(QStringLiteral("От кого:"), otkogo, QStringLiteral("От куда:"),
                               otkyda, intyt, QStringLiteral("(Оправителя)"), this);
    rightLayout->addWidget(titledBlock(QStringLiteral("Отправитель"), sender, this), 3);
    // Shown until the first load replaces it.
    otkogo->setPlainText(QStringLiteral("Иванов Пётр Сергеевич\nООО «Образец»"));
    otkyda->setPlainText(QStringLiteral("ул. Примерная, д. 1, кв. 1\nг. Образцовск"));

    m_profile = new QComboBox(this);
    describe(m_profile, QStringLiteral("Профиль печати:"), ControlNames::Main::recipientProfile);
    auto* profileRow = new QHBoxLayout;
    profileRow->addWidget(fieldLabel(QStringLiteral("Профиль печати: "), m_profile, this));
    profileRow->addWidget(m_profile, 1);
    rightLayout->addWidget(titledBlock(QStringLiteral("Профиль"), profileRow, this));

    connect(m_profile, &QComboBox::activated, this, &RecordEditors::profileChosen);
    // A digit goes in while the field holds at most five characters.
    new NumberKeyFilter(intyda, 5);
    new NumberKeyFilter(intyt, 5);
}

bool RecordEditors::fillRecipientNameInDative() {
    if (m_name->text().trimmed().isEmpty())
        return false;
    const DativeName dative = dativeOfFullName(m_name->text());
    QStringList lines = komy->toPlainText().split(u'\n');
    lines[0] = dative.text;
    komy->setPlainText(lines.join(u'\n'));
    return dative.declined;
}

void RecordEditors::showRecords(const RecipientRecord* recipient, const SenderRecord* sender) {
    const AddressTexts texts = printedTexts(recipient, sender);

    m_loadedRecipient = recipient ? loaded(*recipient) : LoadedRecipient{};
    m_name->setText(m_loadedRecipient.name);
    komy->setPlainText(texts.komy);
    kyda->setPlainText(texts.kyda);
    intyda->setText(texts.intyda);
    selectProfile(m_loadedRecipient.profile);

    m_loadedSender = sender ? loaded(*sender) : LoadedSender{};
    otkogo->setPlainText(texts.otkogo);
    otkyda->setPlainText(texts.otkyda);
    intyt->setText(texts.intyt);
}

RecordEditors::LoadedRecipient RecordEditors::loaded(const RecipientRecord& r) {
    return {r.name, r.komy, r.kyda, r.profile, r.intyda};
}

RecordEditors::LoadedSender RecordEditors::loaded(const SenderRecord& s) {
    return {s.otkogo, s.otkyda, s.intyt};
}

void RecordEditors::clear(bool recipientSide) {
    if (recipientSide) {
        komy->clear();
        kyda->clear();
        intyda->clear();
    } else {
        otkogo->clear();
        otkyda->clear();
        intyt->clear();
    }
}

void RecordEditors::focusFirstField(bool recipientSide) {
    (recipientSide ? komy : otkyda)->setFocus(Qt::OtherFocusReason);
}

void RecordEditors::enableSide(bool recipientSide, bool senderShown) {
    for (QWidget* editor : {static_cast<QWidget*>(komy), static_cast<QWidget*>(kyda),
                            static_cast<QWidget*>(intyda), static_cast<QWidget*>(m_name)})
        editor->setEnabled(recipientSide);
    for (QWidget* editor : {static_cast<QWidget*>(otkogo), static_cast<QWidget*>(otkyda),
                            static_cast<QWidget*>(intyt)})
        editor->setEnabled(!recipientSide && senderShown);
    otkogo->setPlaceholderText(senderShown || recipientSide ? QString() : noSenderHint);
}

bool RecordEditors::holds(const LoadedRecipient& r) const {
    return r.profile == m_profile->currentText() && indexText(r.intyda) == intyda->text() &&
           r.kyda == editorText(kyda) && r.komy == editorText(komy) && r.name == m_name->text();
}

bool RecordEditors::holds(const LoadedSender& s) const {
    return s.otkogo == editorText(otkogo) && s.otkyda == editorText(otkyda) &&
           indexText(s.intyt) == intyt->text();
}

bool RecordEditors::changed(bool recipientSide) const {
    return recipientSide ? !holds(m_loadedRecipient) : !holds(m_loadedSender);
}

bool RecordEditors::holds(const RecipientRecord& stored) const {
    return holds(loaded(stored));
}

bool RecordEditors::changedSinceLoaded(const RecipientRecord& stored) const {
    return loaded(stored) != m_loadedRecipient;
}

bool RecordEditors::changedSinceLoaded(const SenderRecord& stored) const {
    return loaded(stored) != m_loadedSender;
}

// An index of 0 shows as an empty field: left empty, it is the 0 the record has (one added
// in the window, or imported without a Russian index), saved as it was.
bool RecordEditors::recipientComplete() const {
    return !m_name->text().isEmpty() &&
           (!intyda->text().isEmpty() || m_loadedRecipient.intyda == 0);
}

bool RecordEditors::senderComplete() const {
    return !otkogo->toPlainText().isEmpty() &&
           (!intyt->text().isEmpty() || m_loadedSender.intyt == 0);
}

void RecordEditors::focusMissingField(bool recipientSide) {
    QWidget* missing = nullptr;
    if (recipientSide)
        missing = m_name->text().isEmpty() ? static_cast<QWidget*>(m_name) : intyda;
    else
        missing = otkogo->toPlainText().isEmpty() ? static_cast<QWidget*>(otkogo) : intyt;
    missing->setFocus(Qt::OtherFocusReason);
}

QString RecordEditors::recordName() const {
    return m_name->text();
}

QString RecordEditors::senderName() const {
    return editorText(otkogo);
}

RecipientRecord RecordEditors::recipientToStore(const QString& name, bool ticked) const {
    RecipientRecord values;
    values.name = name;
    values.komy = editorText(komy);
    values.kyda = editorText(kyda);
    values.intyda = intyda->text().isEmpty() ? 0 : toWholeNumber(intyda->text());
    values.ticked = ticked;
    values.profile = m_profile->currentText();
    return values;
}

SenderRecord RecordEditors::senderToStore(const QString& name) const {
    SenderRecord values;
    values.otkogo = name;
    values.otkyda = editorText(otkyda);
    values.intyt = intyt->text().isEmpty() ? 0 : toWholeNumber(intyt->text());
    return values;
}

AddressTexts RecordEditors::texts() const {
    return {otkogo->toPlainText(), otkyda->toPlainText(), intyt->text(),
            komy->toPlainText(),   kyda->toPlainText(),   intyda->text()};
}

QString RecordEditors::profile() const {
    return m_profile->currentText();
}

QString RecordEditors::firstProfile() const {
    return m_profile->count() > 0 ? m_profile->itemText(0) : QString();
}

void RecordEditors::selectProfile(const QString& name) {
    int found = -1;
    for (int i = 0; i < m_profile->count(); ++i) {
        if (m_profile->itemText(i).compare(name, Qt::CaseInsensitive) == 0) {
            found = i;
            break;
        }
    }
    m_profile->setCurrentIndex(found);
}

void RecordEditors::showProfileNames(QAbstractItemModel* names) {
    m_profile->setModel(names);
}

int RecordEditors::chosenProfile() const {
    return m_profile->currentIndex();
}

void RecordEditors::chooseProfile(int index) {
    m_profile->setCurrentIndex(index);
}
