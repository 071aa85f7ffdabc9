#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// JPEG pictures through libjpeg. Every failure throws UserError with a Russian
// text that names the file; nothing is printed and the process never exits.

// Decodes the file into an image of Format_RGBX8888. Grayscale files come out as
// grey RGB, CMYK and YCCK files are converted to RGB. A missing, unreadable,
// truncated or damaged file, or one that is not a JPEG at all, is an error: a
// damaged file is never shown with the grey fill that libjpeg puts in its place.
QImage decodeJpeg(const QString& path);
// As decodeJpeg(), from bytes already read; name is the file shown in the message.
QImage decodeJpegData(const QByteArray& data, const QString& name);

// Encodes at the given quality (1 to 100). A Format_Grayscale8 image gives a
// grayscale file, any other an RGB one; transparent parts are laid over white.
QByteArray encodeJpegData(const QImage& image, int quality = 92);
// Writes the file atomically: an interrupted write leaves any old file as it was.
void encodeJpeg(const QImage& image, const QString& path, int quality = 92);
