#include "ui/printing/PreviewWindow.h"
#include "ui/controls/DialogParts.h"

#include "core/UserError.h"
#include "core/envelope/Compose.h"
#include "core/envelope/PictureCache.h"
#include "core/profiles/EnvelopeDocument.h"
#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/MisfitMarks.h"

#include <QBitmap>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>

namespace {

// Pixels of this colour are see-through on screen.
const QColor seeThrough(0, 128, 0);

} // namespace

PreviewWindow::PreviewWindow(Windows& windows) : QDialog(windows.mainWindow), w(windows) {
    setWindowTitle(QStringLiteral("Предварительный просмотр"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAccessibleName(windowTitle());
    setProgramName(this, ControlNames::Printing::previewWindow);
    redraw();
    compose();
}

void PreviewWindow::compose() {
    const PrintProfile& profile = w.document->profile();
    // A picture that cannot be read was reported when the editor loaded the profile;
    // the preview shows the envelope without it.
    const EnvelopePictures pictures =
        loadEnvelopePictures(*w.pictureCache, profile, MissingPicture::LeftEmpty);
    setEnvelope(composeEnvelope(profile, w.mainWindow->addressTexts(), pictures, *w.screen));
}

void PreviewWindow::setEnvelope(Envelope envelope) {
    m_envelope = std::move(envelope);
    m_misfits = envelopeMisfits(m_envelope);
    setToolTip(misfitsNotice(m_misfits));
    if (!m_envelope.size.isEmpty())
        setFixedSize(m_envelope.size);
    updateMask();
    redraw();
}

void PreviewWindow::redraw() {
    update();
}

void PreviewWindow::updateMask() {
    // The mask only matters on screen; the print run composes while the preview is hidden.
    if (!isVisible())
        return;
    const QImage image = capture();
    const QRgb key = seeThrough.rgb();
    bool any = false;
    for (int y = 0; y < image.height() && !any; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width() && !any; ++x)
            any = (line[x] | 0xFF000000) == key;
    }
    if (any)
        // For a pixmap, MaskInColor makes the matching pixels the transparent ones.
        setMask(QPixmap::fromImage(image).createMaskFromColor(seeThrough, Qt::MaskInColor));
    else
        clearMask();
}

QImage PreviewWindow::capture() const {
    if (m_envelope.size.isEmpty())
        return {};
    return captureEnvelope(m_envelope);
}

void PreviewWindow::saveCapture(const QString& path) const {
    const QImage image = capture();
    if (image.isNull() || !image.save(path, "BMP"))
        throw UserError(QStringLiteral("Не удалось сохранить изображение конверта в файл ") + path);
}

void PreviewWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintEnvelope(painter, m_envelope);
    paintMisfitMarks(painter, m_misfits, m_envelope.size);
}

void PreviewWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    compose();
    if (!m_placed) {
        m_placed = true;
        if (const QScreen* desktop = screen())
            move(desktop->availableGeometry().center() - rect().center());
    }
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Right:
        guarded(w.messages, [this] { showNextRecipient(); });
        break;
    case Qt::Key_Left:
        guarded(w.messages, [this] { showPreviousRecipient(); });
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        redraw();
        break;
    case Qt::Key_Escape:
        hide();
        break;
    default:
        QDialog::keyPressEvent(event);
    }
}

void PreviewWindow::showNextRecipient() {
    stepRecipient(1);
}

void PreviewWindow::showPreviousRecipient() {
    stepRecipient(-1);
}

void PreviewWindow::stepRecipient(int direction) {
    if (w.mainWindow->stepRecipient(direction))
        redraw();
}
