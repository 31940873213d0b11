#include "ElfVersionNote.h"

#include <cstring>

namespace ElfVersionNote {

namespace {

constexpr quint32 kSectionNote = 7; // SHT_NOTE
constexpr quint32 kSegmentNote = 4; // PT_NOTE

// Bounds-checked reads of little- or big-endian words.
class Reader
{
public:
    Reader(const QByteArray& bytes, bool bigEndian) : m_bytes(bytes), m_big(bigEndian) {}

    bool has(quint64 offset, quint64 length) const
    {
        const quint64 size = quint64(m_bytes.size());
        return offset <= size && length <= size - offset;
    }

    quint64 word(quint64 offset, int width, bool* ok) const
    {
        if (!has(offset, quint64(width))) {
            *ok = false;
            return 0;
        }
        const auto* p = reinterpret_cast<const uchar*>(m_bytes.constData()) + offset;
        quint64 value = 0;
        for (int i = 0; i < width; ++i) {
            const int shift = m_big ? 8 * (width - 1 - i) : 8 * i;
            value |= quint64(p[i]) << shift;
        }
        return value;
    }

    const char* at(quint64 offset) const { return m_bytes.constData() + offset; }

private:
    const QByteArray& m_bytes;
    bool m_big;
};

quint64 align4(quint64 v)
{
    return (v + 3) & ~quint64(3);
}

// Walks the notes in [offset, offset + size).
QString scanNotes(const Reader& r, quint64 offset, quint64 size)
{
    if (!r.has(offset, size))
        return QString();
    const quint64 end = offset + size;
    const size_t ownerLength = std::strlen(kOwner) + 1;
    quint64 at = offset;
    bool ok = true;
    while (at + 12 <= end) {
        const quint64 nameSize = r.word(at, 4, &ok);
        const quint64 descSize = r.word(at + 4, 4, &ok);
        const quint64 type = r.word(at + 8, 4, &ok);
        if (!ok)
            return QString();
        const quint64 name = at + 12;
        const quint64 desc = name + align4(nameSize);
        const quint64 next = desc + align4(descSize);
        if (next > end || next <= at)
            return QString();
        if (type == kType && nameSize == ownerLength &&
            std::memcmp(r.at(name), kOwner, ownerLength) == 0 && descSize > 0) {
            const char* text = r.at(desc);
            const size_t length = strnlen(text, size_t(descSize));
            return QString::fromUtf8(text, int(length));
        }
        at = next;
    }
    return QString();
}

struct Layout
{
    bool wide;
    // ELF header fields: table offset, entry size, count (sections, segments)
    int shoff, shentsize, shnum, phoff, phentsize, phnum;
    // entry fields: type, offset, size
    int shType, shOffset, shSize, phType, phOffset, phSize;
};

const Layout kElf32 = {false, 0x20, 0x2E, 0x30, 0x1C, 0x2A, 0x2C, 4, 0x10, 0x14, 0, 4, 0x10};
const Layout kElf64 = {true, 0x28, 0x3A, 0x3C, 0x20, 0x36, 0x38, 4, 0x18, 0x20, 0, 8, 0x20};

constexpr quint32 kSectionNoBits = 8; // SHT_NOBITS: occupies no file space

// One table of the ELF header (section or program headers) and its entries.
class Table
{
public:
    Table(const Reader& r, const Layout& l, bool sections) : m_r(r), m_l(l), m_sections(sections)
    {
        m_start = r.word(sections ? l.shoff : l.phoff, width(), &m_ok);
        m_entrySize = r.word(sections ? l.shentsize : l.phentsize, 2, &m_ok);
        m_count = r.word(sections ? l.shnum : l.phnum, 2, &m_ok);
    }

    bool ok() const { return m_ok; }
    bool empty() const { return m_start == 0 || m_count == 0; }
    quint64 count() const { return m_count; }
    // The whole table inside the image.
    bool inside() const { return m_entrySize != 0 && m_r.has(m_start, m_entrySize * m_count); }

    // Type, file offset and file size of entry i.
    bool entry(quint64 i, quint64* type, quint64* offset, quint64* size) const
    {
        bool ok = true;
        const quint64 at = m_start + i * m_entrySize;
        *type = m_r.word(at + (m_sections ? m_l.shType : m_l.phType), 4, &ok);
        *offset = m_r.word(at + (m_sections ? m_l.shOffset : m_l.phOffset), width(), &ok);
        *size = m_r.word(at + (m_sections ? m_l.shSize : m_l.phSize), width(), &ok);
        return ok;
    }

    bool isNote(quint64 type) const { return type == (m_sections ? kSectionNote : kSegmentNote); }
    bool occupiesFile(quint64 type) const
    {
        return !m_sections || (type != kSectionNoBits && type != 0);
    }

private:
    int width() const { return m_l.wide ? 8 : 4; }

    const Reader& m_r;
    const Layout& m_l;
    bool m_sections;
    bool m_ok = true;
    quint64 m_start = 0, m_entrySize = 0, m_count = 0;
};

// True when the table and every piece of the file it describes lie inside
// the image: a truncated executable fails here.
bool tableIsWhole(const Reader& r, const Table& table)
{
    if (!table.ok())
        return false;
    if (table.empty())
        return true;
    if (!table.inside())
        return false;
    for (quint64 i = 0; i < table.count(); ++i) {
        quint64 type, offset, size;
        if (!table.entry(i, &type, &offset, &size))
            return false;
        if (table.occupiesFile(type) && !r.has(offset, size))
            return false;
    }
    return true;
}

QString scanTable(const Reader& r, const Table& table)
{
    if (!table.ok() || table.empty() || !table.inside())
        return QString();
    for (quint64 i = 0; i < table.count(); ++i) {
        quint64 type, offset, size;
        if (!table.entry(i, &type, &offset, &size))
            return QString();
        if (!table.isNote(type))
            continue;
        const QString version = scanNotes(r, offset, size);
        if (!version.isEmpty())
            return version;
    }
    return QString();
}

} // namespace

QString find(const QByteArray& image)
{
    if (image.size() < 0x40 || !image.startsWith("\x7f"
                                                 "ELF"))
        return QString();
    const char elfClass = image.at(4), encoding = image.at(5);
    if ((elfClass != 1 && elfClass != 2) || (encoding != 1 && encoding != 2))
        return QString();
    const Reader reader(image, encoding == 2);
    const Layout& layout = elfClass == 2 ? kElf64 : kElf32;
    const Table sections(reader, layout, true), segments(reader, layout, false);
    if (!tableIsWhole(reader, sections) || !tableIsWhole(reader, segments))
        return QString();
    const QString fromSections = scanTable(reader, sections);
    return fromSections.isEmpty() ? scanTable(reader, segments) : fromSections;
}

} // namespace ElfVersionNote
