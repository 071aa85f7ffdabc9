#include "core/UserError.h"
#include "core/envelope/IndexDigits.h"
#include "core/envelope/Jpeg.h"

#include <QDir>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

// Draws the printed parts of Russian envelopes that the layout editor shows behind
// the text blocks, and the two sides of the return receipt form F119. The ruled
// lines and boxes sit where the shipped profiles place their blocks, so the
// sample addresses fall onto the lines.

namespace {

const QColor ink(30, 30, 30);
const QColor rule(85, 85, 85);
// Envelopes print the index stencil light, so that the handwritten digits stand out.
const QColor stencil(185, 185, 185);
const QColor stencilDot(110, 110, 110);

QFont face(int pixels, bool bold = false, bool italic = false) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

// Returns the x where the text ends.
qreal text(QPainter& p, qreal x, qreal baseline, const QString& s, const QFont& font) {
    p.setFont(font);
    p.setPen(ink);
    p.drawText(QPointF(x, baseline), s);
    return x + QFontMetricsF(font).horizontalAdvance(s);
}

qreal textRightAligned(QPainter& p, qreal right, qreal baseline, const QString& s,
                       const QFont& font) {
    const qreal x = right - QFontMetricsF(font).horizontalAdvance(s);
    text(p, x, baseline, s, font);
    return x;
}

void centredText(QPainter& p, const QRectF& box, const QString& s, const QFont& font) {
    p.setFont(font);
    p.setPen(ink);
    p.drawText(box, Qt::AlignCenter, s);
}

// A one-pixel line drawn on the pixel row y, not blurred across two rows.
void hline(QPainter& p, qreal x1, qreal x2, int y, qreal width = 1.0) {
    p.setPen(QPen(rule, width, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(x1, y + 0.5), QPointF(x2, y + 0.5));
}

void box(QPainter& p, const QRect& r, qreal width = 1.2) {
    p.setPen(QPen(rule, width));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5));
}

// A field to fill in by hand: a line under the baseline; returns its end.
qreal blank(QPainter& p, qreal x, qreal baseline, qreal width) {
    hline(p, x, x + width, int(baseline) + 2);
    return x + width;
}

// A square to tick followed by its caption; returns where the caption ends.
qreal checkbox(QPainter& p, qreal x, qreal baseline, const QString& caption, const QFont& font) {
    box(p, QRect(int(x), int(baseline) - 9, 10, 10), 1.0);
    return text(p, x + 14, baseline, caption, font);
}

// Six ruled lines: the name on the first three, the address on the last three,
// each group introduced by its word, and below them the framed index field.
struct AddressFrame {
    QString nameWord;
    QString addressWord;
    QString indexCaption; // two lines, split at '\n'
    int firstLine;        // pixel row of the first ruled line
    qreal pitch;
    QRect indexBox;
    int wordPixels;
};

void drawAddressFrame(QPainter& p, QSize size, const AddressFrame& f) {
    const QFont word = face(f.wordPixels, false, true);
    for (int i = 0; i < 6; ++i) {
        const int y = f.firstLine + int(std::lround(f.pitch * i));
        qreal start = 0;
        if (i == 0 || i == 3)
            start = text(p, 0, y - 3, i == 0 ? f.nameWord : f.addressWord, word) + 6;
        hline(p, start, size.width(), y);
    }
    box(p, f.indexBox);
    const QStringList caption = f.indexCaption.split(u'\n');
    const QFont small = face(10);
    const int middle = f.indexBox.center().y();
    text(p, 0, middle - 1, caption.value(0), small);
    text(p, 0, middle + 10, caption.value(1), small);
}

void drawSegments(QPainter& p, QPointF origin, qreal side, const QList<int>& which,
                  const QPen& pen) {
    p.setPen(pen);
    drawStencilSegments(p, origin, side, which);
}

