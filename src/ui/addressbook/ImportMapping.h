#pragma once

#include "core/addressbook/AddressFile.h"
#include "core/addressbook/AddressImport.h"
#include "core/envelope/Compose.h"

#include <QDialog>

class EnvelopeView;
class Messages;
class QCheckBox;
class QComboBox;
class QListWidget;
class QTableWidget;

// The import's column mapping: the first rows of the file, which column is the name,
// which columns make up "Кому" and "Куда", which is the index; for a CSV file also its
// separator, encoding and header row, read again as they change; for a workbook its sheet
// (the first at first; another is read and its columns recognised anew) and header row;
// what to do with names the address book has; the group the recipients go into; and the
// envelope of the first record as it will print, composed anew as the choices change.
//
// What that envelope is composed with: the current print profile with its pictures, the
// screen's conversions, and the texts the main window shows, which give the envelope's
// other side (the sender of an envelope to an imported recipient, and the other way round).
struct EnvelopeSample {
    PrintProfile profile;
    EnvelopePictures pictures;
    ScreenConversions screen;
    AddressTexts shown;
};

class ImportMappingWindow : public QDialog {
    Q_OBJECT

public:
    ImportMappingWindow(QWidget* parent, Messages& messages, const QString& fileName,
                        const QByteArray& data, AddressFileKind kind, AddressPage page,
                        const QStringList& groups, const QString& remembered,
                        const EnvelopeSample& sample);

    // The file's rows as last read, and the choices made.
    const AddressTable& table() const { return m_table; }
    ColumnMapping mapping() const;
    DuplicateChoice duplicates() const;
    QString group() const;
    // The first envelope as the window shows it.
    const Envelope& firstEnvelope() const { return m_envelope; }

    void accept() override;

private:
    void readTable();
    // The chosen sheet of a workbook, its header row recognised.
    void readSheet();
    void showTable(const ColumnMapping& mapping);
    void fillColumnChoice(QComboBox* choice, int chosen);
    void fillColumnList(QListWidget* list, const QList<int>& chosen);
    static QList<int> checkedColumns(const QListWidget* list);
    // Composes the envelope of the first record the file gives under the chosen columns.
    void showFirstEnvelope();

    Messages& m_messages;
    QString m_fileName;
    QByteArray m_data;
    AddressFileKind m_kind;
    AddressPage m_page;
    QString m_remembered;
    AddressTable m_table;
    EnvelopeSample m_sample;
    Envelope m_envelope;

    QComboBox* m_separator = nullptr;
    QComboBox* m_encoding = nullptr;
    QCheckBox* m_header = nullptr;
    QComboBox* m_sheet = nullptr;
    QTableWidget* m_preview = nullptr;
    QComboBox* m_name = nullptr;
    QListWidget* m_moreName = nullptr;
    QListWidget* m_komy = nullptr;
    QListWidget* m_kyda = nullptr;
    QComboBox* m_index = nullptr;
    QComboBox* m_duplicates = nullptr;
    QComboBox* m_group = nullptr;
    EnvelopeView* m_envelopeView = nullptr;
};
