#include "core/addressbook/Dative.h"

#include "Petrovich.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <array>

namespace {

enum class Gender { Unknown, Male, Female };

enum class Kind { Family, Given, Middle };

struct Rule {
    // "male", "female" or "androgynous" (either).
    QString gender;
    QStringList tests;
    // The dative's change: each '-' drops a letter from the end, the rest is added;
    // "." keeps the word.
    QString dative;
    bool firstWordOnly = false;
};

struct Rules {
    QList<Rule> exceptions;
    QList<Rule> suffixes;
};

QList<Rule> readRules(const QJsonArray& array) {
    QList<Rule> rules;
    for (const QJsonValue& value : array) {
        const QJsonObject object = value.toObject();
        Rule rule;
        rule.gender = object.value(u"gender").toString();
        for (const QJsonValue& test : object.value(u"test").toArray())
            rule.tests.append(test.toString());
        // The forms are genitive, dative, accusative, instrumental, prepositional.
        rule.dative = object.value(u"mods").toArray().at(1).toString();
        rule.firstWordOnly = object.value(u"tags").toArray().contains(QJsonValue(u"first_word"_qs));
        rules.append(rule);
    }
    return rules;
}

const std::array<Rules, 3>& allRules() {
    static const std::array<Rules, 3> rules = [] {
        const QJsonObject root =
            QJsonDocument::fromJson(QString::fromUtf16(petrovichRules).toUtf8()).object();
        std::array<Rules, 3> result;
        const char* const names[] = {"lastname", "firstname", "middlename"};
        for (int i = 0; i < 3; ++i) {
            const QJsonObject kind = root.value(QLatin1String(names[i])).toObject();
            result[i].exceptions = readRules(kind.value(u"exceptions").toArray());
            result[i].suffixes = readRules(kind.value(u"suffixes").toArray());
        }
        return result;
    }();
    return rules;
}

bool fits(const Rule& rule, Gender gender, bool firstWord) {
    if (rule.firstWordOnly && !firstWord)
        return false;
    if (rule.gender == u"androgynous")
        return true;
    return rule.gender == (gender == Gender::Male ? u"male" : u"female");
}

QString applied(const QString& word, const QString& change) {
    if (change == u".")
        return word;
    QString result = word;
    qsizetype i = 0;
    while (i < change.size() && change.at(i) == u'-') {
        result.chop(1);
        ++i;
    }
    QString ending = change.mid(i);
    // A name written in capitals keeps them.
    if (word.size() > 1 && word == word.toUpper())
        ending = ending.toUpper();
    return result + ending;
}

QString declinedWord(const QString& word, Kind kind, Gender gender, bool firstWord) {
    const Rules& rules = allRules()[static_cast<int>(kind)];
    const QString lower = word.toLower();
    for (const Rule& rule : rules.exceptions) {
        if (fits(rule, gender, firstWord) && rule.tests.contains(lower))
            return applied(word, rule.dative);
    }
    for (const Rule& rule : rules.suffixes) {
        if (!fits(rule, gender, firstWord))
            continue;
        for (const QString& test : rule.tests) {
            if (lower.endsWith(test))
                return applied(word, rule.dative);
        }
    }
    return word;
}

// Each part of a double-barrelled name declines on its own: «Римскому-Корсакову».
QString declined(const QString& name, Kind kind, Gender gender) {
    QStringList parts = name.split(u'-');
    for (qsizetype i = 0; i < parts.size(); ++i)
        parts[i] = declinedWord(parts[i], kind, gender, i == 0 && parts.size() > 1);
    return parts.join(u'-');
}

bool isRussianWord(const QString& text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        const bool cyrillic =
            (c >= u'а' && c <= u'я') || (c >= u'А' && c <= u'Я') || c == u'ё' || c == u'Ё';
        if (!cyrillic && c != u'-')
            return false;
    }
    return !text.startsWith(u'-') && !text.endsWith(u'-');
}

const QStringList maleTurkic = {u"оглы"_qs, u"оглу"_qs, u"улы"_qs, u"уулу"_qs};
const QStringList femaleTurkic = {u"кызы"_qs, u"гызы"_qs, u"кизи"_qs};

Gender genderOfMiddle(const QString& middle) {
    const QString lower = middle.toLower();
    const QString last = lower.section(u' ', -1);
    if (maleTurkic.contains(last))
        return Gender::Male;
    if (femaleTurkic.contains(last))
        return Gender::Female;
    if (lower.endsWith(u"ич"))
        return Gender::Male;
    if (lower.endsWith(u"вна") || lower.endsWith(u"чна") || lower.endsWith(u"шна"))
        return Gender::Female;
    return Gender::Unknown;
}

Gender genderOfFamily(const QString& family) {
    const QString lower = family.toLower().section(u'-', -1);
    for (const char16_t* ending : {u"ова", u"ева", u"ёва", u"ина", u"ына", u"ская", u"цкая"}) {
        if (lower.endsWith(QStringView(ending)))
            return Gender::Female;
    }
    for (const char16_t* ending : {u"ов", u"ев", u"ёв", u"ин", u"ын", u"ский", u"цкий"}) {
        if (lower.endsWith(QStringView(ending)))
            return Gender::Male;
    }
    return Gender::Unknown;
}

QString joined(const QStringList& parts) {
    QStringList present;
    for (const QString& part : parts) {
        if (!part.isEmpty())
            present.append(part);
    }
    return present.join(u' ');
}

} // namespace

DativeName dativeName(const QString& family, const QString& given, const QString& middle) {
    const QString f = family.simplified();
    const QString g = given.simplified();
    const QString m = middle.simplified();
    const DativeName nominative{joined({f, g, m}), false};
    if (f.isEmpty() || g.isEmpty() || !isRussianWord(f) || !isRussianWord(g))
        return nominative;
    // A Turkic patronymic is the father's name and «оглы»/«кызы», which do not decline.
    const QStringList middleWords = m.split(u' ', Qt::SkipEmptyParts);
    if (middleWords.size() > 2)
        return nominative;
    for (const QString& word : middleWords) {
        if (!isRussianWord(word))
            return nominative;
    }
    Gender gender = Gender::Unknown;
    if (!m.isEmpty()) {
        gender = genderOfMiddle(m);
        if (gender == Gender::Unknown)
            return nominative; // a patronymic whose form cannot be told
    } else {
        gender = genderOfFamily(f);
    }
    if (gender == Gender::Unknown)
        return nominative;
    QString d = middleWords.size() == 2 ? m
                : m.isEmpty()           ? QString()
                                        : declined(m, Kind::Middle, gender);
    return {joined({declined(f, Kind::Family, gender), declined(g, Kind::Given, gender), d}), true};
}

DativeName dativeOfFullName(const QString& name) {
    const QStringList words = name.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 2 || words.size() > 4)
        return {name.simplified(), false};
    return dativeName(words.at(0), words.at(1), words.mid(2).join(u' '));
}
