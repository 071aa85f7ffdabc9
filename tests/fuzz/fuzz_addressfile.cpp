// Any bytes offered as an address file: reading them may refuse the file, but never
// crashes, hangs or gives rows that do not fit the columns; a CSV row written back
// reads as the same fields.
#include "core/UserError.h"
#include "core/addressbook/AddressFile.h"
#include "core/addressbook/Spreadsheet.h"

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const AddressFileKind kind = addressFileKind(bytes, QStringLiteral("fuzz"));
        const AddressTable table = kind == AddressFileKind::VCard ? readVCards(bytes)
                                   : kind == AddressFileKind::Spreadsheet
                                       ? readSpreadsheet(bytes, QStringLiteral("fuzz"), 0)
                                       : readCsv(bytes, detectCsvFormat(bytes));
        for (const AddressRow& row : table.rows) {
            require(row.fields.size() == table.columns.size());
            require(row.line >= 1);
            if (kind == AddressFileKind::Csv) {
                const QList<AddressRow> again =
                    parseCsv(csvLine(row.fields, u';'), u';',
                             row.exact ? LineBreaks::AsWritten : LineBreaks::CrLf);
                require(again.size() == 1 && again[0].fields == row.fields);
            }
        }
    } catch (const UserError&) {
        // A file that is neither text nor a workbook, or a damaged one, refused with its message.
    }
    return 0;
}
