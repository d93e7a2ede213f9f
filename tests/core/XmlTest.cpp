#include "platform/Files.h"
#include "platform/Platform.h"
#include "core/XmlDocument.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A compact picture of a subtree: name, then {text}, [cdata], (attr=value...), and children
// in angle brackets; instructions start with "?", comments with "!".
QString Dump(const XmlNode& n)
{
    QString out;
    if (n.Kind == XmlNode::KindInstruction)
        out += QLatin1Char('?');
    if (n.Kind == XmlNode::KindComment)
        out += QLatin1Char('!');
    out += n.Name;
    if (!n.Text.isEmpty())
        out += QLatin1Char('{') + n.Text + QLatin1Char('}');
    if (!n.CData.isEmpty())
        out += QLatin1Char('[') + n.CData + QLatin1Char(']');
    if (n.Attrs.AttrCount() > 0) {
        out += QLatin1Char('(');
        for (int i = 0; i < n.Attrs.AttrCount(); ++i)
            out += (i ? QStringLiteral(",") : QString()) + n.Attrs.AttrAt(i)->Name + QLatin1Char('=') + n.Attrs.AttrAt(i)->Value;
        out += QLatin1Char(')');
    }
    if (n.ChildCount() > 0) {
        out += QLatin1Char('<');
        for (int i = 0; i < n.ChildCount(); ++i)
            out += (i ? QStringLiteral(" ") : QString()) + Dump(*n.ChildAt(i));
        out += QLatin1Char('>');
    }
    return out;
}

// NUL characters (read at the end of the input) show as "\0".
QString DumpDocument(const XmlDocument& doc)
{
    return Dump(*doc.Root).replace(QChar(0), QStringLiteral("\\0"));
}

TEST(XmlDocument, ListShapedDocumentIsWrittenLineByLineAndReadBack)
{
    XmlDocument doc;
    doc.FindChild(QStringLiteral("Dane"), true)->FindChild(QStringLiteral("Ilosc"), true)->Text = QStringLiteral("x");
    doc.FindChild(QStringLiteral("Dane"), true)
        ->FindChild(QStringLiteral("Nr1"), true)
        ->FindChild(QStringLiteral("Typ"), true)
        ->Text = QStringLiteral("y");
    const QByteArray expected = "<Dane>\r\n"
                                "\t<Ilosc>x</Ilosc>\r\n"
                                "\t<Nr1>\r\n"
                                "\t\t<Typ>y</Typ>\r\n"
                                "\t</Nr1>\r\n"
                                "</Dane>\r\n";
    EXPECT_EQ(doc.SaveToBytes(), expected);

    XmlDocument back;
    EXPECT_TRUE(back.ParseBuffer(expected));
    EXPECT_EQ(DumpDocument(back), DumpDocument(doc));
    EXPECT_EQ(back.SaveToBytes(), expected);
}

TEST(XmlDocument, FindChildIgnoresCaseAndKeepsTheGivenName)
{
    XmlDocument doc;
    XmlNode* dane = doc.FindChild(QStringLiteral("Dane"), true);
    EXPECT_EQ(doc.FindChild(QStringLiteral("dane"), false), dane);
    EXPECT_EQ(doc.FindChild(QStringLiteral("DANE"), true), dane);
    EXPECT_EQ(doc.Root->ChildCount(), 1);
    EXPECT_EQ(doc.FindChild(QStringLiteral("Inne"), false), nullptr);
    EXPECT_EQ(doc.FindChild(QStringLiteral("iNNE"), true)->Name, QStringLiteral("iNNE"));
    // Non-ASCII names are upper-cased too.
    XmlNode* polish = doc.FindChild(QStringLiteral("Źródło"), true);
    EXPECT_EQ(doc.FindChild(QStringLiteral("źRÓDŁO"), false), polish);
}

