#include "core/addressbook/NameOrder.h"

#include <QLocale>
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
    using Keyed = std::pair<QCollatorSortKey, QString>;
    sort(
        keyed, [](const Keyed& k) -> const QCollatorSortKey& { return k.first; },
        [](const Keyed& k) -> const QString& { return k.second; });
    names.clear();
    for (auto& [k, name] : keyed)
        names.append(std::move(name));
}
