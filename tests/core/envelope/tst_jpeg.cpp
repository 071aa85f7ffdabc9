#include "ErrorOf.h"
#include "core/UserError.h"
#include "core/envelope/Jpeg.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool near(QRgb actual, QColor expected) {
    return qAbs(qRed(actual) - expected.red()) <= 6 &&
           qAbs(qGreen(actual) - expected.green()) <= 6 &&
           qAbs(qBlue(actual) - expected.blue()) <= 6;
}

// Four flat quarters, large enough that the centre of each survives compression.
QImage quarters(QImage::Format format, const QColor (&colours)[4]) {
    QImage image(70, 50, format); // widths that are no multiple of 4 test the row stride
    for (int i = 0; i < 4; ++i) {
        const QRect quarter(i % 2 * 35, i / 2 * 25, 35, 25);
        for (int y = quarter.top(); y <= quarter.bottom(); ++y)
            for (int x = quarter.left(); x <= quarter.right(); ++x)
                image.setPixelColor(x, y, colours[i]);
    }
    return image;
}

// A CMYK file as Adobe's programs write it: ink stored inverted, with the Adobe
// marker, optionally transformed to YCCK. Our encoder writes RGB only.
QByteArray cmykJpeg(const uchar (&cmyk)[4], J_COLOR_SPACE stored) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = 16;
    cinfo.image_height = 16;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, stored);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    uchar row[16 * 4];
    for (int x = 0; x < 16; ++x)
        for (int c = 0; c < 4; ++c)
            row[x * 4 + c] = uchar(255 - cmyk[c]);
    JSAMPROW rows[1] = {row};
    while (cinfo.next_scanline < cinfo.image_height)
        jpeg_write_scanlines(&cinfo, rows, 1);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

} // namespace

