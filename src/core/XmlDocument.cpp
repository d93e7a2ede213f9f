#include "core/XmlDocument.h"

#include "core/Messages.h"
#include "platform/Files.h"

#include <QIODevice>

#include <cerrno>

namespace {

const QString LineBreak = QStringLiteral("\r\n");

// Upper-casing that keeps every position, so matches found in the upper-cased text can be
// taken from the original at the same place.
QString UpperSameLength(const QString& s)
{
    QString out = s;
    for (QChar& c : out)
        c = c.toUpper();
    return out;
}

// --- Reading ---------------------------------------------------------------------------

// Delimiter sets; a character belongs to one when its low 8 bits are a member.
enum class Set { TagName, AttrName, AttrValue, Text, EndTagName };

bool InSet(char16_t c, Set set)
{
    const unsigned low = c & 0xFF;
    switch (set) {
    case Set::TagName: return low == 9 || low == 10 || low == 13 || low == 32 || low == '/' || low == '>';
    case Set::AttrName: return low == 9 || low == 10 || low == 13 || low == 32 || low == '=' || low == '>';
    case Set::AttrValue: return low == '"';
    case Set::Text: return low == '<';
    case Set::EndTagName: return low == 9 || low == 10 || low == 13 || low == 32 || low == '>';
    }
    return false;
}

class Reader {
public:
    explicit Reader(const QString& text) : s(reinterpret_cast<const char16_t*>(text.utf16())), len(text.size()) {}

    char16_t ReadChar()
    {
        if (pos >= len) {
            end = true;
            return 0;
        }
        return s[pos++];
    }

    void UnreadChar()
    {
        if (pos > 0)
            --pos;
    }

    void SkipWhitespace()
    {
        while (!end) {
            const unsigned low = ReadChar() & 0xFF;
            if (low != 9 && low != 10 && low != 13 && low != 32)
                break;
        }
        UnreadChar();
    }

    bool ExpectChar(char16_t c)
    {
        SkipWhitespace();
        return ReadChar() == c;
    }

    QString ReadChars(int n, bool& ok)
    {
        QString out;
        for (int i = 0; i < n; ++i)
            out += QChar(ReadChar());
        ok = !end;
        return out;
    }

    QString ReadUntilSet(Set set)
    {
        // Same as reading character by character, taken as one piece.
        if (end)
            return {};
        const qsizetype start = pos;
        while (pos < len && !InSet(s[pos], set))
            ++pos;
        QString out(reinterpret_cast<const QChar*>(s + start), pos - start);
        if (pos >= len) {
            end = true;
            out += QChar(0);  // the NUL read at the end belongs to the result
        }
        return out;
    }

    QString ReadUntilString(const QString& terminator)
    {
        QString work;
        while (!end) {
            const char16_t c = ReadChar();
            if (end)
                break;
            work += QChar(c);
            if (work.endsWith(terminator))
                return work.chopped(terminator.size());
        }
        return {};
    }

