#include "png/png_handles.h"

namespace beatplate {

template <PngDirection direction>
PngHandle<direction>::PngHandle(void* errorState, png_error_ptr onError, png_error_ptr onWarning)
{
    if constexpr (direction == PngDirection::Read)
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, errorState, onError, onWarning);
    else
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, errorState, onError, onWarning);
    if (m_png != nullptr)
        m_info = png_create_info_struct(m_png);
}

template <PngDirection direction>
PngHandle<direction>::~PngHandle()
{
    // Both take a null structure, and a null info pointer, as nothing to free.
    if constexpr (direction == PngDirection::Read)
        png_destroy_read_struct(&m_png, &m_info, nullptr);
    else
        png_destroy_write_struct(&m_png, &m_info);
}

template class PngHandle<PngDirection::Read>;
template class PngHandle<PngDirection::Write>;

} // namespace beatplate
