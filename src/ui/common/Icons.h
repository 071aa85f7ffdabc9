#pragma once

#include <QIcon>
#include <QStyle>

class QLabel;
class QWidget;

// A picture from the desktop's icon theme, or the style's own when the theme has none.
QIcon themeIcon(const char* themeName, QStyle::StandardPixmap fallback);

// The program's window icon: a drawn envelope with a stamp.
QIcon envelopeIcon();

// A block title: white bold text on a stretched title-bar picture.
QLabel* titleBar(const QString& text, QWidget* parent);

// Small drawn pictures for the editor's buttons.
enum class ArrowDirection { Left, Up, Down, Right };
QIcon arrowIcon(ArrowDirection direction);
QIcon applyIcon();
QIcon plusMinusIcon(bool plus);
// The print toggles' pictures: 0 sender frame, 1 recipient frame, 2 index, 3 stamp place.
QIcon printToggleIcon(int part);
// A small sheet with the envelope at one of the nine positions.
QIcon sheetPositionIcon(int position);
