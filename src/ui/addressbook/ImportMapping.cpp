#include "ui/addressbook/ImportMapping.h"

#include "core/UserError.h"
#include "core/addressbook/Spreadsheet.h"
#include "core/run/AddressRules.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Messages.h"
#include "ui/controls/DialogParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Rows the preview shows: enough to recognise the columns.
constexpr int previewRows = 20;

const std::array<QChar, 3> separators{u';', u',', u'\t'};

QComboBox* namedCombo(const QString& spoken, const char* programName, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setAccessibleName(spoken);
    setProgramName(combo, QString::fromLatin1(programName));
    return combo;
}

QListWidget* columnList(const QString& spoken, const char* programName, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setAccessibleName(spoken);
    setProgramName(list, QString::fromLatin1(programName));
    list->setMaximumHeight(110);
    return list;
}

} // namespace

// A composed envelope drawn whole, as large as the widget lets it be.
class EnvelopeView : public QWidget {
public:
    EnvelopeView(const Envelope& envelope, QWidget* parent)
        : QWidget(parent), m_envelope(envelope) {
        setMinimumSize(320, 170);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (m_envelope.size.isEmpty())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSizeF shown = QSizeF(m_envelope.size).scaled(QSizeF(size()), Qt::KeepAspectRatio);
        painter.translate((width() - shown.width()) / 2, (height() - shown.height()) / 2);
        painter.scale(shown.width() / m_envelope.size.width(),
                      shown.height() / m_envelope.size.height());
        painter.setClipRect(QRect(QPoint(), m_envelope.size));
        paintEnvelope(painter, m_envelope);
        painter.setClipping(false);
        painter.setPen(QPen(Qt::gray, 0));
        painter.drawRect(QRect(QPoint(), m_envelope.size));
    }

private:
    const Envelope& m_envelope;
};

