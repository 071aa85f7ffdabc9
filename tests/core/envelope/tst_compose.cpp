// Composition without any window: the core and QtTest only.
#include "core/UserError.h"
#include "core/envelope/Compose.h"
#include "core/envelope/EnvelopeFormat.h"
#include "core/envelope/Jpeg.h"
#include "core/envelope/PictureCache.h"
#include "core/run/AddressRules.h"

#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const AddressTexts addresses{"Ромашка\nОтдел", "ул. 1\nг. Тверь\nобл.\nлишняя",
                             "654321",         "Иванову",
                             "ул. 2\nМосква",  "123456"};

// A picture of its own for each slot, to see which slot went where.
EnvelopePictures distinctPictures() {
    EnvelopePictures pictures;
    for (size_t slot = 0; slot < pictures.size(); ++slot) {
        pictures[slot] = QImage(10 + int(slot), 5, QImage::Format_RGB32);
        pictures[slot].fill(QColor::fromHsv(int(slot) * 60, 255, 255));
    }
    return pictures;
}

PrintProfile profileOf(int format) {
    PrintProfile profile;
    profile.format = format;
    return profile;
}

QStringList textsOf(const Envelope& envelope, const QList<int>& blocks) {
    QStringList result;
    for (int n : blocks)
        result.append(envelope.blocks[size_t(n - 1)].text);
    return result;
}

} // namespace

class ComposeTest : public QObject {
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
    void indexZeroLeavesItsCellsEmpty();
    void blocksKeepTheirOwnSettings();
    void pictures_data();
    void pictures();
    void surface_data();
    void surface();
    void picturesAreDecodedAgainOnlyWhenTheFileChanged();
    void linesThatDoNotFit_data();
    void linesThatDoNotFit();
};

void ComposeTest::texts_data() {
    QTest::addColumn<bool>("swapped");
    QTest::addColumn<QList<int>>("blocks");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("indexes apart")
        << false << QList<int>{5, 6, 12, 17} << QStringList{"654321", "123456", "1", "6"};
    QTest::newRow("indexes swapped")
        << true << QList<int>{5, 6, 12, 17} << QStringList{"123456", "654321", "6", "1"};
    QTest::newRow("one-line recipient name")
        << false << QList<int>{7, 8, 20} << QStringList{"Иванову", "", ""};
    QTest::newRow("two-line sender name")
        << false << QList<int>{1, 18, 19} << QStringList{"Ромашка", "Отдел", ""};
    QTest::newRow("fourth address line not placed")
        << false << QList<int>{2, 3, 4, 9, 10, 11}
        << QStringList{"ул. 1", "г. Тверь", "обл.", "ул. 2", "Москва", ""};
}

void ComposeTest::texts() {
    QFETCH(bool, swapped);
    QFETCH(QList<int>, blocks);
    QFETCH(QStringList, expected);
    PrintProfile profile;
    profile.indexswitch = swapped;
    const Envelope envelope = composeEnvelope(profile, addresses, {}, ScreenConversions{});
    QCOMPARE(textsOf(envelope, blocks), expected);
}

void ComposeTest::indexZeroLeavesItsCellsEmpty() {
    // Records added in the main window keep the index 0 until one is typed.
    RecipientRecord recipient;
    recipient.komy = QStringLiteral("Иванову");
    SenderRecord sender;
    sender.otkogo = QStringLiteral("Ромашка");
    const Envelope envelope =
        composeEnvelope(PrintProfile{}, printedTexts(&recipient, &sender), {}, ScreenConversions{});
    // The sender's index line, the recipient's and the six digit cells print nothing.
    QCOMPARE(textsOf(envelope, {5, 6, 12, 13, 14, 15, 16, 17}), QStringList(8, QString()));
    QCOMPARE(textsOf(envelope, {1, 7}), (QStringList{"Ромашка", "Иванову"}));
}

