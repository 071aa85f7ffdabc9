#pragma once

#include "core/envelope/Envelope.h"
#include "core/profiles/PrintProfile.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <array>

class PictureCache;

// The decoded pictures of one profile's envelope, by slot (sender, recipient, index,
// stamp); a null image for a slot the profile's format has not.
using EnvelopePictures = std::array<QImage, 4>;

// The envelope surface of a format in screen pixels.
QSize envelopeSize(int format, const ScreenConversions& screen);

// The picture file of each slot for this profile: the printed picture while the slot's
// toggle is down, the `_b` one while it is up; empty for a slot the format has not.
std::array<QString, 4> envelopePictureFiles(const PrintProfile& profile);

enum class MissingPicture {
    Fails,     // UserError naming the file
    LeftEmpty, // the slot gets a null image
};
EnvelopePictures loadEnvelopePictures(PictureCache& cache, const PrintProfile& profile,
                                      MissingPicture missing = MissingPicture::Fails);

// The envelope as it is printed: the format's surface and pictures, the pictures whose
// toggles are down shown, and the twenty blocks with their texts, positions, fonts (sized
// for this screen), colours and visibility. Nothing is read from anywhere else.
Envelope composeEnvelope(const PrintProfile& profile, const AddressTexts& texts,
                         const EnvelopePictures& pictures, const ScreenConversions& screen);
