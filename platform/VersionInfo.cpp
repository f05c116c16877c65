#include "platform/VersionInfo.h"

#include <QFile>
#include <QStringList>

#include <cstring>

namespace {

constexpr int kHeaderSize = 16;
constexpr int kNodeHeaderSize = 12;
constexpr quint32 kFormat = 1;
constexpr quint16 kKindNodes = 0;
constexpr quint16 kKindText = 1;
// A section larger than this is no version block; it also keeps a damaged header from making
// us allocate gigabytes.
constexpr quint64 kMaxSectionSize = 1 << 20;

quint64 Padded4(quint64 n)
{
    return (n + 3) & ~quint64(3);
}

quint64 ReadUnsigned(const char* data, int bytes, bool bigEndian)
{
    quint64 value = 0;
    for (int i = 0; i < bytes; ++i) {
        const int index = bigEndian ? i : bytes - 1 - i;
        value = (value << 8) | static_cast<unsigned char>(data[index]);
    }
    return value;
}

quint64 ReadLE(const QByteArray& bytes, qsizetype at, int size)
{
    return ReadUnsigned(bytes.constData() + at, size, false);
}

void AppendLE(QByteArray& out, quint64 value, int size)
{
    for (int i = 0; i < size; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

void PadTo4(QByteArray& out)
{
    while (out.size() % 4 != 0)
        out.append('\0');
}

QByteArray EncodeNode(const QString& key, quint16 kind, const QString& text, const QByteArray& children)
{
    const QByteArray keyBytes = key.toUtf8();
    const QByteArray valueBytes = text.toUtf8();
    QByteArray body = keyBytes;
    PadTo4(body);
    body += valueBytes;
    PadTo4(body);
    body += children;
    QByteArray node;
    AppendLE(node, kNodeHeaderSize + body.size(), 4);
    AppendLE(node, keyBytes.size(), 2);
    AppendLE(node, kind, 2);
    AppendLE(node, valueBytes.size(), 4);
    return node + body;
}

/// One node of a block, as offsets into it; every range has been checked to lie inside its parent.
struct Node
{
    qsizetype begin = 0;
    qsizetype end = 0;
    QByteArray key;
    quint16 kind = kKindNodes;
    qsizetype valueBegin = 0;
    qsizetype valueLength = 0;
    qsizetype childrenBegin = 0;
};

std::optional<Node> ReadNode(const QByteArray& block, qsizetype at, qsizetype limit)
{
    if (at < 0 || limit - at < kNodeHeaderSize)
        return std::nullopt;
    Node node;
    node.begin = at;
    const quint64 length = ReadLE(block, at, 4);
    const quint64 keyLength = ReadLE(block, at + 4, 2);
    node.kind = static_cast<quint16>(ReadLE(block, at + 6, 2));
    const quint64 valueLength = ReadLE(block, at + 8, 4);
    const quint64 available = quint64(limit - at);
    if (length < kNodeHeaderSize || length > available)
        return std::nullopt;
    const quint64 valueOffset = kNodeHeaderSize + Padded4(keyLength);
    const quint64 childrenOffset = valueOffset + Padded4(valueLength);
    if (childrenOffset > length)
        return std::nullopt;
    node.end = at + qsizetype(length);
    node.key = block.mid(at + kNodeHeaderSize, qsizetype(keyLength));
    node.valueBegin = at + qsizetype(valueOffset);
    node.valueLength = qsizetype(valueLength);
    node.childrenBegin = at + qsizetype(childrenOffset);
    return node;
}

/// The child of parent whose key equals key (ASCII case ignored); nullopt also for a damaged list.
std::optional<Node> FindChild(const QByteArray& block, const Node& parent, const QByteArray& key)
{
    qsizetype at = parent.childrenBegin;
    while (at < parent.end) {
        const std::optional<Node> child = ReadNode(block, at, parent.end);
        if (!child)
            return std::nullopt;
        if (child->key.compare(key, Qt::CaseInsensitive) == 0)
            return child;
        at = child->end;
    }
    return std::nullopt;
}

/// The root node of a block whose header is sound.
std::optional<Node> RootNode(const QByteArray& block)
{
    if (block.size() < kHeaderSize + kNodeHeaderSize)
        return std::nullopt;
    if (std::memcmp(block.constData(), VersionInfo::kMagic, 8) != 0)
        return std::nullopt;
    if (ReadLE(block, 8, 4) != quint64(block.size()) || ReadLE(block, 12, 4) != kFormat)
        return std::nullopt;
    return ReadNode(block, kHeaderSize, block.size());
}

/// The block at the start of a section's bytes, cut to the length its header gives.
QByteArray BlockOf(const QByteArray& section)
{
    if (section.size() < kHeaderSize || std::memcmp(section.constData(), VersionInfo::kMagic, 8) != 0)
        return QByteArray();
    const quint64 length = ReadLE(section, 8, 4);
    if (length < quint64(kHeaderSize + kNodeHeaderSize) || length > quint64(section.size()))
        return QByteArray();
    QByteArray block = section.left(qsizetype(length));
    return RootNode(block) ? block : QByteArray();
}

QByteArray ReadAt(QFile& file, quint64 offset, quint64 size)
{
    if (size > kMaxSectionSize || offset > quint64(file.size()) || size > quint64(file.size()) - offset)
        return QByteArray();
    if (!file.seek(qint64(offset)))
        return QByteArray();
    QByteArray bytes = file.read(qint64(size));
    return bytes.size() == qsizetype(size) ? bytes : QByteArray();
}

} // namespace

std::optional<QByteArray> ReadElfSection(const QString& path, const QByteArray& sectionName)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray ident = file.read(64);
    if (ident.size() < 52 || !ident.startsWith("\x7f"
                                               "ELF"))
        return std::nullopt;
    const bool is64 = ident.at(4) == 2;
    if (!is64 && ident.at(4) != 1)
        return std::nullopt;
    if (ident.at(5) != 1 && ident.at(5) != 2)
        return std::nullopt;
    if (is64 && ident.size() < 64)
        return std::nullopt;
    const bool big = ident.at(5) == 2;
    const char* h = ident.constData();
    auto field = [big](const char* at, int bytes) { return ReadUnsigned(at, bytes, big); };

    const quint64 shoff = is64 ? field(h + 0x28, 8) : field(h + 0x20, 4);
    const quint64 shentsize = field(h + (is64 ? 0x3A : 0x2E), 2);
    quint64 shnum = field(h + (is64 ? 0x3C : 0x30), 2);
    quint64 shstrndx = field(h + (is64 ? 0x3E : 0x32), 2);
    const quint64 minEntry = is64 ? 64 : 40;
    if (shoff == 0 || shentsize < minEntry)
        return std::nullopt;

    struct Section
    {
        quint64 name = 0, type = 0, offset = 0, size = 0, link = 0;
    };
    auto readSection = [&](quint64 index) -> std::optional<Section> {
        const QByteArray entry = ReadAt(file, shoff + index * shentsize, minEntry);
        if (entry.isEmpty())
            return std::nullopt;
        const char* e = entry.constData();
        Section s;
        s.name = field(e, 4);
        s.type = field(e + 4, 4);
        s.offset = is64 ? field(e + 24, 8) : field(e + 16, 4);
        s.size = is64 ? field(e + 32, 8) : field(e + 20, 4);
        s.link = is64 ? field(e + 40, 4) : field(e + 24, 4);
        return s;
    };

    // Files with very many sections keep the true counts in section 0.
    const std::optional<Section> first = readSection(0);
    if (!first)
        return std::nullopt;
    if (shnum == 0)
        shnum = first->size;
    if (shstrndx == 0xffff)
        shstrndx = first->link;
    if (shnum == 0 || shnum > 65536 * 16 || shstrndx >= shnum)
        return std::nullopt;

    const std::optional<Section> names = readSection(shstrndx);
    if (!names)
        return std::nullopt;
    const QByteArray nameTable = ReadAt(file, names->offset, names->size);
    if (nameTable.isEmpty())
        return std::nullopt;

    constexpr quint64 kNoBits = 8;
    for (quint64 i = 1; i < shnum; ++i) {
        const std::optional<Section> s = readSection(i);
        if (!s)
            return std::nullopt;
        if (s->name >= quint64(nameTable.size()))
            continue;
        const char* name = nameTable.constData() + s->name;
        const qsizetype room = nameTable.size() - qsizetype(s->name);
        if (qstrnlen(name, room) != quint32(sectionName.size()) ||
            std::memcmp(name, sectionName.constData(), sectionName.size()) != 0)
            continue;
        if (s->type == kNoBits || s->size == 0)
            return std::nullopt;
        QByteArray bytes = ReadAt(file, s->offset, s->size);
        if (bytes.isEmpty())
            return std::nullopt;
        return bytes;
    }
    return std::nullopt;
}

QByteArray VersionInfoBlock(const QString& path)
{
    const std::optional<QByteArray> section = ReadElfSection(path, VersionInfo::kSectionName);
    return section ? BlockOf(*section) : QByteArray();
}

int VersionInfoSize(const QString& path)
{
    return int(VersionInfoBlock(path).size());
}

std::optional<QString> VersionInfoValue(const QByteArray& block, const QString& path)
{
    std::optional<Node> node = RootNode(block);
    if (!node)
        return std::nullopt;
    const QStringList keys = path.split(u'\\', Qt::SkipEmptyParts);
    if (keys.isEmpty())
        return std::nullopt;
    for (const QString& key : keys) {
        node = FindChild(block, *node, key.toUtf8());
        if (!node)
            return std::nullopt;
    }
    if (node->kind != kKindText)
        return std::nullopt;
    return QString::fromUtf8(block.mid(node->valueBegin, node->valueLength));
}

QByteArray EncodeVersionBlock(const QList<VersionStringTable>& tables)
{
    QByteArray tableNodes;
    for (const VersionStringTable& table : tables) {
        QByteArray strings;
        for (const auto& [key, text] : table.strings)
            strings += EncodeNode(key, kKindText, text, QByteArray());
        tableNodes += EncodeNode(table.name, kKindNodes, QString(), strings);
    }
    const QByteArray stringInfo =
        EncodeNode(QStringLiteral("StringFileInfo"), kKindNodes, QString(), tableNodes);
    const QByteArray root = EncodeNode(QStringLiteral("VersionInfo"), kKindNodes, QString(), stringInfo);
    QByteArray block(VersionInfo::kMagic, 8);
    AppendLE(block, kHeaderSize + root.size(), 4);
    AppendLE(block, kFormat, 4);
    return block + root;
}
