#pragma once
// The object interfaces of the 7-Zip library, as its binary interface lays them out on this
// platform: IUnknown without a virtual destructor (checked at load), 32-bit HRESULT, wchar_t
// strings and the 16-byte PROPVARIANT. Only the methods the component calls or implements are
// spelled out; every method table starts with QueryInterface, AddRef, Release.

#include <cstdint>

namespace SevenZipAbi {

using HRESULT = int32_t;
using ULONG = uint32_t;
using PROPID = uint32_t;
using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using BSTR = wchar_t*;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_BSTR = 8,
    VT_BOOL = 11,
    VT_UI4 = 19,
    VT_UI8 = 21,
    VT_FILETIME = 64,
};

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

inline bool operator==(const GUID& a, const GUID& b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}

struct FILETIME {
    uint32_t dwLowDateTime;
    uint32_t dwHighDateTime;
};

struct PROPVARIANT {
    VARTYPE vt;
    uint16_t wReserved1;
    uint16_t wReserved2;
    uint16_t wReserved3;
    union {
        VARIANT_BOOL boolVal;
        uint32_t ulVal;
        uint64_t uhVal;
        FILETIME filetime;
        BSTR bstrVal;
    };
};
static_assert(sizeof(PROPVARIANT) == 16, "the library's PROPVARIANT is 16 bytes");

// Item property ids the update callback answers.
enum : PROPID {
    kpidPath = 3,
    kpidIsDir = 6,
    kpidSize = 7,
    kpidAttrib = 9,
    kpidCTime = 10,
    kpidATime = 11,
    kpidMTime = 12,
    kpidIsAnti = 21,
};

// All interface ids share 23170F69-40C1-278A-0000-00gg00hh0000.
constexpr GUID InterfaceId(uint8_t group, uint8_t id)
{
    return GUID{0x23170F69, 0x40C1, 0x278A, {0x00, 0x00, 0x00, group, 0x00, id, 0x00, 0x00}};
}

constexpr GUID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID CLSID_Format7z{0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0x07, 0x00, 0x00}};
constexpr GUID IID_IProgress = InterfaceId(0x00, 0x05);
constexpr GUID IID_ISequentialInStream = InterfaceId(0x03, 0x01);
constexpr GUID IID_ISequentialOutStream = InterfaceId(0x03, 0x02);
constexpr GUID IID_IInStream = InterfaceId(0x03, 0x03);
constexpr GUID IID_IOutStream = InterfaceId(0x03, 0x04);
constexpr GUID IID_IStreamGetSize = InterfaceId(0x03, 0x06);
constexpr GUID IID_ICryptoGetTextPassword2 = InterfaceId(0x05, 0x11);
constexpr GUID IID_ISetProperties = InterfaceId(0x06, 0x03);
constexpr GUID IID_IInArchive = InterfaceId(0x06, 0x60);
constexpr GUID IID_IArchiveUpdateCallback = InterfaceId(0x06, 0x80);
constexpr GUID IID_IOutArchive = InterfaceId(0x06, 0xA0);

struct IUnknown {
    virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

struct IProgress : IUnknown {
    virtual HRESULT SetTotal(uint64_t total) = 0;
    virtual HRESULT SetCompleted(const uint64_t* completeValue) = 0;
};

struct ISequentialInStream : IUnknown {
    virtual HRESULT Read(void* data, uint32_t size, uint32_t* processedSize) = 0;
};

struct IInStream : ISequentialInStream {
    virtual HRESULT Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) = 0;
};

struct IStreamGetSize : IUnknown {
    virtual HRESULT GetSize(uint64_t* size) = 0;
};

struct ISequentialOutStream : IUnknown {
    virtual HRESULT Write(const void* data, uint32_t size, uint32_t* processedSize) = 0;
};

struct IOutStream : ISequentialOutStream {
    virtual HRESULT Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) = 0;
    virtual HRESULT SetSize(uint64_t newSize) = 0;
};

struct ICryptoGetTextPassword2 : IUnknown {
    virtual HRESULT CryptoGetTextPassword2(int32_t* passwordIsDefined, BSTR* password) = 0;
};

