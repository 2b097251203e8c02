#include "output/png_writer.h"

namespace beatplate {

// Placeholders until the PNG-writer issue lands.
void writeChartPng(
    const std::filesystem::path&, const Canvas&, std::wstring_view, const PngWriteOptions&)
{
    throw PngWriteError("not implemented");
}

std::vector<std::uint8_t> encodeChartPng(const Canvas&, std::wstring_view, const PngWriteOptions&)
{
    return {};
}

} // namespace beatplate
