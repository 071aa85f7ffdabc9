#include "Tools.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

QString runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        qWarning() << program << arguments << process.readAllStandardError();
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool resumeQueue(const QString& queue) {
    QProcess process;
    process.start(QStringLiteral("cupsenable"), {queue});
    process.waitForFinished(60000);
    return !runTool(QStringLiteral("lpstat"), {"-p", queue}).contains(QStringLiteral("disabled"));
}

bool isCompletePdf(const QString& pdf) {
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 64)
        return false;
    const QByteArray head = file.read(8);
    file.seek(file.size() - 32);
    return head.startsWith("%PDF-") && file.readAll().contains("%%EOF");
}

bool makeSocket(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    std::copy(name.begin(), name.end(), address.sun_path);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

void addStoredTextRows() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("printed");
    QTest::newRow("CR LF") << "а\r\nб\r\nв"
                           << "а\nб\nв";
    QTest::newRow("lone CR") << "а\rб"
                             << "а\nб";
    QTest::newRow("line and paragraph separators") << "а\u2028б\u2029в"
                                                   << "а\nб\nв";
    QTest::newRow("no-break space") << "д.\u00A05"
                                    << "д. 5";
    QTest::newRow("frame marks U+FDD0 and U+FDD1") << "а\uFDD0б\uFDD1в"
                                                   << "а\nб\nв";
}

DiscardingQueue::DiscardingQueue(const QString& prefix)
    : name(prefix + QString::number(QCoreApplication::applicationPid())) {
    runTool("lpadmin", {"-p", name, "-E", "-v", "file:///dev/null"});
}

DiscardingQueue::~DiscardingQueue() {
    runTool("lpadmin", {"-x", name});
}

PausedQueue::PausedQueue() : DiscardingQueue(QStringLiteral("FULL")) {
    runTool("cupsdisable", {name});
}

PausedQueue::~PausedQueue() {
    runTool("cancel", {"-a", name});
}
