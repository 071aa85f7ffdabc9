#include "BenchFolder.h"

#include "core/UserError.h"
#include "core/addressbook/AddressCopy.h"
#include "core/addressbook/AddressDb.h"
#include "core/addressbook/AddressFile.h"
#include "core/addressbook/SqlScript.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProgramOptions.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <array>

namespace {

const QString dataDir = QStringLiteral(ENVALO_DATA_DIR);
const QString crlf = QStringLiteral("\r\n");

// Surnames ending in -ов, -ев, -ин, -ёв: the feminine adds "а", the datives are regular. Each
// 100,000 recipients take fifty of them, so that the first 100,000 are the same at every size.
constexpr size_t surnamesPerBlock = 50;
constexpr std::array surnames = {
    "Иванов", "Смирнов", "Кузнецов", "Попов", "Васильев", "Петров", "Соколов", "Михайлов",
    "Новиков", "Фёдоров", "Морозов", "Волков", "Алексеев", "Лебедев", "Семёнов", "Егоров", "Павлов",
    "Козлов", "Степанов", "Николаев", "Орлов", "Андреев", "Макаров", "Никитин", "Захаров", "Зайцев",
    "Соловьёв", "Борисов", "Яковлев", "Григорьев", "Романов", "Воробьёв", "Сергеев", "Кузьмин",
    "Фролов", "Александров", "Дмитриев", "Королёв", "Гусев", "Киселёв", "Ильин", "Максимов",
    "Поляков", "Сорокин", "Виноградов", "Ковалёв", "Белов", "Медведев", "Антонов", "Тарасов",
    // Taken only beyond the first 100,000 recipients, fifty for each further 100,000.
    "Жуков", "Баранов", "Филиппов", "Комаров", "Давыдов", "Беляев", "Герасимов", "Богданов",
    "Осипов", "Сидоров", "Матвеев", "Титов", "Марков", "Миронов", "Крылов", "Куликов", "Карпов",
    "Власов", "Мельников", "Денисов", "Гаврилов", "Тихонов", "Казаков", "Афанасьев", "Данилов",
    "Савельев", "Тимофеев", "Фомин", "Чернов", "Абрамов", "Мартынов", "Ефимов", "Федотов",
    "Щербаков", "Назаров", "Калинин", "Исаев", "Чернышёв", "Быков", "Маслов", "Родионов",
    "Коновалов", "Лазарев", "Воронин", "Климов", "Филатов", "Пономарёв", "Голубев", "Кудрявцев",
    "Прохоров", "Наумов", "Потапов", "Журавлёв", "Овчинников", "Трофимов", "Леонов", "Соболев",
    "Ермаков", "Колесников", "Гончаров", "Емельянов", "Никифоров", "Грачёв", "Котов", "Гришин",
    "Ефремов", "Архипов", "Громов", "Кириллов", "Малышев", "Панов", "Моисеев", "Румянцев", "Акимов",
    "Кондратьев", "Бирюков", "Горбунов", "Анисимов", "Ерёмин", "Тихомиров", "Галкин", "Лукьянов",
    "Михеев", "Скворцов", "Юдин", "Белоусов", "Нестеров", "Симонов", "Прокофьев", "Харитонов",
    "Князев", "Цветков", "Левин", "Митрофанов", "Воронов", "Аксёнов", "Софронов", "Мальцев",
    "Логинов", "Горшков"};

struct Declined {
    const char* nominative;
    const char* dative;
};

constexpr std::array<Declined, 40> maleNames = {{
    {"Александр", "Александру"}, {"Алексей", "Алексею"},
    {"Анатолий", "Анатолию"},    {"Андрей", "Андрею"},
    {"Антон", "Антону"},         {"Аркадий", "Аркадию"},
    {"Артём", "Артёму"},         {"Борис", "Борису"},
    {"Вадим", "Вадиму"},         {"Валентин", "Валентину"},
    {"Валерий", "Валерию"},      {"Василий", "Василию"},
    {"Виктор", "Виктору"},       {"Виталий", "Виталию"},
    {"Владимир", "Владимиру"},   {"Вячеслав", "Вячеславу"},
    {"Геннадий", "Геннадию"},    {"Георгий", "Георгию"},
    {"Григорий", "Григорию"},    {"Денис", "Денису"},
    {"Дмитрий", "Дмитрию"},      {"Евгений", "Евгению"},
    {"Егор", "Егору"},           {"Иван", "Ивану"},
    {"Игорь", "Игорю"},          {"Илья", "Илье"},
    {"Кирилл", "Кириллу"},       {"Константин", "Константину"},
    {"Леонид", "Леониду"},       {"Максим", "Максиму"},
    {"Михаил", "Михаилу"},       {"Никита", "Никите"},
    {"Николай", "Николаю"},      {"Олег", "Олегу"},
    {"Павел", "Павлу"},          {"Пётр", "Петру"},
    {"Роман", "Роману"},         {"Сергей", "Сергею"},
    {"Степан", "Степану"},       {"Юрий", "Юрию"},
}};

constexpr std::array<Declined, 40> femaleNames = {{
    {"Алёна", "Алёне"},         {"Алина", "Алине"},     {"Алла", "Алле"},
    {"Анастасия", "Анастасии"}, {"Анна", "Анне"},       {"Валентина", "Валентине"},
    {"Валерия", "Валерии"},     {"Вера", "Вере"},       {"Виктория", "Виктории"},
    {"Галина", "Галине"},       {"Дарья", "Дарье"},     {"Евгения", "Евгении"},
    {"Екатерина", "Екатерине"}, {"Елена", "Елене"},     {"Елизавета", "Елизавете"},
    {"Жанна", "Жанне"},         {"Зинаида", "Зинаиде"}, {"Зоя", "Зое"},
    {"Инна", "Инне"},           {"Ирина", "Ирине"},     {"Кира", "Кире"},
    {"Ксения", "Ксении"},       {"Лариса", "Ларисе"},   {"Лидия", "Лидии"},
    {"Любовь", "Любови"},       {"Людмила", "Людмиле"}, {"Маргарита", "Маргарите"},
    {"Марина", "Марине"},       {"Мария", "Марии"},     {"Надежда", "Надежде"},
    {"Наталья", "Наталье"},     {"Нина", "Нине"},       {"Оксана", "Оксане"},
    {"Ольга", "Ольге"},         {"Полина", "Полине"},   {"Раиса", "Раисе"},
    {"Светлана", "Светлане"},   {"Софья", "Софье"},     {"Тамара", "Тамаре"},
    {"Татьяна", "Татьяне"},
}};

// Masculine forms; the feminine turns the final "ич" into "на".
constexpr std::array patronymics = {
    "Александрович", "Алексеевич", "Андреевич",    "Антонович",   "Борисович",
    "Васильевич",    "Викторович", "Владимирович", "Геннадьевич", "Григорьевич",
    "Дмитриевич",    "Евгеньевич", "Иванович",     "Игоревич",    "Константинович",
    "Леонидович",    "Максимович", "Михайлович",   "Николаевич",  "Олегович",
    "Павлович",      "Петрович",   "Романович",    "Сергеевич",   "Юрьевич"};

constexpr std::array streets = {
    "ул. Садовая",    "ул. Ленина",      "пр-т Мира",         "ул. Гагарина",    "ул. Советская",
    "ул. Молодёжная", "ул. Школьная",    "ул. Лесная",        "ул. Центральная", "ул. Набережная",
    "ул. Победы",     "ул. Заводская",   "ул. Полевая",       "ул. Пушкина",     "ул. Кирова",
    "ул. Строителей", "пер. Южный",      "ул. Комсомольская", "ул. Октябрьская", "ш. Энтузиастов",
    "ул. Луговая",    "б-р Космонавтов", "ул. Чехова",        "ул. Зелёная",     "ул. Новая",
    "пр-т Ветеранов", "ул. Мичурина",    "ул. Рабочая",       "ул. Солнечная",   "ул. Цветочная"};

struct City {
    const char* name;
    const char* region;
    int index;
};

constexpr std::array<City, 24> cities = {{
    {"Тверь", "Тверская обл.", 170000},         {"Омск", "Омская обл.", 644000},
    {"Казань", "Республика Татарстан", 420000}, {"Самара", "Самарская обл.", 443000},
    {"Пермь", "Пермский край", 614000},         {"Воронеж", "Воронежская обл.", 394000},
    {"Ярославль", "Ярославская обл.", 150000},  {"Иркутск", "Иркутская обл.", 664000},
    {"Тула", "Тульская обл.", 300000},          {"Курск", "Курская обл.", 305000},
    {"Рязань", "Рязанская обл.", 390000},       {"Киров", "Кировская обл.", 610000},
    {"Пенза", "Пензенская обл.", 440000},       {"Липецк", "Липецкая обл.", 398000},
    {"Томск", "Томская обл.", 634000},          {"Барнаул", "Алтайский край", 656000},
    {"Ульяновск", "Ульяновская обл.", 432000},  {"Калуга", "Калужская обл.", 248000},
    {"Смоленск", "Смоленская обл.", 214000},    {"Вологда", "Вологодская обл.", 160000},
    {"Кострома", "Костромская обл.", 156000},   {"Орёл", "Орловская обл.", 302000},
    {"Брянск", "Брянская обл.", 241000},        {"Чита", "Забайкальский край", 672000},
}};

constexpr std::array companies = {"Ромашка", "Василёк", "Берёзка",  "Альфа",      "Вектор",
                                  "Спектр",  "Гранит",  "Меридиан", "Восход",     "Заря",
                                  "Радуга",  "Север",   "Исток",    "Магистраль", "Горизонт",
                                  "Феникс",  "Орбита",  "Лотос",    "Пульсар",    "Квант"};

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

QString address(int n) {
    const City& city = cities[size_t(n) % cities.size()];
    return u8(streets[size_t(n / 7) % streets.size()]) +
           QStringLiteral(", д. %1, кв. %2").arg(1 + n % 97).arg(1 + n % 211) + crlf +
           QStringLiteral("г. ") + u8(city.name) + crlf + u8(city.region);
}

int postIndex(int n) {
    return cities[size_t(n) % cities.size()].index + n % 997;
}

struct Recipient {
    QString name, komy;
};

// Every combination of surname, first name and patronymic of one sex is taken once, so
// the names differ from one another whatever the letter case.
Recipient recipient(int n) {
    const bool female = n % 2 == 1;
    const size_t block = size_t(n) / (2 * surnamesPerBlock * maleNames.size() * patronymics.size());
    const size_t k = size_t(n) / 2;
    const QString surname = u8(surnames[block * surnamesPerBlock + k % surnamesPerBlock]);
    const Declined& first =
        (female ? femaleNames : maleNames)[k / surnamesPerBlock % maleNames.size()];
    QString patronymic =
        u8(patronymics[k / (surnamesPerBlock * maleNames.size()) % patronymics.size()]);
    QString patronymicDative = patronymic + QStringLiteral("у");
    QString surnameDative = surname + QStringLiteral("у");
    QString surnameOwn = surname;
    if (female) {
        patronymic.chop(2);
        patronymic += QStringLiteral("на");
        patronymicDative = patronymic;
        patronymicDative.chop(1);
        patronymicDative += QStringLiteral("е");
        surnameOwn = surname + QStringLiteral("а");
        surnameDative = surname + QStringLiteral("ой");
    }
    return {surnameOwn + u' ' + u8(first.nominative) + u' ' + patronymic,
            surnameDative + crlf + u8(first.dative) + u' ' + patronymicDative};
}

void require(bool ok, const QString& what, const QSqlError& error = {}) {
    if (!ok)
        throw UserError(what + QStringLiteral(": ") + error.text());
}

} // namespace

