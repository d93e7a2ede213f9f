#include "core/EntryList.h"

#include "core/FieldCipher.h"
#include "core/Messages.h"
#include "core/XmlDocument.h"
#include "core/UiPorts.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>

namespace {

const QString NameDane = QStringLiteral("Dane");
const QString NameIlosc = QStringLiteral("Ilosc");
const QString NameNr = QStringLiteral("Nr");
const QString FieldNames[4] = {QStringLiteral("Typ"), QStringLiteral("Nazwa"), QStringLiteral("Source"),
                               QStringLiteral("Docel")};

// Numbered copies are tried up to this one; beyond it the damaged file is not replaced.
constexpr int MaxDamagedCopies = 9999;

QString& Field(Entry& w, int f)
{
    switch (f) {
    case 0: return w.Typ;
    case 1: return w.Nazwa;
    case 2: return w.Source;
    default: return w.Docel;
    }
}

const QString& Field(const Entry& w, int f)
{
    return Field(const_cast<Entry&>(w), f);
}

// Decimal text with an optional sign, within the signed 32-bit range.
bool ToInt32(const QString& text, int32_t& value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
        if (v > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return false;
    }
    if (negative)
        v = -v;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

// Entry number k of an upper-cased "NR" name, or 0.
int32_t EntryNumber(const QString& upperName, int32_t count)
{
    if (upperName.size() < 3 || !upperName.startsWith(QLatin1String("NR")) || upperName[2] == QLatin1Char('0'))
        return 0;
    int64_t k = 0;
    for (qsizetype i = 2; i < upperName.size(); ++i) {
        const char16_t c = upperName[i].unicode();
        if (c < '0' || c > '9')
            return 0;
        k = k * 10 + (c - '0');
        if (k > count)
            return 0;
    }
    return static_cast<int32_t>(k);
}

XmlNode* WalkPath(XmlDocument& document, const QStringList& names)
{
    XmlNode* node = document.Root.get();
    for (const QString& name : names)
        node = node->FindChild(name, true);
    return node;
}

} // namespace

EntryList::EntryList(QString filePath, const FieldCipher& cipher) : filePath(std::move(filePath)), cipher(cipher) {}

void EntryList::SetEntries(EntryVector replacement)
{
    entries = std::move(replacement);
    count = static_cast<int32_t>(entries.size());
}

// "Dane.dat.bak" for the first copy, "Dane.dat.bak.2" and on for the later ones.
QString EntryList::BackupPath(int number) const
{
    const QString first = filePath + QStringLiteral(".bak");
    return number <= 1 ? first : first + QLatin1Char('.') + QString::number(number);
}

// Keeps the damaged list file under the first free copy name, never over an earlier copy;
// true when it is kept (or there is nothing left to keep).
bool EntryList::KeepDamagedFile()
{
    backupPending = false;
    if (!PathExists(filePath))
        return true;
    for (int number = 1; number <= MaxDamagedCopies; ++number) {
        const QString path = BackupPath(number);
        const OsError error = CopyToNewFile(filePath, path);
        if (error == NoError) {
            damagedCopyPath = path;
            return true;
        }
        // Anything at the name, a folder too, is somebody's: take the next name.
        if (error != EEXIST)
            break;
    }
    backupPending = true;
    return false;
}

QString GetPathText(XmlDocument& document, const QStringList& names)
{
    return WalkPath(document, names)->Text;
}

void SetPathText(XmlDocument& document, const QStringList& names, const QString& text)
{
    WalkPath(document, names)->Text = text;
}

int EntryList::ReadEntries(XmlDocument& document)
{
    int32_t stored = 0;
    if (!ToInt32(cipher.Decrypt(GetPathText(document, {NameDane, NameIlosc})), stored))
        return 1;
    count = stored;
    try {
        XmlNode* dane = document.FindChild(NameDane, true);
        // A negative count cannot be allocated. Nor is a count believed that reaches far past
        // what the file holds: at most MaxBlankEntries, or as many as Dane has elements, so
        // a damaged "Ilosc" never makes memory grow beyond the size of the file.
        const int32_t limit = std::max(MaxBlankEntries, dane->ChildCount());
        if (count < 0 || count > limit)
            throw std::bad_alloc();
        EntryVector read(static_cast<size_t>(count));

        // The element of entry k is the first child of Dane named "Nr" + k in any letter case,
        // exactly what a look-up by name finds; one pass over Dane finds them all. Entries
        // without an element keep their empty fields.
        std::vector<XmlNode*> elements(static_cast<size_t>(count) + 1, nullptr);
        for (int c = 0; c < dane->ChildCount(); ++c) {
            XmlNode* child = dane->ChildAt(c);
            const int32_t k = EntryNumber(child->Name.toUpper(), count);
            if (k > 0 && !elements[static_cast<size_t>(k)])
                elements[static_cast<size_t>(k)] = child;
        }
        for (int32_t k = 1; k <= count; ++k) {
            XmlNode* nr = elements[static_cast<size_t>(k)];
            if (!nr)
                continue;
            for (int f = 0; f < 4; ++f) {
                const XmlNode* value = nr->FindChild(FieldNames[f], false);
                if (value)
                    Field(read[static_cast<size_t>(k - 1)], f) = cipher.Decrypt(value->Text);
            }
        }
        entries.swap(read);
        return 0;
    } catch (const std::bad_alloc&) {
        entries.clear();
        entries.shrink_to_fit();
        count = 0;
        return 2;
    }
}

void EntryList::WriteDocument(XmlDocument& document) const
{
    SetPathText(document, {NameDane, NameIlosc}, cipher.Encrypt(QString::number(count)));
    XmlNode* dane = document.FindChild(NameDane, true);
    // Finding "Nr" + k by name in a growing list would cost a pass per entry; an index of the
    // upper-cased names gives the same first match.
    QHash<QString, XmlNode*> byName;
    for (int c = dane->ChildCount() - 1; c >= 0; --c)
        byName.insert(dane->ChildAt(c)->Name.toUpper(), dane->ChildAt(c));
    const int32_t n = std::min<int64_t>(count, static_cast<int64_t>(entries.size()));
    for (int32_t i = 0; i < n; ++i) {
        const QString name = NameNr + QString::number(i + 1);
        const QString key = name.toUpper();
        XmlNode* nr = byName.value(key);
        if (!nr) {
            auto made = std::make_unique<XmlNode>();
            made->Name = name;
            nr = made.get();
            dane->AddChild(std::move(made));
            byName.insert(key, nr);
        }
        for (int f = 0; f < 4; ++f)
            nr->FindChild(FieldNames[f], true)->Text = cipher.Encrypt(Field(entries[static_cast<size_t>(i)], f));
    }
}

bool EntryList::Load()
{
    loadDamaged = false;
    backupPending = false;
    damagedCopyPath.clear();
    if (!PathExists(filePath))
        return true;
    int code = 0;
    {
        XmlDocument document;
        try {
            document.LoadFromFile(filePath);
        } catch (const FileError& e) {
            throw ListFileError(Msg::ListUnreadable(filePath, Msg::SystemReason(e.Code)).toStdString());
        }
        code = ReadEntries(document);
    }
    if (code == 1 || code == 2) {
        loadDamaged = true;
        // Kept before the user can change anything: the next save replaces "Dane.dat".
        if (KeepDamagedFile() && !damagedCopyPath.isEmpty())
            ShowWarning(ButtonsClose, IconInfo, Msg::ListDamaged() + QLatin1Char('\r') + Msg::ListDamagedKeptAs(damagedCopyPath));
        else
            ShowWarning(ButtonsClose, IconInfo, Msg::ListDamaged());
    }
    return true;
}

void EntryList::FillListBox()
{
    const int32_t n = std::min<int64_t>(count, static_cast<int64_t>(entries.size()));
    if (listBox) {
        listBox->Clear();
        for (int32_t i = 0; i < n; ++i)
            listBox->AddItem(entries[static_cast<size_t>(i)].Nazwa);
    }
    if (n > 0) {
        if (currentIndex < 0)
            currentIndex = 0;
        if (currentIndex >= n)
            currentIndex = n - 1;
        if (listBox)
            listBox->SetSelected(currentIndex, true);
    } else {
        currentIndex = -1;
    }
}

int32_t EntryList::AddEntry(const QString& Typ, const QString& Nazwa, const QString& Source, const QString& Docel)
{
    entries.push_back(Entry{Typ, Nazwa, Source, Docel});
    currentIndex = static_cast<int32_t>(entries.size()) - 1;
    count = static_cast<int32_t>(entries.size());
    return currentIndex;
}

int32_t EntryList::ReplaceEntry(const QString& Typ, const QString& Nazwa, const QString& Source, const QString& Docel)
{
    // Callers never edit without a current entry; an invalid index changes nothing.
    if (currentIndex >= 0 && static_cast<size_t>(currentIndex) < entries.size())
        entries[static_cast<size_t>(currentIndex)] = Entry{Typ, Nazwa, Source, Docel};
    return currentIndex;
}

int32_t EntryList::RemoveEntry()
{
    if (currentIndex < 0 || static_cast<size_t>(currentIndex) >= entries.size())
        return entries.empty() ? -1 : std::clamp<int32_t>(currentIndex, 0, static_cast<int32_t>(entries.size()) - 1);
    entries.erase(entries.begin() + currentIndex);
    count = static_cast<int32_t>(entries.size());
    if (currentIndex > 0)
        return currentIndex - 1;
    return entries.empty() ? -1 : currentIndex;
}

void EntryList::AppendEntry(const QString& Typ, const QString& Nazwa, const QString& Source, const QString& Docel)
{
    currentIndex = AddEntry(Typ, Nazwa, Source, Docel);
    FillListBox();
    Save();
}

void EntryList::UpdateCurrentEntry(const QString& Typ, const QString& Nazwa, const QString& Source, const QString& Docel)
{
    currentIndex = ReplaceEntry(Typ, Nazwa, Source, Docel);
    FillListBox();
    Save();
}

bool EntryList::DeleteCurrentEntry()
{
    currentIndex = RemoveEntry();
    FillListBox();
    return Save();
}

bool EntryList::ClearList()
{
    count = 0;
    entries.clear();
    FillListBox();
    return Save();
}

bool EntryList::Save()
{
    bool result = true;
    try {
        // A damaged list that could not be kept at load time is kept now, or not replaced.
        if (backupPending && !KeepDamagedFile())
            throw FileError(EIO, BackupPath(1), true);
        XmlDocument document;
        WriteDocument(document);
        document.SaveToFile(filePath);
    } catch (...) {
        result = false;
    }
    if (!result)
        ShowWarning(ButtonsClose, IconInfo, Msg::ListSaveFailed());
    return result;
}

void RemoveStaleSaveCopies(const QString& path)
{
    const QString folder = FolderOfPath(path);
    const QString name = path.mid(folder.size());
    if (name.isEmpty())
        return;
    // The save's copy is named after the file with six random letters; a name whose ending
    // reads as a word ("Dane.dat.backup", ".BACKUP", ".Backup") is the user's own and stays.
    const QRegularExpression copyName(QLatin1Char('^') + QRegularExpression::escape(name) +
                                      QStringLiteral("\\.([A-Za-z]{6})$"));
    const QRegularExpression word(QStringLiteral("^(?:[a-z]{6}|[A-Z]{6}|[A-Z][a-z]{5})$"));
    QStringList candidates;
    FileSystem::EnumerateFolder(folder, [&](const FileSystem::FileInfo& entry) {
        const QRegularExpressionMatch match = copyName.match(entry.Name);
        if (entry.Kind == FileSystem::EntryKind::File && match.hasMatch() && !word.match(match.captured(1)).hasMatch())
            candidates.append(folder + entry.Name);
        return true;
    });
    for (const QString& candidate : candidates) {
        // A copy that cannot be opened or locked by us may be a save at work: it stays.
        OsFile file;
        if (OsFile::OpenFileForReading(candidate, file, false) != NoError || file.TryLock(true) != NoError)
            continue;
        // Removed only while the name still holds the file that was locked.
        uint64_t device = 0, inode = 0;
        FileSystem::FileInfo now;
        if (file.Identity(device, inode) == NoError && FileSystem::LookupEntry(candidate, now, false) == NoError &&
            now.Device == device && now.Inode == inode)
            RemoveFile(candidate);
    }
}