TEST(XmlDocument, SpecialCharactersAreEscapedAndComeBack)
{
    XmlDocument doc;
    XmlNode* a = doc.FindChild(QStringLiteral("a"), true);
    a->Text = QStringLiteral("1 < 2 & \"3\" > 0");
    a->Attrs.AddAttr(std::make_unique<XmlAttr>(QStringLiteral("v"), QStringLiteral("say \"hi\"")));
    const QByteArray bytes = doc.SaveToBytes();
    EXPECT_EQ(bytes, QByteArray("<a v=\"say &quot;hi&quot;\">1 &lt; 2 &amp; &quot;3&quot; &gt; 0</a>\r\n"));
    XmlDocument back;
    EXPECT_TRUE(back.ParseBuffer(bytes));
    EXPECT_EQ(back.FindChild(QStringLiteral("a"), false)->Text, a->Text);
    EXPECT_EQ(back.FindChild(QStringLiteral("a"), false)->Attrs.AttrAt(0)->Value, QStringLiteral("say \"hi\""));
}

TEST(XmlDocument, OuterWhiteSpaceOfATextIsLost)
{
    XmlDocument doc;
    doc.FindChild(QStringLiteral("a"), true)->Text = QStringLiteral(" \t\r\n x y \r\n");
    XmlDocument back;
    back.ParseBuffer(doc.SaveToBytes());
    EXPECT_EQ(back.FindChild(QStringLiteral("a"), false)->Text, QStringLiteral("x y"));
}

TEST(XmlDocument, Utf16InputIsWrittenBackAsUtf16)
{
    const QString text = QStringLiteral("<a>żółw Ω</a>\r\n");
    QByteArray utf16("\xFF\xFE", 2);
    for (QChar c : text) {
        utf16 += static_cast<char>(c.unicode() & 0xFF);
        utf16 += static_cast<char>(c.unicode() >> 8);
    }
    XmlDocument doc;
    EXPECT_TRUE(doc.ParseBuffer(utf16));
    EXPECT_TRUE(doc.Unicode);
    EXPECT_EQ(doc.FindChild(QStringLiteral("a"), false)->Text, QStringLiteral("żółw Ω"));
    EXPECT_EQ(doc.SaveToBytes(), utf16);

    // An odd last byte is ignored.
    XmlDocument odd;
    EXPECT_TRUE(odd.ParseBuffer(utf16 + 'x'));
    EXPECT_EQ(odd.SaveToBytes(), utf16);

    // The next 8-bit parse switches back.
    EXPECT_TRUE(doc.ParseBuffer("<a>b</a>"));
    EXPECT_FALSE(doc.Unicode);
    EXPECT_EQ(doc.SaveToBytes(), QByteArray("<a>b</a>\r\n"));
}

TEST(XmlDocument, EightBitTextIsUtf8)
{
    XmlDocument doc;
    doc.FindChild(QStringLiteral("a"), true)->Text = QStringLiteral("zażółć");
    EXPECT_EQ(doc.SaveToBytes(), QStringLiteral("<a>zażółć</a>\r\n").toUtf8());
    XmlDocument back;
    back.ParseBuffer(doc.SaveToBytes());
    EXPECT_EQ(back.FindChild(QStringLiteral("a"), false)->Text, QStringLiteral("zażółć"));
}

TEST(XmlDocument, EmptyDocumentIsZeroBytes)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.SaveToBytes().isEmpty());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    doc.SaveToStream(buffer);
    EXPECT_TRUE(buffer.data().isEmpty());
}

TEST(XmlDocument, ShortInput)
{
    XmlDocument doc;
    doc.ParseBuffer("<a/>");
    ASSERT_EQ(doc.Root->ChildCount(), 1);
    QBuffer empty;
    empty.open(QIODevice::ReadOnly);
    EXPECT_FALSE(doc.LoadFromStream(empty));
    EXPECT_EQ(doc.Root->ChildCount(), 1);  // 0 bytes: the tree is not touched
    EXPECT_FALSE(doc.ParseBuffer("<"));
    EXPECT_EQ(doc.Root->ChildCount(), 0);  // 1 byte: the tree is emptied
}

