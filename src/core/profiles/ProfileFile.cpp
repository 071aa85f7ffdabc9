#include "core/profiles/ProfileFile.h"

#include "core/UserError.h"
#include "core/profiles/IniFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString fontKey(int block, const char* suffix) {
    return QStringLiteral("t%1_%2").arg(block).arg(QLatin1String(suffix));
}

QString flag(bool value) {
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

const QString formatMissing = QStringLiteral("dl (110 x 220 мм)");

} // namespace

QString positionKey(int block, char axis) {
    return QString::fromUtf8(blockInfo(block).stem) + QLatin1Char('_') + QLatin1Char(axis);
}

void readProfile(const IniFile& ini, const QString& name, PrintProfile& p,
                 const std::function<void(LoadStep)>& reached) {
    auto done = [&](LoadStep step) {
        if (reached)
            reached(step);
    };
    auto text = [&](const QString& key, const QString& def) {
        return ini.readString(name, key, def);
    };
    auto number = [&](const QString& key, int def) { return ini.readInteger(name, key, def); };
    auto boolean = [&](const QString& key, bool def) { return ini.readBool(name, key, def); };

    p.name = name;
    for (size_t i = 0; i < keptValueKeys.size(); ++i)
        p.kept[i] = text(QLatin1String(keptValueKeys[i]), QStringLiteral("0"));
    done(LoadStep::KeptValues);

    for (int n = 1; n <= blockCount; ++n) {
        p.block(n).x = number(positionKey(n, 'x'), 1);
        p.block(n).y = number(positionKey(n, 'y'), 1);
    }
    done(LoadStep::Positions);

    p.format = formatEntry(text(QStringLiteral("format"), formatMissing));
    done(LoadStep::Format);

    p.allx = text(QStringLiteral("allx"), QStringLiteral("0"));
    p.ally = text(QStringLiteral("ally"), QStringLiteral("0"));
    done(LoadStep::SheetShifts);

    // A missing key puts the envelope where old files printed it: position 0.
    const int listpos = number(QStringLiteral("listpos"), 0);
    if (listpos < 0 || listpos > 8)
        throw UserError(
            QStringLiteral("Положение конверта на листе listpos=%1 должно быть от 0 до 8")
                .arg(listpos));
    p.listpos = listpos;
    done(LoadStep::SheetPosition);

    p.otkogo = boolean(QStringLiteral("otkogo"), true);
    p.komu = boolean(QStringLiteral("komu"), true);
    p.index = boolean(QStringLiteral("index"), true);
    p.marka = boolean(QStringLiteral("marka"), true);
    done(LoadStep::Pictures);

    p.width = number(QStringLiteral("width"), 1075);
    p.height = number(QStringLiteral("height"), 800);
    done(LoadStep::WindowSize);

    p.iz = text(QStringLiteral("iz"), QStringLiteral("10"));
    done(LoadStep::DigitSpacing);

    p.corx = number(QStringLiteral("corx"), 70);
    p.cory = number(QStringLiteral("cory"), 90);
    done(LoadStep::PadMarker);

    p.printprofiles = text(QStringLiteral("printprofiles"), QString())
                          .split(QLatin1Char(','), Qt::SkipEmptyParts);
    done(LoadStep::PrintList);

    for (int n = 1; n <= blockCount; ++n) {
        TextBlock& b = p.block(n);
        const int size = number(fontKey(n, "fsize"), 10);
        if (size < 1 || size > 1000)
            throw UserError(QStringLiteral("Размер шрифта %1=%2 должен быть от 1 до 1000")
                                .arg(fontKey(n, "fsize"))
                                .arg(size));
        b.face = text(fontKey(n, "fname"), QStringLiteral("Arial"));
        b.size = size;
        b.style = number(fontKey(n, "fstyle"), 0);
        b.colour = quint32(number(fontKey(n, "fcolor"), 0));
        b.charset = number(fontKey(n, "fcharset"), 0);
        b.pitch = number(fontKey(n, "fpitch"), 0);
    }
    done(LoadStep::Fonts);

    for (int n = 1; n <= blockCount; ++n)
        p.block(n).visible = boolean(fontKey(n, "visible"), true);
    done(LoadStep::Visibility);

    p.printconfirm = boolean(QStringLiteral("printconfirm"), true);
    p.indexswitch = boolean(QStringLiteral("indexswitch"), false);
    p.indexstencil = boolean(QStringLiteral("indexstencil"), false);
    done(LoadStep::Switches);
}

