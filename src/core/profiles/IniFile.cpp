#include "core/profiles/IniFile.h"

#include "core/Cp1251.h"
#include "core/OutputFile.h"
#include "core/UserError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype maxValueLength = 2047;
// GetPrivateProfileSectionNames' buffer less the terminator that closes the list.
constexpr qsizetype sectionNamesCapacity = 16384 - 1;
// Local file systems stamp times from a clock that ticks every few milliseconds: a change
// made within this span of the last one may leave every stamp as it was.
constexpr qint64 timestampGranularityNs = 100'000'000;
// File systems that keep whole seconds (FAT keeps two) show no fraction in any stamp.
constexpr qint64 wholeSecondGranularityNs = 2'000'000'000 + timestampGranularityNs;
// Interrupted replacements leave "." + the file's name + this + six random characters.
constexpr char temporaryInfix[] = ".new-";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QString trimmedBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin).toString();
}

QString foldedName(QStringView name) {
    return trimmedBlanks(name).toCaseFolded();
}

enum class FileKind : quint8 { Missing, Regular, Other };

struct FileStamp {
    FileKind kind = FileKind::Missing;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    bool operator==(const FileStamp& o) const {
        if (kind != o.kind)
            return false;
        if (kind == FileKind::Missing)
            return true;
        return device == o.device && inode == o.inode && size == o.size &&
               mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
               ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

FileStamp stampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.kind = S_ISREG(st.st_mode) ? FileKind::Regular : FileKind::Other;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtime = st.st_mtim;
    stamp.ctime = st.st_ctim;
    return stamp;
}

FileStamp stampOfPath(const QString& path, int* error = nullptr) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        if (error)
            *error = errno;
        return {};
    }
    return stampOf(st);
}

qint64 nowNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

bool isSettled(const FileStamp& stamp, qint64 checkedAtNs) {
    const qint64 changedNs = qint64(stamp.ctime.tv_sec) * 1'000'000'000 + stamp.ctime.tv_nsec;
    const bool wholeSeconds = stamp.ctime.tv_nsec == 0 && stamp.mtime.tv_nsec == 0;
    return IniFile::stampSettled(changedNs, wholeSeconds, checkedAtNs);
}

// Why a file could not be read, as the rest of a Russian sentence.
QString readFailure(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("такого файла нет");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет права его читать");
    case EISDIR:
        return QStringLiteral("на месте файла стоит папка");
    default:
        return QStringLiteral("система не дала его прочитать (код ошибки %1)").arg(error);
    }
}

QString folderOf(const QString& filePath) {
    return QDir::toNativeSeparators(QFileInfo(filePath).absolutePath());
}

// Why a file could not be made in the folder, as the rest of a Russian sentence.
QString reasonOf(int error, const QString& filePath) {
    const QString folder = folderOf(filePath);
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("нет права создавать и заменять файлы в папке «%1»").arg(folder);
    case EROFS:
        return QStringLiteral("папка «%1» доступна только для чтения").arg(folder);
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("на диске с папкой «%1» не хватает места").arg(folder);
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("папки «%1» нет").arg(folder);
    case EISDIR:
        return QStringLiteral("в папке «%1» на месте файла стоит папка").arg(folder);
    default:
        return QStringLiteral("система не дала записать в папку «%1» (код ошибки %2)")
            .arg(folder)
            .arg(error);
    }
}

QString unencodableMessage(QStringView text, qsizetype at) {
    QStringView character = text.sliced(at, 1);
    char32_t code = text[at].unicode();
    if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        character = text.sliced(at, 2);
        code = QChar::surrogateToUcs4(text[at], text[at + 1]);
    }
    return QStringLiteral("Символ «%1» (U+%2) нельзя сохранить в файле настроек: кодировка "
                          "Windows-1251 его не содержит.")
        .arg(character.toString(),
             QString::number(uint(code), 16).toUpper().rightJustified(4, u'0'));
}

