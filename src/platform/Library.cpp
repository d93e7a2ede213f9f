#include "platform/Library.h"

#include "platform/Files.h"

#include <dlfcn.h>

DynamicLibrary::~DynamicLibrary()
{
    Unload();
}

bool DynamicLibrary::Load(const QString& path, QString* error)
{
    Unload();
    handle = ::dlopen(NativePath(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle && error) {
        const char* text = ::dlerror();
        *error = text ? QString::fromLocal8Bit(text) : QString();
    }
    return handle != nullptr;
}

void DynamicLibrary::Unload()
{
    if (handle)
        ::dlclose(handle);
    handle = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const
{
    return handle ? ::dlsym(handle, name) : nullptr;
}
