// Addresses in and out of the address book, on the page the main window shows.
#include "ui/app/AddressTransfer.h"

#include "core/OutputFile.h"
#include "core/UserError.h"
#include "core/envelope/PictureCache.h"
#include "core/profiles/EnvelopeDocument.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/Destination.h"
#include "core/run/OpenAddressBook.h"
#include "ui/addressbook/ImportMapping.h"
#include "ui/app/RecordChanges.h"
#include "ui/app/RecordEditors.h"
#include "ui/app/RecordsPane.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/ProfileStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Skipped rows the report lists one by one; the rest are counted.
constexpr int reportedLines = 15;

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString reportText(const ImportReport& report) {
    QString text = QStringLiteral("Добавлено: %1. Обновлено: %2. Пропущено: %3.")
                       .arg(report.added)
                       .arg(report.updated)
                       .arg(report.skipped.size());
    for (qsizetype i = 0; i < std::min<qsizetype>(report.skipped.size(), reportedLines); ++i)
        text += report.skipped[i].record.isEmpty()
                    ? QStringLiteral("\r\nСтрока %1: %2")
                          .arg(report.skipped[i].line)
                          .arg(report.skipped[i].reason)
                    : QStringLiteral("\r\nСтрока %1, «%2»: %3")
                          .arg(report.skipped[i].line)
                          .arg(report.skipped[i].record, report.skipped[i].reason);
    if (report.skipped.size() > reportedLines)
        text += QStringLiteral("\r\n… и ещё строк: %1").arg(report.skipped.size() - reportedLines);
    if (!report.withoutIndex.isEmpty())
        text += QStringLiteral("\r\nБез индекса — допишите (%1):").arg(report.withoutIndex.size());
    for (qsizetype i = 0; i < std::min<qsizetype>(report.withoutIndex.size(), reportedLines); ++i)
        text += QStringLiteral("\r\n") + report.withoutIndex[i];
    if (report.withoutIndex.size() > reportedLines)
        text += QStringLiteral("\r\n… и ещё записей: %1")
                    .arg(report.withoutIndex.size() - reportedLines);
    if (!report.nominative.isEmpty())
        text += QStringLiteral("\r\n«Кому» не в дательном падеже — проверьте (%1):")
                    .arg(report.nominative.size());
    for (qsizetype i = 0; i < std::min<qsizetype>(report.nominative.size(), reportedLines); ++i)
        text += QStringLiteral("\r\n") + report.nominative[i];
    if (report.nominative.size() > reportedLines)
        text +=
            QStringLiteral("\r\n… и ещё записей: %1").arg(report.nominative.size() - reportedLines);
    return text;
}

} // namespace

AddressTransfer::AddressTransfer(Windows& windows, QWidget& window, RecordsPane& records)
    : w(windows), m_window(window), m_records(records) {}

