#include "core/addressbook/AccessBook.h"

#include "core/UserError.h"
#include "core/addressbook/AddressDb.h"
#include "core/addressbook/SqlScript.h"

#include "FileSchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <memory>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <mdbtools.h>

namespace {

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString damaged(const QString& path, const QString& what) {
    return QStringLiteral("Файл базы данных Microsoft Access «%1» повреждён или обрезан (%2).")
        .arg(shownPath(path), what);
}

struct MdbClose {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFree {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

// libmdb decodes Jet 3 text by the code page in the file's header unless MDB_JET3_CHARSET
// names another; set but empty, it turns every byte above 0x7F into «?».
void keepJet3CodePage() {
    if (qEnvironmentVariableIsSet("MDB_JET3_CHARSET") &&
        qEnvironmentVariableIsEmpty("MDB_JET3_CHARSET"))
        qunsetenv("MDB_JET3_CHARSET");
}

std::unique_ptr<MdbHandle, MdbClose> openAccess(const QString& path, int& jetVersion) {
    const QFileInfo info(path);
    if (!info.exists())
        throw UserError(QStringLiteral("Файл «%1» не найден.").arg(shownPath(path)));
    if (!info.isFile())
        throw UserError(QStringLiteral("«%1» — не файл.").arg(shownPath(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Нет права на чтение файла «%1».").arg(shownPath(path)));
    const QByteArray head = file.read(21);
    if (!isAccessFile(path))
        throw UserError(QStringLiteral("Файл «%1» не является базой данных Microsoft Access.")
                            .arg(shownPath(path)));
    // Jet 3 keeps 2 KB pages, Jet 4 and ACE 4 KB (the version byte at 0x14): a file cut
    // anywhere but at a page's end is short of its last page.
    const int pageSize = head.size() > 20 && head.at(20) == 0 ? 2048 : 4096;
    if (info.size() < 2 * pageSize || info.size() % pageSize != 0)
        throw UserError(damaged(path, QStringLiteral("размер файла не кратен странице")));
    keepJet3CodePage();
    std::unique_ptr<MdbHandle, MdbClose> mdb(
        mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb)
        throw UserError(damaged(path, QStringLiteral("не читается его заголовок")));
    jetVersion = int(mdb->f->jet_version);
    return mdb;
}

} // namespace

bool isAccessFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(19);
    return head == QByteArray("\0\x01\0\0Standard Jet DB", 19) ||
           head == QByteArray("\0\x01\0\0Standard ACE DB", 19);
}

AccessTable readAccessTable(const QString& path, const QString& tableName, int firstBindSize) {
    AccessTable result;
    const auto mdb = openAccess(path, result.jetVersion);
    result.codePage = int(mdb->f->code_page);
    // Without a catalog nothing is readable: the file is damaged, or its pages are encrypted
    // (a file with a password in newer Access versions).
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw UserError(
            QStringLiteral("Файл базы данных Microsoft Access «%1» повреждён, обрезан или "
                           "зашифрован паролем: его таблицы не читаются.")
                .arg(shownPath(path)));
    MdbCatalogEntry* entry = nullptr;
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto* candidate = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (candidate->object_type == MDB_TABLE &&
            QString::fromUtf8(candidate->object_name).compare(tableName, Qt::CaseInsensitive) ==
                0) {
            entry = candidate;
            break;
        }
    }
    if (!entry)
        throw UserError(QStringLiteral("В файле базы данных Microsoft Access «%1» нет таблицы "
                                       "«%2».")
                            .arg(shownPath(path), tableName));
    result.name = QString::fromUtf8(entry->object_name);

    std::unique_ptr<MdbTableDef, TableFree> table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()))
        throw UserError(damaged(path, QStringLiteral("не читается таблица «%1»").arg(result.name)));
    const int columns = int(table->num_cols);
    for (int i = 0; i < columns; ++i) {
        const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        result.columns.append(QString::fromUtf8(column->name));
        result.types.push_back(column->col_type);
    }

