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