void requireEncodable(QStringView text) {
    const qsizetype at = Cp1251::get().firstUnencodable(text);
    if (at >= 0)
        throw UserError(unencodableMessage(text, at));
}

void requireSingleLine(QStringView text) {
    if (text.contains(u'\r') || text.contains(u'\n'))
        throw UserError(QStringLiteral("Перевод строки нельзя сохранить внутри строки файла "
                                       "настроек."));
}

} // namespace

struct IniFile::Snapshot {
    enum class LineKind : quint8 { Blank, Comment, Section, Key, Other };

    struct Line {
        qsizetype begin = 0;
        qsizetype length = 0;
        quint8 endLength = 0;
        LineKind kind = LineKind::Other;
    };

    struct Key {
        qsizetype line = 0;
        // The name's bytes as stored, so that a new value keeps the key's spelling.
        qsizetype nameBegin = 0;
        qsizetype nameLength = 0;
        QString value;
    };

    struct Section {
        QString name;
        qsizetype header = 0;
        qsizetype end = 0;
        // Where a new key goes: the last line that is neither blank nor a comment.
        qsizetype lastContent = 0;
        bool first = false;
        // The keys by case-folded name, the first of each name; made at the first look into
        // the section, so that a parse costs no more than finding the lines and sections.
        mutable QHash<QString, Key> keys;
        mutable bool indexed = false;
    };

    FileStamp stamp;
    bool settled = false;
    bool readable = false;
    QString error;
    QByteArray bytes;
    std::vector<Line> lines;
    std::vector<Section> sections;
    QHash<QString, qsizetype> firstSection;

    const Section* find(const QString& section) const {
        const auto it = firstSection.constFind(foldedName(section));
        return it == firstSection.cend() ? nullptr : &sections[*it];
    }

    const Key* find(const QString& section, const QString& key) const {
        const Section* s = find(section);
        if (!s)
            return nullptr;
        const QHash<QString, Key>& keys = keysOf(*s);
        const auto it = keys.constFind(foldedName(key));
        return it == keys.cend() ? nullptr : &*it;
    }

    const QHash<QString, Key>& keysOf(const Section& section) const {
        if (!section.indexed) {
            for (qsizetype i = section.header + 1; i < section.end; ++i)
                if (lines[size_t(i)].kind == LineKind::Key)
                    indexKey(section, i);
            section.indexed = true;
        }
        return section.keys;
    }
    void indexKey(const Section& section, qsizetype index) const;

    // The line without the blanks around it, as offsets into the bytes.
    std::pair<qsizetype, qsizetype> trimmed(const Line& line) const {
        const char* p = bytes.constData();
        qsizetype begin = line.begin;
        qsizetype end = line.begin + line.length;
        while (begin < end && isBlank(p[begin]))
            ++begin;
        while (end > begin && isBlank(p[end - 1]))
            --end;
        return {begin, end};
    }

    qsizetype lineEnd(qsizetype index) const {
        const Line& line = lines[index];
        return line.begin + line.length + line.endLength;
    }

    QString text(qsizetype index) const {
        const Line& line = lines[index];
        return Cp1251::get().decode(bytes.constData() + line.begin, line.length);
    }

    void parse();
    void parseLine(qsizetype index);

    // These bytes parsed, as the file they would make.
    static std::shared_ptr<Snapshot> of(QByteArray bytes, FileStamp stamp) {
        auto parsed = std::make_shared<Snapshot>();
        parsed->stamp = stamp;
        parsed->stamp.kind = FileKind::Regular;
        parsed->bytes = std::move(bytes);
        parsed->readable = true;
        parsed->parse();
        return parsed;
    }
};

