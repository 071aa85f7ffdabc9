#include "core/addressbook/XlsxWorkbook.h"

#include "core/OutputFile.h"
#include "core/UserError.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <xlsxwriter.h>

namespace {

// Column widths, in characters of the default font: wide enough for a short name, never so
// wide that a long address pushes the next column out of sight (it wraps instead).
constexpr double narrowestColumn = 10;
constexpr double widestColumn = 60;
// Excel's own number format "@", text as typed.
constexpr uint8_t textNumberFormat = 49;

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Excel reads "_x" + four hex digits + "_" in a cell as the character of that code, so a
// text holding one literally is written with its underscore escaped ("_x005F_").
QString escapedForExcel(const QString& text) {
    static const QRegularExpression escapeLike(QStringLiteral("_(?=x[0-9A-Fa-f]{4}_)"));
    if (!text.contains(QStringLiteral("_x")))
        return text;
    QString escaped = text;
    return escaped.replace(escapeLike, QStringLiteral("_x005F_"));
}

qsizetype longestLine(const QString& text) {
    qsizetype longest = 0;
    for (const QStringView line : QStringView(text).split(u'\n'))
        longest = std::max(longest, line.size());
    return longest;
}

struct WorkbookClose {
    void operator()(lxw_workbook* workbook) const { workbook_close(workbook); }
};

[[noreturn]] void failed(const QString& folder, int error, lxw_error code) {
    const QString reason = error != 0 ? fileErrorReason(error)
                                      : QStringLiteral("ошибка libxlsxwriter %1").arg(int(code));
    throw UserError(QStringLiteral("Не удалось составить книгу Excel во временной папке «%1»: %2.")
                        .arg(native(folder), reason));
}

} // namespace

QString xlsxCellText(const QString& bookText) {
    QString text = bookText;
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString xlsxBookText(const QString& cellText) {
    QString text = cellText;
    return text.replace(u'\n', QStringLiteral("\r\n"));
}

qsizetype firstUnkeptLineBreak(const QString& bookText) {
    for (qsizetype i = 0; i < bookText.size(); ++i)
        if (bookText[i] == u'\n' && (i == 0 || bookText[i - 1] != u'\r'))
            return i;
    return -1;
}

qsizetype firstUnkeptXlsxCharacter(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF)
            return i;
    }
    return -1;
}

QByteArray xlsxWorkbook(const QString& sheetName, const QStringList& header,
                        const QList<QStringList>& rows) {
    QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("envalo-xlsx-XXXXXX")));
    if (!folder.isValid())
        throw UserError(QStringLiteral("Не удалось создать временную папку для книги Excel в "
                                       "«%1»: %2.")
                            .arg(native(QDir::tempPath()), fileErrorReason(errno)));
    const QString file = folder.filePath(QStringLiteral("workbook.xlsx"));
    const QByteArray fileName = QFile::encodeName(file);
    // libxlsxwriter keeps the sheet's parts in temporary files until the workbook closes:
    // here too, so that nothing of the addresses is left elsewhere.
    QByteArray partsFolder = QFile::encodeName(folder.path());
    lxw_workbook_options options{};
    options.tmpdir = partsFolder.data();
    std::unique_ptr<lxw_workbook, WorkbookClose> workbook(
        workbook_new_opt(fileName.constData(), &options));
    if (!workbook)
        failed(folder.path(), errno, LXW_ERROR_MEMORY_MALLOC_FAILED);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook.get(), sheetName.toUtf8().constData());
    if (!sheet)
        failed(folder.path(), 0, LXW_ERROR_SHEETNAME_LENGTH_EXCEEDED);

    lxw_format* headerFormat = workbook_add_format(workbook.get());
    format_set_num_format_index(headerFormat, textNumberFormat);
    format_set_bold(headerFormat);
    lxw_format* textFormat = workbook_add_format(workbook.get());
    format_set_num_format_index(textFormat, textNumberFormat);
    format_set_text_wrap(textFormat);
    format_set_align(textFormat, LXW_ALIGN_VERTICAL_TOP);

    QList<qsizetype> widths(header.size(), 0);
    const auto writeRow = [&](lxw_row_t row, const QStringList& cells, lxw_format* format) {
        for (qsizetype column = 0; column < cells.size(); ++column) {
            const QByteArray text = escapedForExcel(cells[column]).toUtf8();
            const lxw_error error =
                worksheet_write_string(sheet, row, lxw_col_t(column), text.constData(), format);
            if (error != LXW_NO_ERROR)
                failed(folder.path(), 0, error);
            if (column >= widths.size())
                widths.resize(column + 1, 0);
            widths[column] = std::max(widths[column], longestLine(cells[column]));
        }
    };
    writeRow(0, header, headerFormat);
    for (qsizetype row = 0; row < rows.size(); ++row)
        writeRow(lxw_row_t(row + 1), rows[row], textFormat);
    // The columns themselves are text too, so that what a person types below the rows in
    // Excel stays as typed.
    for (qsizetype column = 0; column < widths.size(); ++column) {
        const double width = std::clamp(double(widths[column]) + 2, narrowestColumn, widestColumn);
        worksheet_set_column(sheet, lxw_col_t(column), lxw_col_t(column), width, textFormat);
    }
    worksheet_freeze_panes(sheet, 1, 0);

    errno = 0;
    const lxw_error closed = workbook_close(workbook.release());
    if (closed != LXW_NO_ERROR)
        failed(folder.path(), errno, closed);
    QFile written(file);
    if (!written.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Не удалось прочитать составленную книгу Excel «%1»: %2.")
                            .arg(native(file), fileErrorReason(errno)));
    return written.readAll();
}
