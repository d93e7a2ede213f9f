#include "core/FieldCipher.h"

#include "core/BlockCipher.h"
#include "core/BlockChains.h"
#include "core/CipherText.h"
#include "platform/Platform.h"

#include <openssl/evp.h>

#include <chrono>
#include <cstring>
#include <memory>

namespace {

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

} // namespace

QByteArray FieldCipher::Transform(const QByteArray& data, bool encrypt) const
{
    const bool cbc = type % 2 == 1;
    switch (type) {
    case 0:
    case 1: {
        const BlowfishContext& context = blowfish;
        return RunChain(
            data, [&context](uint8_t* block, bool enc) { BlowfishBlock(context, block, enc); }, 8,
            cbc, encrypt);
    }
    case 2:
    case 3: {
        // Single DES is two-key triple DES with both keys equal (E-D-E collapses to E).
        uint8_t key[16];
        std::memcpy(key, keys.Key64, 8);
        std::memcpy(key + 8, keys.Key64, 8);
        const LibraryBlock des(EVP_des_ede_ecb(), key);
        return RunChain(data, std::cref(des), 8, cbc, encrypt);
    }
    case 4:
    case 5: {
        const LibraryBlock tdes(EVP_des_ede_ecb(), keys.Key128);
        return RunChain(data, std::cref(tdes), 8, cbc, encrypt);
    }
    case 6:
    case 7: {
        const LibraryBlock aes(EVP_aes_128_ecb(), keys.Key128);
        return RunChain(data, std::cref(aes), 16, cbc, encrypt);
    }
    default:
        return {};
    }
}

FieldKeys FieldKeys::Derive(const QByteArray& passphrase)
{
    FieldKeys keys;
    const auto* text = reinterpret_cast<const uint8_t*>(passphrase.constData());
    const auto size = static_cast<size_t>(passphrase.size());
    MakeKey(keys.Key64, sizeof keys.Key64, text, size);
    MakeKey(keys.Key128, sizeof keys.Key128, text, size);
    MakeKey(keys.Key192, sizeof keys.Key192, text, size);
    MakeKey(keys.Key256, sizeof keys.Key256, text, size);
    return keys;
}

FieldCipher::FieldCipher(uint8_t type, const QByteArray& passphrase)
    : type(type), keys(FieldKeys::Derive(passphrase))
{
    BlowfishInit(blowfish, keys.Key128);
}

QByteArray FieldCipher::Cipher(const QByteArray& input, bool encrypt) const
{
    try {
        if (type > 7)
            return {};
        if (encrypt)
            return Base64Encode(Transform(input, true)).toLatin1();
        return Transform(Base64Decode(QString::fromLatin1(input)), false);
    } catch (...) {
        return {};
    }
}

QString FieldCipher::Encrypt(const QString& text) const
{
    return QString::fromLatin1(Cipher(FieldTextToBytes(text), true));
}

QString FieldCipher::Decrypt(const QString& text) const
{
    // Base64 text is ASCII; any other character must fail the decoder, never turn into one
    // that passes it.
    QByteArray ascii(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        ascii[i] = static_cast<char>(c < 128 ? c : 0);
    }
    return FieldBytesToText(Cipher(ascii, false));
}

const FieldCipher& ListFieldCipher()
{
    static const FieldCipher cipher(FieldCipherType, QByteArray(FieldPassphrase));
    return cipher;
}

QByteArray CipherField(const QByteArray& input, uint8_t type, const QByteArray& passphrase, bool encrypt)
{
    try {
        return FieldCipher(type, passphrase).Cipher(input, encrypt);
    } catch (...) {
        return {};
    }
}

QString EncryptField(const QString& text)
{
    return ListFieldCipher().Encrypt(text);
}

QString DecryptField(const QString& text)
{
    return ListFieldCipher().Decrypt(text);
}
