#include "cli/options.h"

#include <cerrno>
#include <cstdlib>

namespace cwcli {

bool OptionReader::take(const char* flag, int& value, int minimum) {
    if (!more() || args_[pos_] != flag) return false;
    if (pos_ + 1 >= args_.size()) {
        error_ = std::string(flag) + " needs a number";
        return false;
    }
    const std::string& text = args_[pos_ + 1];
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < minimum || v > 1'000'000'000) {
        error_ = std::string(flag) + " needs a whole number of at least " + std::to_string(minimum) +
                 ", not '" + text + "'";
        return false;
    }
    value = static_cast<int>(v);
    pos_ += 2;
    return true;
}

bool OptionReader::take(const char* flag, std::string& value) {
    if (!more() || args_[pos_] != flag) return false;
    if (pos_ + 1 >= args_.size()) {
        error_ = std::string(flag) + " needs a value";
        return false;
    }
    value = args_[pos_ + 1];
    pos_ += 2;
    return true;
}

bool OptionReader::take(const char* flag, cw::SolverChoice& value) {
    std::string text;
    const std::size_t at = pos_;
    if (!take(flag, text)) return false;
    if (text == "both") {
        value = cw::SolverChoice::Both;
    } else if (text == "one") {
        value = cw::SolverChoice::One;
    } else if (text == "two") {
        value = cw::SolverChoice::Two;
    } else {
        error_ = std::string(flag) + " needs both, one or two, not '" + text + "'";
        pos_ = at;
        return false;
    }
    return true;
}

bool OptionReader::takeFlag(const char* flag, bool& value) {
    if (!more() || args_[pos_] != flag) return false;
    value = true;
    pos_++;
    return true;
}

bool OptionReader::takeSource(std::string& source) {
    if (!more() || sourceTaken_) return false;
    const std::string& a = args_[pos_];
    if (a.size() > 1 && a[0] == '-' && a != "--sample") return false;
    source = a;
    sourceTaken_ = true;
    pos_++;
    return true;
}

std::string OptionReader::error() const {
    if (!error_.empty()) return error_;
    if (more()) return "unexpected argument '" + args_[pos_] + "'";
    return "bad arguments";
}

} // namespace cwcli
