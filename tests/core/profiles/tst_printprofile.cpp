#include "ErrorOf.h"
#include "core/UserError.h"
#include "core/envelope/EnvelopeFormat.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/PrintProfile.h"
#include "core/profiles/ProfileFile.h"
#include "core/profiles/ProgramOptions.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

class PrintProfileTest : public QObject {
    Q_OBJECT

private slots:
    void conversions_data();
    void conversions();
    void surfaces_data();
    void surfaces();
    void blockTable();
    void texts_data();
    void texts();
    void formatsByText_data();
    void formatsByText();
    void pictures();
    void colours();
    void profilesRoundTrip();
    void loadRules_data();
    void loadRules();
    void programOptions_data();
    void programOptions();
    void oneJobIsKeptInOption();
};

void PrintProfileTest::conversions_data() {
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QString>("conversion");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("result");
    QTest::newRow("96: 162 mm across") << 96 << "pxX" << 162 << 612;
    QTest::newRow("96: 114 mm down") << 96 << "pxY" << 114 << 431;
    QTest::newRow("96: 612 px across") << 96 << "mmX" << 612 << 162;
    QTest::newRow("96: 112 px is 30 mm") << 96 << "mmX" << 112 << 30;
    QTest::newRow("96: 25 px is 7 mm") << 96 << "mmY" << 25 << 7;
    QTest::newRow("96: negative") << 96 << "mmX" << -5 << -1;
    // At 254 dpi a millimetre is 10 pixels: halves go to the even neighbour.
    QTest::newRow("half down to even") << 254 << "mmX" << 25 << 2;
    QTest::newRow("half up to even") << 254 << "mmY" << 35 << 4;
    QTest::newRow("1.5 to 2") << 254 << "mmX" << 15 << 2;
    QTest::newRow("negative half to even") << 254 << "mmX" << -25 << -2;
}

void PrintProfileTest::conversions() {
    QFETCH(int, dpi);
    QFETCH(QString, conversion);
    QFETCH(int, value);
    QFETCH(int, result);
    const ScreenConversions s{dpi, dpi};
    const int got = conversion == "pxX"   ? s.pxCoordX(value)
                    : conversion == "pxY" ? s.pxCoordY(value)
                    : conversion == "mmX" ? s.xdCoordX(value)
                                          : s.xdCoordY(value);
    QCOMPARE(got, result);
}

void PrintProfileTest::surfaces_data() {
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("format");
    QTest::addColumn<QSize>("size");
    QTest::newRow("DL") << 96 << 0 << QSize(831, 416);
    QTest::newRow("C5 is 320 x 230 mm") << 96 << 1 << QSize(1209, 869);
    QTest::newRow("C6") << 96 << 2 << QSize(612, 431);
    QTest::newRow("F119_1") << 96 << 3 << QSize(548, 378);
    QTest::newRow("F119_2") << 96 << 4 << QSize(548, 378);
    QTest::newRow("C6 at 120 dpi") << 120 << 2 << QSize(765, 539);
}

void PrintProfileTest::surfaces() {
    QFETCH(int, dpi);
    QFETCH(int, format);
    QFETCH(QSize, size);
    const ScreenConversions s{dpi, dpi};
    const EnvelopeFormat& f = envelopeFormats()[size_t(format)];
    QCOMPARE(QSize(s.pxCoordX(f.widthMm), s.pxCoordY(f.heightMm)), size);
}

void PrintProfileTest::blockTable() {
    QCOMPARE(QString::fromUtf8(blockInfo(12).stem), QStringLiteral("index31"));
    QCOMPARE(QString::fromUtf8(blockInfo(18).caption), QStringLiteral("Откого2"));
    QCOMPARE(QString::fromUtf8(blockInfo(20).stem), QStringLiteral("komu3"));
    for (int n = 1; n <= blockCount; ++n)
        QCOMPARE(blockInfo(n).number, n);
    QCOMPARE(defaultBlockPosition(1), QPoint(112, 25));
    QCOMPARE(defaultBlockPosition(18), QPoint(224, 280));
    QCOMPARE(defaultBlockPosition(20), QPoint(285, 280));
    const PrintProfile fresh;
    QCOMPARE(fresh.block(7).face, QStringLiteral("Arial"));
    QCOMPARE(fresh.block(7).size, 10);
    QCOMPARE(fresh.block(7).x, 1);
    QVERIFY(fresh.block(20).visible);
}

