#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// An Excel workbook (.xlsx) of one sheet whose every cell is text, written with
// libxlsxwriter: the cells carry the number format "@", so that Excel keeps an index,
// «01327» or «1-2» as written instead of turning them into numbers or dates.

// The most characters (UTF-16 code units, as Excel counts them) a cell of Excel holds.
constexpr qsizetype maxXlsxCellText = 32767;

// A cell's line break is a lone LF, as Excel stores one typed into a cell. The address
// book keeps CR LF: each becomes one LF, and a lone CR stays a CR (the file writes it as
// "_x000D_"). A lone LF would come back as CR LF, so the export refuses it
// (firstUnkeptLineBreak).
QString xlsxCellText(const QString& bookText);
// The address book's text of a cell of a workbook that xlsxCellText wrote: each LF a
// CR LF again, every other character as it stands.
QString xlsxBookText(const QString& cellText);
// Where `bookText` holds a LF without a CR before it; -1 when it holds none.
qsizetype firstUnkeptLineBreak(const QString& bookText);
// Where `text` holds a character that no cell of Excel holds: a control character other
// than TAB, LF and CR (U+0000 included), or U+FFFE or U+FFFF, which XML lacks; -1 when
// none.
qsizetype firstUnkeptXlsxCharacter(const QString& text);

// The workbook of one sheet named `sheetName`: the first row (`header`) bold and kept in
// view while the rows below scroll, then `rows`, each cell the text given (a LF a line
// break, the cell wrapped), the columns as wide as their longest line within reason. A
// text that looks like Excel's escape of a character ("_x0041_") is written escaped, so
// that it reads back as written. The caller keeps to firstUnkeptXlsxCharacter and
// maxXlsxCellText. The workbook is made in a temporary folder of the system and read
// back; throws UserError naming that folder when it cannot be written.
QByteArray xlsxWorkbook(const QString& sheetName, const QStringList& header,
                        const QList<QStringList>& rows);
