#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// One file of the page, ready to be served.
struct WebFile {
    std::string name; // "index.html", "style.css", "app.js", "player.js"
    std::string contentType;
    std::string bytes;
};

// The files of the preview page, read once when the server starts.
class WebPage {
public:
    // From the first of directories that holds every file of the page, else the page built
    // into the program, so that a copied binary still serves it whole.
    [[nodiscard]] static WebPage load(std::span<const std::filesystem::path> directories);

    // The file of that name, or none: no other file is ever served.
    [[nodiscard]] const WebFile* find(std::string_view name) const;
    // The directory the page was read from; none when it is the built-in page.
    [[nodiscard]] const std::optional<std::filesystem::path>& source() const { return m_source; }

private:
    std::vector<WebFile> m_files;
    std::optional<std::filesystem::path> m_source;
};

// Where the page may lie, in the order it is looked for: "web" beside each place the sprite
// sheet is looked for (beside the program, then ../share/beatplate from it).
[[nodiscard]] std::vector<std::filesystem::path>
webPageCandidatesFor(const std::vector<std::filesystem::path>& spriteSheetCandidates);

} // namespace beatplate