struct ParseCase {
    const char* name;
    QByteArray input;
    bool result;
    const char16_t* tree;
};

class Parse : public testing::TestWithParam<ParseCase> {};

TEST_P(Parse, ResultAndTree)
{
    XmlDocument doc;
    EXPECT_EQ(doc.ParseBuffer(GetParam().input), GetParam().result);
    EXPECT_EQ(DumpDocument(doc), QString::fromUtf16(GetParam().tree));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Parse,
    testing::Values(
        ParseCase{"UnclosedElementsAtTheEnd", "<a><b>", true, u"<a<b>>"},
        ParseCase{"TextTailAfterAChild", "<a><b/>tail</a>", true, u"<a<b{tail}>>"},
        ParseCase{"TextAfterAChildsEndTag", "<a><b></b>tail</a>", false, u"<a<b>>"},
        ParseCase{"CharacterData", "<a><![CDATA[x < y]]><b/></a>", true, u"<a[x < y]<b>>"},
        ParseCase{"CharacterDataNameInAnyCase", "<a><![cdata[x]]></a>", true, u"<a[x]>"},
        ParseCase{"Comment", "<a><!--  note  --><b/></a>", true, u"<a<!{note} b>>"},
        ParseCase{"TextAfterAComment", "<a><!-- c -->text</a>", false, u"<a<!{c}>>"},
        ParseCase{"UnterminatedComment", "<a><!-- never ends", true, u"<a<!>>"},
        ParseCase{"CommentMarkAtTheEnd", "<a><!--", false, u"<a>"},
        ParseCase{"Instruction", "<?xml version=\"1.0\"?><a/>", true, u"<?xml(version=1.0) a>"},
        ParseCase{"InstructionTargetKeepsItsQuestionMark", "<?x?><a/>", true, u"<?x? a>"},
        ParseCase{"Attributes", "<a p = \" 1 \" q=\"&lt;&QUOT;\">t</a>", true, u"<a{t}(p= 1 ,q=<\")>"},
        ParseCase{"AttributeWithoutEquals", "<a p \"1\"/>", false, u""},
        ParseCase{"AttributeWithoutQuotes", "<a p=1/>", false, u""},
        ParseCase{"SlashWithoutClose", "<a/ >", false, u""},
        ParseCase{"EmptyName", "<>", false, u""},
        ParseCase{"EndTagOfAnotherElement", "<a><b></c></a>", false, u"<a<b>>"},
        ParseCase{"EndTagNameInAnyCase", "<Dane><NR1></nr1></DANE>", true, u"<Dane<NR1>>"},
        ParseCase{"TextBeforeTheFirstTag", "junk<a/>", false, u""},
        ParseCase{"TextOfAnEmptyElement", "<a/>after", true, u"<a{after}>"},
        ParseCase{"EntitiesOnlyTheFour", "<a>&AMP;lt; &#65; &x;</a>", true, u"<a{&lt; &#65; &x;}>"},
        ParseCase{"WhiteSpaceAround", "\r\n\t <a>\r\n x \r\n</a>\r\n", true, u"<a{x}>"},
        ParseCase{"BinaryJunk", QByteArray("\x00\x01\x02\x03", 4), false, u""},
        ParseCase{"EndOfInputInsideAnAttribute", "<a x=\"1", false, u""},
        ParseCase{"EndOfInputAfterAName", "<a", true, u"<a\\0>"}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(XmlDocument, WritesEveryKindOfNode)
{
    XmlDocument doc;
    doc.ParseBuffer("<?xml version=\"1.0\"?><a><!-- c --><b/><c>t</c><![CDATA[raw]]></a>");
    EXPECT_EQ(doc.SaveToBytes(), QByteArray("<?xml version=\"1.0\"?>\r\n"
                                            "<a>\r\n"
                                            "\t<![CDATA[raw]]>\r\n"
                                            "\t<!-- c -->\r\n"
                                            "\t<b/>\r\n"
                                            "\t<c>t</c>\r\n"
                                            "</a>\r\n"));
}

TEST(XmlDocument, DeepNestingNeitherOverflowsTheStackNorLosesNodes)
{
    const int depth = 200000;
    QByteArray bytes;
    for (int i = 0; i < depth; ++i)
        bytes += "<a>";
    bytes += "x";
    for (int i = 0; i < depth; ++i)
        bytes += "</a>";
    {
        XmlDocument doc;
        EXPECT_TRUE(doc.ParseBuffer(bytes));
        const XmlNode* n = doc.Root.get();
        int levels = 0;
        while (n->ChildCount() == 1) {
            n = n->ChildAt(0);
            ++levels;
        }
        EXPECT_EQ(levels, depth);
        EXPECT_EQ(n->Text, QStringLiteral("x"));
    }  // freeing the tree must not recurse either
}

TEST(XmlDocument, DeepTreeIsWrittenWithoutRecursion)
{
    // The text grows with the square of the depth (one TAB per level on every line), so the
    // writer is shown a depth that would already be deep for a recursive one on a small stack.
    const int depth = 5000;
    XmlDocument doc;
    XmlNode* n = doc.Root.get();
    for (int i = 0; i < depth; ++i)
        n = n->FindChild(QStringLiteral("a"), true);
    n->Text = QStringLiteral("x");
    const QString text = doc.DocumentText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("<a>\r\n\t<a>\r\n\t\t<a>")));
    EXPECT_TRUE(text.contains(QString(depth - 1, QLatin1Char('\t')) + QStringLiteral("<a>x</a>\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\t</a>\r\n</a>\r\n")));
}

