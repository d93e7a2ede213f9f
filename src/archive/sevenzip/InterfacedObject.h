#pragma once
// The reference-counted base of every object handed to the 7-Zip library. A new object has
// count 0; the library and the component take references, and the last Release frees it.
// Counts change atomically because the library works on several threads.

#include "archive/sevenzip/SevenZipInterfaces.h"

#include <atomic>
#include <cstdint>
#include <new>

class InterfacedObject {
public:
    virtual ~InterfacedObject() = default;

protected:
    SevenZipAbi::ULONG DoAddRef() { return ++refCount_; }
    SevenZipAbi::ULONG DoRelease()
    {
        const SevenZipAbi::ULONG count = --refCount_;
        if (count == 0)
            delete this;
        return count;
    }

private:
    std::atomic<SevenZipAbi::ULONG> refCount_{0};
};

#define SEVENZIP_INTERFACED_OBJECT                                                          \
public:                                                                                     \
    SevenZipAbi::HRESULT QueryInterface(const SevenZipAbi::GUID& iid, void** object) override; \
    SevenZipAbi::ULONG AddRef() override { return DoAddRef(); }                             \
    SevenZipAbi::ULONG Release() override { return DoRelease(); }

// Test seam: the count-th method body run through Guarded from now on throws std::bad_alloc, the
// way an allocation that fails inside a callback would; 0 disarms. The program never arms it.
void InjectBoundaryFailure(int count);
void ThrowIfBoundaryFailureInjected();

// Every method the library calls runs its body through this. An exception must not reach the
// library (on its own threads it would end the process), so it becomes the failure code the
// library ends its operation with.
template <class Body>
SevenZipAbi::HRESULT Guarded(Body&& body) noexcept
{
    try {
        ThrowIfBoundaryFailureInjected();
        return body();
    } catch (const std::bad_alloc&) {
        return SevenZipAbi::E_OUTOFMEMORY;
    } catch (...) {
        return SevenZipAbi::E_FAIL;
    }
}

// The library's code for a system error (its HRESULT_FROM_WIN32 of errno).
SevenZipAbi::HRESULT HResultFromOsError(int error);

// Where a seek of a stream lands: from the start (origin 0), the current position (1) or the
// end (2). An unknown origin is refused with E_INVALIDARG and a position before the start, or
// past what a position can hold, with the library's "negative seek" code; target is then left
// as it was. S_OK otherwise.
SevenZipAbi::HRESULT SeekTarget(int64_t offset, uint32_t origin, int64_t current, int64_t size, int64_t& target);

// Holds one reference for as long as it lives.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* object) : object_(object)
    {
        if (object_)
            object_->AddRef();
    }
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    void Reset()
    {
        if (object_)
            object_->Release();
        object_ = nullptr;
    }
    void Set(T* object)
    {
        if (object)
            object->AddRef();
        Reset();
        object_ = object;
    }
    // Takes over a reference the caller already owns (an out parameter of the library).
    T** Receive()
    {
        Reset();
        return &object_;
    }
    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_ = nullptr;
};
