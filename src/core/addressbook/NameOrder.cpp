#include "core/addressbook/NameOrder.h"

#include <QLocale>
#include <algorithm>
#include <vector>

NameOrder::NameOrder() : m_collator(QLocale(QLocale::Russian, QLocale::Russia)) {
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(false);
}

void NameOrder::sort(QStringList& names) const {
    std::vector<std::pair<QCollatorSortKey, QString>> keyed;
    keyed.reserve(size_t(names.size()));
    for (QString& name : names)
        keyed.emplace_back(key(name), std::move(name));
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return less(a.first, a.second, b.first, b.second);
    });
    names.clear();
    for (auto& [k, name] : keyed)
        names.append(std::move(name));
}
