#pragma once
// The reference-counted base of every object handed to the 7-Zip library. A new object has
// count 0; the library and the component take references, and the last Release frees it.
// Counts change atomically because the library works on several threads.

#include "archive/sevenzip/SevenZipInterfaces.h"

#include <atomic>

class InterfacedObject {
public:
    virtual ~InterfacedObject() = default;

protected:
    SevenZipAbi::ULONG DoAddRef() { return ++FRefCount; }
    SevenZipAbi::ULONG DoRelease()
    {
        const SevenZipAbi::ULONG count = --FRefCount;
        if (count == 0)
            delete this;
        return count;
    }

private:
    std::atomic<SevenZipAbi::ULONG> FRefCount{0};
};

#define SEVENZIP_INTERFACED_OBJECT                                                          \
public:                                                                                     \
    SevenZipAbi::HRESULT QueryInterface(const SevenZipAbi::GUID& iid, void** object) override; \
    SevenZipAbi::ULONG AddRef() override { return DoAddRef(); }                             \
    SevenZipAbi::ULONG Release() override { return DoRelease(); }

// Holds one reference for as long as it lives.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* object) : FObject(object)
    {
        if (FObject)
            FObject->AddRef();
    }
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    void Reset()
    {
        if (FObject)
            FObject->Release();
        FObject = nullptr;
    }
    void Set(T* object)
    {
        if (object)
            object->AddRef();
        Reset();
        FObject = object;
    }
    // Takes over a reference the caller already owns (an out parameter of the library).
    T** Receive()
    {
        Reset();
        return &FObject;
    }
    T* Get() const { return FObject; }
    T* operator->() const { return FObject; }
    explicit operator bool() const { return FObject != nullptr; }

private:
    T* FObject = nullptr;
};
