// libFuzzer target over the list file's load path: any bytes as "Dane.dat" must give a list
// or the damaged-file outcome, never a crash, a hang or runaway memory. A list that loads is
// also saved and loaded again and must come back equal.

#include "core/FieldCipher.h"
#include "core/XmlDocument.h"
#include "core/EntryList.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

bool SameEntries(const EntryVector& a, const EntryVector& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].Typ != b[i].Typ || a[i].Nazwa != b[i].Nazwa || a[i].Source != b[i].Source || a[i].Docel != b[i].Docel)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // A list of its own for every input: nothing of one input reaches the next.
    EntryList list;
    int code;
    {
        XmlDocument document;
        document.ParseBuffer(bytes);
        code = list.ReadEntries(document);
        // Writing grows with the square of the nesting depth (one indent per level and line),
        // so only small documents are written back.
        if (size <= 4096)
            document.DocumentText();
    }
    list.FillListBox();
    if (list.Count() != static_cast<int32_t>(list.Entries().size()) || (code != 0 && code != 1 && code != 2))
        std::abort();

    if (code == 0 && list.Count() <= 1000) {
        const EntryVector loaded = list.Entries();
        XmlDocument saved;
        list.WriteDocument(saved);
        XmlDocument again;
        again.ParseBuffer(saved.SaveToBytes());
        list.SetEntries({});
        if (list.ReadEntries(again) != 0 || !SameEntries(loaded, list.Entries()))
            std::abort();
    }

    // A value of any shape deciphers to some text or to nothing.
    DecryptField(QString::fromLatin1(bytes.left(256)));
    return 0;
}
