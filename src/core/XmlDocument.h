#pragma once
// A small in-memory XML document: a tree of element nodes with attributes, a lenient
// single-pass parser and an indenting writer. Names are matched without regard to case.
// Not a conforming XML parser; it reads and writes the list file and documents like it.

#include "core/UserError.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

class QIODevice;

class XmlAttr {
public:
    XmlAttr(const QString& name, const QString& value) : Name(name), Value(value) {}
    QString Name;
    QString Value;
};

class XmlAttrs {
public:
    int AddAttr(std::unique_ptr<XmlAttr> attr);
    int AttrCount() const { return static_cast<int>(attrs.size()); }
    XmlAttr* AttrAt(int index) const;
    void ClearAttrs() { attrs.clear(); }

private:
    std::vector<std::unique_ptr<XmlAttr>> attrs;
};

class XmlDocument;

class XmlNode {
public:
    enum : uint8_t { KindElement = 0, KindInstruction = 1, KindComment = 2 };

    XmlNode() = default;
    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;
    // Frees the subtree without recursion, so no depth of nesting can exhaust the stack.
    ~XmlNode();

    // The first child whose name matches without regard to case; with `create`, a missing
    // child is made with the name as given and appended.
    XmlNode* FindChild(const QString& name, bool create);
    int AddChild(std::unique_ptr<XmlNode> node);
    int ChildCount() const { return static_cast<int>(children.size()); }
    XmlNode* ChildAt(int index) const;
    void ClearChildren();
    // The node and its subtree as text, each line led by `indent`.
    QString NodeText(const QString& indent, const XmlDocument& document) const;

    XmlAttrs Attrs;
    QString Name;
    QString Text;
    QString CData;
    uint8_t Kind = KindElement;

private:
    friend class XmlDocument;
    std::vector<std::unique_ptr<XmlNode>> children;
};

// A file could not be read or written: the system's error code and the file; what() is the
// Polish text for the user.
class FileError : public UserError {
public:
    FileError(int code, const QString& path, bool writing);
    int Code;
    QString Path;
    bool Writing;
};

class XmlDocument {
public:
    XmlDocument();

    XmlNode* FindChild(const QString& name, bool create) { return Root->FindChild(name, create); }

    // False when no file exists at the path; raises FileError when it exists but cannot be
    // opened or read; otherwise the result of ParseBuffer.
    bool LoadFromFile(const QString& path);
    // Replaces the file whole (through a temporary file, see WriteFileAtomically); the
    // previous file stays as it was when this raises FileError.
    void SaveToFile(const QString& path) const;
    // False for an empty stream (the tree is not touched).
    bool LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream) const;
    // The bytes SaveToStream writes.
    QByteArray SaveToBytes() const;
    // Replaces the tree by the parsed content; true if the whole input parsed. A fault leaves
    // the tree holding everything read before it.
    bool ParseBuffer(const QByteArray& bytes);
    QString DocumentText() const;

    std::unique_ptr<XmlNode> Root;
    bool Unicode = false;
    QString Indent;
};

QString EscapeText(const QString& text);
QString UnescapeText(const QString& text);
// Replaces every match of the pattern, found without regard to case, left to right.
QString ReplaceNoCase(const QString& source, const QString& pattern, const QString& replacement);
// True when the two names are equal once upper-cased.
bool SameNameNoCase(const QString& a, const QString& b);
// Removes characters with codes 0 to 32 from both ends.
QString TrimText(const QString& text);
