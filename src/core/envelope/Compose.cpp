#include "core/envelope/Compose.h"

#include "core/envelope/EnvelopeFormat.h"
#include "core/envelope/PictureCache.h"

namespace {

constexpr std::array<PictureSlot, 4> everySlot = {SenderSlot, RecipientSlot, IndexSlot, StampSlot};

// A format number outside the list is read as DL, as a stored text that names no format is.
int formatOf(int format) {
    return format >= 0 && format < formatCount ? format : 0;
}

// A one-picture format has the sender slot alone.
bool onFormat(int format, PictureSlot slot) {
    return slot == SenderSlot || envelopeFormats()[size_t(format)].allPictures;
}

bool toggleDown(const PrintProfile& profile, PictureSlot slot) {
    switch (slot) {
    case SenderSlot:
        return profile.otkogo;
    case RecipientSlot:
        return profile.komu;
    case IndexSlot:
        return profile.index;
    case StampSlot:
        return profile.marka;
    }
    return false;
}

} // namespace

QSize envelopeSize(int format, const ScreenConversions& screen) {
    const EnvelopeFormat& f = envelopeFormats()[size_t(formatOf(format))];
    return {screen.pxCoordX(f.widthMm), screen.pxCoordY(f.heightMm)};
}

std::array<QString, 4> envelopePictureFiles(const PrintProfile& profile) {
    std::array<QString, 4> files;
    const int format = formatOf(profile.format);
    for (PictureSlot slot : everySlot)
        if (onFormat(format, slot))
            files[slot] = pictureFile(format, slot, toggleDown(profile, slot));
    return files;
}

EnvelopePictures loadEnvelopePictures(PictureCache& cache, const PrintProfile& profile,
                                      MissingPicture missing) {
    EnvelopePictures pictures;
    const auto files = envelopePictureFiles(profile);
    for (size_t slot = 0; slot < files.size(); ++slot) {
        if (files[slot].isEmpty())
            continue;
        try {
            pictures[slot] = cache.picture(files[slot]);
        } catch (const std::exception&) {
            if (missing == MissingPicture::Fails)
                throw;
        }
    }
    return pictures;
}

Envelope composeEnvelope(const PrintProfile& profile, const AddressTexts& texts,
                         const EnvelopePictures& pictures, const ScreenConversions& screen) {
    Envelope envelope;
    const int format = formatOf(profile.format);
    envelope.size = envelopeSize(format, screen);
    for (PictureSlot slot : everySlot) {
        Envelope::Picture& picture = envelope.pictures[slot];
        if (!onFormat(format, slot))
            continue;
        picture.image = pictures[slot];
        picture.position = picturePosition(format, slot, envelope.size);
        picture.visible = toggleDown(profile, slot);
    }
    const auto lines = blockTexts(texts, profile.indexswitch);
    for (int n = 1; n <= blockCount; ++n) {
        const TextBlock& source = profile.block(n);
        Envelope::Block& block = envelope.blocks[size_t(n - 1)];
        block.text = lines[size_t(n - 1)];
        block.position = QPoint(source.x, source.y);
        block.font = blockFont(source, screen);
        block.colour = colourOf(source.colour);
        block.visible = source.visible;
        block.stencil = profile.indexstencil && isDigitBlock(n);
        block.unprinted = unprintedLines(texts, n);
    }
    return envelope;
}
