#include "archive/sevenzip/OpenCallback.h"

#include "archive/sevenzip/SevenZipLibrary.h"

using namespace SevenZipAbi;

HRESULT AnswerPassword(const SevenZipLibrary* library, const QString& password, BSTR* out, std::atomic<bool>& asked,
                       std::atomic<bool>& missing)
{
    asked = true;
    if (!out)
        return E_INVALIDARG;
    *out = nullptr;
    if (password.isEmpty()) {
        missing = true;
        return E_ABORT;
    }
    *out = library->AllocString(password);
    return *out ? S_OK : E_OUTOFMEMORY;
}

ArchiveOpenCallback::ArchiveOpenCallback(const SevenZipLibrary* library, const std::atomic<bool>& cancel,
                                           const QString& password)
    : library_(library), cancel_(cancel), password_(password)
{
}

HRESULT ArchiveOpenCallback::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_INVALIDARG;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IArchiveOpenCallback)
        *object = static_cast<IArchiveOpenCallback*>(this);
    else if (iid == IID_ICryptoGetTextPassword)
        *object = static_cast<ICryptoGetTextPassword*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT ArchiveOpenCallback::SetTotal(const uint64_t*, const uint64_t*)
{
    return cancel_ ? E_ABORT : S_OK;
}

HRESULT ArchiveOpenCallback::SetCompleted(const uint64_t*, const uint64_t*)
{
    return cancel_ ? E_ABORT : S_OK;
}

HRESULT ArchiveOpenCallback::CryptoGetTextPassword(BSTR* password)
{
    return Guarded([&]() -> HRESULT {
        return AnswerPassword(library_, password_, password, passwordAsked_, passwordMissing_);
    });
}
