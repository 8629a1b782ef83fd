#include "cli/options.h"

#include <cerrno>
#include <cstdio>
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
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < minimum || v > MaxNumberArgument) {
        error_ = std::string(flag) + " needs a whole number from " + std::to_string(minimum) + " to " +
                 std::to_string(MaxNumberArgument) + ", not '" + text + "'";
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

bool OptionReader::takeShard(const char* flag, int& index, int& count) {
    if (!more() || args_[pos_] != flag) return false;
    if (pos_ + 1 >= args_.size()) {
        error_ = std::string(flag) + " needs K/N";
        return false;
    }
    const std::string& text = args_[pos_ + 1];
    int k = 0, n = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%d/%d%c", &k, &n, &rest) != 2 || n < 1 || k < 1 || k > n ||
        n > MaxNumberArgument) {
        error_ = std::string(flag) + " needs K/N with 1 <= K <= N, not '" + text + "'";
        return false;
    }
    index = k;
    count = n;
    pos_ += 2;
    return true;
}

bool OptionReader::takeOperand(std::string& value) {
    if (!more()) return false;
    const std::string& a = args_[pos_];
    if (a.size() > 1 && a[0] == '-') return false;
    value = a;
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
    if (!more()) return "bad arguments";
    const std::string& a = args_[pos_];
    if (a.size() > 1 && a[0] == '-' && a != "--sample") return "unknown option '" + a + "'";
    return "only one level source may be given, not also '" + a + "'";
}

} // namespace cwcli
