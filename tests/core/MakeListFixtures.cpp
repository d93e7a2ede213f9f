// Writes the list files under tests/data/core/ that the list tests and the fuzz seeds use.
// Run by hand after a deliberate change of the file layout:
//   build/tests/core/core_make_list_fixtures tests/data/core
// Each file is made the way the program writes lists, then damaged on purpose where its
// name says so.

#include "core/FieldCipher.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <vector>

namespace {

struct Entry {
    QString typ, nazwa, source, docel;
};

QByteArray Line(int tabs, const QString& name, const QString& value)
{
    return QByteArray(tabs, '\t') + '<' + name.toLatin1() + '>' + value.toLatin1() + "</" + name.toLatin1() + ">\r\n";
}

// The list file text for the entries, with `count` as the stored count text and the element
// names as given (so a file with other letter cases can be made).
QByteArray ListText(const std::vector<Entry>& entries, const QString& count, bool upper = false, bool encipherCount = true)
{
    auto n = [upper](const char* name) { return upper ? QString::fromLatin1(name).toUpper() : QString::fromLatin1(name); };
    QByteArray out = '<' + n("Dane").toLatin1() + ">\r\n";
    out += Line(1, n("Ilosc"), encipherCount ? EncryptField(count) : count);
    int k = 0;
    for (const Entry& e : entries) {
        const QString nr = n("Nr") + QString::number(++k);
        out += "\t<" + nr.toLatin1() + ">\r\n";
        out += Line(2, n("Typ"), EncryptField(e.typ));
        out += Line(2, n("Nazwa"), EncryptField(e.nazwa));
        out += Line(2, n("Source"), EncryptField(e.source));
        out += Line(2, n("Docel"), EncryptField(e.docel));
        out += "\t</" + nr.toLatin1() + ">\r\n";
    }
    out += "</" + n("Dane").toLatin1() + ">\r\n";
    return out;
}

void Write(const QString& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir + QLatin1Char('/') + name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <tests/data/core>\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString lists = root + QStringLiteral("/lists");
    const QString seeds = root + QStringLiteral("/fuzz-seeds");
    QDir().mkpath(lists);
    QDir().mkpath(seeds);

    const std::vector<Entry> three = {
        {QStringLiteral("Folder"), QStringLiteral("Dokumenty"), QStringLiteral("/home/ola/Dokumenty"), QStringLiteral("/mnt/kopie")},
        {QStringLiteral("Plik"), QStringLiteral("Zażółć gęślą jaźń"), QStringLiteral("/home/ola/Pulpit/Wykaz & <uwagi>.txt"),
         QStringLiteral("/mnt/kopie/\"pliki\"")},
        {QStringLiteral("Folder"), QStringLiteral("Фото 写真"), QStringLiteral("/home/ola/Фото"), QStringLiteral("/media/usb/kopie")},
    };
    const QByteArray valid = ListText(three, QStringLiteral("3"));

    Write(lists, QStringLiteral("valid-3.dat"), valid);
    Write(lists, QStringLiteral("empty-list.dat"), ListText({}, QStringLiteral("0")));
    Write(lists, QStringLiteral("zero-bytes.dat"), QByteArray());
    Write(lists, QStringLiteral("count-3-two-entries.dat"), ListText({three[0], three[1]}, QStringLiteral("3")));
    {
        std::vector<Entry> five;
        for (int i = 1; i <= 5; ++i)
            five.push_back({QStringLiteral("Plik"), QStringLiteral("Wpis %1").arg(i), QStringLiteral("/src/%1").arg(i),
                            QStringLiteral("/dst")});
        Write(lists, QStringLiteral("count-1-five-entries.dat"), ListText(five, QStringLiteral("1")));
        Write(seeds, QStringLiteral("five.dat"), ListText(five, QStringLiteral("5")));
    }
    Write(lists, QStringLiteral("upper-case-names.dat"), ListText(three, QStringLiteral("3"), true));
    Write(lists, QStringLiteral("count-not-a-number.dat"), ListText(three, QStringLiteral("trzy")));
    Write(lists, QStringLiteral("count-negative.dat"), ListText(three, QStringLiteral("-1")));
    Write(lists, QStringLiteral("count-huge.dat"), ListText(three, QStringLiteral("2000000000")));
    Write(lists, QStringLiteral("count-at-blank-limit.dat"), ListText({three[0]}, QStringLiteral("65536")));
    Write(lists, QStringLiteral("count-past-blank-limit.dat"), ListText({three[0]}, QStringLiteral("65537")));
    Write(lists, QStringLiteral("count-unenciphered.dat"), ListText(three, QStringLiteral("3"), false, false));
    Write(lists, QStringLiteral("cut-short.dat"), valid.left(valid.indexOf("<Source>", valid.indexOf("<Nr2>")) + 12));
    Write(lists, QStringLiteral("no-count.dat"), QByteArray("<Dane>\r\n</Dane>\r\n"));
    Write(lists, QStringLiteral("not-xml.dat"), QByteArray("Lista kopii: Dokumenty, Pulpit\r\n"));
    {
        QByteArray binary;
        for (int i = 0; i < 512; ++i)
            binary += static_cast<char>((i * 73 + 41) & 0xFF);
        Write(lists, QStringLiteral("binary.dat"), binary);
    }
    {
        // The second entry's Source loses a character in the middle of its Base64 text.
        QByteArray damaged = valid;
        const qsizetype at = damaged.indexOf("<Source>", damaged.indexOf("<Nr2>")) + 10;
        damaged.remove(at, 1);
        Write(lists, QStringLiteral("damaged-value.dat"), damaged);
    }
    {
        // The same list as a UTF-16 document with its byte-order mark.
        QByteArray utf16("\xFF\xFE", 2);
        for (char c : valid) {
            utf16 += c;
            utf16 += '\0';
        }
        Write(lists, QStringLiteral("utf16.dat"), utf16);
    }
    {
        // Another program's additions: a declaration, a comment, attributes and an unknown element.
        QByteArray extra = valid;
        extra.insert(0, "<?xml version=\"1.0\"?>\r\n<!-- kopia -->\r\n");
        extra.replace("<Dane>", "<Dane wersja=\"2\">");
        extra.replace("</Dane>", "\t<Inne>x</Inne>\r\n</Dane>");
        Write(lists, QStringLiteral("extra-elements.dat"), extra);
    }

    // Fuzz seeds: the real lists and the damaged ones that are cheap to load (a count that
    // makes thousands of blank entries would slow every mutation of it down).
    for (const char* name : {"valid-3.dat", "empty-list.dat", "upper-case-names.dat", "count-3-two-entries.dat",
                             "count-huge.dat", "count-negative.dat", "cut-short.dat", "damaged-value.dat", "utf16.dat",
                             "extra-elements.dat"}) {
        QFile::remove(seeds + QLatin1Char('/') + QLatin1String(name));
        QFile::copy(lists + QLatin1Char('/') + QLatin1String(name), seeds + QLatin1Char('/') + QLatin1String(name));
    }
    return 0;
}
