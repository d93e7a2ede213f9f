#include "archive/sevenzip/SevenZipReader.h"

#include "archive/sevenzip/ArchiveInStream.h"
#include "archive/sevenzip/EventChannel.h"
#include "archive/sevenzip/ExtractCallback.h"
#include "archive/sevenzip/OpenCallback.h"
#include "archive/sevenzip/SevenZip.h"
#include "archive/sevenzip/SevenZipLibrary.h"
#include "platform/Restore.h"

#include <algorithm>
#include <cerrno>
#include <thread>

using namespace SevenZipAbi;

namespace {

const QByteArray Signature("7z\xBC\xAF\x27\x1C", 6);
constexpr uint32_t AllItems = 0xFFFFFFFFu;

// A property the library filled, cleared with it.
class Property {
public:
    explicit Property(const SevenZipLibrary* library) : library_(library) { value_.vt = VT_EMPTY; }
    ~Property()
    {
        if (value_.vt == VT_BSTR)
            library_->FreeString(value_.bstrVal);
    }
    Property(const Property&) = delete;
    Property& operator=(const Property&) = delete;
    PROPVARIANT* Out() { return &value_; }
    const PROPVARIANT& operator*() const { return value_; }

private:
    const SevenZipLibrary* library_;
    PROPVARIANT value_{};
};

// The library gives a byte b of a stored name that is not UTF-8 as U+EF00 + b; the program
// keeps such a byte as U+DC00 + b, the form its file functions turn back into the byte.
QString FromLibraryPath(const wchar_t* text)
{
    QString path;
    if (!text)
        return path;
    for (const wchar_t* p = text; *p; ++p) {
        const uint32_t c = static_cast<uint32_t>(*p);
        if (c >= 0xEF80u && c <= 0xEFFFu)
            path += QChar(static_cast<char16_t>(0xDC00u + (c - 0xEF00u)));
        else if (c < 0x10000u)
            path += QChar(static_cast<char16_t>(c));  // lone surrogates stay as they are
        else if (c <= 0x10FFFFu)
            path += QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        else
            path += QChar(QChar::ReplacementCharacter);
    }
    return path;
}

bool ReadUInt64(const PROPVARIANT& value, uint64_t& out)
{
    if (value.vt == VT_UI8) {
        out = value.uhVal;
        return true;
    }
    if (value.vt == VT_UI4) {
        out = value.ulVal;
        return true;
    }
    return false;
}

// Encrypted data decoded with a wrong password looks like damaged data; the library cannot
// tell the two apart, and a password is the likelier cause.
ArchiveStatus StatusOfItemResult(int32_t result, bool encrypted)
{
    switch (result) {
    case ItemUnsupportedMethod:
        return ArchiveStatus::Unsupported;
    case ItemWrongPassword:
        return ArchiveStatus::WrongPassword;
    case ItemDataError:
    case ItemCrcError:
        return encrypted ? ArchiveStatus::WrongPassword : ArchiveStatus::Damaged;
    default:
        return ArchiveStatus::Damaged;
    }
}

// The verdict on a test or an extraction from what the library answered and what every
// chosen item gave. A damaged item outweighs a cancel: the archive is known to be bad.
struct ReadVerdict {
    ArchiveStatus Status = ArchiveStatus::Ok;
    int Error = 0;
    int32_t LibraryResult = 0;
};

ReadVerdict Judge(HRESULT result, const std::vector<int32_t>& itemResults, const std::vector<uint32_t>& chosen,
               OsError readError, bool passwordAsked, bool passwordMissing, bool cancelled)
{
    ReadVerdict verdict;
    verdict.LibraryResult = result;
    if (readError != NoError) {
        verdict.Status = ArchiveStatus::FileError;
        verdict.Error = readError;
        return verdict;
    }
    if (passwordMissing) {
        verdict.Status = ArchiveStatus::WrongPassword;
        return verdict;
    }
    bool notReached = false;
    auto look = [&](uint32_t index) {
        const int32_t r = itemResults[index];
        if (r == ItemNotReached) {
            notReached = true;
            return false;
        }
        if (r != ItemOk) {
            verdict.Status = StatusOfItemResult(r, passwordAsked);
            return true;
        }
        return false;
    };
    if (chosen.empty()) {
        for (uint32_t i = 0; i < itemResults.size(); ++i)
            if (look(i))
                return verdict;
    } else {
        for (const uint32_t i : chosen)
            if (look(i))
                return verdict;
    }
    if (result == E_ABORT && cancelled)
        verdict.Status = ArchiveStatus::Cancelled;
    else if (result == S_FALSE)
        verdict.Status = ArchiveStatus::Damaged;
    else if (result != S_OK)
        verdict.Status = ArchiveStatus::Failed;
    else if (notReached)
        verdict.Status = ArchiveStatus::Damaged;  // an item the library never checked is not known to be whole
    return verdict;
}

}  // namespace

