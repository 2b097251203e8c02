#include "server/web_page.h"

#include "server/built_in_web_page.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <sstream>

namespace beatplate {

namespace {

struct PageFileKind {
    std::string_view name;
    std::string_view contentType;
};

constexpr std::array<PageFileKind, 6> kPageFiles{ {
    { "index.html", "text/html; charset=utf-8" },
    { "style.css", "text/css; charset=utf-8" },
    { "app.js", "text/javascript; charset=utf-8" },
    { "player.js", "text/javascript; charset=utf-8" },
    { "served.js", "text/javascript; charset=utf-8" },
    { "standalone.js", "text/javascript; charset=utf-8" },
} };

} // namespace

static std::optional<std::string> readWhole(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (!file)
        return std::nullopt;
    return std::move(bytes).str();
}

static std::optional<std::vector<WebFile>> readPageFrom(const std::filesystem::path& directory)
{
    std::vector<WebFile> files;
    for (const auto& kind : kPageFiles) {
        auto bytes = readWhole(directory / kind.name);
        if (!bytes)
            return std::nullopt;
        files.push_back(
            { std::string(kind.name), std::string(kind.contentType), std::move(*bytes) });
    }
    return files;
}

WebPage WebPage::load(std::span<const std::filesystem::path> directories)
{
    WebPage page;
    for (const auto& directory : directories) {
        if (auto files = readPageFrom(directory)) {
            page.m_files = std::move(*files);
            page.m_source = directory;
            return page;
        }
    }
    for (const auto& kind : kPageFiles) {
        const auto builtIn = builtInWebPage();
        const auto found = std::find_if(builtIn.begin(), builtIn.end(),
                                        [&](const auto& file) { return file.name == kind.name; });
        page.m_files.push_back({ std::string(kind.name), std::string(kind.contentType),
                                 found != builtIn.end() ? std::string(found->bytes) : "" });
    }
    return page;
}

const WebFile* WebPage::find(std::string_view name) const
{
    const auto found = std::find_if(m_files.begin(), m_files.end(),
                                    [&](const WebFile& file) { return file.name == name; });
    return found != m_files.end() ? &*found : nullptr;
}

std::vector<std::filesystem::path>
webPageCandidatesFor(const std::vector<std::filesystem::path>& spriteSheetCandidates)
{
    std::vector<std::filesystem::path> directories;
    std::transform(spriteSheetCandidates.begin(), spriteSheetCandidates.end(),
                   std::back_inserter(directories),
                   [](const auto& sheet) { return sheet.parent_path() / "web"; });
    return directories;
}

} // namespace beatplate
