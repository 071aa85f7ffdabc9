#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <array>

namespace {

struct OptionText {
    const char* name;
    const char* value; // nullptr for a switch
    const char* description;
};

// One table for the parser and the help, so that the help lists every option.
const std::array<OptionText, 10> optionTexts{{
    {"folder", "ПАПКА",
     "папка программы с envalo.ini и Convert.mdb; без него — папка, где лежит envalo-cli"},
    {"profile", "ПРОФИЛЬ",
     "профиль печати; можно повторять, порядок сохраняется. Без него — профили, отмеченные на "
     "печать в текущем профиле"},
    {"ticked", nullptr, "только отмеченные получатели из списка главного окна"},
    {"group", "ГРУППА", "все получатели группы, отмеченные и нет"},
    {"recipient", "ИМЯ", "получатель по имени; можно повторять, порядок сохраняется"},
    {"printer", "ОЧЕРЕДЬ", "печать в эту очередь печати вместо принтера по умолчанию"},
    {"pdf", "ФАЙЛ", "все конверты в один файл PDF, по странице на конверт в порядке печати"},
    {"pdf-folder", "ПАПКА", "каждый конверт — отдельный файл PDF в этой папке"},
    {"dry-run", nullptr,
     "ничего не печатать, а вывести, что было бы напечатано: по строке на конверт, получатель и "
     "профиль через табуляцию"},
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
        "не меняются.\n"
        "\n"
        "Использование:\n"
        "  envalo-cli print [--folder ПАПКА] [--profile ПРОФИЛЬ]...\n"
        "                   [--ticked | --group ГРУППА | --recipient ИМЯ...]\n"
        "                   [--printer ОЧЕРЕДЬ | --pdf ФАЙЛ | --pdf-folder ПАПКА] [--dry-run]\n"
        "  envalo-cli list profiles|groups|recipients [--folder ПАПКА] [--group ГРУППА]\n"
        "  envalo-cli --help\n"
        "\n"
        "Команды:\n"
        "  print             по конверту на каждого получателя в каждом профиле:\n"
        "                    получатель за получателем, у каждого профили по порядку\n"
        "  list profiles     профили печати, по одному в строке\n"
        "  list groups       группы получателей\n"
        "  list recipients   все получатели; с --group — только члены группы\n"
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
        "\n"
        "Код завершения: 0 — всё сделано (или печатать нечего); 1 — ошибка, её причина\n"
        "выведена в stderr; 2 — неверная командная строка.\n"
        "\n"
        "Пример:\n"
        "  envalo-cli print --group Партнёры --profile \"Конверт DL\" --pdf-folder ~/конверты\n");
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
    auto refuse = [&](std::initializer_list<const char*> names, const QString& command) {
        for (const char* name : names)
            if (parser.isSet(text(name)))
                throw UsageError(QStringLiteral("Параметр --%1 не относится к команде %2.")
                                     .arg(text(name), command));
    };

    const QString folder = single("folder");
    line.folder = withSeparator(folder.isEmpty() ? defaultFolder : folder);

    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        throw UsageError(
            QStringLiteral("Не указана команда: print или list. Справка: envalo-cli --help"));
    const QString& command = words.front();
    if (command == QLatin1String("list")) {
        static const QStringList what{QStringLiteral("profiles"), QStringLiteral("groups"),
                                      QStringLiteral("recipients")};
        if (words.size() != 2 || !what.contains(words[1]))
            throw UsageError(QStringLiteral(
                "После list укажите, что вывести: profiles, groups или recipients."));
        const QString listed = QStringLiteral("list ") + words[1];
        refuse({"profile", "ticked", "recipient", "printer", "pdf", "pdf-folder", "dry-run"},
               listed);
        if (words[1] == QLatin1String("profiles"))
            line.command = CommandLine::Command::ListProfiles;
        else if (words[1] == QLatin1String("groups"))
            line.command = CommandLine::Command::ListGroups;
        else
            line.command = CommandLine::Command::ListRecipients;
        if (line.command != CommandLine::Command::ListRecipients)
            refuse({"group"}, listed);
        line.group = single("group");
        if (parser.isSet(QStringLiteral("group")) && line.group.isEmpty())
            throw UsageError(QStringLiteral("Параметру --group нужно имя группы."));
        return line;
    }
    if (command != QLatin1String("print"))
        throw UsageError(QStringLiteral("Неизвестная команда «%1»: есть print и list. Справка: "
                                        "envalo-cli --help")
                             .arg(command));
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
    return line;
}
