#include "support/ElfFixture.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

class Writer
{
public:
    explicit Writer(bool big) : m_big(big) {}
    void put(quint64 value, int bytes)
    {
        for (int i = 0; i < bytes; ++i) {
            const int shift = m_big ? 8 * (bytes - 1 - i) : 8 * i;
            m_out.append(static_cast<char>((value >> shift) & 0xff));
        }
    }
    void word(quint64 value, bool is64) { put(value, is64 ? 8 : 4); }
    QByteArray& bytes() { return m_out; }

private:
    bool m_big;
    QByteArray m_out;
};

} // namespace

QByteArray MakeElfFile(const QList<QPair<QByteArray, QByteArray>>& sections, bool is64, bool bigEndian)
{
    const int headerSize = is64 ? 64 : 52;
    const int entrySize = is64 ? 64 : 40;

    QByteArray names("\0.shstrtab\0", 11);
    QList<quint64> nameOffsets;
    for (const auto& section : sections) {
        nameOffsets.append(names.size());
        names += section.first + '\0';
    }
    // Section contents follow the header, then the name table, then the section headers.
    QByteArray data;
    QList<quint64> dataOffsets;
    for (const auto& section : sections) {
        dataOffsets.append(headerSize + data.size());
        data += section.second;
        while (data.size() % 8 != 0)
            data.append('\0');
    }
    const quint64 namesOffset = headerSize + data.size();
    QByteArray tail = names;
    while ((namesOffset + tail.size()) % 8 != 0)
        tail.append('\0');
    const quint64 shoff = namesOffset + tail.size();
    const int count = 2 + int(sections.size());

    Writer w(bigEndian);
    w.bytes() += QByteArray("\x7f"
                            "ELF");
    w.put(is64 ? 2 : 1, 1);
    w.put(bigEndian ? 2 : 1, 1);
    w.put(1, 1);
    w.bytes() += QByteArray(9, '\0');
    w.put(2, 2);             // executable
    w.put(is64 ? 62 : 3, 2); // machine
    w.put(1, 4);             // version
    w.word(0, is64);         // entry
    w.word(0, is64);         // program headers
    w.word(shoff, is64);     // section headers
    w.put(0, 4);             // flags
    w.put(headerSize, 2);
    w.put(is64 ? 56 : 32, 2);
    w.put(0, 2);
    w.put(entrySize, 2);
    w.put(count, 2);
    w.put(1, 2); // the name table is section 1
    w.bytes() += data + tail;

    auto entry = [&](quint64 name, quint64 type, quint64 offset, quint64 size) {
        w.put(name, 4);
        w.put(type, 4);
        w.word(0, is64); // flags
        w.word(0, is64); // address
        w.word(offset, is64);
        w.word(size, is64);
        w.put(0, 4);     // link
        w.put(0, 4);     // info
        w.word(1, is64); // alignment
        w.word(0, is64); // entry size
    };
    entry(0, 0, 0, 0);
    entry(1, 3, namesOffset, names.size());
    for (qsizetype i = 0; i < sections.size(); ++i)
        entry(nameOffsets[i], 1, dataOffsets[i], sections[i].second.size());
    return w.bytes();
}

void WriteFixtureFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}