ImportMappingWindow::ImportMappingWindow(QWidget* parent, Messages& messages,
                                         const QString& fileName, const QByteArray& data,
                                         AddressFileKind kind, AddressPage page,
                                         const QStringList& groups, const QString& remembered,
                                         const EnvelopeSample& sample)
    : QDialog(parent), m_messages(messages), m_fileName(fileName), m_data(data), m_kind(kind),
      m_page(page), m_remembered(remembered), m_sample(sample) {
    setWindowTitle(QStringLiteral("Импорт адресов"));
    const bool recipients = page == AddressPage::Recipients;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("%1: %2").arg(recipients ? QStringLiteral("Получатели из файла")
                                                : QStringLiteral("Отправители из файла"),
                                     QDir::toNativeSeparators(QFileInfo(fileName).fileName())),
        this));

    if (kind == AddressFileKind::Csv) {
        auto* file = new QHBoxLayout;
        m_separator =
            namedCombo(QStringLiteral("Разделитель"), ControlNames::Book::separator, this);
        m_separator->addItems({QStringLiteral("точка с запятой (;)"), QStringLiteral("запятая (,)"),
                               QStringLiteral("табуляция")});
        m_encoding = namedCombo(QStringLiteral("Кодировка"), ControlNames::Book::encoding, this);
        m_encoding->addItems(
            {QStringLiteral("Windows-1251"), QStringLiteral("UTF-8"), QStringLiteral("UTF-16")});
        m_header = new QCheckBox(QStringLiteral("Первая строка — названия столбцов"), this);
        setProgramName(m_header, QString::fromLatin1(ControlNames::Book::headerRow));
        file->addWidget(new QLabel(QStringLiteral("Разделитель:"), this));
        file->addWidget(m_separator);
        file->addWidget(new QLabel(QStringLiteral("Кодировка:"), this));
        file->addWidget(m_encoding);
        file->addWidget(m_header);
        file->addStretch();
        layout->addLayout(file);

        const CsvFormat detected = detectCsvFormat(data);
        m_separator->setCurrentIndex(
            int(std::find(separators.begin(), separators.end(), detected.separator) -
                separators.begin()));
        const bool utf16 = detected.encoding == TextEncoding::Utf16Le ||
                           detected.encoding == TextEncoding::Utf16Be;
        m_encoding->setCurrentIndex(detected.encoding == TextEncoding::Windows1251 ? 0
                                    : utf16                                        ? 2
                                                                                   : 1);
        m_header->setChecked(detected.hasHeader);
    }

    if (kind == AddressFileKind::Spreadsheet) {
        auto* file = new QHBoxLayout;
        m_sheet = namedCombo(QStringLiteral("Лист книги"), ControlNames::Book::sheet, this);
        m_sheet->addItems(sheetNames(data, fileName));
        m_header = new QCheckBox(QStringLiteral("Первая строка — названия столбцов"), this);
        setProgramName(m_header, QString::fromLatin1(ControlNames::Book::headerRow));
        auto* sheetLabel = new QLabel(QStringLiteral("Лист:"), this);
        sheetLabel->setBuddy(m_sheet);
        file->addWidget(sheetLabel);
        file->addWidget(m_sheet);
        file->addWidget(m_header);
        file->addStretch();
        layout->addLayout(file);
    }

    m_preview = new QTableWidget(this);
    m_preview->setAccessibleName(QStringLiteral("Первые строки файла"));
    setProgramName(m_preview, QString::fromLatin1(ControlNames::Book::preview));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setMinimumSize(560, 180);
    layout->addWidget(m_preview);

    auto* form = new QFormLayout;
    m_name = namedCombo(QStringLiteral("Столбец с именем"), ControlNames::Book::nameColumn, this);
    form->addRow(QStringLiteral("Имя:"), m_name);
    // Given and middle names of their own columns join the name on one line.
    m_moreName =
        columnList(QStringLiteral("Другие части имени"), ControlNames::Book::moreNameColumns, this);
    form->addRow(QStringLiteral("Ещё части имени:"), m_moreName);
    if (recipients) {
        m_komy = columnList(QStringLiteral("Столбцы строки «Кому»"),
                            ControlNames::Book::komyColumns, this);
        form->addRow(QStringLiteral("Кому:"), m_komy);
    }
    m_kyda =
        columnList(QStringLiteral("Столбцы строки «Куда»"), ControlNames::Book::kydaColumns, this);
    form->addRow(QStringLiteral("Куда:"), m_kyda);
    m_index =
        namedCombo(QStringLiteral("Столбец с индексом"), ControlNames::Book::indexColumn, this);
    form->addRow(QStringLiteral("Индекс:"), m_index);
    m_duplicates =
        namedCombo(QStringLiteral("Если имя уже есть"), ControlNames::Book::duplicates, this);
    m_duplicates->addItems({QStringLiteral("пропустить запись из файла"),
                            QStringLiteral("обновить запись в адресной книге"),
                            QStringLiteral("добавить с номером после имени")});
    form->addRow(QStringLiteral("Если имя уже есть:"), m_duplicates);
    if (recipients) {
        m_group = namedCombo(QStringLiteral("Группа для новых получателей"),
                             ControlNames::Book::importGroup, this);
        m_group->setEditable(true);
        m_group->addItem(QString());
        m_group->addItems(groups);
        form->addRow(QStringLiteral("В группу:"), m_group);
    }
    // The first envelope beside the choices it follows.
    auto* choices = new QHBoxLayout;
    choices->addLayout(form, 1);
    auto* envelopeBox =
        new QGroupBox(QStringLiteral("Первый конверт, как он будет напечатан"), this);
    auto* envelopeLayout = new QVBoxLayout(envelopeBox);
    m_envelopeView = new EnvelopeView(m_envelope, envelopeBox);
    m_envelopeView->setAccessibleName(QStringLiteral("Первый конверт"));
    setProgramName(m_envelopeView, QString::fromLatin1(ControlNames::Book::firstEnvelope));
    envelopeLayout->addWidget(m_envelopeView);
    choices->addWidget(envelopeBox, 1);
    layout->addLayout(choices);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* importButton =
        dialogButton(QStringLiteral("Импортировать"), ControlNames::Book::startImport, true, this);
    auto* cancelButton =
        dialogButton(QStringLiteral("Отмена"), ControlNames::Book::cancelImport, false, this);
    buttons->addWidget(importButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);
    connect(importButton, &QPushButton::clicked, this, &ImportMappingWindow::accept);
    connect(cancelButton, &QPushButton::clicked, this, &ImportMappingWindow::reject);

    if (m_sheet)
        readSheet();
    else
        readTable();
    // The last import's choice where it fits this file; otherwise what the names suggest.
    showTable(ColumnMapping::initial(m_table, page, remembered));

    const auto recompose = [this] { guarded(m_messages, [this] { showFirstEnvelope(); }); };
    connect(m_name, &QComboBox::currentIndexChanged, this, recompose);
    connect(m_index, &QComboBox::currentIndexChanged, this, recompose);
    for (QListWidget* list : {m_moreName, m_komy, m_kyda})
        if (list)
            connect(list, &QListWidget::itemChanged, this, recompose);

    if (m_sheet) {
        // Another sheet has columns of its own: recognised anew, like another file's.
        connect(m_sheet, &QComboBox::currentIndexChanged, this, [this] {
            guarded(m_messages, [&] {
                readSheet();
                showTable(ColumnMapping::initial(m_table, m_page, m_remembered));
            });
        });
        connect(m_header, &QCheckBox::toggled, this, [this] {
            const ColumnMapping kept = mapping();
            guarded(m_messages, [&] {
                readTable();
                showTable(kept);
            });
        });
    }
    if (m_separator) {
        auto reread = [this] {
            const ColumnMapping kept = mapping();
            guarded(m_messages, [&] {
                readTable();
                showTable(kept);
            });
        };
        connect(m_separator, &QComboBox::currentIndexChanged, this, reread);
        connect(m_encoding, &QComboBox::currentIndexChanged, this, reread);
        connect(m_header, &QCheckBox::toggled, this, reread);
    }
}