struct IArchiveUpdateCallback : IProgress {
    virtual HRESULT GetUpdateItemInfo(uint32_t index, int32_t* newData, int32_t* newProps,
                                      uint32_t* indexInArchive) = 0;
    virtual HRESULT GetProperty(uint32_t index, PROPID propID, PROPVARIANT* value) = 0;
    virtual HRESULT GetStream(uint32_t index, ISequentialInStream** inStream) = 0;
    virtual HRESULT SetOperationResult(int32_t operationResult) = 0;
};

struct ISetProperties : IUnknown {
    virtual HRESULT SetProperties(const wchar_t* const* names, const PROPVARIANT* values, uint32_t numProps) = 0;
};

struct IOutArchive : IUnknown {
    virtual HRESULT UpdateItems(ISequentialOutStream* outStream, uint32_t numItems,
                                IArchiveUpdateCallback* updateCallback) = 0;
    virtual HRESULT GetFileTimeType(uint32_t* type) = 0;
};

// Calls on objects the library made. Their classes are the library's own, which the
// sanitizer's dynamic type check cannot match with these declarations, so such calls go
// through these few functions only.
#define SEVENZIP_FOREIGN_CALL __attribute__((noinline, no_sanitize("vptr")))

SEVENZIP_FOREIGN_CALL inline ULONG ForeignRelease(IUnknown* object)
{
    return object->Release();
}

SEVENZIP_FOREIGN_CALL inline HRESULT ForeignQueryInterface(IUnknown* object, const GUID& iid, void** result)
{
    return object->QueryInterface(iid, result);
}

SEVENZIP_FOREIGN_CALL inline HRESULT ForeignSetProperties(ISetProperties* object, const wchar_t* const* names,
                                                          const PROPVARIANT* values, uint32_t count)
{
    return object->SetProperties(names, values, count);
}

SEVENZIP_FOREIGN_CALL inline HRESULT ForeignUpdateItems(IOutArchive* object, ISequentialOutStream* stream,
                                                        uint32_t count, IArchiveUpdateCallback* callback)
{
    return object->UpdateItems(stream, count, callback);
}

// Exports of the library.
using CreateObjectFunc = HRESULT (*)(const GUID* classId, const GUID* interfaceId, void** object);
using GetModulePropFunc = HRESULT (*)(PROPID propId, PROPVARIANT* value);
using SysAllocStringFunc = BSTR (*)(const wchar_t* text);
using SysAllocStringLenFunc = BSTR (*)(const wchar_t* text, uint32_t length);
using SysFreeStringFunc = void (*)(BSTR text);

}  // namespace SevenZipAbi

// ---- Reading archives ----------------------------------------------------------------------
// The library's archive-reading side, laid out by the same rules as the writing side above.

