#pragma once

#include "ui/common/Messages.h"

#include <QDialog>
#include <QMap>
#include <QString>

// Answers every box with OK and accepts every modal window without showing it, so that the
// operations run as a user who agrees to everything would make them run; counts what the
// program wanted to show, so that a run that failed on the way is not taken for a fast one.
class SilentMessages : public Messages {
public:
    void notice(const QString& text) override { record(QStringLiteral("notice"), text); }
    void error(const QString& text) override { record(QStringLiteral("error"), text); }
    bool question(const QString& text, const QString&) override {
        record(QStringLiteral("question"), text);
        return true;
    }
    int showModal(QDialog& dialog) override {
        record(QStringLiteral("modal"), dialog.windowTitle());
        return QDialog::Accepted;
    }
    bool printerDialog(QPrinter&) override {
        record(QStringLiteral("printer dialog"), {});
        return false;
    }
    QString inputBox(const QString& caption, const QString&, const QString& initial) override {
        record(QStringLiteral("input"), caption);
        return initial;
    }
    bool fontDialog(QFont&, QColor&) override {
        record(QStringLiteral("font dialog"), {});
        return false;
    }

    // Kind and text of each box shown, with how many times.
    const QMap<QString, int>& shown() const { return m_shown; }
    int total() const { return m_total; }
    QString last() const { return m_last; }

private:
    void record(const QString& kind, const QString& text) {
        m_last = kind + QStringLiteral(": ") + text;
        ++m_shown[m_last];
        ++m_total;
    }

    QMap<QString, int> m_shown;
    int m_total = 0;
    QString m_last;
};
