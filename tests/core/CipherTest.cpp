#include "core/FieldCipher.h"
#include "core/BlockCipher.h"
#include "core/BlockChains.h"
#include "core/CipherText.h"
#include "platform/Files.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray Bytes(const uint8_t* p, size_t n)
{
    return QByteArray(reinterpret_cast<const char*>(p), static_cast<qsizetype>(n));
}

QByteArray KeyHashOf(const QByteArray& text, size_t size)
{
    QByteArray out(static_cast<qsizetype>(size), '\0');
    MakeKey(reinterpret_cast<uint8_t*>(out.data()), size, reinterpret_cast<const uint8_t*>(text.constData()),
            static_cast<size_t>(text.size()));
    return out;
}

// --- Key digest ------------------------------------------------------------------------

TEST(KeyHash, ReferenceValues)
{
    EXPECT_EQ(KeyHashOf("abc", 16).toHex(), QByteArray("2aa17baa76a4c4cd4b73a5f934b4cc1a"));
    EXPECT_EQ(KeyHashOf("", 16).toHex(), QByteArray("0bd132aa831c56ac1f92e61084a342d2"));
}

TEST(KeyHash, EveryKeySizeIsAPrefixOfTheSameDigest)
{
    const QByteArray full = KeyHashOf("Przechowalnia 3071 Czujny", 256);
    for (size_t size : {size_t(8), size_t(16), size_t(24), size_t(32), size_t(256), size_t(300)})
        EXPECT_EQ(KeyHashOf("Przechowalnia 3071 Czujny", size).left(static_cast<qsizetype>(std::min<size_t>(size, 256))),
                  full.left(static_cast<qsizetype>(std::min<size_t>(size, 256))));
    const FieldKeys keys = FieldKeys::Derive("Przechowalnia 3071 Czujny");
    EXPECT_EQ(Bytes(keys.Key64, 8), full.left(8));
    EXPECT_EQ(Bytes(keys.Key128, 16), full.left(16));
    EXPECT_EQ(Bytes(keys.Key192, 24), full.left(24));
    EXPECT_EQ(Bytes(keys.Key256, 32), full.left(32));
}

TEST(KeyHash, FedInPiecesEqualsFedAtOnce)
{
    const QByteArray text = "a text longer than one sixteen-byte key block, fed unevenly";
    KeyHashContext whole, pieces;
    KeyHashInit(whole);
    KeyHashUpdate(whole, reinterpret_cast<const uint8_t*>(text.constData()), static_cast<size_t>(text.size()));
    KeyHashInit(pieces);
    for (qsizetype i = 0; i < text.size(); i += 5)
        KeyHashUpdate(pieces, reinterpret_cast<const uint8_t*>(text.constData()) + i,
                      static_cast<size_t>(std::min<qsizetype>(5, text.size() - i)));
    uint8_t a[256], b[256];
    KeyHashFinal(whole, a, sizeof a);
    KeyHashFinal(pieces, b, sizeof b);
    EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);
}

TEST(PiTables, StartWithThePublishedDigits)
{
    EXPECT_EQ(Bytes(PiTable, 12).toHex(), QByteArray("243f6a8885a308d313198a2e"));
    EXPECT_EQ(PiWords[0], 0x243F6A88u);
    EXPECT_EQ(PiWords[17], 0x8979FB1Bu);   // last P word
    EXPECT_EQ(PiWords[18], 0xD1310BA6u);   // first word of the first box
    EXPECT_EQ(PiWords[1041], 0x3AC372E6u); // last word of the last box
}

// --- MixCipher ---------------------------------------------------------------------------

TEST(MixCipher, DecipheringUndoesEnciphering)
{
    const uint8_t key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    for (int rounds : {4, 8, 16}) {
        MixCipherContext enc, dec;
        MixCipherInit(enc, key, rounds, true);
        MixCipherInit(dec, key, rounds, false);
        uint8_t block[16] = "fifteen bytes..";
        uint8_t copy[16];
        std::memcpy(copy, block, 16);
        MixCipherBlock(enc, block);
        EXPECT_NE(std::memcmp(block, copy, 16), 0);
        MixCipherBlock(dec, block);
        EXPECT_EQ(std::memcmp(block, copy, 16), 0) << rounds;
    }
}