    bool AtEnd() const { return end; }

private:
    const char16_t* s;
    qsizetype len;
    qsizetype pos = 0;
    bool end = false;
};

struct TagResult {
    bool ok = false;
    bool noContent = false;
    bool charData = false;
};

// The next character after white space; a "/" there must be followed by ">" (an element
// without content). False when it is not.
bool ReadTagMark(Reader& r, TagResult& result, char16_t& ch)
{
    r.SkipWhitespace();
    ch = r.ReadChar();
    if (ch != u'/')
        return true;
    ch = r.ReadChar();
    result.noContent = true;
    return ch == u'>';
}

TagResult ParseTag(Reader& r, XmlNode& node, XmlNode& parent)
{
    TagResult result;
    char16_t ch = r.ReadChar();
    if (ch == u'!') {
        bool ok = false;
        const QString s = r.ReadChars(7, ok);
        if (!ok)
            return result;
        if (UpperSameLength(s) == QLatin1String("[CDATA[")) {
            parent.CData = r.ReadUntilString(QStringLiteral("]]>"));
            result.charData = true;
            result.ok = true;
            return result;
        }
        // A comment, or any other "<!" construct, read up to the next "-->".
        for (int i = 0; i < 7; ++i)
            r.UnreadChar();
        result.noContent = true;
        node.Kind = XmlNode::KindComment;
        r.ReadChar();
        r.ReadChar();
        node.Text = TrimText(r.ReadUntilString(QStringLiteral("-->")));
        result.ok = true;
        return result;
    }
    if (ch == u'?') {
        result.noContent = true;
        node.Kind = XmlNode::KindInstruction;
    } else {
        r.UnreadChar();
    }

    const QString name = r.ReadUntilSet(Set::TagName);
    if (!ReadTagMark(r, result, ch))
        return result;
    if (ch != u'>')
        r.UnreadChar();
    if (name.isEmpty())
        return result;
    node.Name = name;

    if (ch != u'>') {
        while (!r.AtEnd()) {
            if (!ReadTagMark(r, result, ch))
                return result;
            if (ch == u'>')
                break;
            r.UnreadChar();
            const QString an = r.ReadUntilSet(Set::AttrName);
            if (node.Kind == XmlNode::KindInstruction && an == QLatin1String("?")) {
                if (r.ReadChar() == u'>')
                    break;
                return result;
            }
            if (!r.ExpectChar(u'=') || !r.ExpectChar(u'"'))
                return result;
            const QString av = r.ReadUntilSet(Set::AttrValue);
            if (!r.ExpectChar(u'"'))
                return result;
            node.Attrs.AddAttr(std::make_unique<XmlAttr>(TrimText(an), UnescapeText(av)));
        }
    }

    r.SkipWhitespace();
    node.Text = UnescapeText(TrimText(r.ReadUntilSet(Set::Text)));
    result.ok = true;
    return result;
}

// The children of `top` and all their descendants. Each open element waits on an explicit
// stack instead of the call stack, so nesting depth is limited by memory only; the results
// are those of a plain recursive descent.
bool ParseChildren(Reader& r, XmlNode& top)
{
    std::vector<XmlNode*> open{&top};
    while (!open.empty()) {
        XmlNode& node = *open.back();
        bool descended = false;
        while (!r.AtEnd()) {
            if (!r.ExpectChar(u'<'))
                return false;
            const char16_t ch = r.ReadChar();
            if (ch == u'/') {
                const QString name = r.ReadUntilSet(Set::EndTagName);
                r.SkipWhitespace();
                if (r.ReadChar() == u'>' && SameNameNoCase(name, node.Name))
                    break;  // this element is closed
                return false;
            }
            r.UnreadChar();
            auto child = std::make_unique<XmlNode>();
            const TagResult tag = ParseTag(r, *child, node);
            if (!tag.ok)
                return false;
            if (!tag.charData) {
                XmlNode* kept = child.get();
                node.AddChild(std::move(child));
                if (!tag.noContent) {
                    open.push_back(kept);
                    descended = true;
                    break;
                }
            }
            r.SkipWhitespace();
        }
        if (descended)
            continue;
        // This element ended well; its parent goes on after it.
        open.pop_back();
        if (!open.empty())
            r.SkipWhitespace();
    }
    return true;
}

} // namespace

// --- Strings ---------------------------------------------------------------------------

bool SameNameNoCase(const QString& a, const QString& b)
{
    // Names are nearly always ASCII; compare those without building upper-cased copies.
    bool ascii = true;
    for (QChar c : a)
        ascii = ascii && c.unicode() < 128;
    for (QChar c : b)
        ascii = ascii && c.unicode() < 128;
    if (!ascii)
        return a.toUpper() == b.toUpper();
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode(), y = b.at(i).unicode();
        if (x >= 'a' && x <= 'z')
            x -= 32;
        if (y >= 'a' && y <= 'z')
            y -= 32;
        if (x != y)
            return false;
    }
    return true;
}

