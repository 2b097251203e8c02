#include "driver/output_claims.h"

#include "base/utf8_path.h"
#include "cli/console.h"
#include "cli/messages.h"

#include <system_error>

namespace beatplate {

namespace {

constexpr const char* kTakenOutputMessage = "ほかの譜面と出力先が同じです。";

} // namespace

std::filesystem::path outputKeyOf(const std::filesystem::path& path)
{
    std::error_code error;
    auto key = std::filesystem::weakly_canonical(path, error);
    return error ? path.lexically_normal() : key;
}

OutputClaims::OutputClaims(std::span<const std::string> charts)
    : m_charts(charts.begin(), charts.end())
{
    for (const auto& chart : charts) {
        m_identities.push_back(chart == "-" ? std::nullopt : fileIdentityOf(utf8Path(chart)));
        if (m_identities.back())
            m_chartFiles.insert(*m_identities.back());
    }
}

std::optional<std::string> OutputClaims::refusalOf(std::size_t chart,
                                                   const std::filesystem::path& path,
                                                   const std::filesystem::path& key) const
{
    const auto identity = fileIdentityOf(path);
    // The message says it all of the chart's own file.
    if (identity && identity == m_identities.at(chart))
        return kSameFileMessage;
    if (identity && m_chartFiles.contains(*identity))
        return withDetail(kSameFileMessage, path.string() + " is another chart of this run");
    const auto owner = m_owners.find(key);
    if (owner == m_owners.end() || owner->second == chart)
        return std::nullopt;
    const std::string output = path.empty() ? "standard output" : path.string();
    return withDetail(kTakenOutputMessage, output + " is taken by " + m_charts.at(owner->second));
}

std::optional<std::string> OutputClaims::claim(std::size_t chart,
                                               std::span<const std::filesystem::path> paths)
{
    std::vector<std::filesystem::path> keys;
    for (const auto& path : paths)
        keys.push_back(outputKeyOf(path));
    const std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (auto refusal = refusalOf(chart, paths[i], keys[i]))
            return refusal;
    }
    for (auto& key : keys)
        m_owners.emplace(std::move(key), chart);
    return std::nullopt;
}

bool OutputClaims::claimedByOther(std::size_t chart, const std::filesystem::path& path) const
{
    const auto key = outputKeyOf(path);
    const std::lock_guard lock(m_mutex);
    const auto owner = m_owners.find(key);
    return owner != m_owners.end() && owner->second != chart;
}

} // namespace beatplate
