#pragma once

#include <string>

namespace beatplate {

// Asks the desktop to show url in the user's default browser, without waiting for the browser.
// Returns an empty string when asked, else why it could not be.
[[nodiscard]] std::string openInBrowser(const std::string& url);

} // namespace beatplate