void AddressTransfer::importFromFile() {
    m_records.changes().offerToSaveChanges();
    const AddressPage page =
        m_records.recipientPage() ? AddressPage::Recipients : AddressPage::Senders;
    QString filter;
    const QString file = w.messages.fileDialog(
        false, QStringLiteral("Импорт адресов"), QString(),
        {QStringLiteral("Адреса: таблицы CSV, книги Excel и LibreOffice, карточки vCard (*.csv "
                        "*.txt *.xlsx *.xls *.ods *.vcf)"),
         QStringLiteral("Все файлы (*)")},
        &filter);
    if (file.isEmpty())
        return;
    const QByteArray data = readAddressFile(file);
    const AddressFileKind kind = addressFileKind(data, file);

    OpenAddressBook& book = w.addressBook;
    book.rereadGroups();
    const QStringList groupNames = book.groupNames();
    IniFile& ini = w.profileStore->ini();
    // The first envelope is shown in the current profile, beside the record the window
    // shows; a picture that cannot be read was reported when the profile was loaded.
    EnvelopeSample sample;
    sample.profile = w.document->profile();
    sample.pictures =
        loadEnvelopePictures(*w.pictureCache, sample.profile, MissingPicture::LeftEmpty);
    sample.screen = *w.screen;
    sample.shown = w.mainWindow->addressTexts();
    ImportMappingWindow window(&m_window, w.messages, file, data, kind, page, groupNames,
                               ProgramOptions::read(ini).importmap, sample);
    // A file without rows has no columns to choose from: said before the window opens.
    requireRows(window.table(), kind, file);
    if (w.messages.showModal(window) != QDialog::Accepted)
        return;
    // Kept for the next import, whatever this one comes to.
    ProgramOptions::writeImportMap(ini, window.mapping().rememberedText(window.table()));

    ImportOptions options;
    options.page = page;
    options.mapping = window.mapping();
    options.duplicates = window.duplicates();
    options.group = window.group();
    // As a recipient added by hand: the first profile of the list.
    options.profile = m_records.editors().firstProfile();
    const ImportReport report =
        book.importAddresses(window.table(), options, [this](int done, int total) {
            return w.messages.progress(
                QStringLiteral("Импорт адресов: %1 из %2").arg(done).arg(total), done, total);
        });
    if (report.cancelled) {
        w.messages.notice(QStringLiteral("Импорт отменён: адресная книга не изменилась."));
        return;
    }
    book.rereadAll();
    // Recipients put into a group the filter hides would not be listed: the group is shown.
    if (!options.group.isEmpty() && !report.names.isEmpty() && book.showGroup(options.group))
        book.readGroupFilter();
    m_records.refillLists();
    // The list shows the new records: the first of them is selected.
    if (!report.names.isEmpty())
        m_records.showRecord(page, report.names.first());
    w.messages.notice(reportText(report));
}

void AddressTransfer::exportToFile() {
    m_records.changes().offerToSaveChanges();
    const AddressPage page =
        m_records.recipientPage() ? AddressPage::Recipients : AddressPage::Senders;
    // The ticked recipients; all when none is ticked. Senders have no ticks.
    const QStringList names =
        page == AddressPage::Recipients ? m_records.tickedRecipients() : QStringList();
    const QStringList filters{
        QStringLiteral("Таблица для Excel, Windows-1251 с «;» (*.csv)"),
        QStringLiteral("Таблица в UTF-8 с «,» (*.csv)"),
        QStringLiteral("Карточки vCard 3.0 (*.vcf)"),
        QStringLiteral("Книга Excel (*.xlsx)"),
    };
    QString filter = filters.first();
    const QString suggested = page == AddressPage::Recipients ? QStringLiteral("Получатели.csv")
                                                              : QStringLiteral("Отправители.csv");
    QString file = w.messages.fileDialog(true, QStringLiteral("Экспорт адресов"),
                                         QDir::home().filePath(suggested), filters, &filter);
    if (file.isEmpty())
        return;
    const int chosen = std::max<int>(0, int(filters.indexOf(filter)));
    const ExportFormat format = std::array{ExportFormat::CsvSpreadsheet, ExportFormat::CsvUtf8,
                                           ExportFormat::VCard, ExportFormat::Xlsx}[size_t(chosen)];
    if (QFileInfo(file).suffix().isEmpty())
        file += format == ExportFormat::VCard  ? QStringLiteral(".vcf")
                : format == ExportFormat::Xlsx ? QStringLiteral(".xlsx")
                                               : QStringLiteral(".csv");

    requireWritableFile(file);
    const QByteArray bytes = w.addressBook.exportAddresses(page, names, format);
    writeOutputFile(file, bytes);
    const int records = names.isEmpty()
                            ? (page == AddressPage::Recipients ? w.addressBook.recipientCount()
                                                               : w.addressBook.senderCount())
                            : int(names.size());
    w.messages.notice(
        QStringLiteral("Записей сохранено: %1.\r\nФайл: %2").arg(records).arg(native(file)));
}
