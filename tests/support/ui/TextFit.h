#pragma once

#include <QStringList>

class QWidget;

// Texts of a shown window that the user cannot read whole: every visible
// label, button, check box or group box title whose text does not fit the room
// its style leaves for it (word wrap taken into account) or that sticks out of
// its parent, and every pair of visible sibling labels or buttons whose
// rectangles overlap. One readable line per fault; empty when every text shows
// whole. Measured with the widgets' own fonts, so the result holds for the
// fonts of the platform the test runs on.
QStringList textFaults(const QWidget& window);

// Saves a picture of the window for a person to look at when
// ENVALO_GRAB_DIR names a folder; does nothing otherwise.
void grabForReview(QWidget& window, const QString& name);
