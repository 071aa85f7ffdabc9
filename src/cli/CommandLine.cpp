#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>

namespace {

struct OptionText {
    const char* name;
    const char* value; // nullptr for a switch
    const char* description;
};

// One table for the parser and the help, so that the help lists every option.
const std::array<OptionText, 25> optionTexts{{
    {"folder", "ПАПКА",
     "папка программы с envalo.ini и Convert.mdb; без него — папка, где лежит envalo-cli, "
     "если в ней есть envalo.ini, а у установленной программы — своя папка пользователя "
     "(~/.local/share/envalo)"},
    {"database", "АДРЕС",
     "адресная книга: строка соединения с сервером PostgreSQL (postgresql://…) или файл; без "
     "него — та, что указана в настройках программы (по умолчанию Convert.mdb в её папке)"},
    {"profile", "ПРОФИЛЬ",
     "профиль печати; можно повторять, порядок сохраняется. Без него — профили, отмеченные на "
     "печать в текущем профиле"},
    {"ticked", nullptr, "только отмеченные получатели из списка главного окна"},
    {"group", "ГРУППА",
     "все получатели группы, отмеченные и нет; для import — группа, в которую войдут "
     "получатели из файла (её нет — она создаётся)"},
    {"recipient", "ИМЯ", "получатель по имени; можно повторять, порядок сохраняется"},
    {"printer", "ОЧЕРЕДЬ", "печать в эту очередь печати вместо принтера по умолчанию"},
    {"paper", "БУМАГА",
     "для печати на принтер и в --pdf: размер бумаги по имени (A4, A5, DL, C5, C6, EnvDL и "
     "другие). Без него принтер печатает на своей бумаге по умолчанию, а файл --pdf — на A4"},
    {"wait", nullptr,
     "для печати на принтер: дождаться, пока очередь выполнит все задания этой печати, и "
     "назвать конверты, задания которых принтер прервал или которые были отменены; тогда код "
     "завершения 1"},
    {"one-job", nullptr,
     "для печати на принтер: все конверты одним заданием печати, по странице на конверт в "
     "порядке печати; задание уходит в очередь, когда все страницы готовы. Без него каждый "
     "конверт — отдельное задание"},
    {"pdf", "ФАЙЛ", "все конверты в один файл PDF, по странице на конверт в порядке печати"},
    {"pdf-folder", "ПАПКА", "каждый конверт — отдельный файл PDF в этой папке"},
    {"senders", nullptr, "import и export: отправители вместо получателей"},
    {"format", "ВИД",
     "import и export: csv или vcard; export — и xlsx, книга Excel. Без него import узнаёт вид "
     "по содержимому файла, а export — по расширению: .vcf — vCard, .xlsx — книга Excel, иначе "
     "CSV"},
    {"map", "СТОЛБЦЫ",
     "для import: из каких столбцов файла брать имя (name), «Кому» (komy), «Куда» (kyda) и индекс "
     "(index): столбцы по названию из первой строки файла или по номеру с 0, несколько — через "
     "запятую; части имени (фамилия, имя, отчество) соединяются пробелами в одну строку. Без "
     "него — столбцы последнего импорта файла с теми же столбцами, иначе по их названиям. У "
     "карточек vCard столбцы: Полное имя, Фамилия, Имя, Отчество, Организация, Улица, Город, "
     "Регион, Индекс, Страна, Адрес, Кому"},
    {"header", "yes|no",
     "для import файла CSV или книги: первая строка — названия столбцов (yes) или первая запись "
     "(no). Без него программа узнаёт это по самому файлу"},
    {"sheet", "ЛИСТ",
     "для import книги Excel или LibreOffice (.xlsx, .xls, .ods): лист, с которого брать "
     "адреса, — по названию или по номеру с 1. Без него — первый лист"},
    {"duplicates", "КАК",
     "для import: как быть с именем, которое уже есть в адресной книге: skip — строка "
     "пропускается (так без параметра), update — запись получает «Кому», «Куда» и индекс из "
     "файла, number — добавляется запись «имя (2)»"},
    {"encoding", "КОДИРОВКА",
     "для export: кодировка файла CSV: cp1251 — с разделителем «;», как его открывает "
     "русский Excel (так без параметра); utf-8 — с разделителем «,». Карточкам vCard и книге "
     "Excel кодировка не нужна"},
    {"to", "АДРЕС",
     "для db copy: адресная книга, в которую копируется адресная книга папки: строка "
     "соединения с сервером PostgreSQL (postgresql://…) или существующий файл SQLite"},
    {"from", "АДРЕС",
     "для db copy: адресная книга (сервер или файл), которая копируется в адресную книгу папки; "
     "файл может быть и базой данных Microsoft Access (.mdb, .accdb) прежней версии программы "
     "для Windows"},
    {"cp1251", nullptr,
     "для db copy --from файла Access 97: читать его тексты в кодовой странице 1251, "
     "какую бы ни называл его заголовок"},
    {"replace", nullptr,
     "для db copy: записи той адресной книги, в которую копируется, удаляются и заменяются "
     "копией. Без него в адресную книгу, где уже есть записи, не копируется"},
    {"dry-run", nullptr,
     "print — ничего не печатать, а вывести, что было бы напечатано: по строке на конверт, "
     "получатель и профиль через табуляцию; import — вывести отчёт, не меняя адресную книгу"},
    {"help", nullptr, "эта справка"},
}};

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString withSeparator(const QString& folder) {
    const QString absolute = QDir(folder).absolutePath();
    return absolute.endsWith(u'/') ? absolute : absolute + u'/';
}

// The description after the option's names, its lines broken between words to fit a
// terminal of 80 columns, each further line under the first.
QString wrapped(const QString& lead, const QString& description) {
    constexpr qsizetype width = 79;
    const QString indent(lead.size(), u' ');
    QString result = lead;
    qsizetype column = lead.size();
    for (const QString& word : description.split(u' ', Qt::SkipEmptyParts)) {
        if (column > lead.size() && column + 1 + word.size() > width) {
            result += u'\n' + indent;
            column = indent.size();
        } else if (column > lead.size()) {
            result += u' ';
            ++column;
        }
        result += word;
        column += word.size();
    }
    return result + u'\n';
}

} // namespace