void PrintProfileTest::texts_data() {
    QTest::addColumn<bool>("swap");
    QTest::addColumn<QString>("recipientIndex");
    QTest::addColumn<QString>("senderIndex");
    QTest::addColumn<QString>("block5");
    QTest::addColumn<QString>("block6");
    QTest::addColumn<QString>("digits");
    QTest::newRow("not swapped") << false << "123456"
                                 << "654321"
                                 << "654321"
                                 << "123456"
                                 << "1|2|3|4|5|6";
    QTest::newRow("swapped") << true << "123456"
                             << "654321"
                             << "123456"
                             << "654321"
                             << "6|5|4|3|2|1";
    QTest::newRow("two characters") << false << "12"
                                    << ""
                                    << ""
                                    << "12"
                                    << "1|2||||";
    QTest::newRow("letters placed like digits") << false << "1 a"
                                                << ""
                                                << ""
                                                << "1 a"
                                                << "1| |a|||";
    QTest::newRow("seventh character has no cell") << false << "1234567"
                                                   << ""
                                                   << ""
                                                   << "1234567"
                                                   << "1|2|3|4|5|6";
}

void PrintProfileTest::texts() {
    QFETCH(bool, swap);
    QFETCH(QString, recipientIndex);
    QFETCH(QString, senderIndex);
    QFETCH(QString, block5);
    QFETCH(QString, block6);
    QFETCH(QString, digits);
    AddressTexts a;
    a.otkogo = "ООО «Ромашка»\nОтдел";
    a.otkyda = "ул. Лесная\nг. Тверь\nТверская обл.\nРоссия";
    a.komy = "Иванову";
    a.kyda = "Москва";
    a.intyda = recipientIndex;
    a.intyt = senderIndex;
    const auto t = blockTexts(a, swap);
    QCOMPARE(t[4], block5);
    QCOMPARE(t[5], block6);
    QStringList cells;
    for (int n = 12; n <= 17; ++n)
        cells.append(t[size_t(n - 1)]);
    QCOMPARE(cells.join('|'), digits);
    QCOMPARE(t[0], QStringLiteral("ООО «Ромашка»"));
    QCOMPARE(t[17], QStringLiteral("Отдел"));
    QCOMPARE(t[18], QString());
    QCOMPARE(t[3], QStringLiteral("Тверская обл.")); // the fourth line is not placed
    QCOMPARE(t[6], QStringLiteral("Иванову"));
    QCOMPARE(t[7], QString()); // a one-line name leaves blocks 8 and 20 empty
    QCOMPARE(t[19], QString());
}

void PrintProfileTest::formatsByText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("byKey");
    QTest::addColumn<int>("entry");
    QTest::newRow("DL entry") << "(110 x 220 мм) DL" << 0 << 0;
    QTest::newRow("C5 entry") << "(162 x 229 мм) C5" << 1 << 1;
    QTest::newRow("F119_2 entry") << "(100 x 145 мм) F119_2" << 4 << 4;
    QTest::newRow("default, lower case") << "dl (110 x 220 мм)" << 0 << 0;
    QTest::newRow("another spelling") << "DL (110 x 220 мм)" << 0 << 0;
    QTest::newRow("C6 spelled otherwise") << "c6" << 2 << 0;
    QTest::newRow("nothing chosen") << "" << -1 << 0;
}

void PrintProfileTest::formatsByText() {
    QFETCH(QString, text);
    QFETCH(int, byKey);
    QFETCH(int, entry);
    QCOMPARE(formatOfText(text), byKey);
    QCOMPARE(formatEntry(text), entry);
}

void PrintProfileTest::pictures() {
    QCOMPARE(pictureFile(0, SenderSlot, true), QStringLiteral("images/dl_otkogo.jpg"));
    QCOMPARE(pictureFile(2, StampSlot, false), QStringLiteral("images/c6_marka_b.jpg"));
    QCOMPARE(pictureFile(3, SenderSlot, true), QStringLiteral("images/f119_otkogo.jpg"));
    QCOMPARE(pictureFile(4, SenderSlot, false), QStringLiteral("images/f119_otkogo2_b.jpg"));
    const QSize c5(1209, 869);
    QCOMPARE(picturePosition(1, RecipientSlot, c5), QPoint(609, 629));
    QCOMPARE(picturePosition(1, IndexSlot, c5), QPoint(0, 759));
    QCOMPARE(picturePosition(1, StampSlot, c5), QPoint(1009, 60));
    QCOMPARE(picturePosition(2, IndexSlot, QSize(765, 539)), QPoint(24, 337));
    QCOMPARE(picturePosition(0, StampSlot, QSize()), QPoint(709, 15));
}