class TestJpeg : public QObject {
    Q_OBJECT

private slots:
    void decodesThePixelsThatWereEncoded_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QList<QColor>>("expected");
        const QColor rgb[4] = {QColor(200, 30, 30), QColor(30, 160, 60), QColor(20, 40, 190),
                               Qt::white};
        QTest::newRow("colour") << quarters(QImage::Format_RGB32, rgb)
                                << QList<QColor>(std::begin(rgb), std::end(rgb));
        const QColor greys[4] = {Qt::black, QColor(64, 64, 64), QColor(170, 170, 170), Qt::white};
        QTest::newRow("grayscale") << quarters(QImage::Format_Grayscale8, greys)
                                   << QList<QColor>(std::begin(greys), std::end(greys));
        const QColor glass[4] = {Qt::transparent, QColor(0, 0, 255, 255), Qt::black,
                                 QColor(255, 0, 0, 0)};
        QTest::newRow("transparent parts become white")
            << quarters(QImage::Format_ARGB32, glass)
            << QList<QColor>{Qt::white, QColor(0, 0, 255), Qt::black, Qt::white};
    }
    void decodesThePixelsThatWereEncoded() {
        QFETCH(QImage, image);
        QFETCH(QList<QColor>, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"рисунок.jpg"_s);
        encodeJpeg(image, path, 90);
        for (const QImage& decoded :
             {decodeJpeg(path), decodeJpegData(encodeJpegData(image), {})}) {
            QCOMPARE(decoded.size(), image.size());
            QCOMPARE(decoded.format(), QImage::Format_RGBX8888);
            for (int i = 0; i < 4; ++i) {
                const QRgb pixel = decoded.pixel(i % 2 * 35 + 17, i / 2 * 25 + 12);
                QVERIFY2(near(pixel, expected[i]),
                         qPrintable(u"quarter %1: %2"_s.arg(i).arg(pixel, 8, 16)));
            }
        }
    }

    void convertsCmykFiles_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QList<int>>("ink");
        QTest::addColumn<QColor>("expected");
        for (auto [name, space] : {std::pair{"CMYK", JCS_CMYK}, std::pair{"YCCK", JCS_YCCK}}) {
            const auto row = [&](const char* colour, QList<int> ink, QColor expected) {
                QTest::addRow("%s %s", name, colour) << int(space) << ink << expected;
            };
            row("no ink", {0, 0, 0, 0}, Qt::white);
            row("cyan", {255, 0, 0, 0}, Qt::cyan);
            row("half magenta", {0, 128, 0, 0}, QColor(255, 127, 255));
            row("black", {0, 0, 0, 255}, Qt::black);
        }
    }
    void convertsCmykFiles() {
        QFETCH(int, stored);
        QFETCH(QList<int>, ink);
        QFETCH(QColor, expected);
        const uchar cmyk[4] = {uchar(ink[0]), uchar(ink[1]), uchar(ink[2]), uchar(ink[3])};
        const QImage decoded = decodeJpegData(cmykJpeg(cmyk, J_COLOR_SPACE(stored)), u"x"_s);
        QCOMPARE(decoded.format(), QImage::Format_RGBX8888);
        QVERIFY2(near(decoded.pixel(8, 8), expected),
                 qPrintable(QString::number(decoded.pixel(8, 8), 16)));
    }

    void refusesWhatIsNoWholeJpeg_data() {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QColor colours[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        const QByteArray jpeg = encodeJpegData(quarters(QImage::Format_RGB32, colours));
        QByteArray absurd = jpeg;
        const qsizetype frame = absurd.indexOf("\xFF\xC0");
        QVERIFY(frame > 0);
        absurd.replace(frame + 5, 4, QByteArray("\xEA\x60\xEA\x60", 4)); // 60000 × 60000
        QTest::newRow("missing") << false << QByteArray() << u"файл не найден"_s;
        QTest::newRow("empty") << true << QByteArray() << u"файл пуст"_s;
        QTest::newRow("text") << true << "Это не рисунок, а письмо."_ba << u"это не файл JPEG"_s;
        QTest::newRow("cut in the pixels")
            << true << jpeg.left(jpeg.size() * 2 / 3) << u"файл обрезан"_s;
        QTest::newRow("cut in the header") << true << jpeg.left(40) << u"файл обрезан"_s;
        QTest::newRow("absurd size") << true << absurd << u"слишком велик"_s;
    }
    void refusesWhatIsNoWholeJpeg() {
        QFETCH(bool, present);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"dl_komy.jpg"_s);
        if (present)
            QVERIFY(writeFile(path, bytes));
        const QString message = errorOf([&] { decodeJpeg(path); });
        QVERIFY2(message.startsWith(u"Не удалось прочитать рисунок %1: "_s.arg(path)),
                 qPrintable(message));
        QVERIFY2(message.contains(reason), qPrintable(message));
    }

    void reportsFailedWrites() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"нет/такой/папки.jpg"_s);
        QString message = errorOf([&] { encodeJpeg(QImage(10, 10, QImage::Format_RGB32), path); });
        QVERIFY2(message.startsWith(u"Не удалось записать рисунок %1: "_s.arg(path)),
                 qPrintable(message));
        message = errorOf([&] { encodeJpeg(QImage(), dir.filePath(u"a.jpg"_s)); });
        QVERIFY2(message.contains(u"рисунок пуст"_s), qPrintable(message));
        QVERIFY(!QFile::exists(dir.filePath(u"a.jpg"_s)));
    }

    // Each shipped picture must lie wholly on its envelope at 96 dots per inch,
    // at the position the format gives it; its "not printed" version has the same
    // size and no dark ink left.
    void shippedPicturesFitTheirEnvelopes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("surface");
        QTest::addColumn<QPoint>("position");
        const QRect dl(0, 0, 831, 416), c5(0, 0, 1209, 869), c6(0, 0, 612, 431);
        const QRect f119(0, 0, 548, 378);
        const auto row = [](const QString& name, QRect surface, QPoint at) {
            QTest::newRow(qPrintable(name)) << name << surface << at;
        };
        row(u"dl_otkogo"_s, dl, {26, 34});
        row(u"dl_komy"_s, dl, {410, 200});
        row(u"dl_index"_s, dl, {35, 325});
        row(u"dl_marka"_s, dl, {709, 15});
        row(u"c5_otkogo"_s, c5, {20, 80});
        row(u"c5_komy"_s, c5, {1209 - 600, 869 - 240});
        row(u"c5_index"_s, c5, {0, 869 - 110});
        row(u"c5_marka"_s, c5, {1209 - 200, 60});
        row(u"c6_otkogo"_s, c6, {16, 31});
        row(u"c6_komy"_s, c6, {320, 195});
        row(u"c6_index"_s, c6, {24, 337});
        row(u"c6_marka"_s, c6, {509, 39});
        row(u"f119_otkogo"_s, f119, {0, 0});
        row(u"f119_otkogo2"_s, f119, {0, 0});
    }
    void shippedPicturesFitTheirEnvelopes() {
        QFETCH(QString, name);
        QFETCH(QRect, surface);
        QFETCH(QPoint, position);
        const QString folder = QStringLiteral(ENVALO_DATA_DIR "/images/");
        const QImage plain = decodeJpeg(folder + name + u".jpg"_s);
        const QImage notPrinted = decodeJpeg(folder + name + u"_b.jpg"_s);
        QVERIFY2(surface.contains(QRect(position, plain.size())),
                 qPrintable(u"%1 × %2"_s.arg(plain.width()).arg(plain.height())));
        QCOMPARE(notPrinted.size(), plain.size());
        const auto darkest = [](const QImage& image) {
            int result = 255;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    result = qMin(result, qGray(image.pixel(x, y)));
            return result;
        };
        QVERIFY(darkest(plain) < 80);
        QVERIFY(darkest(notPrinted) > 110);
    }

    void shipsExactlyTheNamedPictures() {
        QStringList names = QDir(QStringLiteral(ENVALO_DATA_DIR "/images")).entryList(QDir::Files);
        QCOMPARE(names.size(), 28);
        for (const QString& format : {u"dl"_s, u"c5"_s, u"c6"_s})
            for (const QString& role : {u"otkogo"_s, u"komy"_s, u"index"_s, u"marka"_s})
                for (const QString& suffix : {u""_s, u"_b"_s})
                    QVERIFY(names.removeOne(format + u'_' + role + suffix + u".jpg"_s));
        for (const QString& side : {u"f119_otkogo"_s, u"f119_otkogo2"_s})
            for (const QString& suffix : {u""_s, u"_b"_s})
                QVERIFY(names.removeOne(side + suffix + u".jpg"_s));
        QVERIFY(names.isEmpty());
    }
};

QTEST_MAIN(TestJpeg)
#include "tst_jpeg.moc"