QString helpText() {
    QString help = QStringLiteral(
        "Печать конвертов из командной строки: тот же файл настроек, та же адресная\n"
        "книга и те же страницы, что у программы «Печать конвертов». Файлы папки\n"
        "меняют только import и db copy --from.\n"
        "\n"
        "Использование:\n"
        "  envalo-cli print [--folder ПАПКА] [--profile ПРОФИЛЬ]...\n"
        "                   [--ticked | --group ГРУППА | --recipient ИМЯ...]\n"
        "                   [--printer ОЧЕРЕДЬ | --pdf ФАЙЛ | --pdf-folder ПАПКА]\n"
        "                   [--paper БУМАГА] [--wait] [--one-job] [--dry-run]\n"
        "  envalo-cli list profiles|groups|recipients [--folder ПАПКА] [--group ГРУППА]\n"
        "  envalo-cli import ФАЙЛ [--folder ПАПКА] [--format csv|vcard] [--map СТОЛБЦЫ]\n"
        "                    [--header yes|no] [--sheet ЛИСТ] [--group ГРУППА | --senders]\n"
        "                    [--duplicates skip|update|number] [--dry-run]\n"
        "  envalo-cli export ФАЙЛ [--folder ПАПКА] [--ticked | --group ГРУППА | --senders]\n"
        "                    [--format csv|vcard|xlsx] [--encoding cp1251|utf-8]\n"
        "  envalo-cli db copy (--to АДРЕС | --from АДРЕС) [--replace] [--folder ПАПКА]\n"
        "  envalo-cli --help\n"
        "Каждая команда принимает и --database АДРЕС.\n"
        "\n"
        "Команды:\n"
        "  print             по конверту на каждого получателя в каждом профиле:\n"
        "                    получатель за получателем, у каждого профили по порядку\n"
        "  list profiles     профили печати, по одному в строке\n"
        "  list groups       группы получателей\n"
        "  list recipients   все получатели; с --group — только члены группы\n"
        "  import ФАЙЛ       адреса из файла CSV, vCard или книги Excel и LibreOffice\n"
        "                    (.xlsx, .xls, .ods) в адресную книгу, все или ничего; в\n"
        "                    stderr — сколько добавлено, обновлено и пропущено, и\n"
        "                    почему пропущена каждая строка\n"
        "  export ФАЙЛ       записи адресной книги в файл CSV, vCard или книгу Excel:\n"
        "                    все, отмеченные или группы\n"
        "  db copy           вся адресная книга папки — получатели с отметками,\n"
        "                    отправители и группы, в прежнем порядке — в другую (--to)\n"
        "                    или из другой в неё (--from): в базу данных на сервере\n"
        "                    или файл SQLite и обратно; всё или ничего\n"
        "\n"
        "Параметры:\n");
    for (const OptionText& o : optionTexts) {
        QString names = QStringLiteral("  ") + (QLatin1String(o.name) == QLatin1String("help")
                                                    ? QStringLiteral("-h, --help")
                                                    : QStringLiteral("--") + text(o.name));
        if (o.value)
            names += u' ' + text(o.value);
        help += wrapped(names.leftJustified(22) + u' ', text(o.description));
    }
    help += QStringLiteral(
        "\n"
        "Без --ticked, --group и --recipient печатаются отмеченные получатели из списка\n"
        "главного окна, а если не отмечен никто — первый получатель этого списка.\n"
        "Без --printer, --pdf и --pdf-folder конверты уходят на принтер по умолчанию,\n"
        "а без очередей печати — в файлы PDF в папке PDF папки программы.\n"
        "Ход печати выводится в stderr, когда это терминал.\n"
        "import и db copy --from не работают, пока папка открыта в программе «Печать\n"
        "конвертов». Новые получатели import получают первый профиль печати, как\n"
        "добавленные в её окне.\n"
        "\n"
        "Код завершения: 0 — всё сделано (или делать нечего; import — и когда часть\n"
        "строк пропущена); 1 — ошибка, её причина выведена в stderr, адресная книга\n"
        "не изменена; 2 — неверная командная строка.\n"
        "\n"
        "Примеры:\n"
        "  envalo-cli print --group Партнёры --profile \"Конверт DL\" --pdf-folder ~/конверты\n"
        "  envalo-cli import клиенты.csv --map \"name=Имя;kyda=Улица,Город;index=Индекс\"\n"
        "  envalo-cli export партнёры.vcf --group Партнёры\n"
        "  envalo-cli db copy --to \"postgresql://db.office/addresses?user=office\"\n");
    return help;
}

