#pragma once

#include <QCollator>
#include <QCollatorSortKey>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <vector>

// The order of the recipient list, whatever the program's locale: Russian
// alphabetical order, Cyrillic in alphabet order, letter case not separating a name.
// The main window's list and the command line list names in this one order.
class NameOrder {
public:
    NameOrder();

    QCollatorSortKey key(const QString& name) const { return m_collator.sortKey(name); }
    // Names equal to the collator keep a fixed order: capitals first.
    static bool less(const QCollatorSortKey& aKey, const QString& a, const QCollatorSortKey& bKey,
                     const QString& b) {
        const int c = aKey.compare(bKey);
        return c != 0 ? c < 0 : a < b;
    }
    // Sorted in place; names that compare equal keep their order.
    void sort(QStringList& names) const;
    // Items sorted in place by the key and the name each holds, as names are; items whose
    // names compare equal keep their order. Every list of names is put in order here.
    template <class Item, class KeyOf, class NameOf>
    static void sort(std::vector<Item>& items, KeyOf keyOf, NameOf nameOf) {
        std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
            return less(keyOf(a), nameOf(a), keyOf(b), nameOf(b));
        });
    }

private:
    QCollator m_collator;
};
