#include "archive/sevenzip/InterfacedObject.h"

#include <cerrno>

using namespace SevenZipAbi;

namespace {
std::atomic<int> boundaryFailureCountdown{0};
}  // namespace

void InjectBoundaryFailure(int count)
{
    boundaryFailureCountdown = count > 0 ? count : 0;
}

void ThrowIfBoundaryFailureInjected()
{
    int left = boundaryFailureCountdown.load(std::memory_order_relaxed);
    while (left > 0) {
        if (boundaryFailureCountdown.compare_exchange_weak(left, left - 1)) {
            if (left == 1)
                throw std::bad_alloc();
            return;
        }
    }
}

HRESULT HResultFromOsError(int error)
{
    return static_cast<HRESULT>(0x80070000u | (static_cast<uint32_t>(error) & 0xFFFFu));
}

HRESULT SeekTarget(int64_t offset, uint32_t origin, int64_t current, int64_t size, int64_t& target)
{
    int64_t base;
    switch (origin) {
    case 0:
        base = 0;
        break;
    case 1:
        base = current;
        break;
    case 2:
        base = size;
        break;
    default:
        return E_INVALIDARG;
    }
    int64_t position;
    if (__builtin_add_overflow(base, offset, &position) || position < 0)
        return HResultFromOsError(EINVAL);  // the library's "negative seek"
    target = position;
    return S_OK;
}