TEST(ReplaceNoCase, Table)
{
    struct Case {
        const char16_t* source;
        const char16_t* pattern;
        const char16_t* replacement;
        const char16_t* result;
    };
    const Case cases[] = {
        {u"abc", u"", u"x", u"abc"},
        {u"aAaA", u"a", u"b", u"bbbb"},
        {u"aaa", u"aa", u"b", u"ba"},
        {u"xAbCy", u"abc", u"-", u"x-y"},
        {u"Straße &AMP; ß", u"&amp;", u"&", u"Straße & ß"},
        {u"żółw ŻÓŁW", u"ŻÓŁW", u"1", u"1 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplaceNoCase(QString::fromUtf16(c.source), QString::fromUtf16(c.pattern), QString::fromUtf16(c.replacement)),
                  QString::fromUtf16(c.result));
}

TEST(EscapeText, OrderOfTheFourReferences)
{
    EXPECT_EQ(EscapeText(QStringLiteral("&lt;")), QStringLiteral("&amp;lt;"));
    EXPECT_EQ(UnescapeText(QStringLiteral("&amp;lt;")), QStringLiteral("&lt;"));
    EXPECT_EQ(UnescapeText(QStringLiteral("&Quot;&gT;&lT;&amP;")), QStringLiteral("\"><&"));
    const QString all = QStringLiteral("a&b<c>d\"e &amp; &#10;");
    EXPECT_EQ(UnescapeText(EscapeText(all)), all);
}

TEST(XmlFile, MissingFileIsFalseAndUnreadableOneRaises)
{
    QTemporaryDir dir;
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadFromFile(dir.filePath(QStringLiteral("none.xml"))));
    EXPECT_THROW(doc.LoadFromFile(dir.path()), FileError);  // a folder cannot be read
}

TEST(XmlFile, SaveAndLoad)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.xml"));
    XmlDocument doc;
    doc.FindChild(QStringLiteral("a"), true)->Text = QStringLiteral("ąę");
    doc.SaveToFile(path);
    XmlDocument back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.FindChild(QStringLiteral("A"), false)->Text, QStringLiteral("ąę"));
    // A save into a folder that does not exist raises and creates nothing.
    EXPECT_THROW(doc.SaveToFile(dir.filePath(QStringLiteral("no/d.xml"))), FileError);
}

} // namespace