TEST(MixCipher, RoundCountIsClampedToFourToSixteen)
{
    const uint8_t key[16] = {};
    MixCipherContext c;
    MixCipherInit(c, key, 1, true);
    EXPECT_EQ(c.Rounds, 4);
    MixCipherInit(c, key, 40, true);
    EXPECT_EQ(c.Rounds, 16);
}

// --- The type-0 block transform ------------------------------------------------------------

// The round function is fed the entry halves, so it cancels out: every block is XORed with
// the XOR of the even and of the odd P words. This is what list files written on Windows hold.
TEST(BlowfishBlock, IsAnXorWithTwoKeyWords)
{
    BlowfishContext c;
    BlowfishInit(c, FieldKeys::Derive("Przechowalnia 3071 Czujny").Key128);
    uint32_t even = 0, odd = 0;
    for (int i = 0; i < 18; i += 2) {
        even ^= c.P[i];
        odd ^= c.P[i + 1];
    }
    for (const char* text : {"\0\0\0\0\0\0\0\0", "ABCDEFGH", "\xff\x01\x80\x7f zz!"}) {
        uint8_t block[8];
        std::memcpy(block, text, 8);
        uint32_t L, R;
        std::memcpy(&L, block, 4);
        std::memcpy(&R, block + 4, 4);
        BlowfishBlock(c, block, true);
        uint32_t L2, R2;
        std::memcpy(&L2, block, 4);
        std::memcpy(&R2, block + 4, 4);
        EXPECT_EQ(L2, L ^ even);
        EXPECT_EQ(R2, R ^ odd);
        BlowfishBlock(c, block, false);
        EXPECT_EQ(std::memcmp(block, text, 8), 0);
    }
}

TEST(BlowfishInit, FirstChainStepXorsTheKeyedPWords)
{
    // The chain starts from the zero block, so the first step yields exactly the XOR of the
    // even and of the odd P words after the key went in, key words read most significant byte
    // first.
    uint8_t key[16];
    for (int i = 0; i < 16; ++i)
        key[i] = static_cast<uint8_t>(0x10 * i + 1);
    uint32_t even = 0, odd = 0;
    for (int i = 0; i < 18; ++i) {
        const int k = (4 * i) % 16;
        const uint32_t w = uint32_t(key[k]) << 24 | uint32_t(key[k + 1]) << 16 | uint32_t(key[k + 2]) << 8 | key[k + 3];
        (i % 2 == 0 ? even : odd) ^= PiWords[i] ^ w;
    }
    BlowfishContext c;
    BlowfishInit(c, key);
    EXPECT_EQ(c.P[0], even);
    EXPECT_EQ(c.P[1], odd);
}

// --- Base64 -------------------------------------------------------------------------------

struct Base64Case {
    const char* bytes;
    const char* text;
};

class Base64Vectors : public testing::TestWithParam<Base64Case> {};

TEST_P(Base64Vectors, EncodeAndDecode)
{
    const QByteArray bytes(GetParam().bytes);
    const QString text = QString::fromLatin1(GetParam().text);
    EXPECT_EQ(Base64Encode(bytes), text);
    EXPECT_EQ(Base64Decode(text), bytes);
}

INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64Vectors,
                         testing::Values(Base64Case{"", ""}, Base64Case{"f", "Zg=="}, Base64Case{"fo", "Zm8="},
                                         Base64Case{"foo", "Zm9v"}, Base64Case{"foob", "Zm9vYg=="},
                                         Base64Case{"fooba", "Zm9vYmE="}, Base64Case{"foobar", "Zm9vYmFy"}));

TEST(Base64, LongInputHasNoLineBreaksAndCrossesThePieceBoundaries)
{
    QByteArray bytes;
    for (int i = 0; i < 500; ++i)
        bytes += static_cast<char>(i * 7);
    const QString text = Base64Encode(bytes);
    EXPECT_EQ(text.size(), (500 + 2) / 3 * 4);
    EXPECT_FALSE(text.contains(QLatin1Char('\n')));
    EXPECT_EQ(Base64Decode(text), bytes);
    EXPECT_EQ(QByteArray::fromBase64(text.toLatin1()), bytes);
}

