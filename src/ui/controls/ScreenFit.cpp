#include "ui/controls/ScreenFit.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

// One axis: the window's start and length on the area's [start, start + length).
std::pair<int, int> fitAxis(int wanted, int minimum, int before, int after, int areaStart,
                            int areaLength, int centre) {
    const int room = areaLength - before - after;
    const int length = std::max(std::min(wanted, room), minimum);
    int start = centre - length / 2;
    // Inside the area where it fits; where it does not, its start (the title bar) stays on it.
    start = std::min(start, areaStart + areaLength - after - length);
    start = std::max(start, areaStart + before);
    return {start, length};
}

const QWidget* parentWindow(const QWidget& window) {
    return window.parentWidget() ? window.parentWidget()->window() : nullptr;
}

QScreen* screenOf(const QWidget& window) {
    if (const QWidget* parent = parentWindow(window); parent && parent->screen())
        return parent->screen();
    if (window.screen())
        return window.screen();
    return QGuiApplication::primaryScreen();
}

QMargins shownFrame(const QWidget& window) {
    if (!window.isVisible() || !window.windowHandle())
        return {};
    return window.windowHandle()->frameMargins();
}

} // namespace

QRect fittedGeometry(QSize wanted, QSize minimum, QMargins frame, const QRect& available,
                     QPoint centre) {
    if (centre.isNull())
        centre = available.center();
    const auto [x, width] = fitAxis(wanted.width(), minimum.width(), frame.left(), frame.right(),
                                    available.x(), available.width(), centre.x());
    const auto [y, height] = fitAxis(wanted.height(), minimum.height(), frame.top(), frame.bottom(),
                                     available.y(), available.height(), centre.y());
    return {x, y, width, height};
}

QMargins windowFrame(const QWidget& window) {
    QMargins frame = shownFrame(window);
    if (frame.isNull())
        if (const QWidget* parent = parentWindow(window))
            frame = shownFrame(*parent);
    if (frame.isNull()) {
        // Not shown yet: a title bar as the style draws one, and thin borders.
        const int border = std::max(4, window.style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
        const int title = std::max(30, window.style()->pixelMetric(QStyle::PM_TitleBarHeight));
        frame = QMargins(border, title, border, border);
    }
    return frame;
}

int captionWidth(const QWidget& window) {
    QFont bold = window.font();
    bold.setBold(true);
    const int title = std::max(24, window.style()->pixelMetric(QStyle::PM_TitleBarHeight));
    // The caption, the icon before it and up to three boxes after it (some window managers
    // draw minimise and maximise on dialogs too), each a title bar high, and the borders.
    return QFontMetrics(bold).horizontalAdvance(window.windowTitle()) + 4 * title + 16;
}

void fitOnScreen(QWidget& window, QSize wanted) {
    const QScreen* screen = screenOf(window);
    if (!screen) {
        window.resize(wanted);
        return;
    }
    const QWidget* parent = parentWindow(window);
    // A shown window stays where it is as far as the area allows; a new one opens over its
    // parent window.
    const QPoint centre = window.isVisible()              ? window.geometry().center()
                          : parent && parent->isVisible() ? parent->geometry().center()
                                                          : QPoint();
    const QSize minimum = window.minimumSizeHint().expandedTo(window.minimumSize());
    const QMargins frame = windowFrame(window);
    const QRect fitted =
        fittedGeometry(wanted, minimum, frame, screen->availableGeometry(), centre);
    window.resize(fitted.size());
    // A window's position is its frame's.
    window.move(fitted.topLeft() - QPoint(frame.left(), frame.top()));
}

void keepOnScreen(QWidget& window) {
    fitOnScreen(window, window.size());
}