// Six template cells under the reference bars; below them the sample digits. The
// cells sit under the shipped position of the six large index digits.
void drawIndexStencil(QPainter& p, QSize size) {
    const qreal side = 16;
    const QPen faint(stencil, 1.3, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < 6; ++i) {
        const QPointF origin(11 + 40 * i, 8);
        p.fillRect(QRectF(origin.x(), 1, side, 4), ink);
        drawSegments(p, origin, side, {0, 1, 2, 3, 4, 5, 6, 7, 8}, faint);
        p.setPen(Qt::NoPen);
        p.setBrush(stencilDot);
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 2; ++column)
                p.drawEllipse(origin + QPointF(column, row) * side, 1.5, 1.5);
        p.setBrush(Qt::NoBrush);
    }
    const qreal end = text(p, 11, 60, QStringLiteral("Образец написания цифр индекса:"), face(9));
    // The ten samples fill the rest of the row.
    const qreal pitch = (size.width() - 2 - (end + 6)) / 10;
    const QPen dark(ink, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    for (int d = 0; d < 10; ++d)
        drawSegments(p, QPointF(end + 6 + pitch * d, 48.5), pitch * 0.6, stencilDigit((d + 1) % 10),
                     dark);
}

void drawStamp(QPainter& p, QSize size, int pixels) {
    QPen dashed(rule, 1.2);
    dashed.setDashPattern({4, 3});
    p.setPen(dashed);
    p.drawRect(QRectF(1.5, 1.5, size.width() - 3, size.height() - 3));
    centredText(p, QRectF(QPointF(0, 0), size), QStringLiteral("Место\nдля\nмарки"), face(pixels));
}

// A dashed circle where the post office puts its postmark.
void postmarkPlace(QPainter& p, QPointF centre, qreal radius, const QString& caption) {
    QPen dashed(rule, 1.0);
    dashed.setDashPattern({3, 3});
    p.setPen(dashed);
    p.drawEllipse(centre, radius, radius);
    centredText(p, QRectF(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius)),
                caption, face(10));
}

void formBorder(QPainter& p, QSize size) {
    p.setPen(QPen(rule, 1.5));
    p.drawRect(QRectF(3.75, 3.75, size.width() - 7.5, size.height() - 7.5));
}

// Ruled lines for six blocks of text starting at x 150, each group introduced by
// its word in the column to their left.
void formAddressLines(QPainter& p, QSize size, int firstLine, qreal pitch, const QString& nameWord,
                      const QString& addressWord) {
    const QFont word = face(15, false, true);
    for (int i = 0; i < 6; ++i) {
        const int y = firstLine + int(std::lround(pitch * i));
        qreal start = 14;
        if (i == 0 || i == 3)
            start = text(p, 14, y - 3, i == 0 ? nameWord : addressWord, word) + 6;
        hline(p, start, size.width() - 14, y);
    }
}

void indexField(QPainter& p, const QRect& field) {
    textRightAligned(p, field.left() - 6, field.bottom() - 5, QStringLiteral("Индекс"), face(13));
    box(p, field);
}

// The side that travels back to the sender: the sender's address goes on it.
void drawF119Front(QPainter& p, QSize size) {
    formBorder(p, size);
    const QFont small = face(12);
    text(p, 14, 26, QStringLiteral("ПОЧТА РОССИИ"), face(13, true));
    textRightAligned(p, size.width() - 14, 26, QStringLiteral("ф. 119"), face(13));
    text(p, 14, 70, QStringLiteral("УВЕДОМЛЕНИЕ"), face(28, true));
    text(p, 14, 93, QStringLiteral("о вручении"), face(17));

    qreal x = checkbox(p, 14, 124, QStringLiteral("простого"), small);
    x = checkbox(p, x + 14, 124, QStringLiteral("заказного"), small);
    checkbox(p, x + 14, 124, QStringLiteral("с объявленной ценностью"), small);
    x = checkbox(p, 14, 148, QStringLiteral("письма"), small);
    x = checkbox(p, x + 14, 148, QStringLiteral("бандероли"), small);
    x = checkbox(p, x + 14, 148, QStringLiteral("посылки"), small);
    checkbox(p, x + 14, 148, QStringLiteral("почтового перевода"), small);
    blank(p, text(p, 14, 176, QStringLiteral("№"), small) + 6, 176, 300);

    postmarkPlace(p, QPointF(466, 106), 52, QStringLiteral("Оттиск КПШ\nместа вручения"));
    hline(p, 4, size.width() - 4, 196);
    formAddressLines(p, size, 230, 19, QStringLiteral("Кому"), QStringLiteral("Куда"));
    indexField(p, QRect(182, 330, 66, 22));
}

