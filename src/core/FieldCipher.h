#pragma once
// The field cipher: every value of the list file passes through EncryptField when the list is
// saved and through DecryptField when it is loaded.

#include <QByteArray>
#include <QString>

#include <cstdint>

// Fixed in the program.
inline constexpr uint8_t FieldCipherType = 0;
inline constexpr char FieldPassphrase[] = "Przechowalnia 3071 Czujny";

// Keys derived from the passphrase by DeriveKeys. No cipher type reads Key192 or Key256.
extern uint8_t Key64[8];
extern uint8_t Key128[16];
extern uint8_t Key192[24];
extern uint8_t Key256[32];

void DeriveKeys(const QByteArray& passphrase);

// Cipher types 0..7; a type above 7 gives an empty result.
// Enciphering turns bytes into Base64 text (returned as its ASCII bytes); deciphering turns
// Base64 text (given as its bytes) back into bytes. Never raises: any failure gives an empty
// result.
QByteArray CipherField(const QByteArray& input, uint8_t type, const QByteArray& passphrase,
                       bool encrypt);

// A field as stored: Windows-1250 bytes (or UTF-8 behind the marker EF BB BF for text the
// code page cannot hold), enciphered with the program's type and passphrase.
QString EncryptField(const QString& text);
// Empty text for an empty, damaged or foreign value.
QString DecryptField(const QString& text);
