#pragma once

#include <QString>

// «Кому» as Russian envelopes write it: a person's family name, given name and patronymic
// in the dative, «Кузнецову Андрею Викторовичу», «Кузнецовой Анне Викторовне». The
// endings are the rules of the petrovich library (data/petrovich, MIT licence), read as
// data; the gender comes from the patronymic (…вич, …ич, оглы male; …вна, …чна, кызы
// female), or without one from a family name that shows it (…ов, …ин, …ский; …ова,
// …ина, …ская). Double-barrelled family names decline in each part; names the rules
// keep (Дюма, Гусь, Шоу...) stay as they are.
struct DativeName {
    // The name in the dative on one line; when it cannot be told, the name as given,
    // in the nominative, on one line.
    QString text;
    // The name was put in the dative.
    bool declined = false;
};

// From the parts as an address list holds them; any of them may be empty. The name stays
// in the nominative when the gender cannot be told, when there is no given name, or when
// a part is not a Russian word (Latin letters, digits, an organisation's name).
DativeName dativeName(const QString& family, const QString& given, const QString& middle);

// From a name as a person types it: "Кузнецов Андрей Викторович" (family name first,
// then given name and patronymic; a Turkic patronymic may be two words, "Гасан оглы").
DativeName dativeOfFullName(const QString& name);
