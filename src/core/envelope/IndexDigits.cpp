#include "core/envelope/IndexDigits.h"

#include <QLineF>
#include <QPainter>

#include <array>

namespace {

// In units of the square's side.
constexpr std::array<std::array<int, 4>, stencilSegmentCount> segments{{
    {0, 0, 1, 0},
    {1, 0, 1, 1},
    {1, 1, 1, 2},
    {0, 2, 1, 2},
    {0, 1, 0, 2},
    {0, 0, 0, 1},
    {0, 1, 1, 1},
    {1, 0, 0, 1},
    {1, 1, 0, 2},
}};

} // namespace

const QList<int>& stencilDigit(int digit) {
    static const std::array<QList<int>, 10> digits{{
        {0, 1, 2, 3, 4, 5},
        {7, 1, 2},
        {0, 1, 8, 3},
        {0, 7, 6, 2, 3},
        {5, 6, 1, 2},
        {0, 5, 6, 2, 3},
        {7, 4, 3, 2, 6},
        {0, 7, 4},
        {0, 1, 2, 3, 4, 5, 6},
        {6, 5, 0, 1, 8},
    }};
    return digits[size_t(qBound(0, digit, 9))];
}

void drawStencilSegments(QPainter& painter, QPointF origin, qreal side, const QList<int>& which) {
    for (int s : which) {
        const auto& g = segments[size_t(s)];
        painter.drawLine(
            QLineF(origin + QPointF(g[0], g[1]) * side, origin + QPointF(g[2], g[3]) * side));
    }
}