QString TrimText(const QString& text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

QString ReplaceNoCase(const QString& source, const QString& pattern, const QString& replacement)
{
    if (pattern.isEmpty())
        return source;
    const QString upperSource = UpperSameLength(source);
    const QString upperPattern = UpperSameLength(pattern);
    QString out;
    out.reserve(source.size());
    qsizetype i = 0;
    while (i < source.size()) {
        if (QStringView(upperSource).sliced(i).startsWith(upperPattern)) {
            out += replacement;
            i += pattern.size();
        } else {
            out += source.at(i);
            ++i;
        }
    }
    return out;
}

QString EscapeText(const QString& text)
{
    // Almost every text (all Base64 values) needs nothing.
    bool plain = true;
    for (QChar c : text)
        plain = plain && c != QLatin1Char('&') && c != QLatin1Char('<') && c != QLatin1Char('>') && c != QLatin1Char('"');
    if (plain)
        return text;
    QString s = ReplaceNoCase(text, QStringLiteral("&"), QStringLiteral("&amp;"));
    s = ReplaceNoCase(s, QStringLiteral("<"), QStringLiteral("&lt;"));
    s = ReplaceNoCase(s, QStringLiteral(">"), QStringLiteral("&gt;"));
    return ReplaceNoCase(s, QStringLiteral("\""), QStringLiteral("&quot;"));
}

QString UnescapeText(const QString& text)
{
    // Almost every text has no reference at all.
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString s = ReplaceNoCase(text, QStringLiteral("&quot;"), QStringLiteral("\""));
    s = ReplaceNoCase(s, QStringLiteral("&gt;"), QStringLiteral(">"));
    s = ReplaceNoCase(s, QStringLiteral("&lt;"), QStringLiteral("<"));
    return ReplaceNoCase(s, QStringLiteral("&amp;"), QStringLiteral("&"));
}

// --- Owning lists of attributes and of child nodes -----------------------------------

namespace {

template <class T>
int AppendOwned(std::vector<std::unique_ptr<T>>& list, std::unique_ptr<T> item)
{
    list.push_back(std::move(item));
    return static_cast<int>(list.size()) - 1;
}

// None for an index outside the list.
template <class T>
T* OwnedAt(const std::vector<std::unique_ptr<T>>& list, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= list.size())
        return nullptr;
    return list[static_cast<size_t>(index)].get();
}

} // namespace

int XmlAttrs::AddAttr(std::unique_ptr<XmlAttr> attr)
{
    return AppendOwned(attrs, std::move(attr));
}

XmlAttr* XmlAttrs::AttrAt(int index) const
{
    return OwnedAt(attrs, index);
}

// --- Nodes -----------------------------------------------------------------------------

XmlNode::~XmlNode()
{
    ClearChildren();
}

void XmlNode::ClearChildren()
{
    std::vector<std::unique_ptr<XmlNode>> pending = std::move(children);
    children.clear();
    while (!pending.empty()) {
        std::unique_ptr<XmlNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->children)
            pending.push_back(std::move(child));
        node->children.clear();
    }
}

XmlNode* XmlNode::FindChild(const QString& name, bool create)
{
    for (const auto& child : children)
        if (SameNameNoCase(child->Name, name))
            return child.get();
    if (!create)
        return nullptr;
    auto node = std::make_unique<XmlNode>();
    node->Name = name;
    XmlNode* made = node.get();
    AddChild(std::move(node));
    return made;
}

int XmlNode::AddChild(std::unique_ptr<XmlNode> node)
{
    return AppendOwned(children, std::move(node));
}

XmlNode* XmlNode::ChildAt(int index) const
{
    return OwnedAt(children, index);
}

QString XmlNode::NodeText(const QString& indent, const XmlDocument& document) const
{
    // Walks the subtree with an explicit stack, writing into one string.
    struct Frame {
        const XmlNode* node;
        size_t depth;
        size_t next = 0;
        bool isEmpty = false;
        bool comment = false;
    };
    std::vector<QString> indents{indent};
    auto indentAt = [&](size_t depth) -> const QString& {
        while (indents.size() <= depth)
            indents.push_back(indents.back() + document.Indent);
        return indents[depth];
    };

    QString out;
    auto open = [&](Frame& f) {
        const XmlNode& n = *f.node;
        const bool hasContent = !n.CData.isEmpty() || !n.children.empty();
        f.isEmpty = n.Text.isEmpty() && !hasContent;
        out += indentAt(f.depth);
        if (n.Kind == KindComment) {
            out += QStringLiteral("<!-- ") + n.Text + QStringLiteral(" -->") + LineBreak;
            f.comment = true;
            return;
        }
        out += n.Kind == KindInstruction ? QStringLiteral("<?") : QStringLiteral("<");
        out += n.Name;
        for (int i = 0; i < n.Attrs.AttrCount(); ++i) {
            const XmlAttr* a = n.Attrs.AttrAt(i);
            out += QLatin1Char(' ') + a->Name + QStringLiteral("=\"") + EscapeText(a->Value) + QLatin1Char('"');
        }
        if (n.Kind == KindInstruction) {
            out += QStringLiteral("?>");
        } else {
            if (f.isEmpty)
                out += QLatin1Char('/');
            out += QLatin1Char('>');
        }
        out += EscapeText(n.Text);
        if (hasContent)
            out += LineBreak;
        if (!n.CData.isEmpty())
            out += indentAt(f.depth + 1) + QStringLiteral("<![CDATA[") + n.CData + QStringLiteral("]]>") + LineBreak;
    };
    auto close = [&](const Frame& f) {
        const XmlNode& n = *f.node;
        if (!n.children.empty())
            out += indentAt(f.depth);
        if (!f.isEmpty && n.Kind != KindInstruction)
            out += QStringLiteral("</") + n.Name + QLatin1Char('>');
        out += LineBreak;
    };

    std::vector<Frame> stack;
    stack.push_back(Frame{this, 0});
    open(stack.back());
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (!f.comment && f.next < f.node->children.size()) {
            const XmlNode* child = f.node->children[f.next++].get();
            const size_t depth = f.depth + 1;
            stack.push_back(Frame{child, depth});
            open(stack.back());
            continue;
        }
        if (!f.comment)
            close(f);
        stack.pop_back();
    }
    return out;
}

