#include "chart/utf8_detector.h"

#include "base/text_codec.h"

namespace beatplate {

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
        const Utf8Lead lead = utf8LeadOf(byte);
        if (lead.length == 0)
            return Verdict::NotUtf8;
        m_continuations = static_cast<int>(lead.length) - 1;
        m_lower = lead.low;
        m_upper = lead.high;
    }
    return Verdict::Undecided;
}

Utf8Detector::Verdict Utf8Detector::finish() const
{
    return m_multiByte ? Verdict::Utf8 : Verdict::NotUtf8;
}

} // namespace beatplate
