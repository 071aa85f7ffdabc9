#pragma once

#include "core/envelope/Envelope.h"

#include <QDialog>
#include <vector>

struct Windows;

// The preview of the envelope being printed: it composes the envelope from the
// layout editor's current profile and the main window's address texts, and shows
// each envelope a print run prints.
class PreviewWindow : public QDialog {
    Q_OBJECT

public:
    explicit PreviewWindow(Windows& windows);

    // Composes the envelope of the editor's current profile with the main window's texts.
    void compose();
    // Shows an envelope composed elsewhere (the print run's) as the last composed one.
    void setEnvelope(Envelope envelope);
    // Repaints the last composed envelope.
    void redraw();
    // Select the next or previous ticked recipient and load it, without composing.
    void showNextRecipient();
    void showPreviousRecipient();

    const Envelope& envelope() const { return m_envelope; }
    // The envelope's lines that are cut or left out, marked on screen and named in the
    // window's tooltip; never part of the capture.
    const std::vector<LineMisfit>& misfits() const { return m_misfits; }
    // The envelope's own pixels, see-through colour included.
    QImage capture() const;
    // Writes the capture as a BMP file; throws UserError when it cannot.
    void saveCapture(const QString& path) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void stepRecipient(int direction);
    void updateMask();

    Windows& w;
    Envelope m_envelope;
    std::vector<LineMisfit> m_misfits;
    bool m_placed = false;
};