void ImportMappingWindow::readSheet() {
    m_table = readSpreadsheet(m_data, m_fileName, std::max(0, m_sheet->currentIndex()));
    const QSignalBlocker quiet(m_header);
    m_header->setChecked(m_table.named);
}

void ImportMappingWindow::readTable() {
    if (m_kind == AddressFileKind::VCard) {
        m_table = readVCards(m_data);
        return;
    }
    if (m_kind == AddressFileKind::Spreadsheet) {
        m_table = readSpreadsheet(m_data, m_fileName, std::max(0, m_sheet->currentIndex()),
                                  m_header->isChecked());
        return;
    }
    CsvFormat format;
    format.separator = separators[size_t(std::max(0, m_separator->currentIndex()))];
    // UTF-16 in the byte order its mark gives (big-endian only when it says so).
    const TextEncoding utf16 =
        m_data.startsWith("\xFE\xFF") ? TextEncoding::Utf16Be : TextEncoding::Utf16Le;
    format.encoding = m_encoding->currentIndex() == 0   ? TextEncoding::Windows1251
                      : m_encoding->currentIndex() == 2 ? utf16
                                                        : TextEncoding::Utf8;
    format.hasHeader = m_header->isChecked();
    m_table = readCsv(m_data, format);
}

void ImportMappingWindow::showTable(const ColumnMapping& mapping) {
    const int columns = int(m_table.columns.size());
    const int rows = int(std::min<qsizetype>(m_table.rows.size(), previewRows));
    m_preview->clear();
    m_preview->setColumnCount(columns);
    m_preview->setRowCount(rows);
    m_preview->setHorizontalHeaderLabels(m_table.columns);
    for (int row = 0; row < rows; ++row) {
        const AddressRow& line = m_table.rows[row];
        m_preview->setVerticalHeaderItem(row, new QTableWidgetItem(QString::number(line.line)));
        for (int column = 0; column < columns; ++column)
            m_preview->setItem(row, column, new QTableWidgetItem(line.fields.value(column)));
    }
    m_preview->resizeColumnsToContents();
    {
        // Filled quietly: the envelope is composed once, from the whole choice.
        const QSignalBlocker name(m_name), moreName(m_moreName), index(m_index), kyda(m_kyda);
        const QSignalBlocker komy(m_komy);
        fillColumnChoice(m_name, mapping.name);
        fillColumnList(m_moreName, mapping.moreName);
        fillColumnChoice(m_index, mapping.index);
        if (m_komy)
            fillColumnList(m_komy, mapping.komy);
        fillColumnList(m_kyda, mapping.kyda);
    }
    showFirstEnvelope();
}

