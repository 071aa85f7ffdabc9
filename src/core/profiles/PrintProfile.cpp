#include "core/profiles/PrintProfile.h"

#include <algorithm>
#include <cmath>

namespace {

int roundHalfEven(double value) {
    return int(std::nearbyint(value));
}

constexpr std::array<BlockInfo, blockCount> blockTable = {{
    {1, "otkogo", "Откого", BlockSource::SenderName, 1},
    {2, "otkuda1", "Откуда 1", BlockSource::SenderAddress, 1},
    {3, "otkuda2", "Откуда 2", BlockSource::SenderAddress, 2},
    {4, "otkuda3", "Откуда 3", BlockSource::SenderAddress, 3},
    {5, "index1", "Индекс 1", BlockSource::FirstIndex, 0},
    {6, "index2", "Индекс 2", BlockSource::SecondIndex, 0},
    {7, "komu1", "Кому 1", BlockSource::RecipientName, 1},
    {8, "komu2", "Кому 2", BlockSource::RecipientName, 2},
    {9, "kuda1", "Куда 1", BlockSource::RecipientAddress, 1},
    {10, "kuda2", "Куда 2", BlockSource::RecipientAddress, 2},
    {11, "kuda3", "Куда 3", BlockSource::RecipientAddress, 3},
    {12, "index31", "1", BlockSource::IndexDigit, 1},
    {13, "index32", "2", BlockSource::IndexDigit, 2},
    {14, "index33", "3", BlockSource::IndexDigit, 3},
    {15, "index34", "4", BlockSource::IndexDigit, 4},
    {16, "index35", "5", BlockSource::IndexDigit, 5},
    {17, "index36", "6", BlockSource::IndexDigit, 6},
    {18, "otkogo2", "Откого2", BlockSource::SenderName, 2},
    {19, "otkogo3", "Откого3", BlockSource::SenderName, 3},
    {20, "komu3", "Кому 3", BlockSource::RecipientName, 3},
}};

// Line n (from 1) of a multi-line text; empty when the text has fewer lines.
QString line(const QString& text, int n) {
    int start = 0;
    for (int i = 1; i < n; ++i) {
        const int end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            return {};
        start = end + 1;
    }
    int end = text.indexOf(QLatin1Char('\n'), start);
    if (end < 0)
        end = int(text.size());
    QString result = text.mid(start, end - start);
    if (result.endsWith(QLatin1Char('\r')))
        result.chop(1);
    return result;
}

constexpr std::array<const char*, formatCount> formatEntryTexts = {
    "(110 x 220 мм) DL",     "(162 x 229 мм) C5",     "(114 x 162 мм) C6",
    "(100 x 145 мм) F119_1", "(100 x 145 мм) F119_2",
};

} // namespace

QString formatEntryText(int format) {
    return QString::fromUtf8(formatEntryTexts[size_t(format)]);
}

int formatEntry(const QString& stored) {
    for (int i = 0; i < formatCount; ++i)
        if (stored == formatEntryText(i))
            return i;
    return 0;
}

int ScreenConversions::pxCoordX(int mm) const {
    return roundHalfEven(scrDpiX / 25.4 * mm);
}
int ScreenConversions::pxCoordY(int mm) const {
    return roundHalfEven(scrDpiY / 25.4 * mm);
}
int ScreenConversions::xdCoordX(int px) const {
    return roundHalfEven(px / (scrDpiX / 25.4));
}
int ScreenConversions::xdCoordY(int px) const {
    return roundHalfEven(px / (scrDpiY / 25.4));
}
int ScreenConversions::fontPixels(int points) const {
    return roundHalfEven(points * double(scrDpiY) / 72.0);
}

QFont blockFont(const TextBlock& block, const ScreenConversions& screen) {
    QFont font = styledFont(block);
    font.setPixelSize(std::max(1, screen.fontPixels(block.size)));
    return font;
}

QFont styledFont(const TextBlock& block) {
    QFont font(block.face);
    font.setBold(block.style & StyleBold);
    font.setItalic(block.style & StyleItalic);
    font.setUnderline(block.style & StyleUnderline);
    font.setStrikeOut(block.style & StyleStrikeOut);
    if (block.pitch == 2)
        font.setFixedPitch(true);
    return font;
}

QColor colourOf(quint32 bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

quint32 bgrOf(const QColor& colour) {
    return quint32(colour.red()) | quint32(colour.green()) << 8 | quint32(colour.blue()) << 16;
}

const std::array<const char*, 11> keptValueKeys = {
    "IndDown_X", "IndDown_Y",   "IndDown_Z",   "IndUp1_X",    "IndUp1_Y",   "IndUp2_X",
    "IndUp2_Y",  "IndRight1_X", "IndRight1_Y", "IndRight2_X", "IndRight2_Y"};

const BlockInfo& blockInfo(int number) {
    return blockTable[size_t(number - 1)];
}

QStringList unprintedLines(const AddressTexts& texts, int number) {
    const BlockInfo& info = blockInfo(number);
    const QString* field = nullptr;
    switch (info.source) {
    case BlockSource::SenderName:
        field = &texts.otkogo;
        break;
    case BlockSource::SenderAddress:
        field = &texts.otkyda;
        break;
    case BlockSource::RecipientName:
        field = &texts.komy;
        break;
    case BlockSource::RecipientAddress:
        field = &texts.kyda;
        break;
    default:
        return {};
    }
    constexpr int linesPrinted = 3;
    if (info.part != linesPrinted)
        return {};
    QStringList rest;
    const qsizetype lines = field->count(QLatin1Char('\n')) + 1;
    for (int n = linesPrinted + 1; n <= lines; ++n)
        rest.append(line(*field, n));
    return rest;
}

std::array<QString, blockCount> blockTexts(const AddressTexts& texts, bool indexswitch) {
    const QString& first = indexswitch ? texts.intyda : texts.intyt;
    const QString& second = indexswitch ? texts.intyt : texts.intyda;
    std::array<QString, blockCount> result;
    for (const BlockInfo& info : blockTable) {
        QString& text = result[size_t(info.number - 1)];
        switch (info.source) {
        case BlockSource::SenderName:
            text = line(texts.otkogo, info.part);
            break;
        case BlockSource::SenderAddress:
            text = line(texts.otkyda, info.part);
            break;
        case BlockSource::RecipientName:
            text = line(texts.komy, info.part);
            break;
        case BlockSource::RecipientAddress:
            text = line(texts.kyda, info.part);
            break;
        case BlockSource::FirstIndex:
            text = first;
            break;
        case BlockSource::SecondIndex:
            text = second;
            break;
        case BlockSource::IndexDigit:
            if (info.part <= second.size())
                text = second.mid(info.part - 1, 1);
            break;
        }
    }
    return result;
}