// --- Document --------------------------------------------------------------------------

FileError::FileError(int code, const QString& path, bool writing)
    : UserError((writing ? Msg::FileUnwritable(path, Msg::SystemReason(code))
                                  : Msg::FileUnreadable(path, Msg::SystemReason(code)))
                             .toStdString()),
      Code(code),
      Path(path),
      Writing(writing)
{
}

XmlDocument::XmlDocument() : Root(std::make_unique<XmlNode>()), Indent(QStringLiteral("\t")) {}

QString XmlDocument::DocumentText() const
{
    QString out;
    for (const auto& child : Root->children)
        out += child->NodeText(QString(), *this);
    return out;
}

QByteArray XmlDocument::SaveToBytes() const
{
    const QString text = DocumentText();
    if (text.isEmpty())
        return {};
    if (!Unicode)
        return text.toUtf8();
    QByteArray bytes("\xFF\xFE", 2);
    bytes.reserve(2 + text.size() * 2);
    for (QChar c : text) {
        bytes += static_cast<char>(c.unicode() & 0xFF);
        bytes += static_cast<char>(c.unicode() >> 8);
    }
    return bytes;
}

void XmlDocument::SaveToStream(QIODevice& stream) const
{
    const QByteArray bytes = SaveToBytes();
    if (!bytes.isEmpty() && stream.write(bytes) != bytes.size())
        throw FileError(EIO, QString(), true);
}

void XmlDocument::SaveToFile(const QString& path) const
{
    if (const OsError error = WriteFileAtomically(path, SaveToBytes()))
        throw FileError(error, path, true);
}

bool XmlDocument::LoadFromStream(QIODevice& stream)
{
    const QByteArray bytes = stream.readAll();
    if (bytes.isEmpty())
        return false;
    return ParseBuffer(bytes);
}

bool XmlDocument::LoadFromFile(const QString& path)
{
    if (!PathExists(path))
        return false;
    QByteArray bytes;
    if (const OsError error = ReadWholeFile(path, bytes))
        throw FileError(error, path, false);
    if (bytes.isEmpty())
        return false;
    return ParseBuffer(bytes);
}

bool XmlDocument::ParseBuffer(const QByteArray& bytes)
{
    Root->ClearChildren();
    if (bytes.size() < 2)
        return false;
    QString text;
    if (static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        Unicode = true;
        const qsizetype units = (bytes.size() - 2) / 2;
        text.resize(units);
        for (qsizetype i = 0; i < units; ++i) {
            const auto lo = static_cast<unsigned char>(bytes[2 + 2 * i]);
            const auto hi = static_cast<unsigned char>(bytes[3 + 2 * i]);
            text[i] = QChar(static_cast<char16_t>(lo | hi << 8));
        }
    } else {
        Unicode = false;
        // One character per byte at most; where the decoded text is shorter, the rest of that
        // room holds NUL characters, as the reader has always seen it.
        text = QString::fromUtf8(bytes);
        if (text.size() < bytes.size())
            text.append(QString(bytes.size() - text.size(), QChar(0)));
    }
    Reader reader(text);
    return ParseChildren(reader, *Root);
}
