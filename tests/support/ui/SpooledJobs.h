#pragma once

#include <QMap>
#include <QString>

// The print jobs of one test, among everything cups-pdf writes for the isolated CUPS:
// ~/PDF/<title>-job_<N>.pdf for every job of every program that prints there. A job is
// this test's when its title carries the token, which no other test program can have;
// files of other jobs are never read or removed, so print tests may run side by side.
// The files of this test's jobs are removed when the object goes, passed or failed.
class SpooledJobs {
public:
    // expected: how many jobs the test sends.
    explicit SpooledJobs(int expected);
    ~SpooledJobs();
    SpooledJobs(const SpooledJobs&) = delete;
    SpooledJobs& operator=(const SpooledJobs&) = delete;

    // Letters and digits only, so that the spooler's file name keeps it as it is.
    const QString& token() const { return m_token; }

    // Waits until the expected jobs of this test have left the queue, their files
    // complete. Gives them by job number, so in the order they were sent; fewer on timeout.
    QMap<int, QString> waitForAll(int timeoutMs = 120000) const;

    // The folder cups-pdf writes into.
    static QString folder();

private:
    // This test's jobs that are no longer queued: job number to file path.
    QMap<int, QString> finished() const;

    QString m_token;
    int m_expected;
};
