#pragma once
// ArchiveOpenCallback: what the library may ask while it opens an archive: leave to go on
// (no, once the caller has cancelled) and the password of an archive whose headers are
// encrypted.

#include "archive/sevenzip/InterfacedObject.h"

#include <QString>

#include <atomic>

class SevenZipLibrary;

class ArchiveOpenCallback final : public SevenZipAbi::IArchiveOpenCallback,
                                   public SevenZipAbi::ICryptoGetTextPassword,
                                   public InterfacedObject {
    SEVENZIP_INTERFACED_OBJECT
public:
    ArchiveOpenCallback(const SevenZipLibrary* library, const std::atomic<bool>& cancel, const QString& password);

    SevenZipAbi::HRESULT SetTotal(const uint64_t* files, const uint64_t* bytes) override;
    SevenZipAbi::HRESULT SetCompleted(const uint64_t* files, const uint64_t* bytes) override;
    SevenZipAbi::HRESULT CryptoGetTextPassword(SevenZipAbi::BSTR* password) override;

    // The library asked for a password (the headers are encrypted), and none was given.
    bool PasswordAsked() const { return passwordAsked_; }
    bool PasswordMissing() const { return passwordMissing_; }

private:
    const SevenZipLibrary* library_;
    const std::atomic<bool>& cancel_;
    QString password_;
    std::atomic<bool> passwordAsked_{false};
    std::atomic<bool> passwordMissing_{false};
};

// Answers the library's password question for both callbacks: the password when there is
// one; otherwise the operation is stopped and missing is set.
SevenZipAbi::HRESULT AnswerPassword(const SevenZipLibrary* library, const QString& password, SevenZipAbi::BSTR* out,
                                    std::atomic<bool>& asked, std::atomic<bool>& missing);
