#include "core/envelope/EnvelopeFormat.h"

namespace {

constexpr std::array<EnvelopeFormat, formatCount> formats = {{
    {"dl", "dl", 110, 220, true, "Загружен формат DL"},
    {"c5", "c5", 230, 320, true, "Загружен формат C5"},
    {"c6", "c6", 114, 162, true, "Загружен формат C6"},
    {"f119_1", "f119", 100, 145, false, "Загружен формат F119_1"},
    {"f119_2", "f119", 100, 145, false, "Загружен формат F119_2"},
}};

constexpr int keyOrder[formatCount] = {2, 0, 1, 3, 4};

constexpr std::array<QPoint, 20> defaultLayout = {{
    {112, 25},  {112, 47},  {112, 71},  {112, 95},  {152, 119}, {368, 308}, {392, 180},
    {392, 212}, {392, 236}, {392, 260}, {392, 284}, {56, 280},  {89, 280},  {124, 280},
    {157, 280}, {192, 280}, {224, 280}, {224, 280}, {230, 280}, {285, 280},
}};

const char* const roleWords[] = {"otkogo", "komy", "index", "marka"};

} // namespace

const std::array<EnvelopeFormat, formatCount>& envelopeFormats() {
    return formats;
}

int formatOfText(const QString& text) {
    const QString lower = text.toLower();
    for (int format : keyOrder)
        if (lower.contains(QLatin1String(formats[size_t(format)].key)))
            return format;
    return -1;
}

QString pictureFile(int format, PictureSlot slot, bool printed) {
    QString role = QLatin1String(roleWords[slot]);
    if (format == 4)
        role += QLatin1Char('2');
    return QStringLiteral("images/") + QLatin1String(formats[size_t(format)].fileKey) +
           QLatin1Char('_') + role + (printed ? QString() : QStringLiteral("_b")) +
           QStringLiteral(".jpg");
}

QPoint picturePosition(int format, PictureSlot slot, QSize surface) {
    const int w = surface.width();
    const int h = surface.height();
    switch (format) {
    case 0: {
        constexpr QPoint dl[] = {{26, 34}, {410, 200}, {35, 325}, {709, 15}};
        return dl[slot];
    }
    case 1: {
        const QPoint c5[] = {{20, 80}, {w - 600, h - 240}, {0, h - 110}, {w - 200, 60}};
        return c5[slot];
    }
    case 2: {
        constexpr QPoint c6[] = {{16, 31}, {320, 195}, {24, 337}, {509, 39}};
        return c6[slot];
    }
    default:
        return {0, 0};
    }
}

QPoint defaultBlockPosition(int number) {
    return defaultLayout[size_t(number - 1)];
}
