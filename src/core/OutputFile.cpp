#include "core/OutputFile.h"

#include "core/UserError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Written out in pieces of this size: the PDF engine hands over many small ones.
constexpr qsizetype bufferSize = 64 * 1024;

QString native(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

bool statOf(const QString& path, struct stat& st) {
    return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

bool direct(const struct stat& st) {
    return S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode);
}

} // namespace

QString replacedFile(const QString& path) {
    QFileInfo at(QFileInfo(path).absoluteFilePath());
    for (int depth = 0; depth < 40 && at.isSymLink(); ++depth)
        at = QFileInfo(at.symLinkTarget());
    return at.isSymLink() ? QFileInfo(path).absoluteFilePath() : at.absoluteFilePath();
}

int writeAll(int fd, const char* data, qint64 size, const WriteFunction& write) {
    for (qint64 done = 0; done < size;) {
        const qint64 n = write ? write(fd, data + done, size - done)
                               : qint64(::write(fd, data + done, size_t(size - done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        done += n;
    }
    return 0;
}

void syncFolderOf(const QString& file) {
    const QByteArray folder = QFile::encodeName(QFileInfo(file).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

int takeOverMode(int fd, const QByteArray& replaced) {
    struct stat old {};
    mode_t mode = 0;
    const bool existed = ::stat(replaced.constData(), &old) == 0;
    if (existed) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0)
        return errno;
    // Only the owner of a file's folder may give the file away; it stays ours then.
    if (existed && ::fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM)
        return errno;
    return 0;
}

QString fileErrorReason(int error) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("нет места на диске");
    case EDQUOT:
        return QStringLiteral("нет места: исчерпана дисковая квота");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет права доступа");
    case EROFS:
        return QStringLiteral("диск доступен только для чтения");
    case ENOENT:
        return QStringLiteral("такого файла или папки нет");
    case ENOTDIR:
        return QStringLiteral("часть пути — не папка");
    case EISDIR:
        return QStringLiteral("это папка");
    case EEXIST:
        return QStringLiteral("файл с этим именем уже есть");
    case ENAMETOOLONG:
        return QStringLiteral("слишком длинное имя");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("открыто слишком много файлов");
    case EFBIG:
        return QStringLiteral("файл больше, чем разрешено системой");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода: диск или устройство неисправны");
    case EPIPE:
        return QStringLiteral("читавшая программа закрыла канал");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("устройство недоступно");
    default:
        // The system's own text would be English.
        return QStringLiteral("система отказала (код ошибки %1)").arg(error);
    }
}

OutputFile::OutputFile(const QString& path) : m_path(path) {}

OutputFile::~OutputFile() {
    cancel();
}

void OutputFile::requirePlace(const QString& path) {
    struct stat st {};
    // Missing, or not reachable: the folder's check or the opening says why.
    if (!statOf(path, st) || S_ISREG(st.st_mode) || direct(st))
        return;
    if (S_ISDIR(st.st_mode))
        throw UserError(
            QStringLiteral("Нельзя записать файл «%1»: на его месте папка.").arg(native(path)));
    const QString kind = S_ISSOCK(st.st_mode) ? QStringLiteral("сокет")
                         : S_ISBLK(st.st_mode) ? QStringLiteral("блочное устройство (диск)")
                                               : QStringLiteral("не обычный файл");
    throw UserError(QStringLiteral("Нельзя записать файл «%1»: на его месте %2. Программа пишет "
                                   "в обычный файл, в устройство вроде /dev/stdout или в "
                                   "именованный канал.")
                        .arg(native(path), kind));
}

bool OutputFile::writesDirectly(const QString& path) {
    struct stat st {};
    return statOf(path, st) && direct(st);
}

void OutputFile::start() {
    cancel();
    requirePlace(m_path);
    m_error = 0;
    m_buffer.clear();
    struct stat st {};
    m_direct = statOf(m_path, st) && direct(st);
    if (m_direct) {
        m_target = QFile::encodeName(m_path);
        // Without waiting: a FIFO that nobody reads would hold the program until somebody did.
        m_fd = ::open(m_target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0 && errno == ENXIO && S_ISFIFO(st.st_mode))
            throw UserError(
                QStringLiteral("Не удалось записать в канал «%1»: его не читает ни одна программа.")
                    .arg(native(m_path)));
        if (m_fd < 0)
            fail(errno);
        const int flags = ::fcntl(m_fd, F_GETFL);
        if (flags < 0 || ::fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
            fail(errno);
    } else {
        const QString target = replacedFile(m_path);
        m_target = QFile::encodeName(target);
        // A file its owner made read-only is not replaced behind their back.
        if (::access(m_target.constData(), F_OK) == 0 && ::access(m_target.constData(), W_OK) != 0)
            fail(errno);
        const QFileInfo info(target);
        QByteArray temporary =
            QFile::encodeName(info.absolutePath() + u'/' + u'.' + info.fileName()) +
            QByteArray(".XXXXXX");
        m_fd = ::mkostemp(temporary.data(), O_CLOEXEC);
        if (m_fd < 0) {
            const int error = errno;
            if (error == EACCES || error == EPERM)
                throw UserError(QStringLiteral("Не удалось записать файл «%1»: нет права записи в "
                                               "папку «%2».")
                                    .arg(native(m_path), native(info.absolutePath())));
            fail(error);
        }
        m_temporary = temporary;
        if (const int error = takeOverMode(m_fd, m_target); error != 0)
            fail(error);
    }
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 OutputFile::readData(char*, qint64) {
    return -1;
}

qint64 OutputFile::writeData(const char* data, qint64 size) {
    if (m_fd < 0 || m_error != 0)
        return -1;
    m_buffer.append(data, qsizetype(size));
    if (m_buffer.size() >= bufferSize && !flushBuffer())
        return -1;
    return size;
}

bool OutputFile::flushBuffer() {
    m_error = writeAll(m_fd, m_buffer.constData(), m_buffer.size());
    m_buffer.clear();
    if (m_error != 0)
        setErrorString(fileErrorReason(m_error));
    return m_error == 0;
}

void OutputFile::commit() {
    if (m_fd < 0)
        throw UserError(QStringLiteral("Не удалось записать файл «%1».").arg(native(m_path)));
    if (m_error != 0 || !flushBuffer())
        fail(m_error);
    if (!m_direct && ::fsync(m_fd) != 0)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail(errno);
    if (!m_direct) {
        if (::rename(m_temporary.constData(), m_target.constData()) != 0)
            fail(errno);
        m_temporary.clear();
        syncFolderOf(QFile::decodeName(m_target));
    }
    QIODevice::close();
}

void OutputFile::cancel() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
    m_temporary.clear();
    m_buffer.clear();
    if (isOpen())
        QIODevice::close();
}

void OutputFile::fail(int error) {
    const QString reason = m_direct && (error == ENOSPC || error == EDQUOT)
                               ? QStringLiteral("нет места на устройстве")
                               : fileErrorReason(error);
    cancel();
    throw UserError(
        QStringLiteral("Не удалось записать файл «%1»: %2.").arg(native(m_path), reason));
}

void writeOutputFile(const QString& path, const QByteArray& bytes) {
    OutputFile file(path);
    file.start();
    file.write(bytes);
    file.commit();
}