void ComposeTest::blocksKeepTheirOwnSettings() {
    PrintProfile profile;
    TextBlock& hidden = profile.block(7);
    hidden.visible = false;
    TextBlock& styled = profile.block(9);
    styled.x = 300;
    styled.y = 240;
    styled.size = 12;
    styled.style = StyleBold | StyleItalic;
    styled.colour = 0x0000FF; // red as the settings file stores it
    const ScreenConversions screen{120, 120};
    const Envelope envelope = composeEnvelope(profile, addresses, {}, screen);

    const Envelope::Block& seven = envelope.blocks[6];
    QCOMPARE(seven.text, QStringLiteral("Иванову"));
    QVERIFY(!seven.visible);
    const Envelope::Block& nine = envelope.blocks[8];
    QVERIFY(nine.visible);
    QCOMPARE(nine.position, QPoint(300, 240));
    QCOMPARE(nine.font.pixelSize(), 20); // 12 points at 120 pixels per inch
    QVERIFY(nine.font.bold() && nine.font.italic());
    QCOMPARE(nine.colour, QColor(255, 0, 0));
    // Composing does not paint a hidden block.
    Envelope shownOnly = envelope;
    shownOnly.blocks[6].visible = true;
    QVERIFY(captureEnvelope(envelope) != captureEnvelope(shownOnly));
}

void ComposeTest::pictures_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QList<bool>>("toggles");
    QTest::addColumn<QList<bool>>("visible");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("DL all down") << 0 << QList<bool>{true, true, true, true}
                                 << QList<bool>{true, true, true, true}
                                 << QStringList{"images/dl_otkogo.jpg", "images/dl_komy.jpg",
                                                "images/dl_index.jpg", "images/dl_marka.jpg"};
    QTest::newRow("C6 stamp up") << 2 << QList<bool>{true, true, true, false}
                                 << QList<bool>{true, true, true, false}
                                 << QStringList{"images/c6_otkogo.jpg", "images/c6_komy.jpg",
                                                "images/c6_index.jpg", "images/c6_marka_b.jpg"};
    QTest::newRow("F119_1 has the sender slot alone")
        << 3 << QList<bool>{true, true, true, true} << QList<bool>{true, false, false, false}
        << QStringList{"images/f119_otkogo.jpg", "", "", ""};
    QTest::newRow("F119_2 sender up")
        << 4 << QList<bool>{false, true, true, true} << QList<bool>{false, false, false, false}
        << QStringList{"images/f119_otkogo2_b.jpg", "", "", ""};
}

void ComposeTest::pictures() {
    QFETCH(int, format);
    QFETCH(QList<bool>, toggles);
    QFETCH(QList<bool>, visible);
    QFETCH(QStringList, files);
    PrintProfile profile = profileOf(format);
    profile.otkogo = toggles[0];
    profile.komu = toggles[1];
    profile.index = toggles[2];
    profile.marka = toggles[3];
    const auto chosen = envelopePictureFiles(profile);
    QCOMPARE(QStringList(chosen.begin(), chosen.end()), files);

    const EnvelopePictures pictures = distinctPictures();
    const Envelope envelope = composeEnvelope(profile, addresses, pictures, ScreenConversions{});
    for (int slot = 0; slot < 4; ++slot) {
        const Envelope::Picture& picture = envelope.pictures[size_t(slot)];
        QCOMPARE(picture.visible, visible[slot]);
        if (picture.visible)
            QCOMPARE(picture.image, pictures[size_t(slot)]);
    }
}

void ComposeTest::surface_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("recipientPicture");
    QTest::newRow("DL") << 0 << QSize(831, 416) << QPoint(410, 200);
    QTest::newRow("C5 follows the surface") << 1 << QSize(1209, 869) << QPoint(609, 629);
    QTest::newRow("C6") << 2 << QSize(612, 431) << QPoint(320, 195);
    QTest::newRow("F119_1") << 3 << QSize(548, 378) << QPoint();
    QTest::newRow("F119_2") << 4 << QSize(548, 378) << QPoint();
}

void ComposeTest::surface() {
    QFETCH(int, format);
    QFETCH(QSize, size);
    QFETCH(QPoint, recipientPicture);
    const Envelope envelope =
        composeEnvelope(profileOf(format), addresses, distinctPictures(), ScreenConversions{});
    QCOMPARE(envelope.size, size);
    QCOMPARE(envelope.pictures[RecipientSlot].position, recipientPicture);
    QCOMPARE(captureEnvelope(envelope).size(), size);
}

