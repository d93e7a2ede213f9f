// A stand-in module with the exports of the 7-Zip library whose IUnknown layout (module
// property 0) is the one with a virtual destructor: the component must refuse it.

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" {

__attribute__((visibility("default"))) int32_t CreateObject(const void*, const void*, void** object)
{
    *object = nullptr;
    return static_cast<int32_t>(0x80004002u);
}

__attribute__((visibility("default"))) int32_t GetModuleProp(uint32_t, void* value)
{
    auto* bytes = static_cast<unsigned char*>(value);
    std::memset(bytes, 0, 16);
    const uint16_t vtUi4 = 19;
    const uint32_t virtualDestructor = 1;
    std::memcpy(bytes, &vtUi4, 2);
    std::memcpy(bytes + 8, &virtualDestructor, 4);
    return 0;
}

__attribute__((visibility("default"))) wchar_t* SysAllocStringLen(const wchar_t*, uint32_t)
{
    return nullptr;
}

__attribute__((visibility("default"))) void SysFreeString(wchar_t*) {}
}