// The side filled in where the item is handed over: what was delivered, to whom,
// when and against whose signature.
void drawF119Back(QPainter& p, QSize size) {
    formBorder(p, size);
    const QFont small = face(12);
    const QFont heading = face(13, true);
    text(p, 14, 26, QStringLiteral("Вид почтового отправления (РПО)"), heading);
    qreal x = checkbox(p, 14, 50, QStringLiteral("простое"), small);
    x = checkbox(p, x + 14, 50, QStringLiteral("заказное"), small);
    checkbox(p, x + 14, 50, QStringLiteral("с объявленной ценностью"), small);
    x = checkbox(p, 14, 73, QStringLiteral("письмо"), small);
    x = checkbox(p, x + 14, 73, QStringLiteral("бандероль"), small);
    x = checkbox(p, x + 14, 73, QStringLiteral("посылка"), small);
    checkbox(p, x + 14, 73, QStringLiteral("почтовый перевод"), small);
    x = blank(p, text(p, 14, 97, QStringLiteral("№"), small) + 6, 97, 250);
    x = text(p, x + 20, 97, QStringLiteral("на сумму"), small) + 6;
    text(p, blank(p, x, 97, size.width() - 14 - 30 - x) + 4, 97, QStringLiteral("руб."), small);
    hline(p, 4, size.width() - 4, 110);

    x = text(p, 14, 134, QStringLiteral("Вручено (выплачено):"), heading);
    x = checkbox(p, x + 12, 134, QStringLiteral("лично"), small);
    checkbox(p, x + 14, 134, QStringLiteral("по доверенности"), small);
    formAddressLines(p, size, 167, 19.6, QStringLiteral("Кому"), QStringLiteral("Адрес"));
    indexField(p, QRect(144, 276, 66, 22));
    hline(p, 4, size.width() - 4, 306);

    x = text(p, 14, 330, QStringLiteral("Дата вручения  «"), small);
    x = text(p, blank(p, x, 330, 26), 330, QStringLiteral("»"), small);
    x = text(p, blank(p, x + 6, 330, 100) + 6, 330, QStringLiteral("20"), small);
    text(p, blank(p, x, 330, 24) + 3, 330, QStringLiteral("г."), small);
    x = blank(p, text(p, 14, 358, QStringLiteral("Подпись получателя"), small) + 6, 358, 110);
    blank(p, text(p, x + 16, 358, QStringLiteral("Вручил"), small) + 6, 358, 90);
    postmarkPlace(p, QPointF(482, 339), 30, QStringLiteral("Оттиск\nКПШ"));
}

// The version the editor shows for a picture that is not printed: faded to a
// third of its contrast and crossed out.
QImage notPrinted(const QImage& drawing) {
    QImage faded = drawing.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < faded.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(faded.scanLine(y));
        for (int x = 0; x < faded.width(); ++x) {
            const auto fade = [](int v) { return 255 - (255 - v) * 3 / 10; };
            line[x] = qRgb(fade(qRed(line[x])), fade(qGreen(line[x])), fade(qBlue(line[x])));
        }
    }
    QPainter p(&faded);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(140, 140, 140), 2.0, Qt::SolidLine, Qt::RoundCap));
    const QRectF r = QRectF(faded.rect()).adjusted(3, 3, -3, -3);
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.topRight());
    return faded;
}