void ComposeTest::picturesAreDecodedAgainOnlyWhenTheFileChanged() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("images"));
    const QString path = dir.filePath("images/dl_komy.jpg");
    auto solid = [](QSize size, const QColor& colour) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    };
    encodeJpeg(solid(QSize(40, 20), Qt::red), path);
    PictureCache cache(dir.path() + QLatin1Char('/'));
    QCOMPARE(cache.picture("images/dl_komy.jpg").size(), QSize(40, 20));

    // Same size and time: the decoded picture is used, the file is not read again.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime modified = file.fileTime(QFileDevice::FileModificationTime);
    const qint64 size = file.size();
    QVERIFY(file.write(QByteArray(int(size), 'x')) == size);
    // Written out first: a flush after the time is set would set it anew.
    QVERIFY(file.flush());
    QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
    file.close();
    QCOMPARE(cache.picture("images/dl_komy.jpg").size(), QSize(40, 20));

    // A changed file is decoded again; a damaged or missing one is an error.
    QVERIFY(file.remove());
    encodeJpeg(solid(QSize(30, 10), Qt::blue), path);
    QCOMPARE(cache.picture("images/dl_komy.jpg").size(), QSize(30, 10));
    QVERIFY(QFile::remove(path));
    QVERIFY_THROWS_EXCEPTION(UserError, cache.picture("images/dl_komy.jpg"));
}

// No line placement: the block stays where the default profile has it.
constexpr int keptInPlace = -1000;

void ComposeTest::linesThatDoNotFit_data() {
    QTest::addColumn<QString>("kyda");
    // Where block 9 («Куда», line 1) goes: so that its line ends this many pixels past the
    // envelope's right edge (0: it ends on the edge), or keptInPlace.
    QTest::addColumn<int>("overhang");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QStringList>("expected");
    const QString longLine = QStringLiteral("ул. Маршала Баграмяна, д. 125, корп. 3, кв. 478");
    QTest::newRow("a line longer than its block")
        << longLine + "\nг. Москва" << 200 << true
        << QStringList{"«Куда», строка 1 обрезана: «" + longLine + "»"};
    QTest::newRow("a pixel past the edge")
        << longLine << 1 << true << QStringList{"«Куда», строка 1 обрезана: «" + longLine + "»"};
    QTest::newRow("a line that just fits") << longLine << 0 << true << QStringList{};
    QTest::newRow("a short line a pixel past the edge")
        << "кв. 12" << 1 << true << QStringList{"«Куда», строка 1 обрезана: «кв. 12»"};
    QTest::newRow("a short line that just fits") << "кв. 12" << 0 << true << QStringList{};
    QTest::newRow("a fourth line where three print")
        << "ул. 2\nкв. 5\nг. Москва\nРоссия" << keptInPlace << true
        << QStringList{"«Куда», строка 4 не печатается: «Россия»"};
    QTest::newRow("a fifth line after an empty fourth")
        << "ул. 2\nкв. 5\nг. Москва\n\r\nРоссия" << keptInPlace << true
        << QStringList{"«Куда», строка 5 не печатается: «Россия»"};
    QTest::newRow("three lines and a line break") << "ул. 2\nкв. 5\nг. Москва\r\n"
                                                  << keptInPlace << true << QStringList{};
    QTest::newRow("an empty field") << QString() << 200 << true << QStringList{};
    QTest::newRow("a hidden block is the layout's choice")
        << longLine << 200 << false << QStringList{};
}

void ComposeTest::linesThatDoNotFit() {
    QFETCH(QString, kyda);
    QFETCH(int, overhang);
    QFETCH(bool, visible);
    QFETCH(QStringList, expected);
    AddressTexts texts;
    texts.kyda = kyda;
    PrintProfile profile;
    profile.block(9).visible = visible;
    Envelope envelope = composeEnvelope(profile, texts, {}, ScreenConversions{});
    if (overhang != keptInPlace) {
        // Placed by the width the renderer draws, so the edge is exact to the pixel.
        profile.block(9).x = envelope.size.width() - blockTextWidth(envelope.blocks[8]) + overhang;
        envelope = composeEnvelope(profile, texts, {}, ScreenConversions{});
    }
    const std::vector<LineMisfit> misfits = envelopeMisfits(envelope);
    QStringList described;
    for (const LineMisfit& misfit : misfits)
        described.append(misfitDescription(misfit));
    QCOMPARE(described, expected);
    QCOMPARE(misfitsNotice(misfits).isEmpty(), expected.isEmpty());
    for (const LineMisfit& misfit : misfits) {
        // A cut line's box reaches past the edge; a left-out one stands under «Куда 3».
        QVERIFY(!misfit.box.isEmpty());
        if (misfit.kind == LineMisfit::Kind::Cut) {
            QCOMPARE(misfit.block, 9);
            QCOMPARE(misfit.box.right() + 1, envelope.size.width() + overhang);
        } else {
            QCOMPARE(misfit.block, 11);
            QVERIFY(misfit.box.top() > envelope.blocks[10].position.y());
        }
    }
}

QTEST_MAIN(ComposeTest)
#include "tst_compose.moc"