BenchFolder::BenchFolder(const Sizes& sizes) : m_sizes(sizes) {
    if (!m_dir.isValid())
        throw UserError(QStringLiteral("Не удалось создать временную папку."));
    // Three names of one sex are taken once each: 50 * 40 * 25 per sex and block of surnames.
    static_assert(surnames.size() % surnamesPerBlock == 0);
    const int distinct = 2 * int(surnames.size() * maleNames.size() * patronymics.size());
    if (m_sizes.recipients > distinct)
        throw UserError(QStringLiteral("Не больше %1 получателей.").arg(distinct));
    addPictures();
    addSettings();
    addDatabase();
}

void BenchFolder::addPictures() {
    const QDir source(dataDir + QStringLiteral("/images"));
    QDir(appdir()).mkpath(QStringLiteral("images"));
    const QStringList names = source.entryList({QStringLiteral("*.jpg")}, QDir::Files);
    if (names.isEmpty())
        throw UserError(QStringLiteral("Нет картинок в ") + source.path());
    for (const QString& name : names) {
        if (!QFile::copy(source.filePath(name), appdir() + QStringLiteral("images/") + name))
            throw UserError(QStringLiteral("Не удалось скопировать ") + name);
    }
}

// The shipped profiles are the templates; the copies are numbered after them and differ a
// little in their offsets, as an office's own profiles do.
void BenchFolder::addSettings() {
    const QString path = appdir() + QStringLiteral("envalo.ini");
    if (!QFile::copy(dataDir + QStringLiteral("/envalo.ini"), path))
        throw UserError(QStringLiteral("Не удалось скопировать envalo.ini"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    IniFile ini(path);

    struct Template {
        QString name;
        QStringList lines;
    };
    std::vector<Template> templates;
    for (const QString& line : ini.readLines()) {
        if (line.startsWith(u'[')) {
            templates.push_back({line.mid(1, line.indexOf(u']') - 1), {}});
        } else if (!templates.empty() && !line.trimmed().isEmpty()) {
            templates.back().lines.append(line);
        }
    }
    std::erase_if(templates, [](const Template& t) { return t.name == QLatin1String("option"); });
    if (templates.empty())
        throw UserError(QStringLiteral("В envalo.ini нет профилей."));

    for (int k = 0; k < m_sizes.profiles; ++k) {
        const Template& t = templates[size_t(k) % templates.size()];
        const int copy = k / int(templates.size());
        m_profiles.append(copy == 0 ? t.name : t.name + QStringLiteral(" №%1").arg(copy + 1));
        if (m_dlProfile.isEmpty() && t.name.contains(QLatin1String("DL")))
            m_dlProfile = m_profiles.back();
    }

    QStringList lines = {QStringLiteral("[option]"), QStringLiteral("profile=") + m_dlProfile,
                         QStringLiteral("printdelay=0"), QStringLiteral("pdmode=1"), QString()};
    for (int k = 0; k < m_sizes.profiles; ++k) {
        const Template& t = templates[size_t(k) % templates.size()];
        lines.append(u'[' + m_profiles[k] + u']');
        for (const QString& line : t.lines) {
            const QString key = line.section(u'=', 0, 0);
            if (key == QLatin1String("printprofiles"))
                lines.append(key + u'=' + m_profiles[k]);
            else if (key == QLatin1String("allx"))
                lines.append(key + u'=' + QString::number(k % 3));
            else if (key == QLatin1String("ally"))
                lines.append(key + u'=' + QString::number(k % 2));
            else
                lines.append(line);
        }
        lines.append(QString());
    }
    ini.writeLines(lines);
}

void BenchFolder::addDatabase() {
    const QString path = appdir() + QStringLiteral("Convert.mdb");
    runSqlScriptFile(path, readTextFile(dataDir + QStringLiteral("/schema.sql")));
    const QString connection = QStringLiteral("envalo-bench-data");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        require(db.open(), QStringLiteral("open"), db.lastError());
        require(db.transaction(), QStringLiteral("begin"), db.lastError());

        QSqlQuery groups(db);
        require(
            groups.prepare(QStringLiteral("insert into `groups` (pname, `check`) values (?, 1)")),
            QStringLiteral("groups"), groups.lastError());
        for (const char* name : {"Клиенты", "Поставщики", "Партнёры"}) {
            groups.addBindValue(u8(name));
            require(groups.exec(), QStringLiteral("groups"), groups.lastError());
        }

        QSqlQuery insert(db);
        require(insert.prepare(QStringLiteral(
                    "insert into `table` (name, komy, kyda, intyda, galka, `groups`, profile) "
                    "values (?, ?, ?, ?, ?, ?, ?)")),
                QStringLiteral("table"), insert.lastError());
        for (int n = 0; n < m_sizes.recipients; ++n) {
            const Recipient r = recipient(n);
            QString memberOf;
            if (n % 5 == 1)
                memberOf = QStringLiteral("Клиенты");
            else if (n % 11 == 3)
                memberOf = QStringLiteral("Поставщики;Партнёры");
            insert.bindValue(0, r.name);
            insert.bindValue(1, r.komy);
            insert.bindValue(2, address(n));
            insert.bindValue(3, postIndex(n));
            insert.bindValue(4, n % 50 == 7 ? 1 : 0);
            insert.bindValue(5, memberOf);
            insert.bindValue(6, m_profiles[n % m_profiles.size()]);
            require(insert.exec(), QStringLiteral("table"), insert.lastError());
        }

        QSqlQuery senders(db);
        require(senders.prepare(QStringLiteral(
                    "insert into table2 (otkogo, otkyda, intyt, `default`) values (?, ?, ?, ?)")),
                QStringLiteral("table2"), senders.lastError());
        for (int n = 0; n < m_sizes.senders; ++n) {
            senders.bindValue(0, QStringLiteral("ООО «%1-%2»")
                                         .arg(u8(companies[size_t(n) % companies.size()]))
                                         .arg(n / int(companies.size()) + 1) +
                                     crlf + QStringLiteral("Отдел доставки"));
            senders.bindValue(1, address(n * 13 + 5));
            senders.bindValue(2, postIndex(n * 13 + 5));
            senders.bindValue(3, n == 0 ? 1 : 0);
            require(senders.exec(), QStringLiteral("table2"), senders.lastError());
        }
        require(db.commit(), QStringLiteral("commit"), db.lastError());
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

QByteArray BenchFolder::spreadsheet(int rows) const {
    QString text = csvLine({QStringLiteral("Имя"), QStringLiteral("Кому"), QStringLiteral("Куда"),
                            QStringLiteral("Индекс")},
                           u';');
    for (int n = 0; n < rows; ++n) {
        const Recipient r = recipient(n);
        text += csvLine({r.name, r.komy, address(n), QString::number(postIndex(n))}, u';');
    }
    return encodeText(text, TextEncoding::Windows1251);
}

QString BenchFolder::emptyDatabase(const QString& name) const {
    const QString path = appdir() + name;
    QFile::remove(path);
    runSqlScriptFile(path, readTextFile(dataDir + QStringLiteral("/schema.sql")));
    return path;
}

void BenchFolder::moveAddressBookTo(const QString& connection) {
    // As `envalo-cli db copy --to` moves it; opening makes the tables in the empty database.
    {
        AddressDb file(QStringLiteral("envalo-bench-source"));
        file.open(appdir() + QStringLiteral("Convert.mdb"), AddressDb::addressTables(),
                  AddressDb::Access::ReadOnly);
        AddressDb server(QStringLiteral("envalo-bench-server"));
        server.open(connection, AddressDb::addressTables());
        copyAddressBook(file, server, false);
    }
    IniFile ini(appdir() + QStringLiteral("envalo.ini"));
    ProgramOptions::writeAddressBook(ini, connection);
}
