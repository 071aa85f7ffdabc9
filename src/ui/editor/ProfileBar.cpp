// The layout editor's top bar: the profile list and its commands, saving, undo and redo.
#include "ui/editor/ProfileBar.h"

#include "core/profiles/EnvelopeDocument.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Icons.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/NamedControls.h"
#include "ui/editor/ProfileStore.h"
#include "ui/editor/SaveAsDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace Editor = ControlNames::Editor;

ProfileBar::ProfileBar(Windows& windows, QWidget* parent)
    : QWidget(parent), w(windows), m_document(*windows.document) {
    auto* top = new QHBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(4);
    profileChoice = new QComboBox(this);
    profileChoice->setMinimumWidth(220);
    describe(profileChoice, QStringLiteral("Профиль:"), Editor::profileChoice);
    auto* profileLabel = new QLabel(QStringLiteral("Профиль:"), this);
    profileLabel->setBuddy(profileChoice);
    renameButton = textButton(QStringLiteral("Переименовать"),
                              QStringLiteral("Переименовать профиль"), Editor::renameButton, this);
    deleteButton = textButton(QStringLiteral("Удалить"), QStringLiteral("Удалить профиль"),
                              Editor::deleteButton, this);
    addButton = textButton(QStringLiteral("Добавить"), QStringLiteral("Добавить новый профиль"),
                           Editor::addButton, this);
    saveAsButton = new QPushButton(QStringLiteral("Сохранить как"), this);
    saveAsButton->setToolTip(QStringLiteral("Сохранить текущий профиль как ..."));
    describe(saveAsButton, saveAsButton->text(), Editor::saveAsButton);
    saveButton = new QPushButton(QStringLiteral("Сохранить"), this);
    describe(saveButton, saveButton->text(), Editor::saveButton);
    saveButton->setEnabled(false);
    for (QPushButton* button : {saveAsButton, saveButton})
        button->setAutoDefault(false);
    top->addWidget(profileLabel);
    top->addWidget(profileChoice);
    top->addWidget(renameButton);
    top->addWidget(deleteButton);
    top->addWidget(addButton);
    top->addWidget(saveAsButton);
    top->addWidget(saveButton);
    undoButton = textButton(QStringLiteral("Отменить"), QStringLiteral("Отменить"),
                            Editor::undoButton, this);
    undoButton->setIcon(themeIcon("edit-undo", QStyle::SP_ArrowBack));
    redoButton = textButton(QStringLiteral("Повторить"), QStringLiteral("Повторить"),
                            Editor::redoButton, this);
    redoButton->setIcon(themeIcon("edit-redo", QStyle::SP_ArrowForward));
    top->addWidget(undoButton);
    top->addWidget(redoButton);
    top->addStretch(1);

    auto on = [this](auto* sender, auto signal, void (ProfileBar::*command)()) {
        connect(sender, signal, this,
                [this, command] { guarded(w.messages, [&] { (this->*command)(); }); });
    };
    connect(profileChoice, &QComboBox::activated, this,
            [this](int index) { guarded(w.messages, [&] { chooseProfile(index); }); });
    on(renameButton, &QToolButton::clicked, &ProfileBar::renameProfile);
    on(deleteButton, &QToolButton::clicked, &ProfileBar::deleteProfile);
    on(addButton, &QToolButton::clicked, &ProfileBar::addProfile);
    on(saveAsButton, &QPushButton::clicked, &ProfileBar::saveAs);
    connect(saveButton, &QPushButton::clicked, this, &ProfileBar::saveRequested);

    undoButton->setEnabled(false);
    redoButton->setEnabled(false);
    connect(&m_document, &EnvelopeDocument::canUndoChanged, undoButton, &QWidget::setEnabled);
    connect(&m_document, &EnvelopeDocument::canRedoChanged, redoButton, &QWidget::setEnabled);
    connect(undoButton, &QToolButton::clicked, this,
            [this] { guarded(w.messages, [this] { m_document.undo(); }); });
    connect(redoButton, &QToolButton::clicked, this,
            [this] { guarded(w.messages, [this] { m_document.redo(); }); });
    connect(&m_document, &EnvelopeDocument::nameChanged, this, [this] { showName(); });
}

