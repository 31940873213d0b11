#include "FakeExecutable.h"

#include <QList>
#include <QStringList>
#include <QtEndian>

namespace {

template <typename T>
void put(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, int(sizeof(T)));
}

void pad4(QByteArray& out)
{
    while (out.size() % 4)
        out.append('\0');
}

void putAt(QByteArray& out, int offset, quint32 value)
{
    qToLittleEndian(value, out.data() + offset);
}

// One node of a version resource: length, value length, type (1: text),
// key, padding, value, padding, children. Text values count in characters.
QByteArray versionNode(const QString& key, const QByteArray& value, bool text,
                       const QList<QByteArray>& children = {})
{
    QByteArray node(6, '\0');
    node.append(reinterpret_cast<const char*>(key.utf16()), key.size() * 2);
    node.append(2, '\0');
    pad4(node);
    node.append(value);
    for (const QByteArray& child : children) {
        pad4(node);
        node.append(child);
    }
    qToLittleEndian(quint16(node.size()), node.data());
    qToLittleEndian(quint16(text ? value.size() / 2 : value.size()), node.data() + 2);
    qToLittleEndian(quint16(text ? 1 : 0), node.data() + 4);
    return node;
}

QByteArray utf16z(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2) +
           QByteArray(2, '\0');
}

// The version resource the programs carry (cmake/VersionResource.rc.in):
// the fixed block, FileVersion in the Chinese (PRC) Unicode table, and
// the translation that names that table.
QByteArray versionResource(const QString& version)
{
    quint16 numbers[4] = {0, 0, 0, 0};
    const QStringList parts = version.split(QLatin1Char('.'));
    for (int i = 0; i < 4 && i < parts.size(); ++i)
        numbers[i] = parts.at(i).toUShort();
    QByteArray fixed;
    for (const quint32 value :
         {0xFEEF04BDu, 0x00010000u, quint32(numbers[0] << 16 | numbers[1]),
          quint32(numbers[2] << 16 | numbers[3]), quint32(numbers[0] << 16 | numbers[1]),
          quint32(numbers[2] << 16 | numbers[3]), 0x3Fu, 0u, 0x40004u, 1u, 0u, 0u, 0u})
        put<quint32>(fixed, value);
    const QByteArray string = versionNode(QStringLiteral("FileVersion"), utf16z(version), true);
    const QByteArray table = versionNode(QStringLiteral("080404b0"), QByteArray(), true, {string});
    const QByteArray strings = versionNode(QStringLiteral("StringFileInfo"), QByteArray(), true, {table});
    QByteArray translation;
    put<quint16>(translation, 0x0804);
    put<quint16>(translation, 1200);
    const QByteArray var = versionNode(QStringLiteral("Translation"), translation, false);
    const QByteArray vars = versionNode(QStringLiteral("VarFileInfo"), QByteArray(), true, {var});
    return versionNode(QStringLiteral("VS_VERSION_INFO"), fixed, false, {strings, vars});
}

