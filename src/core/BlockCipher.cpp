#include "core/BlockCipher.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kPiWords[1042] = {
#include "core/PiHexTable.inc"
};

uint32_t LoadLE(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void StoreLE(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

constexpr uint32_t MixSalts[4] = {0x55555555u, 0xAAAAAAAAu, 0x33333333u, 0xCCCCCCCCu};
constexpr uint8_t FinalFill[8] = {1, 0, 0, 0, 0, 0, 0, 0};

void SubkeyMix(uint32_t w[8])
{
    w[0] ^= w[1] << 11; w[3] += w[0]; w[1] += w[2];
    w[1] ^= w[2] >> 2;  w[4] += w[1]; w[2] += w[3];
    w[2] ^= w[3] << 8;  w[5] += w[2]; w[3] += w[4];
    w[3] ^= w[4] >> 16; w[6] += w[3]; w[4] += w[5];
    w[4] ^= w[5] << 10; w[7] += w[4]; w[5] += w[6];
    w[5] ^= w[6] >> 4;  w[0] += w[5]; w[6] += w[7];
    w[6] ^= w[7] << 8;  w[1] += w[6]; w[7] += w[0];
    w[7] ^= w[0] >> 9;  w[2] += w[7]; w[0] += w[1];
}

uint32_t RoundF(const BlowfishContext& c, uint32_t x)
{
    return ((c.S[0][x >> 24] + c.S[1][(x >> 16) & 255]) ^ c.S[2][(x >> 8) & 255]) + c.S[3][x & 255];
}

} // namespace

const uint32_t PiWords[1042] = {
#include "core/PiHexTable.inc"
};

const uint8_t PiTable[256] = {
#define B(i) static_cast<uint8_t>(kPiWords[(i) / 4] >> (24 - 8 * ((i) % 4)))
#define R8(i) B(i), B(i + 1), B(i + 2), B(i + 3), B(i + 4), B(i + 5), B(i + 6), B(i + 7)
#define R64(i) R8(i), R8(i + 8), R8(i + 16), R8(i + 24), R8(i + 32), R8(i + 40), R8(i + 48), R8(i + 56)
    R64(0), R64(64), R64(128), R64(192)
#undef R64
#undef R8
#undef B
};

void MixWords(uint32_t& W, uint32_t& X, uint32_t& Y, uint32_t& Z)
{
    Z += W; W += Z; Z ^= Z >> 7;
    Y += Z; Z += Y; Y ^= Y << 13;
    X += Y; Y += X; X ^= X >> 17;
    W += X; X += W; W ^= W << 9;
    Z += W; W += Z; Z ^= Z >> 3;
    Y += Z; Z += Y; Y ^= Y << 7;
    X += Y; Y += X; X ^= W >> 15;  // W, not X, is shifted here
    W += X; X += W; W ^= W << 11;
}

void KeyHashInit(KeyHashContext& context)
{
    context.DigestIndex = 0;
    std::memcpy(context.Digest, PiTable, sizeof context.Digest);
    context.KeyIndex = 0;
    for (int i = 0; i < 4; ++i)
        StoreLE(context.HashKey + 4 * i, 0x55555555u);
}

void KeyHashUpdate(KeyHashContext& context, const uint8_t* data, size_t size)
{
    for (size_t n = 0; n < size; ++n) {
        const uint8_t b = data[n];
        context.Digest[context.DigestIndex] ^= b;
        context.DigestIndex = (context.DigestIndex + 1) & 255;
        context.HashKey[context.KeyIndex] ^= b;
        if (++context.KeyIndex == 8) {
            uint32_t W = LoadLE(context.HashKey);
            uint32_t X = LoadLE(context.HashKey + 4);
            uint32_t Y = LoadLE(context.HashKey + 8);
            uint32_t Z = LoadLE(context.HashKey + 12);
            for (int i = 0; i < 4; ++i)
                MixWords(W, X, Y, Z);
            StoreLE(context.HashKey, Z);
            StoreLE(context.HashKey + 4, Y);
            StoreLE(context.HashKey + 8, X);
            StoreLE(context.HashKey + 12, W);
            context.KeyIndex = 0;
        }
    }
}

void KeyHashFinal(KeyHashContext& context, uint8_t* output, size_t size)
{
    KeyHashUpdate(context, FinalFill, static_cast<size_t>(8 - context.KeyIndex));
    MixCipherContext mix;
    MixCipherInit(mix, context.HashKey, 8, true);
    for (int block = 0; block < 16; ++block)
        MixCipherBlock(mix, context.Digest + 16 * block);
    std::memcpy(output, context.Digest, std::min<size_t>(size, sizeof context.Digest));
}

void MakeKey(uint8_t* key, size_t size, const uint8_t* text, size_t textSize)
{
    KeyHashContext context;
    KeyHashInit(context);
    KeyHashUpdate(context, text, textSize);
    KeyHashFinal(context, key, size);
}

void MixCipherInit(MixCipherContext& context, const uint8_t key[16], int rounds, bool encrypt)
{
    context.Encrypt = encrypt;
    context.Rounds = std::clamp(rounds, 4, 16);
    const uint32_t K[4] = {LoadLE(key), LoadLE(key + 4), LoadLE(key + 8), LoadLE(key + 12)};
    for (int g = 0; g < 4; ++g) {
        const uint32_t S = MixSalts[g];
        uint32_t w[8] = {K[0], S, K[1], S, K[2], S, K[3], S};
        for (int i = 0; i < 8; ++i)
            SubkeyMix(w);
        std::copy(w, w + 8, context.SubKeys + 8 * g);
    }
    if (!encrypt) {
        for (int i = 0, j = context.Rounds - 1; i < j; ++i, --j) {
            std::swap(context.SubKeys[2 * i], context.SubKeys[2 * j]);
            std::swap(context.SubKeys[2 * i + 1], context.SubKeys[2 * j + 1]);
        }
    }
}

void MixCipherBlock(const MixCipherContext& context, uint8_t block[16])
{
    uint32_t R0 = LoadLE(block), R1 = LoadLE(block + 4);
    uint32_t L0 = LoadLE(block + 8), L1 = LoadLE(block + 12);
    for (int r = 0; r < context.Rounds; ++r) {
        uint32_t Z = R0, Y = context.SubKeys[2 * r], X = R1, W = context.SubKeys[2 * r + 1];
        MixWords(W, X, Y, Z);
        const uint32_t nW = Y, nX = Z, nY = W, nZ = X;
        W = nW; X = nX; Y = nY; Z = nZ;
        MixWords(W, X, Y, Z);
        const uint32_t T0 = L0 ^ Z ^ Y;
        const uint32_t T1 = L1 ^ X ^ W;
        L0 = R0; L1 = R1;
        R0 = T0; R1 = T1;
    }
    StoreLE(block, L0);
    StoreLE(block + 4, L1);
    StoreLE(block + 8, R0);
    StoreLE(block + 12, R1);
}

void BlowfishInit(BlowfishContext& context, const uint8_t key[16])
{
    std::copy(kPiWords, kPiWords + 18, context.P);
    for (int box = 0; box < 4; ++box)
        std::copy(kPiWords + 18 + 256 * box, kPiWords + 18 + 256 * (box + 1), context.S[box]);

    int k = 0;
    for (int i = 0; i < 18; ++i) {
        uint32_t w = 0;
        for (int j = 0; j < 4; ++j) {
            w = (w << 8) | key[k];
            k = (k + 1) & 15;
        }
        context.P[i] ^= w;
    }

    uint8_t chain[8] = {};
    auto next = [&](uint32_t& left, uint32_t& right) {
        BlowfishBlock(context, chain, true);
        left = LoadLE(chain);
        right = LoadLE(chain + 4);
    };
    for (int i = 0; i < 18; i += 2)
        next(context.P[i], context.P[i + 1]);
    for (int box = 0; box < 4; ++box)
        for (int j = 0; j < 256; j += 2)
            next(context.S[box][j], context.S[box][j + 1]);
}

void BlowfishBlock(const BlowfishContext& context, uint8_t block[8], bool encrypt)
{
    uint32_t L = LoadLE(block);
    uint32_t R = LoadLE(block + 4);
    // The round function reads the halves as they were on entry.
    const uint32_t FL = RoundF(context, L);
    const uint32_t FR = RoundF(context, R);
    const uint32_t* P = context.P;
    if (encrypt) {
        L ^= P[0];
        for (int i = 1; i <= 15; i += 2) {
            R ^= P[i] ^ FL;
            L ^= P[i + 1] ^ FR;
        }
        R ^= P[17];
    } else {
        R ^= P[17];
        for (int i = 16; i >= 2; i -= 2) {
            L ^= P[i] ^ FR;
            R ^= P[i - 1] ^ FL;
        }
        L ^= P[0];
    }
    StoreLE(block, L);
    StoreLE(block + 4, R);
}
