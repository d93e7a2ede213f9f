#include "archive/sevenzip/SevenZipLibrary.h"

#include "archive/sevenzip/SevenZipErrors.h"
#include "core/Messages.h"
#include "platform/Platform.h"

using namespace SevenZipAbi;

namespace {

QStringList overriddenCandidates;

// Module property 0 names the layout of IUnknown: 0 means no virtual destructor, the only
// layout our interface declarations match.
constexpr PROPID ModulePropInterfaceType = 0;

}  // namespace

std::wstring ToWide(const QString& text)
{
    return text.toStdWString();
}

QString FromWide(const wchar_t* text)
{
    return text ? QString::fromWCharArray(text) : QString();
}

QStringList SevenZipLibrary::Candidates()
{
    if (!overriddenCandidates.isEmpty())
        return overriddenCandidates;
    return {ProgramDirectory() + QStringLiteral("7z.so"), QStringLiteral("/usr/lib/p7zip/7z.so")};
}

void SevenZipLibrary::OverrideCandidates(const QStringList& paths)
{
    overriddenCandidates = paths;
}

SevenZipLibrary::SevenZipLibrary()
{
    for (const QString& path : Candidates())
        if (TryLoad(path))
            return;
    throw SevenZipLibraryError(Msg::LibraryMissing().toStdString());
}

SevenZipLibrary::~SevenZipLibrary()
{
    Unload();
}

bool SevenZipLibrary::TryLoad(const QString& path)
{
    if (!module_.Load(path))
        return false;
    path_ = path;
    createObject_ = reinterpret_cast<CreateObjectFunc>(module_.Symbol("CreateObject"));
    auto getModuleProp = reinterpret_cast<GetModulePropFunc>(module_.Symbol("GetModuleProp"));
    sysAllocStringLen_ = reinterpret_cast<SysAllocStringLenFunc>(module_.Symbol("SysAllocStringLen"));
    sysFreeString_ = reinterpret_cast<SysFreeStringFunc>(module_.Symbol("SysFreeString"));
    if (!createObject_ || !getModuleProp || !sysAllocStringLen_ || !sysFreeString_) {
        Unload();
        return false;
    }
    PROPVARIANT prop{};
    prop.vt = VT_EMPTY;
    if (getModuleProp(ModulePropInterfaceType, &prop) != S_OK || prop.vt != VT_UI4 || prop.ulVal != 0) {
        Unload();
        return false;
    }
    // The one writer object serves every add (each SetProperties starts from the defaults);
    // readers are made fresh for each archive.
    void* object = nullptr;
    if (createObject_(&CLSID_Format7z, &IID_IOutArchive, &object) == S_OK)
        outArchive_ = static_cast<IOutArchive*>(object);
    // A library that cannot write 7z archives is of no use to a backup program.
    if (!outArchive_) {
        Unload();
        return false;
    }
    return true;
}

void SevenZipLibrary::Unload()
{
    if (outArchive_)
        ForeignRelease(outArchive_);
    outArchive_ = nullptr;
    module_.Unload();
    createObject_ = nullptr;
    sysAllocStringLen_ = nullptr;
    sysFreeString_ = nullptr;
    path_.clear();
}

BSTR SevenZipLibrary::AllocString(const QString& text) const
{
    const std::wstring wide = ToWide(text);
    return sysAllocStringLen_(wide.c_str(), static_cast<uint32_t>(wide.size()));
}

void SevenZipLibrary::FreeString(BSTR text) const
{
    if (text)
        sysFreeString_(text);
}

IInArchive* SevenZipLibrary::CreateInArchive() const
{
    void* object = nullptr;
    if (!createObject_ || createObject_(&CLSID_Format7z, &IID_IInArchive, &object) != S_OK)
        return nullptr;
    return static_cast<IInArchive*>(object);
}