void IniFile::Snapshot::parse() {
    const char* p = bytes.constData();
    const qsizetype n = bytes.size();
    qsizetype pos = 0;
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && p[end] != '\r' && p[end] != '\n')
            ++end;
        Line line;
        line.begin = pos;
        line.length = end - pos;
        if (end < n)
            line.endLength = (p[end] == '\r' && end + 1 < n && p[end + 1] == '\n') ? 2 : 1;
        lines.push_back(line);
        parseLine(qsizetype(lines.size()) - 1);
        pos = end + line.endLength;
    }
    if (!sections.empty())
        sections.back().end = qsizetype(lines.size());
}

void IniFile::Snapshot::parseLine(qsizetype index) {
    const Cp1251& codec = Cp1251::get();
    Line& line = lines[index];
    const char* p = bytes.constData();
    const auto [begin, end] = trimmed(line);
    if (begin == end) {
        line.kind = LineKind::Blank;
        return;
    }
    if (p[begin] == ';') {
        line.kind = LineKind::Comment;
        return;
    }

    if (p[begin] == '[') {
        // Text after the last ']' is ignored; a line without ']' is no section header.
        qsizetype close = end - 1;
        while (close > begin && p[close] != ']')
            --close;
        if (close > begin) {
            line.kind = LineKind::Section;
            if (!sections.empty())
                sections.back().end = index;
            Section section;
            section.name = trimmedBlanks(codec.decode(p + begin + 1, close - begin - 1));
            section.header = index;
            section.lastContent = index;
            const QString folded = section.name.toCaseFolded();
            section.first = !firstSection.contains(folded);
            if (section.first)
                firstSection.insert(folded, qsizetype(sections.size()));
            sections.push_back(std::move(section));
            return;
        }
    }

    line.kind = memchr(p + begin, '=', end - begin) ? LineKind::Key : LineKind::Other;
    if (!sections.empty())
        sections.back().lastContent = index;
}

void IniFile::Snapshot::indexKey(const Section& section, qsizetype index) const {
    // Reads never reach a later section of the same name, so its keys need no index.
    if (!section.first)
        return;
    const Cp1251& codec = Cp1251::get();
    const char* p = bytes.constData();
    const auto [begin, end] = trimmed(lines[size_t(index)]);
    const char* eq = static_cast<const char*>(memchr(p + begin, '=', end - begin));
    qsizetype nameEnd = eq - p;
    while (nameEnd > begin && isBlank(p[nameEnd - 1]))
        --nameEnd;
    const QString folded = codec.decode(p + begin, nameEnd - begin).toCaseFolded();
    if (section.keys.contains(folded))
        return;

    qsizetype valueBegin = eq - p + 1;
    qsizetype valueEnd = end;
    while (valueBegin < valueEnd && isBlank(p[valueBegin]))
        ++valueBegin;
    if (valueEnd - valueBegin >= 2 && (p[valueBegin] == '"' || p[valueBegin] == '\'') &&
        p[valueEnd - 1] == p[valueBegin]) {
        ++valueBegin;
        --valueEnd;
    }
    const qsizetype length = qMin(valueEnd - valueBegin, maxValueLength);
    section.keys.insert(folded,
                        Key{index, begin, nameEnd - begin, codec.decode(p + valueBegin, length)});
}

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

IniFile::~IniFile() = default;

IniFile::Batch::Batch(IniFile& ini) : m_ini(ini) {
    if (m_ini.m_batchDepth++ == 0) {
        m_ini.m_pending.reset();
        m_ini.m_edits.clear();
    }
}

IniFile::Batch::~Batch() {
    if (--m_ini.m_batchDepth == 0) {
        // Uncommitted: the reads see the file on disk again.
        m_ini.m_pending.reset();
        m_ini.m_edits.clear();
    }
}

void IniFile::Batch::commit() {
    if (m_done)
        return;
    m_done = true;
    if (m_ini.m_batchDepth != 1 || m_ini.m_edits.empty())
        return;
    const std::vector<Edit> edits = std::move(m_ini.m_edits);
    m_ini.m_edits.clear();
    m_ini.m_pending.reset();
    m_ini.replaceOnDisk(edits);
}