namespace SevenZipAbi {

constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

// Item and archive property ids the reading side asks for.
enum : PROPID {
    kpidPackSize = 8,
    kpidEncrypted = 15,
    kpidBlock = 27,
    kpidCRC = 19,
    kpidOffset = 36,
    kpidPhySize = 44,
    kpidErrorFlags = 71,
    kpidWarningFlags = 72,
};

// Bits of kpidErrorFlags / kpidWarningFlags.
enum : uint32_t {
    kpv_ErrorFlags_IsNotArc = 1u << 0,
    kpv_ErrorFlags_HeadersError = 1u << 1,
    kpv_ErrorFlags_EncryptedHeadersError = 1u << 2,
    kpv_ErrorFlags_UnavailableStart = 1u << 3,
    kpv_ErrorFlags_UnconfirmedStart = 1u << 4,
    kpv_ErrorFlags_UnexpectedEnd = 1u << 5,
    kpv_ErrorFlags_DataAfterEnd = 1u << 6,
    kpv_ErrorFlags_UnsupportedMethod = 1u << 7,
    kpv_ErrorFlags_UnsupportedFeature = 1u << 8,
    kpv_ErrorFlags_DataError = 1u << 9,
    kpv_ErrorFlags_CrcError = 1u << 10,
};

// The askMode of the extract callback.
enum : int32_t {
    kAskExtract = 0,
    kAskTest = 1,
    kAskSkip = 2,
};

// The result of one item, given to SetOperationResult.
enum : int32_t {
    kOpOK = 0,
    kOpUnsupportedMethod = 1,
    kOpDataError = 2,
    kOpCRCError = 3,
    kOpUnavailable = 4,
    kOpUnexpectedEnd = 5,
    kOpDataAfterEnd = 6,
    kOpIsNotArc = 7,
    kOpHeadersError = 8,
    kOpWrongPassword = 9,
};

constexpr GUID IID_ICryptoGetTextPassword = InterfaceId(0x05, 0x10);
constexpr GUID IID_IArchiveOpenCallback = InterfaceId(0x06, 0x10);
constexpr GUID IID_IArchiveExtractCallback = InterfaceId(0x06, 0x20);

struct ICryptoGetTextPassword : IUnknown {
    virtual HRESULT CryptoGetTextPassword(BSTR* password) = 0;
};

struct IArchiveOpenCallback : IUnknown {
    virtual HRESULT SetTotal(const uint64_t* files, const uint64_t* bytes) = 0;
    virtual HRESULT SetCompleted(const uint64_t* files, const uint64_t* bytes) = 0;
};

struct IArchiveExtractCallback : IProgress {
    virtual HRESULT GetStream(uint32_t index, ISequentialOutStream** outStream, int32_t askExtractMode) = 0;
    virtual HRESULT PrepareOperation(int32_t askExtractMode) = 0;
    virtual HRESULT SetOperationResult(int32_t opRes) = 0;
};

// Asked for by the library on the extract callback: results that belong to no item being
// extracted, such as a solid block whose end is damaged after its last item came out whole.
struct IArchiveExtractCallbackMessage2 : IUnknown {
    virtual HRESULT ReportExtractResult(uint32_t indexType, uint32_t index, int32_t opRes) = 0;
};
constexpr GUID IID_IArchiveExtractCallbackMessage2 = InterfaceId(0x06, 0x22);

struct IInArchive : IUnknown {
    virtual HRESULT Open(IInStream* stream, const uint64_t* maxCheckStartPosition,
                         IArchiveOpenCallback* openCallback) = 0;
    virtual HRESULT Close() = 0;
    virtual HRESULT GetNumberOfItems(uint32_t* numItems) = 0;
    virtual HRESULT GetProperty(uint32_t index, PROPID propID, PROPVARIANT* value) = 0;
    virtual HRESULT Extract(const uint32_t* indices, uint32_t numItems, int32_t testMode,
                            IArchiveExtractCallback* extractCallback) = 0;
    virtual HRESULT GetArchiveProperty(PROPID propID, PROPVARIANT* value) = 0;
    virtual HRESULT GetNumberOfProperties(uint32_t* numProps) = 0;
    virtual HRESULT GetPropertyInfo(uint32_t index, BSTR* name, PROPID* propID, VARTYPE* varType) = 0;
    virtual HRESULT GetNumberOfArchiveProperties(uint32_t* numProps) = 0;
    virtual HRESULT GetArchivePropertyInfo(uint32_t index, BSTR* name, PROPID* propID, VARTYPE* varType) = 0;
};

SEVENZIP_FOREIGN_CALL inline HRESULT ForeignOpen(IInArchive* object, IInStream* stream, const uint64_t* maxCheck,
                                                 IArchiveOpenCallback* callback)
{
    return object->Open(stream, maxCheck, callback);
}

SEVENZIP_FOREIGN_CALL inline HRESULT ForeignClose(IInArchive* object)
{
    return object->Close();
}

SEVENZIP_FOREIGN_CALL inline HRESULT ForeignGetNumberOfItems(IInArchive* object, uint32_t* count)
{
    return object->GetNumberOfItems(count);
}

SEVENZIP_FOREIGN_CALL inline HRESULT ForeignGetProperty(IInArchive* object, uint32_t index, PROPID propID,
                                                        PROPVARIANT* value)
{
    return object->GetProperty(index, propID, value);
}

SEVENZIP_FOREIGN_CALL inline HRESULT ForeignGetArchiveProperty(IInArchive* object, PROPID propID, PROPVARIANT* value)
{
    return object->GetArchiveProperty(propID, value);
}

SEVENZIP_FOREIGN_CALL inline HRESULT ForeignExtract(IInArchive* object, const uint32_t* indices, uint32_t count,
                                                    int32_t testMode, IArchiveExtractCallback* callback)
{
    return object->Extract(indices, count, testMode, callback);
}

SEVENZIP_FOREIGN_CALL inline HRESULT ForeignGetPropertyInfo(IInArchive* object, uint32_t index, BSTR* name,
                                                            PROPID* propID, VARTYPE* varType)
{
    return object->GetPropertyInfo(index, name, propID, varType);
}

}  // namespace SevenZipAbi