void ProfileBar::showModified(bool modified) {
    saveButton->setEnabled(modified);
}

void ProfileBar::showProfileNames(QAbstractItemModel* names) {
    profileChoice->setModel(names);
    // The list shows the document's name as its entry whatever becomes of the list.
    const auto show = [this] { showName(); };
    connect(names, &QAbstractItemModel::modelReset, this, show);
    connect(names, &QAbstractItemModel::layoutChanged, this, show);
    connect(names, &QAbstractItemModel::rowsInserted, this, show);
    connect(names, &QAbstractItemModel::rowsRemoved, this, show);
    connect(names, &QAbstractItemModel::dataChanged, this, show);
}

int ProfileBar::chosenProfileIndex() const {
    return profileChoice->currentIndex();
}

void ProfileBar::showName() {
    const QString& name = m_document.name();
    profileChoice->setCurrentIndex(name.isEmpty() ? -1 : profileEntry(name));
}

int ProfileBar::profileEntry(const QString& name) const {
    for (int i = profileChoice->count() - 1; i >= 0; --i)
        if (profileChoice->itemText(i) == name)
            return i;
    return 0;
}

void ProfileBar::chooseProfile(int index) {
    if (index == m_rememberedProfile)
        return;
    if (m_document.isModified() &&
        !w.messages.question(
            QStringLiteral("Несохранённые данные будут потеряны, изменить текущий профиль?"),
            QStringLiteral("Смена профиля"))) {
        profileChoice->setCurrentIndex(m_rememberedProfile);
        return;
    }
    w.profileStore->load(profileChoice->itemText(index));
    m_document.setModified(false);
}

void ProfileBar::renameProfile() {
    w.profileStore->rename();
}

void ProfileBar::deleteProfile() {
    const QString name = m_document.name();
    if (!w.messages.question(
            QStringLiteral("Удалить текущий профиль \"") + name + QStringLiteral("\"?"), name))
        return;
    w.profileStore->remove();
}

void ProfileBar::addProfile() {
    if (m_document.isModified() &&
        !w.messages.question(
            QStringLiteral("Несохранённые данные будут потеряны, добавить новый профиль?"),
            QStringLiteral("Смена профиля")))
        return;
    w.profileStore->add();
}

void ProfileBar::saveAs() {
    SaveAsDialog& dialog = *w.saveAs;
    w.messages.showModal(dialog);
    const QString typed = dialog.name();
    // Blanks only can reach here by the close box; like an empty name they save nothing.
    if (typed.trimmed().isEmpty())
        return;

    // The settings file does not tell section names apart by letter case, so a
    // name in another case is that profile, saved under the name it is stored by.
    QString existing;
    const QStringList& names = w.profileStore->profileNames().names();
    for (auto i = names.size() - 1; i >= 0 && existing.isEmpty(); --i)
        if (names[i].compare(typed.trimmed(), Qt::CaseInsensitive) == 0)
            existing = names[i];
    if (!existing.isEmpty()) {
        if (!w.messages.question(QStringLiteral("Такой профиль уже существует, переписать?"),
                                 QStringLiteral("Внимание")))
            return;
        w.profileStore->save(existing);
        w.profileStore->load(existing);
        return;
    }

    const QString name = w.profileStore->checkedName(typed);
    try {
        w.profileStore->asOneChange([&] { saveAsNew(name); });
    } catch (...) {
        // What was typed is still not saved anywhere.
        m_document.setModified(true);
        throw;
    }
}

void ProfileBar::saveAsNew(const QString& name) {
    w.profileStore->appendSection(name);
    // Every list shows the new name at its end; the print list keeps its ticks and adds it.
    w.profileStore->profileNames().append(name);
    emit profileAppended();

    w.profileStore->save(name);
    w.profileStore->load(name);
}
