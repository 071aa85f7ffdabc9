#include "core/Cp1251.h"

#include "core/UserError.h"

#include <QStringDecoder>

const Cp1251& Cp1251::get() {
    static const Cp1251 codec;
    if (!codec.m_valid)
        throw UserError(QStringLiteral("Кодировка Windows-1251 недоступна: без неё файл "
                                       "настроек нельзя ни прочитать, ни записать."));
    return codec;
}

QString Cp1251::decode(const char* data, qsizetype size) const {
    QString text(size, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < size; ++i)
        out[i] = QChar(m_toUnicode[uchar(data[i])]);
    return text;
}

qsizetype Cp1251::firstUnencodable(QStringView text) const {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!m_fromUnicode.contains(text[i].unicode()))
            return i;
    }
    return -1;
}

QByteArray Cp1251::encode(QStringView text) const {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        bytes[i] = m_fromUnicode.value(text[i].unicode(), '\x1A');
    return bytes;
}

Cp1251::Cp1251() {
    QStringDecoder decoder("windows-1251");
    if (!decoder.isValid())
        return;
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QString text = decoder(all);
    if (decoder.hasError() || text.size() != 256)
        return;
    for (int i = 0; i < 256; ++i) {
        m_toUnicode[i] = text[i].unicode();
        if (text[i] != QChar::ReplacementCharacter)
            m_fromUnicode.insert(text[i].unicode(), char(i));
    }
    m_valid = true;
}