QString IniFile::fullPath() const {
    return QFileInfo(m_path).absoluteFilePath();
}

std::shared_ptr<const IniFile::Snapshot> IniFile::snapshot() const {
    if (m_pending)
        return m_pending;
    const qint64 checkedAt = nowNs();
    int statError = 0;
    const FileStamp stamp = stampOfPath(m_path, &statError);

    if (m_snapshot && m_snapshot->stamp == stamp) {
        if (stamp.kind != FileKind::Regular || (m_snapshot->readable && m_snapshot->settled))
            return m_snapshot;
    }

    auto fresh = std::make_shared<Snapshot>();
    fresh->stamp = stamp;
    if (stamp.kind == FileKind::Missing) {
        fresh->error = readFailure(statError);
    } else if (stamp.kind == FileKind::Other) {
        fresh->error =
            QFileInfo(m_path).isDir() ? readFailure(EISDIR) : QStringLiteral("это не обычный файл");
    } else {
        QFile file(m_path);
        errno = 0;
        if (!file.open(QIODevice::ReadOnly)) {
            fresh->error = errno != 0 ? readFailure(errno) : file.errorString();
        } else {
            struct stat st {};
            if (::fstat(file.handle(), &st) == 0)
                fresh->stamp = stampOf(st);
            fresh->bytes = file.readAll();
            if (file.error() != QFileDevice::NoError) {
                fresh->error =
                    QStringLiteral("файл не читается до конца (%1)").arg(file.errorString());
                fresh->bytes.clear();
            } else {
                fresh->readable = true;
            }
        }
    }

    if (fresh->readable && m_snapshot && m_snapshot->readable &&
        m_snapshot->stamp == fresh->stamp && m_snapshot->bytes == fresh->bytes) {
        // The stamps could not tell, but the content did: the parse still holds.
        m_snapshot->settled = isSettled(fresh->stamp, checkedAt);
        return m_snapshot;
    }
    if (fresh->readable) {
        fresh->parse();
        fresh->settled = isSettled(fresh->stamp, checkedAt);
    }
    m_snapshot = std::move(fresh);
    return m_snapshot;
}

std::shared_ptr<const IniFile::Snapshot> IniFile::snapshotForWrite() const {
    auto s = snapshot();
    if (s->stamp.kind == FileKind::Other)
        refuseWrite(reasonOf(QFileInfo(m_path).isDir() ? EISDIR : EPERM, fullPath()));
    if (s->stamp.kind == FileKind::Regular && !s->readable)
        refuseWrite(QStringLiteral("его нельзя прочитать (%1), а замена потеряла бы его "
                                   "содержимое")
                        .arg(s->error));
    return s;
}

void IniFile::refuseWrite(const QString& reason) const {
    throw UserError(QStringLiteral("Не удалось сохранить настройки: %1. Файл %2 остался "
                                   "прежним.\r\nUnable to write to %2")
                        .arg(reason, fullPath()));
}

void IniFile::change(Edit edit) {
    if (m_batchDepth == 0) {
        replaceOnDisk({std::move(edit)});
        return;
    }
    const std::shared_ptr<const Snapshot> base =
        m_pending ? std::shared_ptr<const Snapshot>(m_pending) : snapshotForWrite();
    QByteArray bytes = edit(*base);
    // Kept even when it changes nothing now: the file may hold something else at the commit.
    m_edits.push_back(std::move(edit));
    if (bytes != base->bytes)
        m_pending = Snapshot::of(std::move(bytes), base->stamp);
}

bool IniFile::stillAsRead(const Snapshot& read) const {
    const FileStamp now = stampOfPath(m_path);
    if (now.kind != read.stamp.kind)
        return false;
    if (now.kind != FileKind::Regular)
        return true;
    // The content, not the stamps: a change within the clock's resolution leaves them as
    // they were.
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == read.bytes &&
           file.error() == QFileDevice::NoError;
}

