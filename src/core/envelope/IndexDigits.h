#pragma once

#include <QList>
#include <QPointF>

class QPainter;

// The postal index digit template: the corners of two stacked squares, and nine
// segments between them: 0 top, 1 upper right, 2 lower right, 3 bottom, 4 lower left,
// 5 upper left, 6 middle, 7 the upper square's diagonal, 8 the lower one's. Sorting
// machines read the index from digits written in these segments; the envelope
// pictures show the template and a sample of each digit, and index digits may be
// printed the same way.
constexpr int stencilSegmentCount = 9;

// The segments of the digit 0 to 9.
const QList<int>& stencilDigit(int digit);

// Draws the segments with the painter's pen, the template's top-left corner at
// origin and the squares' side as given.
void drawStencilSegments(QPainter& painter, QPointF origin, qreal side, const QList<int>& which);