TEST(Base64, DecoderRules)
{
    // Characters from "+" to "z" outside the alphabet count as 127.
    EXPECT_EQ(Base64Decode(u"::::").toHex(), QByteArray("030f3f"));
    EXPECT_EQ(Base64Decode(u"====").toHex(), QByteArray("03"));
    // "=" in the third place ends the group's output after one byte, whatever follows it.
    EXPECT_EQ(Base64Decode(u"QQ=B"), QByteArray("A"));
    // "=" only in the fourth place gives two bytes.
    EXPECT_EQ(Base64Decode(u"QUI="), QByteArray("AB"));
    // A group with fill in the middle of the text does not stop the decoder.
    EXPECT_EQ(Base64Decode(u"QQ==QUJD"), QByteArray("AABC"));
}

TEST(Base64, DecoderRejects)
{
    for (const char16_t* bad : {u"QUJD QUJD", u"QUJD\nQUJD", u"QU*D", u"QUJ\x7b", u"QUJDQ", u"QUJDQUJ", u"QUJ\u0105"})
        EXPECT_THROW(Base64Decode(QStringView(bad)), Base64Error) << QString::fromUtf16(bad).toStdString();
}

// --- Block chains ---------------------------------------------------------------------------

TEST(EncipherBlocks, LastBlockCarriesTheCount)
{
    const BlockTransform identity = [](uint8_t*, bool) {};
    EXPECT_EQ(EncipherBlocks("", identity, 8, true).toHex(), QByteArray("0000000000000000"));
    EXPECT_EQ(EncipherBlocks("abc", identity, 8, true).toHex(), QByteArray("6162630000000003"));
    EXPECT_EQ(EncipherBlocks("abcdefgh", identity, 8, true).toHex(), QByteArray("61626364656667680000000000000000"));
    EXPECT_EQ(EncipherBlocks(Hex("6162630000000003"), identity, 8, false), QByteArray("abc"));
    // Bytes after the last whole block are ignored.
    EXPECT_EQ(EncipherBlocks(Hex("6162630000000003ffff"), identity, 8, false), QByteArray("abc"));
    // A count of the whole block gives the whole block.
    EXPECT_EQ(EncipherBlocks(Hex("6162636465666708"), identity, 8, false), Hex("6162636465666708"));
}

TEST(EncipherBlocks, RejectsShortInputAndImpossibleCounts)
{
    const BlockTransform identity = [](uint8_t*, bool) {};
    EXPECT_THROW(EncipherBlocks("", identity, 8, false), CipherError);
    EXPECT_THROW(EncipherBlocks("1234567", identity, 8, false), CipherError);
    EXPECT_THROW(EncipherBlocks(Hex("6162630000000009"), identity, 8, false), CipherError);
    // A chain needs its first block and one data block.
    EXPECT_THROW(EncipherBlocksCbc(Hex("6162630000000003"), identity, 8, false, 0), CipherError);
    EXPECT_EQ(EncipherBlocksCbc(Hex("00000000000000006162630000000003"), identity, 8, false, 0), QByteArray("abc"));
}

// --- Fields ------------------------------------------------------------------------------

TEST(CipherField, EveryTypeComesBack)
{
    const QByteArray pass = "Przechowalnia 3071 Czujny";
    for (int type = 0; type <= 7; ++type) {
        for (const QByteArray& text : {QByteArray(), QByteArray("C:\\Dokumenty"), QByteArray("\xb9\xe6\xea\xb3\xf1\xf3\x9c\x9f\xbf", 9),
                                       QByteArray(40, 'x')}) {
            const QByteArray stored = CipherField(text, static_cast<uint8_t>(type), pass, true);
            ASSERT_FALSE(stored.isEmpty()) << type;
            EXPECT_EQ(CipherField(stored, static_cast<uint8_t>(type), pass, false), text) << type;
        }
    }
}

TEST(CipherField, TypeAboveSevenGivesNothing)
{
    EXPECT_TRUE(CipherField("abc", 8, "p", true).isEmpty());
    EXPECT_TRUE(CipherField("abc", 255, "p", true).isEmpty());
}

TEST(CipherField, ChainedTypesAreSaltedByTheClockBlock)
{
    const QByteArray stored = CipherField("abc", 1, "p", true);
    EXPECT_EQ(stored.size(), 24);  // the chain block and one data block
    EXPECT_EQ(CipherField(stored, 1, "p", false), QByteArray("abc"));
    // The first block alone is no value.
    EXPECT_TRUE(CipherField(Base64Encode(QByteArray::fromBase64(stored).left(8)).toLatin1(), 1, "p", false).isEmpty());
}

