#pragma once

#include <QWidget>

struct Windows;
class EnvelopeDocument;
class QAbstractItemModel;
class QComboBox;
class QPushButton;
class QToolButton;

// The layout editor's top bar: the profile list with its commands (change, rename, delete,
// add, save as), "Сохранить", and undo and redo. The list shows the document's name; the
// commands go to the profile store, which loads the chosen profile into the document.
class ProfileBar : public QWidget {
    Q_OBJECT

public:
    ProfileBar(Windows& windows, QWidget* parent);

    // The profile store's list of names.
    void showProfileNames(QAbstractItemModel* names);
    // The entry of the profile list shown; -1 when none.
    int chosenProfileIndex() const;
    // Shows the document's name as the chosen entry of the profile list.
    void showName();
    // The profile entry a cancelled change of profile returns to.
    int rememberedProfile() const { return m_rememberedProfile; }
    void rememberProfile(int index) { m_rememberedProfile = index; }
    // "Сохранить" can be pressed while the profile differs from the saved one.
    void showModified(bool modified);

signals:
    // "Сохранить".
    void saveRequested();
    // "Сохранить как" added a profile under a new name at the end of the lists.
    void profileAppended();

private:
    void chooseProfile(int index);
    void renameProfile();
    void deleteProfile();
    void addProfile();
    void saveAs();
    // The last entry of the profile list equal to the name; 0 when none is.
    int profileEntry(const QString& name) const;
    void saveAsNew(const QString& name);

    Windows& w;
    EnvelopeDocument& m_document;
    QComboBox* profileChoice = nullptr;  // the current profile
    QToolButton* renameButton = nullptr; // "Переименовать"
    QToolButton* deleteButton = nullptr; // "Удалить"
    QToolButton* addButton = nullptr;    // "Добавить"
    QPushButton* saveAsButton = nullptr; // "Сохранить как"
    QPushButton* saveButton = nullptr;   // "Сохранить"
    QToolButton* undoButton = nullptr;
    QToolButton* redoButton = nullptr;
    // The entry of the profile list chosen by the last load or accepted change, to return to
    // when the user cancels a change.
    int m_rememberedProfile = -1;
};