void PrintProfileTest::colours() {
    QCOMPARE(colourOf(255), QColor(255, 0, 0));
    QCOMPARE(colourOf(0xFF0000), QColor(0, 0, 255));
    QCOMPARE(bgrOf(QColor(0x12, 0x34, 0x56)), quint32(0x563412));
    TextBlock block;
    block.size = 12;
    block.style = StyleBold | StyleUnderline;
    const QFont font = blockFont(block, ScreenConversions{96, 96});
    QCOMPARE(font.pixelSize(), 16);
    QVERIFY(font.bold());
    QVERIFY(font.underline());
    QVERIFY(!font.italic());
}

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

PrintProfile variedProfile(QRandomGenerator& random, int i) {
    PrintProfile p;
    p.name = QStringLiteral("Профиль №%1").arg(i);
    p.format = random.bounded(formatCount);
    for (TextBlock& b : p.blocks) {
        b.x = random.bounded(-50, 1300);
        b.y = random.bounded(-50, 900);
        b.face = random.bounded(2) ? QStringLiteral("Times New Roman") : QStringLiteral("Тахома");
        b.size = random.bounded(1, 1001);
        b.style = random.bounded(16);
        b.charset = random.bounded(2) ? 204 : 0;
        b.pitch = random.bounded(3);
        b.colour = random.generate();
        b.visible = random.bounded(2);
    }
    p.otkogo = random.bounded(2);
    p.komu = random.bounded(2);
    p.index = random.bounded(2);
    p.marka = random.bounded(2);
    p.iz = QString::number(random.bounded(-5, 40));
    p.listpos = random.bounded(9);
    p.corx = random.bounded(200);
    p.cory = random.bounded(200);
    p.allx = QString::number(random.bounded(-30, 30));
    p.ally = QString::number(random.bounded(-30, 30));
    p.width = random.bounded(100, 3000);
    p.height = random.bounded(100, 3000);
    p.printconfirm = random.bounded(2);
    for (int k = random.bounded(4); k > 0; --k)
        p.printprofiles.append(QStringLiteral("Профиль №%1").arg(random.bounded(200)));
    p.indexswitch = random.bounded(2);
    for (QString& kept : p.kept)
        kept = QString::number(random.bounded(100));
    return p;
}

} // namespace

// A profile read and written back leaves the file byte for byte as it was: the file as
// shipped, and 200 profiles of every kind of value.
void PrintProfileTest::profilesRoundTrip() {
    QTemporaryDir dir;
    const QString shipped = dir.filePath("shipped.ini");
    QVERIFY(QFile::copy(QStringLiteral(ENVALO_DATA_DIR "/envalo.ini"), shipped));
    const QString generated = dir.filePath("generated.ini");
    QRandomGenerator random(1251);
    std::vector<PrintProfile> written;
    {
        IniFile ini(generated);
        for (int i = 0; i < 200; ++i) {
            written.push_back(variedProfile(random, i));
            writeProfile(ini, written.back().name, written.back());
        }
    }
    for (const QString& path : {shipped, generated}) {
        const QByteArray before = bytesOf(path);
        IniFile ini(path);
        QStringList names = ini.sections();
        names.removeAll(QStringLiteral("option"));
        QVERIFY(!names.isEmpty());
        for (const QString& name : names)
            writeProfile(ini, name, readProfile(ini, name));
        QCOMPARE(bytesOf(path), before);
    }
    const IniFile ini(generated);
    for (const PrintProfile& p : written)
        QCOMPARE(readProfile(ini, p.name), p);
}

void PrintProfileTest::loadRules_data() {
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("size");
    QTest::newRow("no keys: every default") << QByteArray() << QString() << 0 << 10;
    QTest::newRow("the default format text is no entry")
        << QByteArray("format=dl (110 x 220 \xEC\xEC)\r\n") << QString() << 0 << 10;
    QTest::newRow("C6") << QByteArray("format=(114 x 162 \xEC\xEC) C6\r\n") << QString() << 2 << 10;
    QTest::newRow("hexadecimal size") << QByteArray("t1_fsize=0x1A\r\n") << QString() << 0 << 26;
    QTest::newRow("unreadable size") << QByteArray("t1_fsize=12abc\r\n") << QString() << 0 << 10;
    QTest::newRow("size 0") << QByteArray("t1_fsize=0\r\n")
                            << "Размер шрифта t1_fsize=0 должен быть от 1 до 1000" << 0 << 10;
    QTest::newRow("size 1001") << QByteArray("t1_fsize=1001\r\nformat=(114 x 162 \xEC\xEC) C6\r\n")
                               << "Размер шрифта t1_fsize=1001 должен быть от 1 до 1000" << 2 << 10;
    QTest::newRow("listpos 9") << QByteArray("listpos=9\r\nformat=(114 x 162 \xEC\xEC) C6\r\n")
                               << "Положение конверта на листе listpos=9 должно быть от 0 до 8" << 2
                               << 10;
}

