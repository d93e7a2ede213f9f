#pragma once
// Block chains over byte sequences: every value becomes whole blocks, the last of which
// carries the count of data bytes in it.

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <stdexcept>

// Raised when enciphered input cannot be a value of this cipher.
class CipherError : public std::runtime_error {
public:
    explicit CipherError(const char* text = "Invalid file format") : std::runtime_error(text) {}
};

// Transforms one block in place, in the given direction (true: encipher).
using BlockTransform = std::function<void(uint8_t* block, bool encrypt)>;

// Electronic codebook: each block on its own.
QByteArray EncipherBlocks(const QByteArray& input, const BlockTransform& transform, int blockSize,
                          bool encrypt);
// Cipher-block chaining. Enciphering writes an enciphered block made from `seed` (the clock)
// ahead of the data and chains from it; deciphering takes the first block as the chain value.
QByteArray EncipherBlocksCbc(const QByteArray& input, const BlockTransform& transform,
                             int blockSize, bool encrypt, uint64_t seed);
