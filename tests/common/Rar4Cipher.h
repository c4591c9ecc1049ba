#pragma once

#include <QByteArray>

#include <array>

class QString;

// AES-128-CBC as RAR 2.9 to 4.x encrypts file data (LHD_PASSWORD) and, with
// MHD_PASSWORD, every block after the archive header. Key and IV come from
// 0x40000 SHA-1 rounds over the UTF-16LE password, the 8-byte salt and a round
// counter, derived as unrar and unar (XADRARAESHandle) derive them.
class Rar4Cipher
{
public:
    static constexpr int saltSize = 8;
    // Old RAR garbles its SHA-1 input once password and salt exceed one 64-byte
    // block; unrar and unar reproduce that, standard SHA-1 does not, so longer
    // passwords would give a key no reader accepts.
    static constexpr int maxPasswordLength = 28;

    Rar4Cipher(const QString& password, const QByteArray& salt);

    // Zero-pads `data` to whole AES blocks: readers trim by the unpacked size.
    QByteArray encrypt(const QByteArray& data) const;

private:
    std::array<quint8, 16> m_key {};
    std::array<quint8, 16> m_iv {};
};
