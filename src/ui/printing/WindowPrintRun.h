#pragma once

#include "core/envelope/Envelope.h"
#include "core/run/PrintRun.h"

#include <functional>

struct Windows;

// The question the window asks before a run whose text does not fit somewhere: how many
// envelopes, one line for each (the first 15), and whether to print all the same.
QString misfitsQuestion(const std::vector<EnvelopeMisfits>& misfits);

// The window's side of a print run: each recipient shown in the list and the editors as
// its envelopes print, each envelope in the preview, the delay window between envelopes,
// the files notice at the end, and the editor left on the profile the run ends with.
class WindowPrintRun : public PrintRunObserver {
public:
    // `showRecipient` selects a line of the recipient list and loads its record into the
    // editors. The editor's profile now is the one it shows again after a whole run.
    WindowPrintRun(Windows& windows, std::function<void(int line)> showRecipient);

    void recipientStarts(int line, const QString& name) override;
    bool confirmsAtRecipientStart() override;
    bool proceed(const QString& recipient, const QString& profile, bool confirm) override;
    void composed(const Envelope& envelope) override;
    // Kept for the delay window, which names the lines under its countdown.
    void doesNotFit(const QString& recipient, const QString& profile,
                    const std::vector<LineMisfit>& misfits) override;
    // A full queue: the progress window says so with its "Отмена", which stops the run.
    bool queueFull(const QString& queue, int attempt) override;
    void envelopeDone(int done, int total) override;
    void ending(bool early, const QString& lastProfile) override;
    void filesNotice(const QString& text) override;

private:
    Windows& w;
    std::function<void(int line)> m_showRecipient;
    QString m_saved;
    // What the next envelope cuts or leaves out.
    std::vector<LineMisfit> m_misfits;
    // What the progress window says while the run waits for a full queue; empty otherwise.
    QString m_waiting;
    void waitingEnds();
};
