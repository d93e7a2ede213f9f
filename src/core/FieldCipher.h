#pragma once
// The field cipher: every value of the list file passes through EncryptField when the list is
// saved and through DecryptField when it is loaded.

#include "core/BlockCipher.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// Fixed in the program.
inline constexpr uint8_t FieldCipherType = 0;
inline constexpr char FieldPassphrase[] = "Przechowalnia 3071 Czujny";

// The keys a passphrase gives. No cipher type reads Key192 or Key256.
struct FieldKeys {
    uint8_t Key64[8] = {};
    uint8_t Key128[16] = {};
    uint8_t Key192[24] = {};
    uint8_t Key256[32] = {};

    static FieldKeys Derive(const QByteArray& passphrase);
};

// One cipher type with the keys of one passphrase, derived once when it is made: a list of n
// entries would otherwise cost 4n + 1 derivations per save.
class FieldCipher {
public:
    FieldCipher(uint8_t type, const QByteArray& passphrase);

    // Cipher types 0..7; a type above 7 gives an empty result.
    // Enciphering turns bytes into Base64 text (returned as its ASCII bytes); deciphering turns
    // Base64 text (given as its bytes) back into bytes. Never raises: any failure gives an
    // empty result.
    QByteArray Cipher(const QByteArray& input, bool encrypt) const;

    // A field as stored: Windows-1250 bytes (or UTF-8 behind the marker EF BB BF for text the
    // code page cannot hold), enciphered.
    QString Encrypt(const QString& text) const;
    // Empty text for an empty, damaged or foreign value.
    QString Decrypt(const QString& text) const;

    const FieldKeys& Keys() const { return keys; }

private:
    QByteArray Transform(const QByteArray& data, bool encrypt) const;

    uint8_t type;
    FieldKeys keys;
    BlowfishContext blowfish;
};

// The program's own cipher: FieldCipherType with FieldPassphrase, made once and never changed.
const FieldCipher& ListFieldCipher();

// One field through a cipher made for this call (type and passphrase as given).
QByteArray CipherField(const QByteArray& input, uint8_t type, const QByteArray& passphrase,
                       bool encrypt);

// A field through the program's own cipher.
QString EncryptField(const QString& text);
QString DecryptField(const QString& text);
