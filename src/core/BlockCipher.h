#pragma once
// Block transforms and key making of the field cipher: the key digest KeyHash with its
// MixCipher finish, and the Blowfish-structured 64-bit transform of cipher types 0 and 1.
// The transform is kept exactly as the list files written on Windows need it, not as the
// published Blowfish (its round function reads the halves as they were on entry).

#include <cstddef>
#include <cstdint>

// First 256 bytes of the fractional part of pi, most significant bit first.
extern const uint8_t PiTable[256];
// The fractional part of pi as 32-bit words: the start values of the block transform
// (18 words of P, then four boxes of 256 words).
extern const uint32_t PiWords[1042];

// The 256-byte key digest.
struct KeyHashContext {
    int32_t DigestIndex;
    uint8_t Digest[256];
    int32_t KeyIndex;
    uint8_t HashKey[16];  // K0..K3, little-endian words
};

void KeyHashInit(KeyHashContext& context);
void KeyHashUpdate(KeyHashContext& context, const uint8_t* data, size_t size);
void KeyHashFinal(KeyHashContext& context, uint8_t* output, size_t size);
// The first min(size, 256) bytes of the KeyHash of the bytes.
void MakeKey(uint8_t* key, size_t size, const uint8_t* text, size_t textSize);

// Four-word mix used by KeyHash and MixCipher.
void MixWords(uint32_t& W, uint32_t& X, uint32_t& Y, uint32_t& Z);

struct MixCipherContext {
    bool Encrypt;
    int32_t Rounds;  // 4..16
    uint32_t SubKeys[32];  // subkey r = words 2r, 2r + 1
};

void MixCipherInit(MixCipherContext& context, const uint8_t key[16], int rounds, bool encrypt);
void MixCipherBlock(const MixCipherContext& context, uint8_t block[16]);

struct BlowfishContext {
    uint32_t P[18];
    uint32_t S[4][256];
};

void BlowfishInit(BlowfishContext& context, const uint8_t key[16]);
void BlowfishBlock(const BlowfishContext& context, uint8_t block[8], bool encrypt);