// A 64-bit PE image with one section, .rsrc, holding the version resource
// (type 16, name 1, language 0x0804); the payload follows the section.
[[maybe_unused]] QByteArray peExecutable(const QString& version, const QByteArray& payload)
{
    constexpr quint32 kFileAlign = 0x200;
    constexpr quint32 kSectionRva = 0x1000;
    const QByteArray info = versionResource(version);

    // Resource tree: root (type) -> name -> language -> data entry -> data.
    QByteArray rsrc;
    const auto directory = [&rsrc](quint32 id, quint32 target) {
        rsrc.append(12, '\0');
        put<quint16>(rsrc, 0); // named entries
        put<quint16>(rsrc, 1); // id entries
        put<quint32>(rsrc, id);
        put<quint32>(rsrc, target);
    };
    directory(16, 0x80000000u | 0x18);
    directory(1, 0x80000000u | 0x30);
    directory(0x0804, 0x48);
    put<quint32>(rsrc, kSectionRva + 0x58);
    put<quint32>(rsrc, quint32(info.size()));
    put<quint32>(rsrc, 0);
    put<quint32>(rsrc, 0);
    rsrc.append(0x58 - rsrc.size(), '\0');
    rsrc.append(info);
    const quint32 rsrcSize = quint32(rsrc.size());
    const quint32 rawSize = (rsrcSize + kFileAlign - 1) / kFileAlign * kFileAlign;
    rsrc.append(int(rawSize - rsrcSize), '\0');

    QByteArray image(0x40, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    putAt(image, 0x3C, 0x40);
    image.append("PE\0\0", 4);
    put<quint16>(image, 0x8664); // machine: x86-64
    put<quint16>(image, 1);      // sections
    put<quint32>(image, 0);
    put<quint32>(image, 0);
    put<quint32>(image, 0);
    put<quint16>(image, 240);    // optional header size
    put<quint16>(image, 0x0022); // executable, large address aware
    put<quint16>(image, 0x20B);  // PE32+
    put<quint16>(image, 0);
    put<quint32>(image, 0);       // code size
    put<quint32>(image, rawSize); // initialised data size
    put<quint32>(image, 0);
    put<quint32>(image, 0); // entry point
    put<quint32>(image, 0); // base of code
    put<quint64>(image, 0x140000000ull);
    put<quint32>(image, 0x1000);     // section alignment
    put<quint32>(image, kFileAlign); // file alignment
    for (const quint16 value : {6, 0, 0, 0, 6, 0})
        put<quint16>(image, value); // OS, image, subsystem versions
    put<quint32>(image, 0);
    put<quint32>(image, kSectionRva + (rsrcSize + 0xFFF) / 0x1000 * 0x1000); // image size
    put<quint32>(image, kFileAlign);                                          // headers size
    put<quint32>(image, 0);
    put<quint16>(image, 2); // subsystem: GUI
    put<quint16>(image, 0);
    for (const quint64 value : {0x100000ull, 0x1000ull, 0x100000ull, 0x1000ull})
        put<quint64>(image, value);
    put<quint32>(image, 0);
    put<quint32>(image, 16); // data directories
    for (int i = 0; i < 16; ++i) {
        put<quint32>(image, i == 2 ? kSectionRva : 0); // 2: resources
        put<quint32>(image, i == 2 ? rsrcSize : 0);
    }
    image.append(".rsrc\0\0\0", 8);
    put<quint32>(image, rsrcSize);
    put<quint32>(image, kSectionRva);
    put<quint32>(image, rawSize);
    put<quint32>(image, kFileAlign);
    put<quint32>(image, 0);
    put<quint32>(image, 0);
    put<quint16>(image, 0);
    put<quint16>(image, 0);
    put<quint32>(image, 0x40000040u); // initialised data, readable
    image.append(int(kFileAlign) - image.size(), '\0');
    image.append(rsrc);
    image.append(payload);
    return image;
}

// A 64-bit ELF image with the version note of cmake/VersionNote.cpp.in.
[[maybe_unused]] QByteArray elfExecutable(const QString& version, const QByteArray& payload)
{
    QByteArray note;
    const QByteArray desc = version.toUtf8() + '\0';
    put<quint32>(note, 9);
    put<quint32>(note, quint32(desc.size()));
    put<quint32>(note, 0x5646);
    note.append("KORVALIS", 9);
    pad4(note);
    note.append(desc);
    pad4(note);

    const quint64 noteOffset = 64;
    const quint64 sectionTable = noteOffset + quint64(note.size() + payload.size() + 7) / 8 * 8;
    QByteArray image("\x7f" "ELF\x02\x01\x01", 7);
    image.append(9, '\0');
    put<quint16>(image, 2);            // e_type: executable
    put<quint16>(image, 62);           // e_machine: x86-64
    put<quint32>(image, 1);            // e_version
    put<quint64>(image, 0);            // e_entry
    put<quint64>(image, 0);            // e_phoff: no program headers
    put<quint64>(image, sectionTable); // e_shoff
    put<quint32>(image, 0);            // e_flags
    put<quint16>(image, 64);           // e_ehsize
    put<quint16>(image, 56);           // e_phentsize
    put<quint16>(image, 0);            // e_phnum
    put<quint16>(image, 64);           // e_shentsize
    put<quint16>(image, 2);            // e_shnum
    put<quint16>(image, 0);            // e_shstrndx
    image.append(note);
    image.append(payload);
    image.append(int(sectionTable) - image.size(), '\0');
    image.append(64, '\0'); // section 0
    put<quint32>(image, 0);           // sh_name
    put<quint32>(image, 7);           // sh_type: note
    put<quint64>(image, 2);           // sh_flags: alloc
    put<quint64>(image, 0);           // sh_addr
    put<quint64>(image, noteOffset);  // sh_offset
    put<quint64>(image, quint64(note.size()));
    put<quint32>(image, 0);
    put<quint32>(image, 0);
    put<quint64>(image, 4);
    put<quint64>(image, 0);
    return image;
}

} // namespace

QByteArray fakeExecutable(const QString& version, const QByteArray& payload)
{
#ifdef Q_OS_WIN
    return peExecutable(version, payload);
#else
    return elfExecutable(version, payload);
#endif
}
