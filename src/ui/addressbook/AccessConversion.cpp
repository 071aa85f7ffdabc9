#include "ui/addressbook/AccessConversion.h"

#include "core/UserError.h"
#include "core/addressbook/AccessBook.h"
#include "ui/common/Messages.h"

#include <QDir>
#include <QFileInfo>

bool offerAccessConversion(const QString& path, Messages& messages) {
    AccessBook book(path);
    const QString title = QStringLiteral("Адресная книга");
    if (const auto& doubt = book.doubt()) {
        if (messages.question(codePageText(book.path(), *doubt) +
                                  QStringLiteral("\r\nЧитать тексты по-русски (кодовая страница "
                                                 "1251)? «Отмена» — читать так, как указано в "
                                                 "заголовке файла."),
                              title))
            book.readAsCyrillic();
    }
    const QString shown = QDir::toNativeSeparators(book.path());
    const QString kept = QDir::toNativeSeparators(keptAccessName(book.path()));
    if (!messages.question(QStringLiteral("Адресная книга «%1» создана старой версией программы "
                                          "(Microsoft Access). Преобразовать её? Старый файл "
                                          "останется рядом под именем «%2».")
                               .arg(shown, QFileInfo(kept).fileName()),
                           title))
        return false;
    ConvertedBook converted;
    try {
        converted = convertAccessFile(book);
    } catch (const UserError& e) {
        throw UserError(QStringLiteral("Адресная книга «%1» не преобразована и осталась как была. "
                                       "%2")
                            .arg(shown, e.message()));
    }
    messages.notice(QStringLiteral("Адресная книга «%1» преобразована: получателей %2, "
                                   "отправителей %3, групп %4. Старый файл сохранён как «%5».")
                        .arg(shown)
                        .arg(converted.counts.recipients)
                        .arg(converted.counts.senders)
                        .arg(converted.counts.groups)
                        .arg(QDir::toNativeSeparators(converted.keptAs)));
    return true;
}
