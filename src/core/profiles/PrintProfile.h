#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <array>

// The screen's logical resolution and the conversions between millimetres and
// screen pixels; every result is rounded to the nearest whole number, an exact
// half going to the even neighbour.
struct ScreenConversions {
    int scrDpiX = 96;
    int scrDpiY = 96;

    int pxCoordX(int mm) const;
    int pxCoordY(int mm) const;
    int xdCoordX(int px) const;
    int xdCoordY(int px) const;
    // A font size in points as screen pixels.
    int fontPixels(int points) const;
};

// Font style bits as the settings file stores them.
enum FontStyle { StyleBold = 1, StyleItalic = 2, StyleUnderline = 4, StyleStrikeOut = 8 };

// One positioned line of text on the envelope.
struct TextBlock {
    int x = 1;
    int y = 1;
    QString face = QStringLiteral("Arial");
    int size = 10;
    int style = 0;
    int charset = 0;
    int pitch = 0;
    // 0x00BBGGRR, as the settings file stores it.
    quint32 colour = 0;
    bool visible = true;

    // Takes the other block's font and colour; position and visibility stay.
    void setFontFrom(const TextBlock& other) {
        face = other.face;
        size = other.size;
        style = other.style;
        charset = other.charset;
        pitch = other.pitch;
        colour = other.colour;
    }

    bool operator==(const TextBlock&) const = default;
};

// A block's font on a screen of this resolution: the size in points as pixels.
QFont blockFont(const TextBlock& block, const ScreenConversions& screen);
// The block's face, style and pitch, without a size.
QFont styledFont(const TextBlock& block);
// The stored 0x00BBGGRR colour and back.
QColor colourOf(quint32 bgr);
quint32 bgrOf(const QColor& colour);

// Where a block's printed text comes from.
enum class BlockSource {
    SenderName,       // a line of the sender name
    SenderAddress,    // a line of the sender address
    RecipientName,    // a line of the recipient name
    RecipientAddress, // a line of the recipient address
    FirstIndex,       // the sender's index, the recipient's when the indexes are swapped
    SecondIndex,      // the recipient's index, the sender's when swapped
    IndexDigit,       // one character of the second index
};

struct BlockInfo {
    int number;          // 1 to 20, also the font and visibility key number
    const char* stem;    // position keys <stem>_x, <stem>_y
    const char* caption; // the label in the layout editor before texts are shown
    BlockSource source;
    int part; // the line (1-3) or the character (1-6) taken from the source
};

const BlockInfo& blockInfo(int number);

constexpr int blockCount = 20;
constexpr int firstDigitBlock = 12;
constexpr int lastDigitBlock = 17;
inline bool isDigitBlock(int number) {
    return number >= firstDigitBlock && number <= lastDigitBlock;
}

// The names of the eleven kept values, in the order a save writes them.
extern const std::array<const char*, 11> keptValueKeys;

// The envelope formats in the order of the format list: 0 DL, 1 C5, 2 C6, 3 F119_1,
// 4 F119_2. Profiles store a format as its entry text.
constexpr int formatCount = 5;
QString formatEntryText(int format);
// The entry whose text equals the stored text exactly; 0 (DL) when none does.
int formatEntry(const QString& stored);

// One print profile: the envelope format, twenty text blocks, the pictures
// printed, where the envelope goes on the sheet, and the print options.
struct PrintProfile {
    QString name;
    int format = 0; // 0 DL, 1 C5, 2 C6, 3 F119_1, 4 F119_2
    std::array<TextBlock, blockCount> blocks;
    bool otkogo = true;
    bool komu = true;
    bool index = true;
    bool marka = true;
    QString iz = QStringLiteral("10");
    int listpos = 0;
    int corx = 70;
    int cory = 90;
    QString allx = QStringLiteral("0");
    QString ally = QStringLiteral("0");
    int width = 1075;
    int height = 800;
    bool printconfirm = true;
    QStringList printprofiles;
    bool indexswitch = false;
    // The six large index digits drawn in the index stencil's segments instead of a font.
    bool indexstencil = false;
    std::array<QString, 11> kept = {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"};

    TextBlock& block(int number) { return blocks[size_t(number - 1)]; }
    const TextBlock& block(int number) const { return blocks[size_t(number - 1)]; }

    bool operator==(const PrintProfile&) const = default;
};

// The address texts an envelope prints, as the main window's editors hold them.
struct AddressTexts {
    QString otkogo, otkyda, intyt; // sender name, address, index
    QString komy, kyda, intyda;    // recipient name, address, index
};

// The text of every block (index 0 is block 1) for these addresses.
std::array<QString, blockCount> blockTexts(const AddressTexts& texts, bool indexswitch);
// For the block that prints the last line a multi-line field has room for (the third), the
// field's lines after it, which no block prints; nothing for any other block.
QStringList unprintedLines(const AddressTexts& texts, int number);
