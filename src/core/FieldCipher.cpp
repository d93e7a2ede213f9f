#include "core/FieldCipher.h"

#include "core/BlockCipher.h"
#include "core/BlockChains.h"
#include "core/CipherText.h"
#include "platform/Platform.h"

#include <openssl/evp.h>

#include <chrono>
#include <cstring>
#include <memory>

uint8_t Key64[8];
uint8_t Key128[16];
uint8_t Key192[24];
uint8_t Key256[32];

namespace {

// Deriving the keys is deterministic, so the last passphrase's keys and block-transform
// context are kept: a list of n entries would otherwise cost 4n + 1 derivations per save.
struct KeyCache {
    bool valid = false;
    QByteArray passphrase;
    uint8_t key64[8];
    uint8_t key128[16];
    uint8_t key192[24];
    uint8_t key256[32];
    bool blowfishReady = false;
    BlowfishContext blowfish;
};
KeyCache cache;

const BlowfishContext& BlowfishForKey128()
{
    if (!cache.blowfishReady || std::memcmp(cache.key128, Key128, sizeof Key128) != 0) {
        std::memcpy(cache.key128, Key128, sizeof Key128);
        BlowfishInit(cache.blowfish, Key128);
        cache.blowfishReady = true;
    }
    return cache.blowfish;
}

struct EvpFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using EvpContext = std::unique_ptr<EVP_CIPHER_CTX, EvpFree>;

// One block of a library cipher in ECB form; the chains are built around it like type 0's.
class LibraryBlock {
public:
    LibraryBlock(const EVP_CIPHER* cipher, const uint8_t* key)
        : enc(EVP_CIPHER_CTX_new()), dec(EVP_CIPHER_CTX_new())
    {
        if (!cipher || !enc || !dec || EVP_EncryptInit_ex(enc.get(), cipher, nullptr, key, nullptr) != 1
            || EVP_DecryptInit_ex(dec.get(), cipher, nullptr, key, nullptr) != 1)
            throw CipherError("Cipher unavailable");
        EVP_CIPHER_CTX_set_padding(enc.get(), 0);
        EVP_CIPHER_CTX_set_padding(dec.get(), 0);
        blockSize = EVP_CIPHER_get_block_size(cipher);
    }

    void operator()(uint8_t* block, bool encrypt) const
    {
        uint8_t out[32];
        int outLen = 0;
        EVP_CIPHER_CTX* c = encrypt ? enc.get() : dec.get();
        if (EVP_CipherUpdate(c, out, &outLen, block, blockSize) != 1 || outLen != blockSize)
            throw CipherError("Cipher failure");
        std::memcpy(block, out, static_cast<size_t>(blockSize));
    }

    int blockSize = 0;

private:
    EvpContext enc;
    EvpContext dec;
};

uint64_t ClockSeed()
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count());
}

QByteArray RunChain(const QByteArray& data, const BlockTransform& transform, int blockSize,
                    bool cbc, bool encrypt)
{
    return cbc ? EncipherBlocksCbc(data, transform, blockSize, encrypt, ClockSeed())
               : EncipherBlocks(data, transform, blockSize, encrypt);
}

QByteArray Transform(const QByteArray& data, uint8_t type, bool encrypt)
{
    const bool cbc = type % 2 == 1;
    switch (type) {
    case 0:
    case 1: {
        const BlowfishContext& context = BlowfishForKey128();
        return RunChain(
            data, [&context](uint8_t* block, bool enc) { BlowfishBlock(context, block, enc); }, 8,
            cbc, encrypt);
    }
    case 2:
    case 3: {
        // Single DES is two-key triple DES with both keys equal (E-D-E collapses to E).
        uint8_t key[16];
        std::memcpy(key, Key64, 8);
        std::memcpy(key + 8, Key64, 8);
        const LibraryBlock des(EVP_des_ede_ecb(), key);
        return RunChain(data, std::cref(des), 8, cbc, encrypt);
    }
    case 4:
    case 5: {
        const LibraryBlock tdes(EVP_des_ede_ecb(), Key128);
        return RunChain(data, std::cref(tdes), 8, cbc, encrypt);
    }
    case 6:
    case 7: {
        const LibraryBlock aes(EVP_aes_128_ecb(), Key128);
        return RunChain(data, std::cref(aes), 16, cbc, encrypt);
    }
    default:
        return {};
    }
}

} // namespace

void DeriveKeys(const QByteArray& passphrase)
{
    if (!cache.valid || cache.passphrase != passphrase) {
        const auto* text = reinterpret_cast<const uint8_t*>(passphrase.constData());
        const auto size = static_cast<size_t>(passphrase.size());
        MakeKey(cache.key64, sizeof cache.key64, text, size);
        MakeKey(cache.key128, sizeof cache.key128, text, size);
        MakeKey(cache.key192, sizeof cache.key192, text, size);
        MakeKey(cache.key256, sizeof cache.key256, text, size);
        cache.passphrase = passphrase;
        cache.valid = true;
        cache.blowfishReady = false;
    }
    std::memcpy(Key64, cache.key64, sizeof Key64);
    std::memcpy(Key128, cache.key128, sizeof Key128);
    std::memcpy(Key192, cache.key192, sizeof Key192);
    std::memcpy(Key256, cache.key256, sizeof Key256);
}

QByteArray CipherField(const QByteArray& input, uint8_t type, const QByteArray& passphrase,
                       bool encrypt)
{
    try {
        DeriveKeys(passphrase);
        if (type > 7)
            return {};
        if (encrypt)
            return Base64Encode(Transform(input, type, true)).toLatin1();
        return Transform(Base64Decode(QString::fromLatin1(input)), type, false);
    } catch (...) {
        return {};
    }
}

QString EncryptField(const QString& text)
{
    return QString::fromLatin1(
        CipherField(FieldTextToBytes(text), FieldCipherType, QByteArray(FieldPassphrase), true));
}

QString DecryptField(const QString& text)
{
    // Base64 text is ASCII; any other character must fail the decoder, never turn into one
    // that passes it.
    QByteArray ascii(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        ascii[i] = static_cast<char>(c < 128 ? c : 0);
    }
    return FieldBytesToText(CipherField(ascii, FieldCipherType, QByteArray(FieldPassphrase), false));
}
