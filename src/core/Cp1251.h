#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>
#include <array>

// Windows-1251, the code page of the settings file and of spreadsheets saved by a
// Russian Excel. It maps each byte to one UTF-16 unit, so offsets in the bytes and in
// the decoded text agree and every line can be decoded on its own.
class Cp1251 {
public:
    // Throws UserError when the system's converters lack the code page.
    static const Cp1251& get();

    QString decode(const char* data, qsizetype size) const;
    QString decode(const QByteArray& bytes) const {
        return decode(bytes.constData(), bytes.size());
    }
    // The first character the code page lacks, or -1.
    qsizetype firstUnencodable(QStringView text) const;
    // Characters the code page lacks become 0x1A.
    QByteArray encode(QStringView text) const;

private:
    Cp1251();

    std::array<char16_t, 256> m_toUnicode{};
    QHash<char16_t, char> m_fromUnicode;
    bool m_valid = false;
};
