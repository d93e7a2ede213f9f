#include "core/BlockChains.h"

#include <cstring>
#include <vector>

namespace {

// Output of the final deciphered block: its last byte counts the data bytes in it.
void AppendLastBlock(QByteArray& out, const uint8_t* block, int blockSize)
{
    const int count = block[blockSize - 1];
    // The count can only exceed the block size in a damaged or foreign value.
    if (count > blockSize)
        throw CipherError();
    out.append(reinterpret_cast<const char*>(block), count);
}

// The final enciphering block: the remaining bytes, zeros, and their count in the last byte.
std::vector<uint8_t> FinalBlock(const uint8_t* rest, int count, int blockSize)
{
    std::vector<uint8_t> block(static_cast<size_t>(blockSize), 0);
    if (count > 0)
        std::memcpy(block.data(), rest, static_cast<size_t>(count));
    block[static_cast<size_t>(blockSize) - 1] = static_cast<uint8_t>(count);
    return block;
}

} // namespace

QByteArray EncipherBlocks(const QByteArray& input, const BlockTransform& transform, int blockSize,
                          bool encrypt)
{
    const auto* in = reinterpret_cast<const uint8_t*>(input.constData());
    const qsizetype n = input.size();
    const qsizetype q = n / blockSize;
    std::vector<uint8_t> block(static_cast<size_t>(blockSize));
    QByteArray out;
    if (encrypt) {
        out.reserve((q + 1) * blockSize);
        for (qsizetype i = 0; i < q; ++i) {
            std::memcpy(block.data(), in + i * blockSize, block.size());
            transform(block.data(), true);
            out.append(reinterpret_cast<const char*>(block.data()), blockSize);
        }
        block = FinalBlock(in + q * blockSize, static_cast<int>(n % blockSize), blockSize);
        transform(block.data(), true);
        out.append(reinterpret_cast<const char*>(block.data()), blockSize);
        return out;
    }
    if (q == 0)
        throw CipherError();
    out.reserve(q * blockSize);
    for (qsizetype i = 0; i < q; ++i) {
        std::memcpy(block.data(), in + i * blockSize, block.size());
        transform(block.data(), false);
        if (i < q - 1)
            out.append(reinterpret_cast<const char*>(block.data()), blockSize);
        else
            AppendLastBlock(out, block.data(), blockSize);
    }
    return out;
}

QByteArray EncipherBlocksCbc(const QByteArray& input, const BlockTransform& transform,
                             int blockSize, bool encrypt, uint64_t seed)
{
    const auto* in = reinterpret_cast<const uint8_t*>(input.constData());
    const qsizetype n = input.size();
    const auto size = static_cast<size_t>(blockSize);
    std::vector<uint8_t> chain(size), block(size);
    QByteArray out;
    if (encrypt) {
        for (size_t i = 0; i < size; ++i)
            chain[i] = static_cast<uint8_t>(seed >> (8 * (i % 8)));
        transform(chain.data(), true);
        out.append(reinterpret_cast<const char*>(chain.data()), blockSize);
        const qsizetype q = n / blockSize;
        for (qsizetype b = 0; b <= q; ++b) {
            if (b < q)
                std::memcpy(block.data(), in + b * blockSize, size);
            else
                block = FinalBlock(in + q * blockSize, static_cast<int>(n % blockSize), blockSize);
            for (size_t i = 0; i < size; ++i)
                block[i] ^= chain[i];
            transform(block.data(), true);
            out.append(reinterpret_cast<const char*>(block.data()), blockSize);
            chain = block;
        }
        return out;
    }
    const qsizetype q = n / blockSize;
    // The chain block and at least one data block.
    if (q < 2)
        throw CipherError();
    std::memcpy(chain.data(), in, size);
    for (qsizetype b = 1; b < q; ++b) {
        std::memcpy(block.data(), in + b * blockSize, size);
        std::vector<uint8_t> cipherText = block;
        transform(block.data(), false);
        for (size_t i = 0; i < size; ++i)
            block[i] ^= chain[i];
        chain = cipherText;
        if (b < q - 1)
            out.append(reinterpret_cast<const char*>(block.data()), blockSize);
        else
            AppendLastBlock(out, block.data(), blockSize);
    }
    return out;
}
