#include "level/folder_names.h"

#include <filesystem>
#include <system_error>

namespace cw {

namespace {

std::string escapePercent(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

} // namespace

bool FolderNames::find(const std::string& folder, const std::function<bool(const std::string&)>& accept) {
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    std::error_code error;
    std::filesystem::directory_iterator it(base, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) continue;
        const std::string name = it->path().filename().string();
        const std::size_t first = name.find_first_of("0123456789");
        if (first == std::string::npos) continue;
        std::size_t last = first;
        while (last < name.size() && name[last] >= '0' && name[last] <= '9') ++last;
        const std::string digits = name.substr(first, last - first);
        if (digits.find_first_not_of('0') != digits.size() - 1 || digits.back() != '1') continue;
        prefix_ = base + "/" + name.substr(0, first);
        suffix_ = name.substr(last);
        digits_ = digits.size() >= 2 ? static_cast<int>(digits.size()) : 0;
        if (!accept(fileName(1))) continue;
        name_ = base.substr(base.find_last_of('/') + 1);
        return true;
    }
    return false;
}

std::string FolderNames::fileName(int n) const {
    std::string number = std::to_string(n);
    if (static_cast<int>(number.size()) < digits_)
        number.insert(0, static_cast<std::size_t>(digits_) - number.size(), '0');
    return prefix_ + number + suffix_;
}

std::string FolderNames::pattern() const {
    return escapePercent(prefix_) + (digits_ > 0 ? "%0" + std::to_string(digits_) + "d" : std::string("%d")) +
           escapePercent(suffix_);
}

int FolderNames::gallopCount() const {
    int count = 1;
    for (int step : {100, 10, 1}) {
        std::error_code error;
        while (std::filesystem::exists(fileName(count + step), error)) count += step;
    }
    return count;
}

} // namespace cw