void ImportMappingWindow::showFirstEnvelope() {
    const bool recipients = m_page == AddressPage::Recipients;
    // The imported side stays empty while no row makes a record (no name column chosen).
    AddressTexts texts = m_sample.shown;
    if (recipients)
        texts.komy = texts.kyda = texts.intyda = QString();
    else
        texts.otkogo = texts.otkyda = texts.intyt = QString();
    if (const std::optional<ImportedRecord> first =
            firstImportedRecord(m_table, mapping(), m_page)) {
        if (recipients) {
            RecipientRecord recipient;
            recipient.name = first->name;
            recipient.komy = first->komy;
            recipient.kyda = first->kyda;
            recipient.intyda = first->index;
            texts = printedTexts(recipient, m_sample.shown);
        } else {
            SenderRecord sender;
            sender.otkogo = first->name;
            sender.otkyda = first->kyda;
            sender.intyt = first->index;
            const AddressTexts printed = printedTexts(nullptr, &sender);
            texts.otkogo = printed.otkogo;
            texts.otkyda = printed.otkyda;
            texts.intyt = printed.intyt;
        }
    }
    m_envelope = composeEnvelope(m_sample.profile, texts, m_sample.pictures, m_sample.screen);
    m_envelopeView->update();
}

void ImportMappingWindow::fillColumnChoice(QComboBox* choice, int chosen) {
    choice->clear();
    choice->addItem(QStringLiteral("—"));
    choice->addItems(m_table.columns);
    choice->setCurrentIndex(chosen >= 0 && chosen < m_table.columns.size() ? chosen + 1 : 0);
}

void ImportMappingWindow::fillColumnList(QListWidget* list, const QList<int>& chosen) {
    list->clear();
    for (qsizetype column = 0; column < m_table.columns.size(); ++column) {
        auto* item = new QListWidgetItem(m_table.columns[column], list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(chosen.contains(int(column)) ? Qt::Checked : Qt::Unchecked);
    }
}

QList<int> ImportMappingWindow::checkedColumns(const QListWidget* list) {
    QList<int> columns;
    if (!list)
        return columns;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->checkState() == Qt::Checked)
            columns.append(row);
    return columns;
}

ColumnMapping ImportMappingWindow::mapping() const {
    ColumnMapping mapping;
    mapping.name = m_name->currentIndex() - 1;
    mapping.moreName = checkedColumns(m_moreName);
    mapping.moreName.removeAll(mapping.name);
    mapping.komy = checkedColumns(m_komy);
    mapping.kyda = checkedColumns(m_kyda);
    mapping.index = m_index->currentIndex() - 1;
    return mapping;
}

DuplicateChoice ImportMappingWindow::duplicates() const {
    return DuplicateChoice(std::max(0, m_duplicates->currentIndex()));
}

QString ImportMappingWindow::group() const {
    return m_group ? m_group->currentText().trimmed() : QString();
}

void ImportMappingWindow::accept() {
    // The header row ticked on a file of one row leaves nothing to import.
    try {
        requireRows(m_table, m_kind, m_fileName);
    } catch (const UserError& e) {
        m_messages.notice(e.message());
        return;
    }
    const ColumnMapping chosen = mapping();
    // Without an index column the records come in with index 0, listed to be completed.
    if (chosen.name < 0) {
        m_messages.notice(QStringLiteral("Укажите столбец с именем."));
        return;
    }
    if (group().contains(u';')) {
        m_messages.notice(QStringLiteral("Название группы не может содержать «;»"));
        return;
    }
    QDialog::accept();
}
