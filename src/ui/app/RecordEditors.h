#pragma once

#include "core/run/AddressRules.h"

#include <QWidget>

class QAbstractItemModel;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;

// The right side of the main window: the recipient's name, the recipient's and the sender's
// address editors and the recipient's print profile. It knows the records it was loaded
// with, for the check of unsaved changes. A side is the recipient's (true) or the sender's.
class RecordEditors : public QWidget {
    Q_OBJECT

public:
    explicit RecordEditors(QWidget* parent);

    // Shows what an envelope prints for the records (a missing one: empty texts) and keeps
    // them as the records loaded.
    void showRecords(const RecipientRecord* recipient, const SenderRecord* sender);
    void clear(bool recipientSide);
    // The focus to the side's first field after the record's name: «Кому», «От куда».
    void focusFirstField(bool recipientSide);
    // Only the side's editors take input; with no sender shown the sender's editors take
    // none either and say how to add one, so that nothing is typed where it cannot be kept.
    void enableSide(bool recipientSide, bool senderShown);
    // Whether the side's editors hold something else than the record they were loaded from.
    bool changed(bool recipientSide) const;

    // The stored record as the editors hold it now: nothing to save.
    bool holds(const RecipientRecord& stored) const;
    // The stored record is not the one the editors were loaded from: another workstation
    // changed it meanwhile.
    bool changedSinceLoaded(const RecipientRecord& stored) const;
    bool changedSinceLoaded(const SenderRecord& stored) const;
    // The names of the records last loaded.
    const QString& loadedRecipient() const { return m_loadedRecipient.name; }
    const QString& loadedSender() const { return m_loadedSender.otkogo; }

    // Both a name and an index are filled in; an empty index stands for the record's own
    // index 0.
    bool recipientComplete() const;
    bool senderComplete() const;
    // The focus to the side's name, or where it is given to its index: the field that the
    // message about an incomplete record names.
    void focusMissingField(bool recipientSide);
    // The name as typed, and the sender's name as stored.
    QString recordName() const;
    QString senderName() const;
    // The record to store under this name (a recipient's with this tick); throws UserError
    // when the index is not a number.
    RecipientRecord recipientToStore(const QString& name, bool ticked) const;
    SenderRecord senderToStore(const QString& name) const;

    // «Кому»'s first line becomes the record's name in the dative, «Кузнецову Андрею
    // Викторовичу» (its further lines, an organisation say, stay). A name whose gender or
    // form cannot be told goes in as it is; false then, and when there is no name.
    bool fillRecipientNameInDative();

    // What the envelope prints: what the editors hold now.
    AddressTexts texts() const;

    // The recipient's print profile, chosen from the list of profile names.
    QString profile() const;
    // The first profile of the list, as a new recipient gets; empty when there is none.
    QString firstProfile() const;
    // Chooses the profile named so, letter case aside; none when it is not listed.
    void selectProfile(const QString& name);
    void showProfileNames(QAbstractItemModel* names);
    int chosenProfile() const;
    void chooseProfile(int index);

signals:
    // The user chose a profile from the list.
    void profileChosen();
    // The user asked for «Кому» from the record's name, which could not be put in the dative
    // (empty when there is no name).
    void recipientNameNotInDative(const QString& name);

private:
    // The records last loaded into the editors, for the unsaved-changes check.
    struct LoadedRecipient {
        QString name, komy, kyda, profile;
        qint64 intyda = 0;
        bool operator==(const LoadedRecipient&) const = default;
    };
    struct LoadedSender {
        QString otkogo, otkyda;
        qint64 intyt = 0;
        bool operator==(const LoadedSender&) const = default;
    };
    // A stored record as the editors would load it.
    static LoadedRecipient loaded(const RecipientRecord& record);
    static LoadedSender loaded(const SenderRecord& record);
    bool holds(const LoadedRecipient& record) const;
    bool holds(const LoadedSender& record) const;

    QLineEdit* m_name = nullptr;
    QPlainTextEdit* komy = nullptr;
    QToolButton* m_komyInDative = nullptr;
    QPlainTextEdit* kyda = nullptr;
    QLineEdit* intyda = nullptr;
    QPlainTextEdit* otkogo = nullptr;
    QPlainTextEdit* otkyda = nullptr;
    QLineEdit* intyt = nullptr;
    QComboBox* m_profile = nullptr;
    LoadedRecipient m_loadedRecipient;
    LoadedSender m_loadedSender;
};