SevenZipReader::SevenZipReader(const SevenZipPacker& zip) : library_(zip.Library) {}

SevenZipReader::~SevenZipReader()
{
    Close();
}

void SevenZipReader::Close()
{
    if (archive_) {
        ForeignClose(archive_);
        ForeignRelease(archive_);
        archive_ = nullptr;
    }
    if (stream_) {
        stream_->Release();
        stream_ = nullptr;
    }
    listing_ = ArchiveListing();
}

const ArchiveListing& SevenZipReader::Open(const QString& archivePath)
{
    Close();
    CancelRequested = false;
    listing_.Path = archivePath;

    ComPtr<ArchiveInStream> stream(new ArchiveInStream());
    if (const OsError error = stream->Open(archivePath)) {
        listing_.Status = ArchiveStatus::FileError;
        listing_.Error = error;
        return listing_;
    }
    listing_.FileSize = static_cast<uint64_t>(stream->Size());
    IInArchive* archive = library_->CreateInArchive();
    if (!archive) {
        listing_.Status = ArchiveStatus::Failed;
        listing_.LibraryResult = E_NOINTERFACE;
        return listing_;
    }
    ComPtr<ArchiveOpenCallback> callback(new ArchiveOpenCallback(library_, CancelRequested, Password));
    const HRESULT result = ForeignOpen(archive, stream.Get(), nullptr, callback.Get());

    uint64_t flags = 0;
    {
        Property value(library_);
        if (ForeignGetArchiveProperty(archive, kpidErrorFlags, value.Out()) == S_OK)
            ReadUInt64(*value, flags);
    }
    listing_.ErrorFlags = static_cast<uint32_t>(flags);
    if (result != S_OK) {
        ForeignClose(archive);
        ForeignRelease(archive);
        listing_.LibraryResult = result;
        if (const OsError error = stream->ReadError()) {
            listing_.Status = ArchiveStatus::FileError;
            listing_.Error = error;
        } else if (callback->PasswordAsked() || (flags & kpv_ErrorFlags_EncryptedHeadersError)) {
            // Encrypted headers that do not open: the password is missing or wrong.
            listing_.Status = ArchiveStatus::WrongPassword;
        } else if (result == E_ABORT && CancelRequested) {
            listing_.Status = ArchiveStatus::Cancelled;
        } else if (result == S_FALSE) {
            // The library answers "not an archive" also for a 7z archive whose start is spoiled
            // or whose end is cut off; one that carries the signature is a damaged archive.
            listing_.Status = stream->Head(Signature.size()) == Signature ? ArchiveStatus::Damaged
                                                                           : ArchiveStatus::NotArchive;
        } else {
            listing_.Status = ArchiveStatus::Failed;
        }
        return listing_;
    }

    archive_ = archive;
    stream_ = stream.Get();
    stream_->AddRef();

    {
        Property value(library_);
        uint64_t size = 0;
        if (ForeignGetArchiveProperty(archive, kpidPhySize, value.Out()) == S_OK && ReadUInt64(*value, size))
            listing_.PackedSize = size;
        else
            listing_.PackedSize = listing_.FileSize;
    }
    // A self-extracting archive starts after its stub.
    uint64_t offset = 0;
    {
        Property value(library_);
        if (ForeignGetArchiveProperty(archive, kpidOffset, value.Out()) == S_OK)
            ReadUInt64(*value, offset);
    }
    // Bytes after the archive's end are no part of what was written.
    if (offset + listing_.PackedSize < listing_.FileSize)
        listing_.ErrorFlags |= ArchiveDataAfterEnd;

    uint32_t count = 0;
    if (ForeignGetNumberOfItems(archive, &count) != S_OK)
        count = 0;
    listing_.Items.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        ArchiveItem& item = listing_.Items[i];
        item.Index = i;
        {
            Property value(library_);
            if (ForeignGetProperty(archive, i, kpidPath, value.Out()) == S_OK && (*value).vt == VT_BSTR)
                item.Path = FromLibraryPath((*value).bstrVal);
        }
        {
            Property value(library_);
            if (ForeignGetProperty(archive, i, kpidIsDir, value.Out()) == S_OK && (*value).vt == VT_BOOL)
                item.IsFolder = (*value).boolVal != VARIANT_FALSE;
        }
        {
            Property value(library_);
            if (ForeignGetProperty(archive, i, kpidSize, value.Out()) == S_OK)
                ReadUInt64(*value, item.Size);
        }
        {
            Property value(library_);
            if (ForeignGetProperty(archive, i, kpidAttrib, value.Out()) == S_OK && (*value).vt == VT_UI4) {
                item.HasAttributes = true;
                item.Attributes = (*value).ulVal;
            }
        }
        {
            Property value(library_);
            if (ForeignGetProperty(archive, i, kpidMTime, value.Out()) == S_OK && (*value).vt == VT_FILETIME) {
                item.HasTime = true;
                item.Time = uint64_t((*value).filetime.dwHighDateTime) << 32 | (*value).filetime.dwLowDateTime;
            }
        }
        {
            Property value(library_);
            if (ForeignGetProperty(archive, i, kpidCRC, value.Out()) == S_OK && (*value).vt == VT_UI4) {
                item.HasCrc = true;
                item.Crc = (*value).ulVal;
            }
        }
        {
            Property value(library_);
            uint64_t block = 0;
            if (ForeignGetProperty(archive, i, kpidBlock, value.Out()) == S_OK && ReadUInt64(*value, block))
                item.Block = static_cast<int64_t>(block);
        }
        if (item.Block >= 0) {
            Property value(library_);
            if (ForeignGetProperty(archive, i, kpidPackSize, value.Out()) == S_OK)
                ReadUInt64(*value, item.BlockPackedSize);
        }
        {
            Property value(library_);
            if (ForeignGetProperty(archive, i, kpidEncrypted, value.Out()) == S_OK && (*value).vt == VT_BOOL)
                item.Encrypted = (*value).boolVal != VARIANT_FALSE;
        }
        if (!item.IsFolder)
            listing_.UnpackedSize += item.Size;
    }
    listing_.Status = ArchiveStatus::Ok;
    return listing_;
}