    // libmdb copies each value into the bound buffer and cuts what does not fit (a memo
    // longer than 16 KB, by default): a value that fills it is read again with a larger one.
    size_t bindSize = size_t(std::max(firstBindSize, 16));
    for (;;) {
        mdb_set_bind_size(mdb.get(), bindSize);
        std::vector<QByteArray> buffers(size_t(columns), QByteArray(qsizetype(bindSize), '\0'));
        std::vector<int> lengths(size_t(columns), 0);
        for (int i = 0; i < columns; ++i)
            mdb_bind_column(table.get(), i + 1, buffers[size_t(i)].data(), &lengths[size_t(i)]);
        mdb_rewind_table(table.get());
        result.rows.clear();
        bool cut = false;
        while (!cut && mdb_fetch_row(table.get())) {
            QStringList row;
            row.reserve(columns);
            for (int i = 0; i < columns; ++i) {
                const int length = lengths[size_t(i)];
                // libmdb stops before a character that would not fit whole, so a value cut
                // may end up to a UTF-8 character's bytes short of the buffer.
                if (size_t(length) + 8 >= bindSize)
                    cut = true;
                row.append(QString::fromUtf8(buffers[size_t(i)].constData(), length));
            }
            result.rows.push_back(std::move(row));
        }
        if (!cut)
            break;
        bindSize *= 4;
    }
    // Pages cut away or unreadable end the walk early, without an error of libmdb's own.
    if (result.rows.size() != size_t(table->num_rows))
        throw UserError(damaged(path, QStringLiteral("в таблице «%1» прочитано записей %2 из %3")
                                          .arg(result.name)
                                          .arg(result.rows.size())
                                          .arg(table->num_rows)));
    return result;
}

QString asCyrillic(const QString& western) {
    QStringEncoder encoder("windows-1252");
    QStringDecoder decoder("windows-1251");
    const QByteArray bytes = encoder.encode(western);
    return decoder.decode(bytes);
}

std::optional<CodePageDoubt> codePageDoubt(int codePage, const QStringList& names) {
    if (codePage == 1251)
        return std::nullopt;
    qsizetype letters = 0;
    qsizetype upperHalf = 0;
    for (const QString& name : names) {
        for (const QChar c : name) {
            if (!c.isLetter())
                continue;
            ++letters;
            if (c.unicode() >= 0xC0 && c.unicode() <= 0xFF)
                ++upperHalf;
        }
    }
    if (upperHalf == 0 || upperHalf * 2 <= letters)
        return std::nullopt;
    CodePageDoubt doubt;
    doubt.codePage = codePage;
    for (const QString& name : names.mid(0, 5)) {
        doubt.asRead.append(name);
        doubt.asCyrillic.append(asCyrillic(name));
    }
    return doubt;
}

QString codePageText(const QString& path, const CodePageDoubt& doubt) {
    QString text = QStringLiteral("Файл «%1» записан Access 97, и в его заголовке указана "
                                  "западноевропейская кодовая страница %2, но имена в нём похожи "
                                  "на русские, записанные в кодовой странице 1251. Как прочитано "
                                  "— и как по-русски:")
                       .arg(shownPath(path))
                       .arg(doubt.codePage);
    for (qsizetype i = 0; i < doubt.asRead.size(); ++i)
        text += QStringLiteral("\n  %1 — %2").arg(doubt.asRead.at(i), doubt.asCyrillic.at(i));
    return text;
}

namespace {

enum class Kind { Text, Number };

struct Wanted {
    const char16_t* name;
    Kind kind;
    bool required;
};

struct TableShape {
    const char16_t* table;
    std::vector<Wanted> columns;
};

// The columns of data/schema.sql; id, groups and profile may be missing (see AccessBook).
const std::vector<TableShape>& shapes() {
    static const std::vector<TableShape> tables{
        {u"table",
         {{u"id", Kind::Number, false},
          {u"name", Kind::Text, true},
          {u"komy", Kind::Text, true},
          {u"kyda", Kind::Text, true},
          {u"intyda", Kind::Number, true},
          {u"galka", Kind::Number, true},
          {u"groups", Kind::Text, false},
          {u"profile", Kind::Text, false}}},
        {u"table2",
         {{u"id", Kind::Number, false},
          {u"otkogo", Kind::Text, true},
          {u"otkyda", Kind::Text, true},
          {u"intyt", Kind::Number, true},
          {u"default", Kind::Number, true}}},
        {u"groups",
         {{u"id", Kind::Number, false},
          {u"pname", Kind::Text, true},
          {u"check", Kind::Number, true}}},
    };
    return tables;
}

int columnIn(const QStringList& columns, const QString& name) {
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

AccessBook::AccessBook(QString path, int firstBindSize)
    : m_path(QFileInfo(path).absoluteFilePath()) {
    QStringList names;
    int codePage = 0;
    int jetVersion = 0;
    for (const TableShape& shape : shapes()) {
        const QString tableName = QString::fromUtf16(shape.table);
        const AccessTable read = readAccessTable(m_path, tableName, firstBindSize);
        codePage = read.codePage;
        jetVersion = read.jetVersion;
        TableRows rows{tableName, {}, {}};
        std::vector<int> from;
        std::vector<Kind> kinds;
        for (const Wanted& wanted : shape.columns) {
            const QString column = QString::fromUtf16(wanted.name);
            const int at = columnIn(read.columns, column);
            if (at < 0 && wanted.required)
                throw UserError(QStringLiteral("В таблице «%2» файла базы данных Microsoft "
                                               "Access «%1» нет поля «%3».")
                                    .arg(shownPath(m_path), read.name, column));
            // An older layout without profiles: the copy leaves the column empty.
            if (at < 0 && column == u"profile")
                continue;
            rows.columns.append(column);
            from.push_back(at);
            kinds.push_back(wanted.kind);
        }
        std::vector<bool> texts;
        for (Kind kind : kinds)
            texts.push_back(kind == Kind::Text);
        rows.rows.reserve(read.rows.size());
        qint64 number = 0;
        for (const QStringList& row : read.rows) {
            ++number;
            QVariantList values;
            values.reserve(rows.columns.size());
            for (size_t c = 0; c < from.size(); ++c) {
                if (from[c] < 0) {
                    // Without ids the rows are numbered in table order; without groups no
                    // recipient is in one.
                    values.append(kinds[c] == Kind::Number ? QVariant(number)
                                                           : QVariant(QString()));
                    continue;
                }
                const QString& value = row.at(from[c]);
                if (kinds[c] == Kind::Text) {
                    values.append(value);
                    continue;
                }
                if (value.isEmpty()) {
                    values.append(qint64(0));
                    continue;
                }
                bool ok = false;
                const qint64 integer = value.toLongLong(&ok);
                if (!ok)
                    throw UserError(QStringLiteral("В таблице «%2» файла базы данных Microsoft "
                                                   "Access «%1» в поле «%3» записи %4 не число: "
                                                   "«%5».")
                                        .arg(shownPath(m_path), read.name, rows.columns.at(c))
                                        .arg(number)
                                        .arg(value));
                values.append(integer);
            }
            if (tableName == u"table")
                names.append(values.at(1).toString());
            rows.rows.push_back(std::move(values));
        }
        m_tables.push_back(std::move(rows));
        m_textColumns.push_back(std::move(texts));
    }
    m_western = jetVersion == MDB_VER_JET3 && codePage == 1252;
    if (m_western)
        m_doubt = codePageDoubt(codePage, names);
}

void AccessBook::readAsCyrillic() {
    if (!m_western)
        return;
    for (size_t t = 0; t < m_tables.size(); ++t) {
        for (QVariantList& row : m_tables[t].rows) {
            for (qsizetype c = 0; c < row.size(); ++c) {
                if (m_textColumns[t][size_t(c)])
                    row[c] = asCyrillic(row.at(c).toString());
            }
        }
    }
    m_doubt.reset();
}

CopyCounts copyAccessBook(const AccessBook& from, AddressDb& to, bool replace) {
    return copyAddressBook(from.tables(), shownPath(from.path()), to, replace);
}

QString keptAccessName(const QString& path) {
    const QFileInfo info(path);
    QFile file(path);
    QString suffix = QStringLiteral(".mdb");
    if (file.open(QIODevice::ReadOnly) && file.read(19).endsWith("Standard ACE DB"))
        suffix = QStringLiteral(".accdb");
    const QString base = info.absolutePath() + u'/' + info.completeBaseName();
    for (int n = 1;; ++n) {
        const QString name = base +
                             (n == 1 ? QStringLiteral(" (Microsoft Access)")
                                     : QStringLiteral(" (Microsoft Access %1)").arg(n)) +
                             suffix;
        if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink())
            return name;
    }
}

namespace {

// The new file and SQLite's side files, removed unless the conversion is done.
class NewFile {
public:
    explicit NewFile(QString path) : m_path(std::move(path)) { removeAll(); }
    ~NewFile() {
        if (!m_kept)
            removeAll();
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    const QString& path() const { return m_path; }
    void keep() { m_kept = true; }

private:
    void removeAll() {
        for (const char* side : {"", "-wal", "-shm", "-journal"})
            QFile::remove(m_path + QLatin1String(side));
    }
    QString m_path;
    bool m_kept = false;
};

QString reason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

ConvertedBook convertAccessFile(const AccessBook& book, const QString& schema) {
    const QFileInfo info(book.path());
    const QString path = info.absoluteFilePath();
    NewFile made(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                 QStringLiteral(".envalo-new"));
    ConvertedBook converted;
    runSqlScriptFile(made.path(), schema.isEmpty() ? QString::fromUtf16(fileSchema) : schema);
    {
        AddressDb db(QStringLiteral("envalo-access-conversion"));
        db.open(made.path(), AddressDb::addressTables());
        converted.counts = copyAccessBook(book, db, false);
        db.close();
    }
    // On the disk before it takes the name, so that a power failure cannot leave an empty
    // address book in place of the Access one.
    {
        const int fd = ::open(QFile::encodeName(made.path()).constData(), O_RDONLY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::fsync(fd) == 0;
        const QString why = reason();
        if (fd >= 0)
            ::close(fd);
        if (!synced)
            throw UserError(QStringLiteral("Не удалось записать файл «%1»: %2.")
                                .arg(shownPath(made.path()), why));
    }

    // The Access file gets its second name first, a name no file has (a link is never made
    // over one); then the new file takes the first in one step. At every moment the address
    // book's name holds the Access file or the whole new one.
    converted.keptAs = keptAccessName(path);
    const QByteArray original = QFile::encodeName(path);
    const QByteArray kept = QFile::encodeName(converted.keptAs);
    bool linked = ::link(original.constData(), kept.constData()) == 0;
    // A file system without links (FAT on a memory stick): the Access file is renamed aside
    // instead, and back should the new file fail to take its name. The folder's lock keeps
    // other programs of ours away meanwhile.
    if (!linked && (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS)) {
        if (QFileInfo::exists(converted.keptAs) ||
            ::rename(original.constData(), kept.constData()) != 0)
            throw UserError(QStringLiteral("Не удалось сохранить файл «%1» под именем «%2»: %3.")
                                .arg(shownPath(path), shownPath(converted.keptAs), reason()));
    } else if (!linked) {
        throw UserError(QStringLiteral("Не удалось сохранить файл «%1» под именем «%2»: %3.")
                            .arg(shownPath(path), shownPath(converted.keptAs), reason()));
    }
    if (::rename(QFile::encodeName(made.path()).constData(), original.constData()) != 0) {
        const QString why = reason();
        if (linked)
            ::unlink(kept.constData());
        else
            ::rename(kept.constData(), original.constData());
        throw UserError(QStringLiteral("Не удалось заменить файл «%1» новой адресной книгой: %2.")
                            .arg(shownPath(path), why));
    }
    made.keep();
    return converted;
}