TEST(EncryptField, StoredLengthFollowsTheBlockCount)
{
    for (int n = 0; n <= 24; ++n) {
        const QString stored = EncryptField(QString(n, QLatin1Char('a')));
        const int blocks = n / 8 + 1;
        EXPECT_EQ(stored.size(), 4 * ((8 * blocks + 2) / 3)) << n;
    }
    const QString empty = EncryptField(QString());
    EXPECT_EQ(empty.size(), 12);
    EXPECT_TRUE(empty.endsWith(QLatin1Char('=')) && !empty.endsWith(QLatin1String("==")));
    EXPECT_EQ(DecryptField(empty), QString());
}

TEST(EncryptField, IsPlainAsciiAndEqualValuesGiveEqualTexts)
{
    const QString text = QStringLiteral("a&b<c>\"d\" ąę");
    const QString stored = EncryptField(text);
    EXPECT_EQ(stored, EncryptField(text));
    for (QChar c : stored)
        EXPECT_TRUE(c.isLetterOrNumber() || c == QLatin1Char('+') || c == QLatin1Char('/') || c == QLatin1Char('='));
    EXPECT_EQ(DecryptField(stored), text);
}

TEST(DecryptField, DamagedValuesReadAsEmpty)
{
    const QString good = EncryptField(QStringLiteral("Folder"));
    const QString cases[] = {
        QString(),
        QStringLiteral("QUJD"),                                  // fewer than 8 bytes
        QStringLiteral("QUJDREVG"),                              // 6 bytes
        good.left(4) + QLatin1Char(' ') + good.mid(4),           // space inside
        good.left(4) + QLatin1Char('\n') + good.mid(4),          // line break inside
        good.left(good.size() - 1),                              // cut short
        good + QStringLiteral("ą"),                              // not Base64
        QStringLiteral("AAAAAAAAAAA="),                          // count byte after deciphering is garbage
    };
    for (const QString& text : cases)
        EXPECT_EQ(DecryptField(text), QString()) << text.toStdString();
}

TEST(DecryptField, ExtraGroupAfterTheLastBlockIsIgnored)
{
    const QString good = EncryptField(QStringLiteral("Plik"));
    EXPECT_EQ(DecryptField(good + QStringLiteral("QUJD")), QStringLiteral("Plik"));
}

// --- Text inside the cipher ----------------------------------------------------------------

// The bytes a field holds inside the cipher.
QByteArray StoredBytes(const QString& text)
{
    return CipherField(EncryptField(text).toLatin1(), FieldCipherType, FieldPassphrase, false);
}

TEST(FieldText, PolishLettersAreWindows1250Bytes)
{
    const QString polish = QStringLiteral("ĄĆĘŁŃÓŚŹŻąćęłńóśźż");
    EXPECT_EQ(StoredBytes(polish).toHex(), QByteArray("a5c6caa3d1d38c8fafb9e6eab3f1f39c9fbf"));
    EXPECT_EQ(DecryptField(EncryptField(polish)), polish);
}

TEST(FieldText, EveryWindows1250ByteComesBackUnchanged)
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const QByteArray stored = CipherField(all, 0, FieldPassphrase, true);
    const QString text = DecryptField(QString::fromLatin1(stored));
    EXPECT_EQ(FieldTextToBytes(text), all);
}

TEST(FieldText, TextOutsideWindows1250GoesAsMarkedUtf8)
{
    for (const QString& text : {QStringLiteral("/home/użytkownik/Фото"), QStringLiteral("写真"), QStringLiteral("emoji 😀"),
                                QStringLiteral("ď»żabc")}) {
        const QByteArray bytes = StoredBytes(text);
        EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << text.toStdString();
        EXPECT_EQ(bytes.mid(3), text.toUtf8());
        EXPECT_EQ(DecryptField(EncryptField(text)), text);
    }
    // What Windows-1250 can hold is never written so.
    EXPECT_FALSE(StoredBytes(QStringLiteral("żółw ď")).startsWith("\xEF\xBB\xBF"));
}

TEST(FieldText, MarkerFollowedByInvalidUtf8ReadsAsWindows1250)
{
    const QByteArray raw("\xEF\xBB\xBF\xB9\xE6", 5);
    const QByteArray stored = CipherField(raw, 0, FieldPassphrase, true);
    EXPECT_EQ(DecryptField(QString::fromLatin1(stored)), QStringLiteral("ď»żąć"));
}

} // namespace
