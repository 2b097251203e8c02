#include "png/png_error.h"

#include <cstdio>

namespace beatplate {

void onPngError(png_structp png, png_const_charp message)
{
    auto* errors = static_cast<PngErrorState*>(png_get_error_ptr(png));
    std::snprintf(errors->message.data(), errors->message.size(), "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp)
{
}

} // namespace beatplate
