#include "ui/printing/WindowPrintRun.h"

#include "core/profiles/EnvelopeDocument.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/DelayWindow.h"
#include "ui/printing/PreviewWindow.h"

#include <QEventLoop>
#include <QTimer>

QString misfitsQuestion(const std::vector<EnvelopeMisfits>& misfits) {
    // More would not fit on the screen; the rest are counted.
    constexpr size_t shownAtMost = 15;
    QStringList lines{QStringLiteral("Текст не помещается на конвертах (%1):").arg(misfits.size())};
    for (size_t i = 0; i < misfits.size() && i < shownAtMost; ++i) {
        const EnvelopeMisfits& envelope = misfits[i];
        QStringList places;
        for (const LineMisfit& misfit : envelope.lines)
            places.append(misfitPlace(misfit));
        const QString profile = QStringLiteral("профиль «%1»").arg(envelope.profile);
        lines.append(QStringLiteral("%1: %2").arg(
            envelope.recipient.isEmpty() ? profile
                                         : envelope.recipient + QStringLiteral(", ") + profile,
            places.join(QStringLiteral("; "))));
    }
    if (misfits.size() > shownAtMost)
        lines.append(QStringLiteral("… и ещё %1").arg(misfits.size() - shownAtMost));
    lines.append(QStringLiteral("Печатать всё равно?"));
    return lines.join(QStringLiteral("\r\n"));
}

WindowPrintRun::WindowPrintRun(Windows& windows, std::function<void(int line)> showRecipient)
    : w(windows), m_showRecipient(std::move(showRecipient)), m_saved(windows.document->name()) {}

void WindowPrintRun::recipientStarts(int line, const QString&) {
    if (line >= 0)
        m_showRecipient(line);
}

bool WindowPrintRun::confirmsAtRecipientStart() {
    return w.document->profile().printconfirm;
}

bool WindowPrintRun::proceed(const QString& recipient, const QString& profile, bool confirm) {
    w.delay->prepare(recipient, profile, confirm);
    w.delay->prepareMisfits(m_misfits);
    m_misfits.clear();
    w.messages.showModal(*w.delay);
    return !w.delay->stopped();
}

void WindowPrintRun::doesNotFit(const QString&, const QString&,
                                const std::vector<LineMisfit>& misfits) {
    m_misfits = misfits;
}

void WindowPrintRun::composed(const Envelope& envelope) {
    m_misfits.clear();
    w.preview->setEnvelope(envelope);
}

bool WindowPrintRun::queueFull(const QString& queue, int) {
    m_waiting = QStringLiteral("Очередь печати «%1» заполнена: ожидание, пока принтер напечатает "
                               "отправленные конверты.\r\nПечать продолжится сама; «Отмена» "
                               "останавливает её.")
                    .arg(queue);
    // The progress window is there before the pause: half a second of the window's own
    // events, in which it shows and its button answers, before the envelope is sent again.
    bool going = w.messages.progress(m_waiting, 0, 1);
    if (going) {
        QEventLoop pause;
        QTimer::singleShot(500, &pause, &QEventLoop::quit);
        pause.exec();
        going = w.messages.progress(m_waiting, 0, 1);
    }
    // A cancelled progress window is closed already.
    if (!going)
        m_waiting.clear();
    return going;
}

void WindowPrintRun::envelopeDone(int, int) {
    waitingEnds();
}

void WindowPrintRun::waitingEnds() {
    if (m_waiting.isEmpty())
        return;
    w.messages.progress(m_waiting, 1, 1);
    m_waiting.clear();
}

void WindowPrintRun::ending(bool early, const QString& lastProfile) {
    waitingEnds();
    // A run that ends early leaves the editor on the profile of the last envelope printed
    // for the current recipient, as it always has; at a recipient's start the editor keeps
    // its own. A whole run shows the profile shown before, as stored, and that profile's own
    // list of profiles to print.
    if (!early)
        w.profileStore->load(m_saved);
    else if (!lastProfile.isEmpty())
        w.profileStore->load(lastProfile);
}

void WindowPrintRun::filesNotice(const QString& text) {
    w.messages.notice(text);
}