struct Picture {
    QString name;
    QSize size;
    std::function<void(QPainter&, QSize)> draw;
};

std::vector<Picture> pictures() {
    const QString from = QStringLiteral("От кого");
    const QString whence = QStringLiteral("Откуда");
    const QString fromIndex = QStringLiteral("Индекс места\nотправления");
    const QString to = QStringLiteral("Кому");
    const QString whither = QStringLiteral("Куда");
    const QString toIndex = QStringLiteral("Индекс места\nназначения");
    // DL and C5 place the sender blocks alike; C6 one pixel lower and two to the left.
    const AddressFrame sender{from, whence, fromIndex, 24, 19, QRect(118, 123, 66, 23), 14};
    const AddressFrame senderC6{from, whence, fromIndex, 25, 19, QRect(116, 124, 66, 23), 14};
    const AddressFrame recipient{to, whither, toIndex, 29, 19.6, QRect(79, 138, 66, 23), 15};
    const auto address = [](const AddressFrame& f) {
        return [f](QPainter& p, QSize size) { drawAddressFrame(p, size, f); };
    };
    const auto stamp = [](int pixels) {
        return [pixels](QPainter& p, QSize size) { drawStamp(p, size, pixels); };
    };
    const QSize indexSize(249, 68);
    const QSize form(548, 378); // 145 × 100 mm at 96 dots per inch
    return {
        {QStringLiteral("dl_otkogo"), {336, 148}, address(sender)},
        {QStringLiteral("dl_komy"), {398, 183}, address(recipient)},
        {QStringLiteral("dl_index"), indexSize, drawIndexStencil},
        {QStringLiteral("dl_marka"), {75, 68}, stamp(11)},
        {QStringLiteral("c5_otkogo"), {440, 148}, address(sender)},
        {QStringLiteral("c5_komy"), {560, 183}, address(recipient)},
        {QStringLiteral("c5_index"), indexSize, drawIndexStencil},
        {QStringLiteral("c5_marka"), {160, 110}, stamp(15)},
        {QStringLiteral("c6_otkogo"), {300, 149}, address(senderC6)},
        {QStringLiteral("c6_komy"), {280, 183}, address(recipient)},
        {QStringLiteral("c6_index"), indexSize, drawIndexStencil},
        {QStringLiteral("c6_marka"), {75, 68}, stamp(11)},
        {QStringLiteral("f119_otkogo"), form, drawF119Front},
        {QStringLiteral("f119_otkogo2"), form, drawF119Back},
    };
}

QImage draw(const Picture& picture) {
    QImage image(picture.size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    picture.draw(p, picture.size);
    return image;
}

void report(const QString& message) {
    std::fputs(qPrintable(message + u'\n'), stderr);
}

} // namespace

// envalo_drawimages <folder>: writes the 28 envelope pictures into the folder.
int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments().mid(1);
    if (args.size() != 1) {
        report(QStringLiteral("Использование: envalo_drawimages <папка>"));
        return 2;
    }
    // Another face would shift every word: refuse rather than draw different pictures.
    if (QFontInfo(face(12)).family() != QStringLiteral("Liberation Sans")) {
        report(QStringLiteral("Нужен шрифт Liberation Sans (пакет fonts-liberation2)."));
        return 1;
    }
    const QDir out(args.first());
    if (!out.mkpath(QStringLiteral("."))) {
        report(QStringLiteral("Не удалось создать папку %1").arg(out.path()));
        return 1;
    }
    try {
        for (const Picture& picture : pictures()) {
            const QImage image = draw(picture);
            encodeJpeg(image, out.filePath(picture.name + QStringLiteral(".jpg")), 90);
            encodeJpeg(notPrinted(image), out.filePath(picture.name + QStringLiteral("_b.jpg")),
                       90);
        }
    } catch (const UserError& e) {
        report(e.message());
        return 1;
    }
    return 0;
}
