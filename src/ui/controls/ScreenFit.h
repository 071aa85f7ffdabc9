#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// Windows on any screen: a window asks for its size where there is room; where there is
// not (a small laptop screen, a large scale factor) it takes the screen's available area
// (the screen less its panels), its frame and title bar included, and opens on it.

// The inner geometry of a window that asks for `wanted` and needs at least `minimum`, with
// this frame around it, on this available area: as large as asked up to the area, never
// below the minimum; centred on `centre` (the area's centre when null) and moved inside
// the area, its title bar first when it cannot fit whole.
QRect fittedGeometry(QSize wanted, QSize minimum, QMargins frame, const QRect& available,
                     QPoint centre = {});

// The frame the window system draws around a window: its own once shown, before that its
// parent window's, else an allowance for a title bar and borders.
QMargins windowFrame(const QWidget& window);

// The width a window needs for its caption to show whole in a title bar: the caption in a
// bold face, as many window managers draw it, beside the window's icon and close box.
int captionWidth(const QWidget& window);

// Sizes and places a top-level window by fittedGeometry on the screen it opens on (its
// parent's, else the primary one): a shown window about its present centre, a new one
// centred on its parent window or else on the screen.
void fitOnScreen(QWidget& window, QSize wanted);
// The same with the window's present size as the size asked for: a window already sized
// is brought back on screen.
void keepOnScreen(QWidget& window);