CommandLine parseCommandLine(const QStringList& arguments, const QString& defaultFolder) {
    QCommandLineParser parser;
    for (const OptionText& o : optionTexts) {
        QStringList names{text(o.name)};
        if (names.front() == QLatin1String("help"))
            names.prepend(QStringLiteral("h"));
        parser.addOption(o.value ? QCommandLineOption(names, text(o.description), text(o.value))
                                 : QCommandLineOption(names, text(o.description)));
    }
    if (!parser.parse(arguments)) {
        if (!parser.unknownOptionNames().isEmpty())
            throw UsageError(QStringLiteral("Неизвестный параметр «%1». Справка: envalo-cli "
                                            "--help")
                                 .arg(parser.unknownOptionNames().constFirst()));
        throw UsageError(QStringLiteral("Неверная командная строка (%1). Справка: envalo-cli "
                                        "--help")
                             .arg(parser.errorText()));
    }

    CommandLine line;
    if (parser.isSet(QStringLiteral("help")))
        return line;

    auto single = [&](const char* name) {
        const QStringList values = parser.values(text(name));
        if (values.size() > 1)
            throw UsageError(
                QStringLiteral("Параметр --%1 указан больше одного раза.").arg(text(name)));
        return values.isEmpty() ? QString() : values.front();
    };
    const QString folder = single("folder");
    line.folder = withSeparator(folder.isEmpty() ? defaultFolder : folder);
    line.database = single("database");

    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        throw UsageError(QStringLiteral("Не указана команда: print, list, import, export или db "
                                        "copy. Справка: envalo-cli --help"));
    const QString& command = words.front();
    // --folder, --database and --help go with every command; any other option a command does not
    // take is refused rather than ignored.
    auto allowOnly = [&](std::initializer_list<const char*> allowed, const QString& name) {
        for (const OptionText& o : optionTexts) {
            const QString option = text(o.name);
            if (option == QLatin1String("folder") || option == QLatin1String("database") ||
                option == QLatin1String("help"))
                continue;
            const bool belongs = std::any_of(allowed.begin(), allowed.end(), [&](const char* a) {
                return option == QLatin1String(a);
            });
            if (!belongs && parser.isSet(option))
                throw UsageError(
                    QStringLiteral("Параметр --%1 не относится к команде %2.").arg(option, name));
        }
    };
    auto nonEmpty = [&](const char* option, const QString& value) {
        if (parser.isSet(text(option)) && value.isEmpty())
            throw UsageError(QStringLiteral("Параметру --%1 нужно значение.").arg(text(option)));
        return value;
    };
    auto oneOf = [&](const char* option, const QStringList& values) {
        const QString value = nonEmpty(option, single(option));
        if (!value.isEmpty() && !values.contains(value))
            throw UsageError(QStringLiteral("Параметр --%1 принимает %2, а не «%3».")
                                 .arg(text(option), values.join(QStringLiteral(", ")), value));
        return value;
    };

    if (command == QLatin1String("list")) {
        static const QStringList what{QStringLiteral("profiles"), QStringLiteral("groups"),
                                      QStringLiteral("recipients")};
        if (words.size() != 2 || !what.contains(words[1]))
            throw UsageError(QStringLiteral(
                "После list укажите, что вывести: profiles, groups или recipients."));
        const QString listed = QStringLiteral("list ") + words[1];
        if (words[1] == QLatin1String("profiles"))
            line.command = CommandLine::Command::ListProfiles;
        else if (words[1] == QLatin1String("groups"))
            line.command = CommandLine::Command::ListGroups;
        else
            line.command = CommandLine::Command::ListRecipients;
        if (line.command == CommandLine::Command::ListRecipients)
            allowOnly({"group"}, listed);
        else
            allowOnly({}, listed);
        line.group = single("group");
        if (parser.isSet(QStringLiteral("group")) && line.group.isEmpty())
            throw UsageError(QStringLiteral("Параметру --group нужно имя группы."));
        return line;
    }

    if (command == QLatin1String("import") || command == QLatin1String("export")) {
        const bool import = command == QLatin1String("import");
        if (import)
            allowOnly(
                {"format", "map", "header", "sheet", "duplicates", "group", "senders", "dry-run"},
                command);
        else
            allowOnly({"ticked", "group", "senders", "format", "encoding"}, command);
        if (words.size() < 2 || words[1].isEmpty())
            throw UsageError(QStringLiteral("После %1 укажите файл.").arg(command));
        if (words.size() > 2)
            throw UsageError(QStringLiteral("Лишнее в командной строке: «%1».").arg(words[2]));
        line.command = import ? CommandLine::Command::Import : CommandLine::Command::Export;
        line.file = words[1];
        line.group = nonEmpty("group", single("group"));
        if (parser.isSet(QStringLiteral("senders"))) {
            line.page = AddressPage::Senders;
            for (const char* option : {"group", "ticked"})
                if (parser.isSet(text(option)))
                    throw UsageError(QStringLiteral("Параметр --%1 не относится к отправителям: "
                                                    "у них нет ни групп, ни отметок.")
                                         .arg(text(option)));
        }
        const QString format =
            oneOf("format", import ? QStringList{QStringLiteral("csv"), QStringLiteral("vcard")}
                                   : QStringList{QStringLiteral("csv"), QStringLiteral("vcard"),
                                                 QStringLiteral("xlsx")});
        if (import) {
            if (!format.isEmpty())
                line.fileKind = format == QLatin1String("vcard") ? AddressFileKind::VCard
                                                                 : AddressFileKind::Csv;
            line.mapping = nonEmpty("map", single("map"));
            line.sheet = nonEmpty("sheet", single("sheet"));
            const QString header = oneOf("header", {QStringLiteral("yes"), QStringLiteral("no")});
            if (!header.isEmpty())
                line.csvHeader = header == QLatin1String("yes");
            const QString duplicates =
                oneOf("duplicates",
                      {QStringLiteral("skip"), QStringLiteral("update"), QStringLiteral("number")});
            if (duplicates == QLatin1String("update"))
                line.duplicates = DuplicateChoice::Update;
            else if (duplicates == QLatin1String("number"))
                line.duplicates = DuplicateChoice::Number;
            line.dryRun = parser.isSet(QStringLiteral("dry-run"));
            return line;
        }
        line.ticked = parser.isSet(QStringLiteral("ticked"));
        if (line.ticked && !line.group.isEmpty())
            throw UsageError(QStringLiteral("Укажите что-то одно из --ticked и --group."));
        const QString suffix = QFileInfo(line.file).suffix();
        const auto suffixIs = [&](const char* s) {
            return suffix.compare(QLatin1String(s), Qt::CaseInsensitive) == 0;
        };
        const bool cards = format.isEmpty() ? suffixIs("vcf") : format == QLatin1String("vcard");
        const bool workbook = format.isEmpty() ? suffixIs("xlsx") : format == QLatin1String("xlsx");
        const QString encoding =
            oneOf("encoding", {QStringLiteral("cp1251"), QStringLiteral("utf-8")});
        if (cards && !encoding.isEmpty())
            throw UsageError(QStringLiteral("Параметр --encoding — только для файлов CSV: "
                                            "vCard всегда в UTF-8."));
        if (workbook && !encoding.isEmpty())
            throw UsageError(QStringLiteral("Параметр --encoding — только для файлов CSV: книга "
                                            "Excel хранит любой текст, кодировку ей не выбирают."));
        line.exportFormat = cards                                ? ExportFormat::VCard
                            : workbook                           ? ExportFormat::Xlsx
                            : encoding == QLatin1String("utf-8") ? ExportFormat::CsvUtf8
                                                                 : ExportFormat::CsvSpreadsheet;
        return line;
    }

    if (command == QLatin1String("db")) {
        if (words.size() < 2 || words[1] != QLatin1String("copy"))
            throw UsageError(QStringLiteral("После db укажите, что сделать: copy."));
        if (words.size() > 2)
            throw UsageError(QStringLiteral("Лишнее в командной строке: «%1».").arg(words[2]));
        allowOnly({"to", "from", "replace", "cp1251"}, QStringLiteral("db copy"));
        line.command = CommandLine::Command::CopyAddressBook;
        const QString to = nonEmpty("to", single("to"));
        const QString from = nonEmpty("from", single("from"));
        if (!to.isEmpty() && !from.isEmpty())
            throw UsageError(QStringLiteral("Укажите что-то одно из --to и --from."));
        if (to.isEmpty() && from.isEmpty())
            throw UsageError(QStringLiteral("Укажите, куда копировать адресную книгу папки "
                                            "(--to АДРЕС) или откуда копировать в неё "
                                            "(--from АДРЕС)."));
        line.intoOther = !to.isEmpty();
        line.otherBook = line.intoOther ? to : from;
        line.replace = parser.isSet(QStringLiteral("replace"));
        line.cyrillic = parser.isSet(QStringLiteral("cp1251"));
        if (line.cyrillic && line.intoOther)
            throw UsageError(QStringLiteral("Параметр --cp1251 — только для db copy --from."));
        return line;
    }

    if (command != QLatin1String("print"))
        throw UsageError(QStringLiteral("Неизвестная команда «%1»: есть print, list, import, "
                                        "export и db copy. Справка: envalo-cli --help")
                             .arg(command));
    allowOnly({"profile", "ticked", "group", "recipient", "printer", "pdf", "pdf-folder", "paper",
               "wait", "one-job", "dry-run"},
              command);
    if (words.size() > 1)
        throw UsageError(QStringLiteral("Лишнее в командной строке: «%1». Имена получателей "
                                        "указываются через --recipient.")
                             .arg(words[1]));
    line.command = CommandLine::Command::Print;
    line.dryRun = parser.isSet(QStringLiteral("dry-run"));
    line.profiles = parser.values(QStringLiteral("profile"));

    int choices = 0;
    using Kind = RecipientChoice::Kind;
    if (parser.isSet(QStringLiteral("ticked"))) {
        line.recipients.kind = Kind::Ticked;
        ++choices;
    }
    if (parser.isSet(QStringLiteral("group"))) {
        line.recipients.kind = Kind::Group;
        line.recipients.group = single("group");
        ++choices;
    }
    if (parser.isSet(QStringLiteral("recipient"))) {
        line.recipients.kind = Kind::Named;
        line.recipients.names = parser.values(QStringLiteral("recipient"));
        ++choices;
    }
    if (choices > 1)
        throw UsageError(QStringLiteral("Укажите что-то одно из --ticked, --group и --recipient."));

    int outputs = 0;
    const std::array<std::pair<const char*, CommandLine::Output>, 3> destinations{{
        {"printer", CommandLine::Output::Printer},
        {"pdf", CommandLine::Output::PdfFile},
        {"pdf-folder", CommandLine::Output::PdfFolder},
    }};
    for (const auto& [name, output] : destinations) {
        if (!parser.isSet(text(name)))
            continue;
        line.output = output;
        line.destination = single(name);
        if (line.destination.isEmpty())
            throw UsageError(QStringLiteral("Параметру --%1 нужно значение.").arg(text(name)));
        ++outputs;
    }
    if (outputs > 1)
        throw UsageError(QStringLiteral("Укажите что-то одно из --printer, --pdf и --pdf-folder."));
    line.oneJob = parser.isSet(QStringLiteral("one-job"));
    if (line.oneJob && (line.output == CommandLine::Output::PdfFile ||
                        line.output == CommandLine::Output::PdfFolder))
        throw UsageError(QStringLiteral("Параметр --one-job — только для печати на принтер, не "
                                        "с --pdf и --pdf-folder."));
    if (parser.isSet(QStringLiteral("paper"))) {
        line.paper = single("paper");
        if (line.paper.isEmpty())
            throw UsageError(QStringLiteral("Параметру --paper нужно значение."));
        if (line.output == CommandLine::Output::PdfFolder)
            throw UsageError(QStringLiteral(
                "Параметр --paper не действует с --pdf-folder: файлы папки всегда на A4."));
    }
    line.wait = parser.isSet(QStringLiteral("wait"));
    if (line.wait && (line.output == CommandLine::Output::PdfFile ||
                      line.output == CommandLine::Output::PdfFolder))
        throw UsageError(QStringLiteral("Параметр --wait — только для печати на принтер: файлы PDF "
                                        "готовы, когда команда завершается."));
    return line;
}