// Reading stops at a value out of range; what was read before it has taken effect.
void PrintProfileTest::loadRules() {
    QFETCH(QByteArray, section);
    QFETCH(QString, error);
    QFETCH(int, format);
    QFETCH(int, size);
    QTemporaryDir dir;
    QFile file(dir.filePath("envalo.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[P]\r\n" + section);
    file.close();
    const IniFile ini(file.fileName());
    PrintProfile p;
    p.listpos = 3;
    QCOMPARE(errorOf([&] { readProfile(ini, "P", p); }), error);
    QCOMPARE(p.format, format);
    QCOMPARE(p.block(1).size, size);
    QCOMPARE(p.block(20).x, 1);
    if (error.isEmpty()) {
        PrintProfile defaults;
        defaults.name = "P";
        defaults.format = format;
        defaults.block(1).size = size;
        QCOMPARE(p, defaults);
    }
}

void PrintProfileTest::programOptions_data() {
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QString>("printdelay");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("everyEnvelope");
    QTest::addColumn<bool>("oneJob");
    QTest::newRow("no section") << QByteArray() << "10" << 10 << 1 << true << false;
    QTest::newRow("empty values") << QByteArray("printdelay=\r\npdmode=\r\nonejob=\r\n") << "" << 10
                                  << 1 << false << false;
    QTest::newRow("stored") << QByteArray("printdelay=3\r\npdmode=2\r\nonejob=1\r\n") << "3" << 3
                            << 2 << false << true;
    QTest::newRow("hexadecimal, unreadable mode")
        << QByteArray("PrintDelay=0x1A\r\npdmode=x\r\nOneJob=0\r\n") << "0x1A" << 26 << 1 << false
        << false;
}

// The editor keeps the texts; the print run and the delay window count with them.
void PrintProfileTest::programOptions() {
    QFETCH(QByteArray, section);
    QFETCH(QString, printdelay);
    QFETCH(int, seconds);
    QFETCH(int, mode);
    QFETCH(bool, everyEnvelope);
    QFETCH(bool, oneJob);
    QTemporaryDir dir;
    QFile file(dir.filePath("envalo.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(section.isEmpty() ? QByteArray("[A]\r\n") : "[option]\r\n" + section);
    file.close();
    const ProgramOptions options = ProgramOptions::read(IniFile(file.fileName()), "Текущий");
    QCOMPARE(options.profile, QStringLiteral("Текущий"));
    QCOMPARE(options.printdelay, printdelay);
    QCOMPARE(options.printDelaySeconds(), seconds);
    QCOMPARE(options.delayMode(), mode);
    QCOMPARE(options.delayBeforeEveryEnvelope(), everyEnvelope);
    QCOMPARE(options.oneJob(), oneJob);
}

// The choice of one job for a whole run is kept in [option]; the rest of the file stays.
void PrintProfileTest::oneJobIsKeptInOption() {
    QTemporaryDir dir;
    QFile file(dir.filePath("envalo.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray before = "[A]\r\nwidth=800\r\n[option]\r\nprintdelay=3\r\n";
    file.write(before);
    file.close();
    IniFile ini(file.fileName());
    QVERIFY(!ProgramOptions::read(ini).oneJob());
    ProgramOptions::writeOneJob(ini, true);
    QVERIFY(ProgramOptions::read(ini).oneJob());
    QCOMPARE(ProgramOptions::read(ini).printdelay, QStringLiteral("3"));
    QCOMPARE(ini.readString("A", "width", {}), QStringLiteral("800"));
    ProgramOptions::writeOneJob(ini, false);
    QVERIFY(!ProgramOptions::read(ini).oneJob());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before + "onejob=0\r\n");
}

QTEST_GUILESS_MAIN(PrintProfileTest)
#include "tst_printprofile.moc"
