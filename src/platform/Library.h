#pragma once
// A shared library loaded at run time (the 7-Zip library), with its exported symbols.

#include <QString>

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads the library at path, resolving every symbol at once; false (and the loader's own
    // explanation in error, for a person debugging) when it cannot.
    bool Load(const QString& path, QString* error = nullptr);
    void Unload();
    bool IsLoaded() const { return handle != nullptr; }
    // The address of an exported symbol, nullptr when the library has none by that name.
    void* Symbol(const char* name) const;

private:
    void* handle = nullptr;
};
