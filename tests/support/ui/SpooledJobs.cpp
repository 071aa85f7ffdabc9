#include "SpooledJobs.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

// Numbers of the jobs still queued on any queue of the spooler ("PDF-12  root ...").
QSet<int> queuedJobs() {
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o")});
    lpstat.waitForFinished(30000);
    QSet<int> numbers;
    static const QRegularExpression job(QStringLiteral("^\\S+-(\\d+)\\s"),
                                        QRegularExpression::MultilineOption);
    const QString out = QString::fromLocal8Bit(lpstat.readAllStandardOutput());
    for (auto it = job.globalMatch(out); it.hasNext();)
        numbers.insert(it.next().captured(1).toInt());
    return numbers;
}

} // namespace

SpooledJobs::SpooledJobs(int expected)
    : m_token(QStringLiteral("envalo%1r%2")
                  .arg(QCoreApplication::applicationPid())
                  .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))),
      m_expected(expected) {}

SpooledJobs::~SpooledJobs() {
    // Jobs still under way when a test failed would leave their files after it; jobs that
    // were never sent are not waited for once the queues are empty.
    const QDeadlineTimer deadline(60000);
    while (finished().size() < m_expected && !queuedJobs().isEmpty() && !deadline.hasExpired())
        QTest::qWait(200);
    const QDir spoolOut(folder());
    for (const QString& name : spoolOut.entryList(QDir::Files))
        if (name.contains(m_token))
            QFile::remove(spoolOut.filePath(name));
}

QString SpooledJobs::folder() {
    return QDir::homePath() + QStringLiteral("/PDF");
}

QMap<int, QString> SpooledJobs::waitForAll(int timeoutMs) const {
    const QDeadlineTimer deadline(timeoutMs);
    QMap<int, QString> jobs = finished();
    while (jobs.size() < m_expected && !deadline.hasExpired()) {
        QTest::qWait(200);
        jobs = finished();
    }
    return jobs;
}

QMap<int, QString> SpooledJobs::finished() const {
    static const QRegularExpression job(QStringLiteral("-job_(\\d+)\\.pdf$"));
    const QDir spoolOut(folder());
    QMap<int, QString> mine;
    for (const QString& name : spoolOut.entryList(QDir::Files)) {
        if (!name.contains(m_token))
            continue;
        if (const QRegularExpressionMatch m = job.match(name); m.hasMatch())
            mine.insert(m.captured(1).toInt(), spoolOut.filePath(name));
    }
    if (mine.isEmpty())
        return mine;
    const QSet<int> queued = queuedJobs();
    for (auto it = mine.begin(); it != mine.end();)
        it = queued.contains(it.key()) ? mine.erase(it) : std::next(it);
    return mine;
}