UserError profileLoadError(const QString& name, const std::exception& cause) {
    return UserError(
        QStringLiteral("Ошибка загрузки профиля «%1».\r\n%2").arg(name, errorMessage(cause)));
}

UserError profileLoadError(const QString& name, const std::exception& cause, const IniFile& ini) {
    return UserError(QStringLiteral("Ошибка загрузки профиля «%1» из файла настроек «%2».\r\n%3")
                         .arg(name,
                              QDir::toNativeSeparators(QFileInfo(ini.path()).absoluteFilePath()),
                              errorMessage(cause)));
}

PrintProfile readProfile(const IniFile& ini, const QString& name) {
    PrintProfile profile;
    readProfile(ini, name, profile);
    return profile;
}

std::vector<std::pair<QString, QString>> profileKeys(const PrintProfile& p) {
    std::vector<std::pair<QString, QString>> values;
    values.reserve(200);
    auto put = [&](const QString& k, const QString& value) { values.emplace_back(k, value); };

    for (size_t i = 0; i < keptValueKeys.size(); ++i)
        put(QLatin1String(keptValueKeys[i]), p.kept[i]);
    for (const char* k : {"IndDown", "Sender", "Recipient"})
        put(QLatin1String(k), flag(false));

    auto position = [&](int block, char axis) {
        const TextBlock& b = p.block(block);
        put(positionKey(block, axis), QString::number(axis == 'x' ? b.x : b.y));
    };
    auto both = [&](int block) {
        position(block, 'x');
        position(block, 'y');
    };
    auto across = [&](std::initializer_list<int> blocks) {
        for (int b : blocks)
            position(b, 'x');
        for (int b : blocks)
            position(b, 'y');
    };
    both(1);
    both(18);
    both(19);
    across({2, 3, 4});
    both(5);
    across({7, 8, 20});
    across({9, 10, 11});
    both(6);
    for (int n = 12; n <= 17; ++n)
        both(n);

    put(QStringLiteral("format"), formatEntryText(p.format));
    put(QStringLiteral("otkogo"), flag(p.otkogo));
    put(QStringLiteral("komu"), flag(p.komu));
    put(QStringLiteral("index"), flag(p.index));
    put(QStringLiteral("marka"), flag(p.marka));
    put(QStringLiteral("iz"), p.iz);
    put(QStringLiteral("listpos"), QString::number(p.listpos));
    put(QStringLiteral("corx"), QString::number(p.corx));
    put(QStringLiteral("cory"), QString::number(p.cory));
    put(QStringLiteral("allx"), p.allx);
    put(QStringLiteral("ally"), p.ally);
    put(QStringLiteral("width"), QString::number(p.width));
    put(QStringLiteral("height"), QString::number(p.height));
    for (int n = 1; n <= blockCount; ++n) {
        const TextBlock& b = p.block(n);
        put(fontKey(n, "fname"), b.face);
        put(fontKey(n, "fsize"), QString::number(b.size));
        put(fontKey(n, "fstyle"), QString::number(b.style));
        put(fontKey(n, "fcolor"), QString::number(qint32(b.colour)));
        put(fontKey(n, "fpitch"), QString::number(b.pitch));
        put(fontKey(n, "fcharset"), QString::number(b.charset));
    }
    for (int n = 1; n <= blockCount; ++n)
        put(fontKey(n, "visible"), flag(p.block(n).visible));
    put(QStringLiteral("printconfirm"), flag(p.printconfirm));
    put(QStringLiteral("printprofiles"), p.printprofiles.join(QLatin1Char(',')));
    put(QStringLiteral("indexswitch"), flag(p.indexswitch));
    // Written only once switched on, so that a section saved without it stays as it was.
    if (p.indexstencil)
        put(QStringLiteral("indexstencil"), flag(true));
    return values;
}

void writeProfile(IniFile& ini, const QString& name, const PrintProfile& profile) {
    auto keys = profileKeys(profile);
    const QString stencil = QStringLiteral("indexstencil");
    if (!profile.indexstencil && !ini.readString(name, stencil, QString()).isEmpty())
        keys.emplace_back(stencil, flag(false));
    ini.writeKeys(name, keys);
}
