#include "chart/utf8_detector.h"

namespace beatplate {

// lead := 00..7F | C2..DF | E0..EF | F0..F4, with the bounds of the first continuation byte
// that exclude overlong forms, surrogates and code points above U+10FFFF
Utf8Detector::Verdict Utf8Detector::scan(std::string_view bytes)
{
    for (; m_scanned < bytes.size(); ++m_scanned) {
        const auto byte = static_cast<unsigned char>(bytes[m_scanned]);
        if (m_continuations > 0) {
            if (byte < m_lower || byte > m_upper)
                return Verdict::NotUtf8;
            m_lower = 0x80;
            m_upper = 0xBF;
            if (--m_continuations == 0)
                m_multiByte = true;
            continue;
        }
        if (byte == 0x1A)
            return finish();
        if (byte < 0x80)
            continue;
        if (byte < 0xC2 || byte > 0xF4)
            return Verdict::NotUtf8;
        m_continuations = byte < 0xE0 ? 1 : byte < 0xF0 ? 2 : 3;
        if (byte == 0xE0)
            m_lower = 0xA0;
        else if (byte == 0xED)
            m_upper = 0x9F;
        else if (byte == 0xF0)
            m_lower = 0x90;
        else if (byte == 0xF4)
            m_upper = 0x8F;
    }
    return Verdict::Undecided;
}

Utf8Detector::Verdict Utf8Detector::finish() const
{
    return m_multiByte ? Verdict::Utf8 : Verdict::NotUtf8;
}

} // namespace beatplate
