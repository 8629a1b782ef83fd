#include "level/settings_file.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "level/settings_folder.h"

namespace cw {

namespace {

using Lines = std::vector<std::string>;

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool isComment(std::string_view text) {
    return !text.empty() && (text.front() == ';' || text.front() == '#');
}

// The name of a "[name]" line, nullopt for any other line.
std::optional<std::string_view> sectionOf(std::string_view line) {
    const std::string_view text = trim(line);
    if (text.size() < 2 || text.front() != '[') return std::nullopt;
    const auto close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trim(text.substr(1, close - 1));
}

// The key of a "key=value" line, nullopt for comments and lines without "=".
std::optional<std::string_view> keyOf(std::string_view line) {
    const std::string_view text = trim(line);
    const auto eq = text.find('=');
    if (isComment(text) || eq == std::string_view::npos) return std::nullopt;
    return trim(text.substr(0, eq));
}

// Lines without their "\n"; empty when the file is missing, nullopt when it is there but cannot be read.
std::optional<Lines> loadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (std::filesystem::exists(path, ec) || ec) return std::nullopt;
        return Lines{};
    }
    std::ostringstream all;
    all << in.rdbuf();
    if (in.bad()) return std::nullopt;
    Lines lines;
    std::istringstream split(all.str());
    for (std::string line; std::getline(split, line);) lines.push_back(std::move(line));
    return lines;
}

// Range [begin, end) of the first section called `section`: begin is its header line; nullopt if none.
std::optional<std::pair<std::size_t, std::size_t>> findSection(const Lines& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionOf(lines[i]);
        if (!name || !sameText(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !sectionOf(lines[end])) ++end;
        return std::pair{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const Lines& lines, std::size_t begin, std::size_t end,
                                   std::string_view key) {
    for (std::size_t i = begin; i < end; ++i) {
        const auto name = keyOf(lines[i]);
        if (name && sameText(*name, key)) return i;
    }
    return std::nullopt;
}

// Writes beside the target and renames, so a failure never leaves a half-written settings file.
bool saveLines(const std::string& path, const Lines& lines) {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        for (const std::string& line : lines) out << line << '\n';
        out.flush();
        if (!out) {
            std::error_code ignored;
            if (!std::filesystem::is_directory(temp, ignored)) std::filesystem::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) std::filesystem::remove(temp, ec);
    return !ec;
}

// The path up to and including its last "/", nullopt when it holds none.
std::optional<std::string> folderWithSlash(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return std::nullopt;
    return path.substr(0, slash + 1);
}

} // namespace

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) {}

const std::string& SettingsFile::path() const {
    return path_;
}

std::string SettingsFile::readString(const std::string& section, const std::string& key,
                                     const std::string& fallback) const {
    const auto lines = loadLines(path_);
    if (!lines) return fallback;
    const auto range = findSection(*lines, section);
    if (!range) return fallback;
    const auto at = findKey(*lines, range->first + 1, range->second, key);
    if (!at) return fallback;
    const std::string& line = (*lines)[*at];
    return std::string(trim(std::string_view(line).substr(line.find('=') + 1)));
}

int SettingsFile::readInt(const std::string& section, const std::string& key, int fallback) const {
    const std::string text = readString(section, key, "");
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    return (text.empty() || ec != std::errc() || stop != end) ? fallback : value;
}

bool SettingsFile::writeString(const std::string& section, const std::string& key, const std::string& value) {
    auto loaded = loadLines(path_);
    if (!loaded) return false;
    Lines& lines = *loaded;
    // Keep the file's own line ends: a file written with "\r\n" stays that way.
    bool crlf = false;
    for (const std::string& line : lines) crlf = crlf || (!line.empty() && line.back() == '\r');
    const std::string eol = crlf ? "\r" : "";
    const std::string entry = key + "=" + value + eol;

    const auto range = findSection(lines, section);
    if (!range) {
        if (!lines.empty() && !trim(lines.back()).empty()) lines.push_back(eol);
        lines.push_back("[" + section + "]" + eol);
        lines.push_back(entry);
    } else if (const auto at = findKey(lines, range->first + 1, range->second, key)) {
        lines[*at] = entry;
    } else {
        // After the section's last non-blank line, so a blank line before the next section stays there.
        std::size_t insert = range->second;
        while (insert > range->first + 1 && trim(lines[insert - 1]).empty()) --insert;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert), entry);
    }
    return saveLines(path_, lines);
}

bool SettingsFile::writeInt(const std::string& section, const std::string& key, int value) {
    return writeString(section, key, std::to_string(value));
}

std::string settingsFilePath() {
    return settingsFolder() + "/korrin.ini";
}

Settings readSettings(const SettingsFile& file) {
    const Settings defaults;
    Settings s;
    s.playAfter = file.readInt("BATCH", "PlayAfter", defaults.playAfter);
    s.output = file.readInt("BATCH", "Output", defaults.output);
    s.wTrace = file.readInt("BATCH", "wTrace", defaults.wTrace);
    s.uTime = file.readInt("OPTION", "uTime", defaults.uTime);
    if (s.uTime < 1) s.uTime = defaults.uTime;
    s.speed = file.readInt("OPTION", "Speed", defaults.speed);
    if (s.speed < 0 || s.speed > 3) s.speed = defaults.speed;
    s.inputFile = file.readString("FILE", "InputFile", defaults.inputFile);
    s.inputFolder = file.readString("FILE", "InputFolder", defaults.inputFolder);
    s.outputFile = file.readString("FILE", "OutputFile", defaults.outputFile);
    return s;
}

bool writeOptions(SettingsFile& file, const Settings& s, const std::string& resultPath) {
    bool ok = file.writeInt("BATCH", "PlayAfter", s.playAfter);
    ok = file.writeInt("BATCH", "Output", s.output) && ok;
    ok = file.writeInt("BATCH", "wTrace", s.wTrace) && ok;
    ok = file.writeInt("OPTION", "uTime", s.uTime) && ok;
    ok = file.writeInt("OPTION", "Speed", s.speed) && ok;
    if (const auto folder = folderWithSlash(resultPath))
        ok = file.writeString("FILE", "OutputFile", *folder + "*") && ok;
    return ok;
}

bool rememberInputFile(SettingsFile& file, const std::string& chosenFile) {
    const auto folder = folderWithSlash(chosenFile);
    return !folder || file.writeString("FILE", "InputFile", *folder + "*");
}

bool rememberInputFolder(SettingsFile& file, const std::string& chosenFolder) {
    const auto folder = folderWithSlash(chosenFolder);
    return !folder || file.writeString("FILE", "InputFolder", *folder);
}

std::string rememberedFolder(const std::string& value) {
    return folderWithSlash(value).value_or("");
}

} // namespace cw