void IniFile::replaceOnDisk(const std::vector<Edit>& edits) {
    // Another program that keeps writing the file gets this many chances to finish first;
    // then ours replaces whatever it wrote last.
    constexpr int attempts = 8;
    for (int attempt = 1;; ++attempt) {
        const std::shared_ptr<const Snapshot> read = snapshotForWrite();
        std::shared_ptr<const Snapshot> state = read;
        QByteArray bytes = read->bytes;
        for (size_t i = 0; i < edits.size(); ++i) {
            if (i > 0)
                state = Snapshot::of(bytes, read->stamp);
            bytes = edits[i](*state);
        }
        // For a missing file, the changes that leave it empty (erasing what is not there).
        if (bytes == read->bytes)
            return;

        m_snapshot.reset();
        // A link is followed, so that the file it names is replaced (or made) and the link
        // stays.
        const QString target = replacedFile(m_path);
        const QString folder = QFileInfo(target).absolutePath();
        const QString fileName = QFileInfo(target).fileName();
        QByteArray temporary = QFile::encodeName(folder + u'/' + u'.' + fileName) + temporaryInfix +
                               QByteArray("XXXXXX");

        const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
        if (fd < 0)
            refuseWrite(reasonOf(errno, target));
        int error = takeOverMode(fd, QFile::encodeName(target));
        if (error == 0)
            error = writeAll(fd, bytes.constData(), bytes.size());
        if (error == 0 && ::fsync(fd) != 0)
            error = errno;
        if (::close(fd) != 0 && error == 0)
            error = errno;
        if (error == 0 && m_beforeReplace)
            m_beforeReplace();
        // The flush took the longest: what another program wrote meanwhile is changed again.
        if (error == 0 && attempt < attempts && !stillAsRead(*read)) {
            ::unlink(temporary.constData());
            continue;
        }
        if (error == 0 &&
            ::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0)
            error = errno;
        if (error != 0) {
            ::unlink(temporary.constData());
            refuseWrite(reasonOf(error, target));
        }
        syncFolderOf(target);

        auto written = std::make_shared<Snapshot>();
        written->stamp = stampOfPath(m_path);
        if (written->stamp.kind != FileKind::Regular || written->stamp.size != bytes.size())
            return;
        written->bytes = bytes;
        written->readable = true;
        written->parse();
        // Left unsettled: the next read compares the content, in case another program wrote
        // between our rename and the stamp just taken.
        m_snapshot = std::move(written);
        return;
    }
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
    const auto s = snapshot();
    const Snapshot::Key* found = s->find(section, key);
    return found ? found->value : def;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const {
    const auto s = snapshot();
    const Snapshot::Key* found = s->find(section, key);
    return found ? parseInteger(found->value, def) : def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    writeKeys(section, {{key, value}});
}

void IniFile::writeKeys(const QString& section,
                        const std::vector<std::pair<QString, QString>>& values) {
    const QString sectionName = trimmedBlanks(section);
    requireSingleLine(sectionName);
    requireEncodable(sectionName);
    const Cp1251& codec = Cp1251::get();
    // Every name and value is checked before anything is written.
    struct KeyLine {
        QString folded;
        QByteArray line;
        QByteArray value;
    };
    std::vector<KeyLine> keyLines;
    keyLines.reserve(values.size());
    for (const auto& [key, value] : values) {
        const QString keyName = trimmedBlanks(key);
        requireSingleLine(keyName);
        requireSingleLine(value);
        if (keyName.contains(u'=') || keyName.startsWith(u';') || keyName.startsWith(u'['))
            throw UserError(QStringLiteral("Имя параметра «%1» нельзя сохранить в файле настроек: "
                                           "оно не может содержать «=» и начинаться с «;» или «[».")
                                .arg(keyName));
        requireEncodable(keyName);
        requireEncodable(value);
        const QByteArray encodedValue = codec.encode(value);
        keyLines.push_back(
            {foldedName(keyName), codec.encode(keyName) + '=' + encodedValue, encodedValue});
    }

    const QByteArray encodedSection = codec.encode(sectionName);
    change([sectionName, encodedSection, keyLines](const Snapshot& current) -> QByteArray {
        const Snapshot* s = &current;
        const QByteArray& old = s->bytes;
        const Snapshot::Section* sec = s->find(sectionName);
        // An existing key is replaced where it stands; a new one goes after the
        // section's last line, in the order written; a key written twice keeps its place.
        QHash<qsizetype, QByteArray> replaced;
        std::vector<QByteArray> appended;
        QHash<QString, size_t> appendedAt;
        for (const auto& [folded, line, value] : keyLines) {
            const Snapshot::Key* found = nullptr;
            if (sec) {
                const QHash<QString, Snapshot::Key>& keys = s->keysOf(*sec);
                const auto it = keys.constFind(folded);
                if (it != keys.cend())
                    found = &*it;
            }
            if (found) {
                replaced.insert(found->line,
                                old.sliced(found->nameBegin, found->nameLength) + '=' + value);
            } else if (const auto at = appendedAt.constFind(folded); at != appendedAt.cend()) {
                appended[*at] = line;
            } else {
                appendedAt.insert(folded, appended.size());
                appended.push_back(line);
            }
        }

        QByteArray bytes;
        bytes.reserve(old.size() + 64 * qsizetype(appended.size()) + 64);
        if (sec) {
            for (qsizetype i = 0; i < qsizetype(s->lines.size()); ++i) {
                const Snapshot::Line& line = s->lines[size_t(i)];
                if (const auto it = replaced.constFind(i); it != replaced.cend()) {
                    bytes += *it;
                    bytes += old.sliced(line.begin + line.length, line.endLength);
                } else {
                    bytes += old.sliced(line.begin, line.length + line.endLength);
                }
                if (i == sec->lastContent && !appended.empty()) {
                    if (line.endLength == 0)
                        bytes += "\r\n";
                    for (const QByteArray& keyLine : appended)
                        bytes += keyLine + "\r\n";
                }
            }
        } else {
            const bool unended = !s->lines.empty() && s->lines.back().endLength == 0;
            bytes = old + (unended ? "\r\n" : "") + '[' + encodedSection + "]\r\n";
            for (const QByteArray& keyLine : appended)
                bytes += keyLine + "\r\n";
        }
        return bytes;
    });
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList IniFile::sections() const {
    const auto s = snapshot();
    QStringList names;
    qsizetype room = sectionNamesCapacity;
    for (const Snapshot::Section& section : s->sections) {
        // An empty name would end the system's list, so the system never lists one.
        if (section.name.isEmpty())
            continue;
        const qsizetype needed = section.name.size() + 1;
        if (needed > room)
            break;
        room -= needed;
        names.append(section.name);
    }
    return names;
}

void IniFile::eraseSection(const QString& section) {
    change([section](const Snapshot& s) -> QByteArray {
        const Snapshot::Section* found = s.find(section);
        if (!found)
            return s.bytes;
        const qsizetype from = s.lines[found->header].begin;
        const qsizetype to =
            found->end < qsizetype(s.lines.size()) ? s.lines[found->end].begin : s.bytes.size();
        return s.bytes.first(from) + s.bytes.sliced(to);
    });
}

void IniFile::eraseKeys(const QString& section, const QStringList& keys) {
    QStringList folded;
    for (const QString& key : keys)
        folded.append(foldedName(key));
    change([section, folded](const Snapshot& s) -> QByteArray {
        const Snapshot::Section* found = s.find(section);
        if (!found)
            return s.bytes;
        QByteArray bytes;
        bytes.reserve(s.bytes.size());
        const Cp1251& codec = Cp1251::get();
        const char* p = s.bytes.constData();
        for (qsizetype i = 0; i < qsizetype(s.lines.size()); ++i) {
            const Snapshot::Line& line = s.lines[size_t(i)];
            if (i > found->header && i < found->end && line.kind == Snapshot::LineKind::Key) {
                const char* eq = static_cast<const char*>(memchr(p + line.begin, '=', line.length));
                const QString name = codec.decode(p + line.begin, eq - (p + line.begin));
                if (folded.contains(foldedName(name)))
                    continue;
            }
            bytes += s.bytes.sliced(line.begin, line.length + line.endLength);
        }
        return bytes;
    });
}

QStringList IniFile::readLines() const {
    const auto s = snapshot();
    if (!s->readable)
        throw UserError(
            QStringLiteral("Не удалось открыть файл настроек %1: %2").arg(fullPath(), s->error));
    QStringList lines;
    lines.reserve(qsizetype(s->lines.size()));
    for (qsizetype i = 0; i < qsizetype(s->lines.size()); ++i)
        lines.append(s->text(i));
    return lines;
}

namespace {

QByteArray encodedLines(const QStringList& lines) {
    const Cp1251& codec = Cp1251::get();
    QByteArray bytes;
    for (const QString& line : lines) {
        requireSingleLine(line);
        requireEncodable(line);
        bytes += codec.encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

} // namespace

void IniFile::writeLines(const QStringList& lines) {
    const QByteArray bytes = encodedLines(lines);
    const auto s = snapshotForWrite();
    if (s->stamp.kind != FileKind::Regular)
        refuseWrite(QStringLiteral("файла нет"));
    change([this, bytes](const Snapshot& current) -> QByteArray {
        if (current.stamp.kind != FileKind::Regular)
            refuseWrite(QStringLiteral("файла нет"));
        return bytes;
    });
}

void IniFile::editLines(const std::function<QStringList(const QStringList&)>& edit) {
    auto linesEdit = [this, edit](const Snapshot& current) -> QByteArray {
        if (current.stamp.kind != FileKind::Regular)
            refuseWrite(QStringLiteral("файла нет"));
        QStringList lines;
        lines.reserve(qsizetype(current.lines.size()));
        for (qsizetype i = 0; i < qsizetype(current.lines.size()); ++i)
            lines.append(current.text(i));
        const QStringList edited = edit(lines);
        return edited == lines ? current.bytes : encodedLines(edited);
    };
    // Refused at once, as writeLines is, when the lines cannot be written.
    linesEdit(*snapshotForWrite());
    change(std::move(linesEdit));
}

void IniFile::removeStaleTemporaries(const QString& path) {
    const QFileInfo info(path);
    const QString prefix = u'.' + info.fileName() + QLatin1String(temporaryInfix);
    QDir folder = info.absoluteDir();
    const QStringList stale =
        folder.entryList({prefix + QStringLiteral("??????")}, QDir::Files | QDir::Hidden);
    for (const QString& name : stale)
        folder.remove(name);
}

bool IniFile::stampSettled(qint64 changedNs, bool wholeSeconds, qint64 checkedAtNs) {
    const qint64 granularity = wholeSeconds ? wholeSecondGranularityNs : timestampGranularityNs;
    return changedNs < checkedAtNs - granularity;
}

void IniFile::requireStorable(const QString& text) {
    requireSingleLine(text);
    requireEncodable(text);
}

int IniFile::parseInteger(const QString& text, int def) {
    const QString t = trimmedBlanks(text);
    qsizetype i = 0;
    int base = 10;
    bool negative = false;
    if (t.size() > 2 && t[0] == u'0' && (t[1] == u'x' || t[1] == u'X')) {
        base = 16;
        i = 2;
    } else if (t.startsWith(u'-')) {
        negative = true;
        i = 1;
    }
    if (i == t.size())
        return def;

    const qint64 limit = negative ? -qint64(INT_MIN) : qint64(INT_MAX);
    qint64 magnitude = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            return def;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return def;
    }
    return int(negative ? -magnitude : magnitude);
}