namespace {

// The library works on a thread of its own while the calling thread delivers the events, so
// handlers run where the caller expects them and may repaint a window meanwhile.
HRESULT ExtractOnWorker(IInArchive* archive, const uint32_t* indices, uint32_t count, bool test,
                        ArchiveExtractCallback* callback, EventChannel& channel, std::exception_ptr& failure)
{
    HRESULT result = E_FAIL;
    std::thread worker([&] {
        result = ForeignExtract(archive, indices, count, test ? 1 : 0, callback);
        channel.Finish();
    });
    try {
        channel.Drain();
    } catch (...) {
        failure = std::current_exception();
    }
    worker.join();
    return result;
}

// Handlers that ran after the library had finished (the closing work on the calling thread)
// may have failed too.
void DrainLeft(EventChannel& channel, std::exception_ptr& failure)
{
    try {
        channel.Drain();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
}

}  // namespace

ArchiveTestResult SevenZipReader::Test()
{
    return Test({});
}

ArchiveTestResult SevenZipReader::Test(std::vector<uint32_t> indices)
{
    ArchiveTestResult test;
    if (!archive_) {
        test.Status = listing_.Status == ArchiveStatus::Ok ? ArchiveStatus::NotOpen : listing_.Status;
        test.Error = listing_.Error;
        test.LibraryResult = listing_.LibraryResult;
        test.ErrorFlags = listing_.ErrorFlags;
        return test;
    }
    // An empty choice is "every item"; a choice that holds none must not become that.
    const bool chosen = !indices.empty();
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    if (chosen && indices.back() >= listing_.Items.size()) {
        test.Status = ArchiveStatus::Failed;
        test.LibraryResult = E_INVALIDARG;
        return test;
    }
    CancelRequested = false;
    auto channel = std::make_shared<EventChannel>();
    ComPtr<ArchiveExtractCallback> callback(new ArchiveExtractCallback(library_, channel, *this, nullptr));
    std::exception_ptr failure;
    const HRESULT result =
        ExtractOnWorker(archive_, chosen ? indices.data() : nullptr, chosen ? static_cast<uint32_t>(indices.size()) : AllItems,
                        true, callback.Get(), *channel, failure);
    callback->Finish();
    DrainLeft(*channel, failure);
    test.ItemResults = callback->ItemResults;
    const ReadVerdict verdict = Judge(result, test.ItemResults, indices, stream_->ReadError(), callback->PasswordAsked(),
                                   callback->PasswordMissing(), Cancelled());
    test.Status = verdict.Status;
    test.Error = verdict.Error;
    test.LibraryResult = verdict.LibraryResult;
    test.ErrorFlags = listing_.ErrorFlags;
    if (chosen) {
        for (const uint32_t i : indices)
            if (test.ItemResults[i] != ItemOk)
                ++test.BadItems;
    } else {
        for (const int32_t r : test.ItemResults)
            if (r != ItemOk)
                ++test.BadItems;
    }
    // A solid block whose end is damaged after its items came out whole is no whole archive.
    if (test.Status == ArchiveStatus::Ok && callback->BlockResult() != ItemOk)
        test.Status = StatusOfItemResult(callback->BlockResult(), callback->PasswordAsked());
    // Whole items do not make a whole archive when its headers or its end are not right.
    if (test.Status == ArchiveStatus::Ok && test.ErrorFlags != 0)
        test.Status = ArchiveStatus::Damaged;
    CancelRequested = false;
    if (failure)
        std::rethrow_exception(failure);
    return test;
}

ExtractResult SevenZipReader::Extract(const QString& folder, std::vector<uint32_t> indices)
{
    ExtractResult extract;
    if (!archive_) {
        extract.Status = listing_.Status == ArchiveStatus::Ok ? ArchiveStatus::NotOpen : listing_.Status;
        extract.Error = listing_.Error;
        extract.LibraryResult = listing_.LibraryResult;
        return extract;
    }
    // The library takes the indices sorted, each once.
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    if (!indices.empty() && indices.back() >= listing_.Items.size()) {
        extract.Status = ArchiveStatus::Failed;
        extract.LibraryResult = E_INVALIDARG;
        return extract;
    }
    extract.ItemResults.assign(listing_.Items.size(), ItemNotReached);
    extract.Status = ArchiveStatus::Ok;
    // Nothing to bring back: nothing is made.
    if (listing_.Items.empty())
        return extract;
    CancelRequested = false;
    auto channel = std::make_shared<EventChannel>();
    RestoreTarget target;
    ComPtr<ArchiveExtractCallback> callback(new ArchiveExtractCallback(library_, channel, *this, &target));
    if (const OsError error = target.Open(folder)) {
        callback->Report(ExtractProblem::WriteFailed, nullptr, folder, error);
        std::exception_ptr failure;
        channel->Finish();
        DrainLeft(*channel, failure);
        extract.Problems = callback->Problems;
        if (failure)
            std::rethrow_exception(failure);
        return extract;
    }
    std::exception_ptr failure;
    const HRESULT result =
        ExtractOnWorker(archive_, indices.empty() ? nullptr : indices.data(),
                        indices.empty() ? AllItems : static_cast<uint32_t>(indices.size()), false, callback.Get(),
                        *channel, failure);
    callback->Finish();
    DrainLeft(*channel, failure);
    extract.ItemResults = callback->ItemResults;
    extract.Problems = callback->Problems;
    extract.Extracted = callback->Extracted;
    const ReadVerdict verdict = Judge(result, extract.ItemResults, indices, stream_->ReadError(),
                                   callback->PasswordAsked(), callback->PasswordMissing(), Cancelled());
    extract.Status = verdict.Status;
    extract.Error = verdict.Error;
    extract.LibraryResult = verdict.LibraryResult;
    // The items came out and passed their checks, but the archive holding them is damaged.
    if (extract.Status == ArchiveStatus::Ok && callback->BlockResult() != ItemOk)
        extract.Status = StatusOfItemResult(callback->BlockResult(), callback->PasswordAsked());
    CancelRequested = false;
    if (failure)
        std::rethrow_exception(failure);
    return extract;
}
