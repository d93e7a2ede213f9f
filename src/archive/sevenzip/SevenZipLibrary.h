#pragma once
// The link to the 7-Zip library: the loaded module, its CreateObject entry, the string
// allocator the library frees our strings with, and the archive writer object.

#include "archive/sevenzip/SevenZipInterfaces.h"
#include "platform/Library.h"

#include <QString>
#include <QStringList>

class SevenZipLibrary {
public:
    // Loads the first candidate that is a usable library; throws SevenZipLibraryError otherwise.
    SevenZipLibrary();
    ~SevenZipLibrary();
    SevenZipLibrary(const SevenZipLibrary&) = delete;
    SevenZipLibrary& operator=(const SevenZipLibrary&) = delete;

    // Where the library is looked for, in order: the program's directory, then the system's copy.
    static QStringList Candidates();
    // Tests point the search elsewhere; an empty list restores the normal order.
    static void OverrideCandidates(const QStringList& paths);

    QString Path() const { return path_; }
    SevenZipAbi::IOutArchive* OutArchive() const { return outArchive_; }
    // A fresh archive reader, holding one reference the caller releases; null when the library
    // gives none. One reader object must not be used from two threads, so each open of an
    // archive takes its own.
    SevenZipAbi::IInArchive* CreateInArchive() const;

    // Strings handed to the library must come from its own allocator.
    SevenZipAbi::BSTR AllocString(const QString& text) const;
    void FreeString(SevenZipAbi::BSTR text) const;

private:
    bool TryLoad(const QString& path);
    void Unload();

    DynamicLibrary module_;
    QString path_;
    SevenZipAbi::CreateObjectFunc createObject_ = nullptr;
    SevenZipAbi::SysAllocStringLenFunc sysAllocStringLen_ = nullptr;
    SevenZipAbi::SysFreeStringFunc sysFreeString_ = nullptr;
    SevenZipAbi::IOutArchive* outArchive_ = nullptr;
};

// Wide strings of the library are wchar_t (UTF-32 here); conversion happens only at this edge.
std::wstring ToWide(const QString& text);
QString FromWide(const wchar_t* text);
