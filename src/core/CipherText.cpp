#include "core/CipherText.h"

#include <array>

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Values of the codes 43 ("+") .. 122 ("z"); 127 for those not in the alphabet.
constexpr std::array<uint8_t, 128> MakeDecodeTable()
{
    std::array<uint8_t, 128> table{};
    for (auto& v : table)
        v = 127;
    for (int i = 0; i < 64; ++i)
        table[static_cast<size_t>(Alphabet[i])] = static_cast<uint8_t>(i);
    return table;
}
constexpr auto DecodeTable = MakeDecodeTable();

} // namespace

QString Base64Encode(const QByteArray& bytes)
{
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString out;
    out.reserve((n + 2) / 3 * 4);
    qsizetype i = 0;
    for (; i + 3 <= n; i += 3) {
        const unsigned v = unsigned(in[i]) << 16 | unsigned(in[i + 1]) << 8 | in[i + 2];
        out += QLatin1Char(Alphabet[v >> 18]);
        out += QLatin1Char(Alphabet[(v >> 12) & 63]);
        out += QLatin1Char(Alphabet[(v >> 6) & 63]);
        out += QLatin1Char(Alphabet[v & 63]);
    }
    if (n - i == 1) {
        const unsigned v = unsigned(in[i]) << 16;
        out += QLatin1Char(Alphabet[v >> 18]);
        out += QLatin1Char(Alphabet[(v >> 12) & 63]);
        out += QLatin1String("==");
    } else if (n - i == 2) {
        const unsigned v = unsigned(in[i]) << 16 | unsigned(in[i + 1]) << 8;
        out += QLatin1Char(Alphabet[v >> 18]);
        out += QLatin1Char(Alphabet[(v >> 12) & 63]);
        out += QLatin1Char(Alphabet[(v >> 6) & 63]);
        out += QLatin1Char('=');
    }
    return out;
}

QByteArray Base64Decode(QStringView text)
{
    // Input comes in pieces of 88 characters and the decoder stops after a shorter piece: that
    // is always the last one, so the whole text is decoded group by group.
    const qsizetype n = text.size();
    // A last group of fewer than four characters only comes from a damaged value.
    if (n % 4 != 0)
        throw Base64Error();
    QByteArray out;
    out.reserve(n / 4 * 3);
    for (qsizetype i = 0; i < n; i += 4) {
        unsigned x[4];
        for (int j = 0; j < 4; ++j) {
            const char16_t c = text[i + j].unicode();
            if (c < 43 || c > 122)
                throw Base64Error();
            x[j] = DecodeTable[c];
        }
        const bool c2Fill = text[i + 2] == QLatin1Char('=');
        const bool c3Fill = text[i + 3] == QLatin1Char('=');
        out += static_cast<char>((x[0] * 4 + x[1] / 16) & 255);
        if (!c2Fill)
            out += static_cast<char>((x[1] * 16 + x[2] / 4) & 255);
        if (!c2Fill && !c3Fill)
            out += static_cast<char>((x[2] * 64 + x[3]) & 255);
    }
    return out;
}
