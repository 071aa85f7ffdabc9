#pragma once

#include "core/profiles/PrintProfile.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <array>

// The envelope pictures, one slot each.
enum PictureSlot { SenderSlot = 0, RecipientSlot = 1, IndexSlot = 2, StampSlot = 3 };
// The order the pictures are drawn in, each over the ones before, all under the text.
constexpr std::array<PictureSlot, 4> pictureStackingOrder = {StampSlot, RecipientSlot, IndexSlot,
                                                             SenderSlot};

// One envelope format: the key that recognises it, its surface size and which
// pictures it has. Its entry text in the format list is formatEntryText(format).
struct EnvelopeFormat {
    const char* key;     // found in the lower-cased entry text
    const char* fileKey; // the start of its picture file names
    int heightMm;
    int widthMm;
    bool allPictures;   // false: the sender picture alone (the whole form)
    const char* status; // the editor's status text once applied
};

const std::array<EnvelopeFormat, formatCount>& envelopeFormats();

// The format whose key the text contains (the keys are tested in the order
// c6, dl, c5, f119_1, f119_2, on the text in lower case); -1 when none does.
int formatOfText(const QString& text);

// "images/dl_otkogo.jpg" or, for a picture that is not printed, "images/dl_otkogo_b.jpg".
QString pictureFile(int format, PictureSlot slot, bool printed);
// The picture's top-left corner on a surface of the given size.
QPoint picturePosition(int format, PictureSlot slot, QSize surface);

// Where a layout reset puts block n (1 to 20), whatever the format.
QPoint defaultBlockPosition(int number);
