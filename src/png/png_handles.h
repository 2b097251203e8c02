#pragma once

#include <png.h>

namespace beatplate {

enum class PngDirection { Read, Write };

// Owns one libpng read or write structure together with its info structure.
template <PngDirection direction>
class PngHandle {
public:
    // errorState, onError and onWarning go to libpng as they are; null picks libpng's own, which
    // print to standard error.
    explicit PngHandle(void* errorState = nullptr, png_error_ptr onError = nullptr,
                       png_error_ptr onWarning = nullptr);
    PngHandle(const PngHandle&) = delete;
    PngHandle& operator=(const PngHandle&) = delete;
    ~PngHandle();

    // False when libpng could not make both structures (it was out of memory).
    [[nodiscard]] bool valid() const { return m_png != nullptr && m_info != nullptr; }
    [[nodiscard]] png_structp png() const { return m_png; }
    [[nodiscard]] png_infop info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

using PngReadHandle = PngHandle<PngDirection::Read>;
using PngWriteHandle = PngHandle<PngDirection::Write>;

extern template class PngHandle<PngDirection::Read>;
extern template class PngHandle<PngDirection::Write>;

} // namespace beatplate
