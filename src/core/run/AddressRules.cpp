#include "core/run/AddressRules.h"

#include "core/addressbook/NameOrder.h"
#include "core/addressbook/splittext.h"

#include <algorithm>

namespace {

const QString separator = QStringLiteral(";");

} // namespace

QStringList tickedGroups(const std::vector<GroupRecord>& groups) {
    QStringList ticked;
    for (const GroupRecord& group : groups)
        if (group.checked)
            ticked.append(group.name);
    return ticked;
}

bool listedUnderGroups(const QString& recipientGroups, const QStringList& tickedGroups) {
    if (recipientGroups.isEmpty())
        return true;
    // The ticked groups are few, so comparing each piece with all of them costs less than
    // building a set for every recipient.
    const QStringList pieces = splittext(recipientGroups, separator);
    return std::any_of(pieces.begin(), pieces.end(), [&](const QString& piece) {
        return !piece.isEmpty() && tickedGroups.contains(piece, Qt::CaseSensitive);
    });
}

bool memberOf(const QString& recipientGroups, const QString& group) {
    const QStringList pieces = splittext(recipientGroups, separator);
    return std::find(pieces.begin(), pieces.end(), group) != pieces.end();
}

std::vector<const RecipientRecord*> listedRecipients(const std::vector<RecipientRecord>& records,
                                                     const QStringList& tickedGroups) {
    const NameOrder order;
    struct Line {
        QCollatorSortKey key;
        const RecipientRecord* record;
    };
    std::vector<Line> lines;
    for (const RecipientRecord& r : records)
        if (!r.name.isEmpty() && listedUnderGroups(r.groups, tickedGroups))
            lines.push_back({order.key(r.name), &r});
    NameOrder::sort(
        lines, [](const Line& line) -> const QCollatorSortKey& { return line.key; },
        [](const Line& line) -> const QString& { return line.record->name; });
    std::vector<const RecipientRecord*> result;
    result.reserve(lines.size());
    for (const Line& line : lines)
        result.push_back(line.record);
    return result;
}

QStringList senderLines(const std::vector<SenderRecord>& senders) {
    QStringList lines;
    QString previous;
    for (const SenderRecord& s : senders) {
        if (!s.otkogo.isEmpty() && s.otkogo != previous)
            lines.append(s.otkogo);
        previous = s.otkogo;
    }
    return lines;
}

const SenderRecord* defaultSender(const std::vector<SenderRecord>& senders) {
    const auto marked = std::find_if(senders.begin(), senders.end(),
                                     [](const SenderRecord& s) { return s.isDefault; });
    if (marked == senders.end())
        return nullptr;
    const QString name = marked->otkogo.toCaseFolded();
    for (const SenderRecord& s : senders)
        if (s.otkogo.toCaseFolded() == name)
            return &s;
    return nullptr;
}

QString searchForm(const QString& text) {
    QString form = text.toLower();
    form.replace(u'ё', u'е');
    return form;
}

QString asEditorText(const QString& stored) {
    QString text = stored;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (QChar& c : text) {
        // U+FDD0 and U+FDD1 are the marks a text document keeps for the start and end of a
        // frame: the editor gives each back as a line end.
        if (c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator ||
            c == u'\xFDD0' || c == u'\xFDD1')
            c = u'\n';
        else if (c == QChar::Nbsp)
            c = u' ';
    }
    return text;
}

QString indexText(qint64 index) {
    return index == 0 ? QString() : QString::number(index);
}

AddressTexts printedTexts(const RecipientRecord* recipient, const SenderRecord* sender) {
    const RecipientRecord noRecipient;
    const SenderRecord noSender;
    const RecipientRecord& r = recipient ? *recipient : noRecipient;
    const SenderRecord& s = sender ? *sender : noSender;
    return {asEditorText(s.otkogo), asEditorText(s.otkyda), indexText(s.intyt),
            asEditorText(r.komy),   asEditorText(r.kyda),   indexText(r.intyda)};
}

AddressTexts printedTexts(const RecipientRecord& recipient, const AddressTexts& sender) {
    AddressTexts texts = printedTexts(&recipient, nullptr);
    texts.otkogo = sender.otkogo;
    texts.otkyda = sender.otkyda;
    texts.intyt = sender.intyt;
    return texts;
}
