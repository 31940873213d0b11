#include "FakeExecutable.h"

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

} // namespace

QByteArray fakeExecutable(const QString& version, const QByteArray& payload)
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
