#include "level/level_set.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "level/parser.h"
#include "level/sample_set.h"

namespace cw {

namespace {

// The window slides forward once the search start lies beyond this index, and back once it lies
// before the back limit, so a level of the current neighbourhood stays whole inside it.
constexpr int ForwardSlideFrom = 9000;
constexpr int BackwardSlideBelow = 3000;
constexpr int ShowLevelBelow = 8000;

// Line ends for the finders: CR, LF, vertical tab, and a NUL inside the loaded text.
bool endsLine(char c) {
    return c == '\0' || isLineBreak(c);
}

// File title without its folder and without its extension.
std::string fileTitle(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

// The first `count` bytes of a regular file, or -1. A FIFO or device among a folder's files is no
// level file: opening it without blocking and looking before reading keeps a scan from hanging.
long readRegularFile(const std::string& path, char* into, long count) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    long done = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        done = 0;
        while (done < count) {
            const ssize_t got = ::read(fd, into + done, static_cast<std::size_t>(count - done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            done += got;
        }
    }
    ::close(fd);
    return done;
}

std::string escapePercent(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

} // namespace

LevelSet::LevelSet(Level& level, std::string pasteFile) : level_(level), pasteFile_(std::move(pasteFile)) {}

// ---- entry points for front ends ----

bool LevelSet::loadSample() {
    const char* text = sampleSetText();
    const std::size_t length = std::min<std::size_t>(std::strlen(text), TextBufferBytes);
    std::memcpy(textBuffer_.data(), text, length);
    textBuffer_[length] = '\0';
    if (loadText(textBuffer_.data()) == 0) return false;
    levelSetName_ = "Sample";
    isSample_ = true;
    return true;
}

bool LevelSet::loadPasted(const std::string& text) {
    if (text.size() <= static_cast<std::size_t>(TextBufferBytes)) {
        std::memcpy(textBuffer_.data(), text.data(), text.size());
        textBuffer_[text.size()] = '\0';
        return loadText(textBuffer_.data()) == 1;
    }
    return loadLongText(text) == 1;
}

bool LevelSet::loadFile(const std::string& path) {
    loadError_.clear();
    const long got = source_.open(path) ? source_.readAt(0, textBuffer_.data(), TextBufferBytes) : -1;
    if (got < 0) {
        const std::string why = source_.error();
        clear();
        loadError_ = why;
        return false;
    }
    textBuffer_[got] = '\0';
    return finishFileLoad(path, static_cast<int>(got)) == 1;
}

bool LevelSet::loadFolder(const std::string& folder) {
    return openFolder(folder) == 1;
}

void LevelSet::goTo(int n) {
    if (levelSource_ == SourceNone) return;
    n = std::clamp(n, 1, std::max(levelTotal_, 1));
    while (levelNumber_ < n && hasNext()) nextLevel();
    while (levelNumber_ > n && hasPrev()) prevLevel();
}

void LevelSet::clear() {
    prevLevelPos_ = currentLevelPos_ = nextLevelPos_ = -1;
    levelSetName_.clear();
    levelTotal_ = 0;
    levelNumber_ = 0;
    levelSource_ = SourceNone;
    isSample_ = false;
    source_.close();
    sourceFault_.clear();
}

const char* LevelSet::sampleLabel() const {
    return isSample_ ? sampleLevelLabel(levelNumber_) : "";
}

// ---- loading ----

int LevelSet::loadText(const char* text) {
    if (text != textBuffer_.data()) return loadLongText(text);
    isSample_ = false;
    loadError_.clear();
    sourceFault_.clear();
    source_.close();
    levelSource_ = SourceText;
    bufferLength_ = static_cast<int>(std::strlen(textBuffer_.data()));
    moreInFile_ = 0;
    return finishLoad("TextBox");
}

int LevelSet::loadLongText(std::string_view text) {
    isSample_ = false;
    loadError_.clear();
    sourceFault_.clear();
    if (pasteFile_.empty()) {
        source_.hold(std::string(text));
    } else {
        std::FILE* file = std::fopen(pasteFile_.c_str(), "wb");
        bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
        if (file != nullptr && std::fclose(file) != 0) written = false;
        if (!written || !source_.open(pasteFile_)) {
            const std::string why =
                written ? source_.error()
                        : "cannot write the scratch file " + pasteFile_ + ": " + std::strerror(errno);
            clear();
            loadError_ = why;
            return 0;
        }
    }
    const long got = source_.readAt(0, textBuffer_.data(), TextBufferBytes);
    if (got <= 0) {
        clear();
        return 0;
    }
    levelSource_ = SourcePaste;
    bufferLength_ = static_cast<int>(got);
    textBuffer_[bufferLength_] = '\0';
    moreInFile_ = 1;
    return finishLoad("TextBox");
}

int LevelSet::loadLevelFile(const std::string& path, int bytesRead) {
    if (!source_.open(path)) {
        loadError_ = source_.error();
        clear();
        return 0;
    }
    return finishFileLoad(path, bytesRead);
}

int LevelSet::finishFileLoad(const std::string& path, int bytesRead) {
    isSample_ = false;
    sourceFault_.clear();
    bufferLength_ = std::clamp(bytesRead, 0, TextBufferBytes);
    textBuffer_[bufferLength_] = '\0';
    moreInFile_ = bufferLength_ == TextBufferBytes ? 1 : 0;
    levelSource_ = SourceFile;
    return finishLoad(fileTitle(path));
}

// Shared end of the text loads: the window starts at the text start.
int LevelSet::finishLoad(const std::string& name) {
    bufferFileOffset_ = 0;
    textHasVT_ = std::memchr(textBuffer_.data(), '\v', bufferLength_) != nullptr ? 1 : 0;
    prevLevelPos_ = -1;
    currentLevelPos_ = findLevelForward(0);
    if (currentLevelPos_ == -1) {
        clear();
        return 0;
    }
    nextLevelPos_ = findLevelForward(currentLevelPos_ + 1);
    levelSetName_ = name;
    levelNumber_ = 1;
    countLevels();
    parseCurrent();
    return 1;
}

int LevelSet::openFolder(const std::string& folder) {
    isSample_ = false;
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    std::error_code error;
    std::filesystem::directory_iterator it(base, error);
    bool found = false;
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
        folderPrefix_ = base + "/" + name.substr(0, first);
        folderSuffix_ = name.substr(last);
        folderDigits_ = digits.size() >= 2 ? static_cast<int>(digits.size()) : 0;
        if (readLevelFile(1) != 1) continue;
        found = true;
        break;
    }
    if (!found) {
        clear();
        return 0;
    }
    folderPattern_ = escapePercent(folderPrefix_) +
                     (folderDigits_ > 0 ? "%0" + std::to_string(folderDigits_) + "d" : std::string("%d")) +
                     escapePercent(folderSuffix_);
    levelSetName_ = base.substr(base.find_last_of('/') + 1);
    prevLevelPos_ = -1;
    levelNumber_ = 1;
    currentLevelPos_ = 1;
    bufferFileOffset_ = 0;
    moreInFile_ = 0;
    textHasVT_ = 0;
    nextLevelPos_ = readLevelFile(2);
    levelSource_ = SourceFolder;
    readLevelFile(1);
    countLevels();
    level_.levelStatus = parseLevel(level_, textBuffer_.data(), ParseFull);
    return 1;
}

std::string LevelSet::folderFileName(int n) const {
    std::string number = std::to_string(n);
    if (static_cast<int>(number.size()) < folderDigits_) {
        number.insert(0, static_cast<std::size_t>(folderDigits_) - number.size(), '0');
    }
    return folderPrefix_ + number + folderSuffix_;
}

int LevelSet::readLevelFile(int n) {
    textBuffer_[0] = '\0';
    bufferLength_ = 0;
    const long got = readRegularFile(folderFileName(n), textBuffer_.data(), TextBufferBytes);
    if (got <= 0) return -1;
    bufferLength_ = static_cast<int>(got);
    textBuffer_[got] = '\0';
    return parseLevel(level_, textBuffer_.data(), ParseCheck) == Outcome::Ready ? n : -1;
}

// ---- stepping ----

void LevelSet::parseCurrent() {
    if (levelSource_ == SourceFolder) {
        level_.levelStatus = parseLevel(level_, textBuffer_.data(), ParseFull);
        return;
    }
    showLevelAt(currentLevelPos_);
    level_.levelStatus =
        parseLevel(level_, textBuffer_.data() + (currentLevelPos_ - bufferFileOffset_), ParseFull);
}

void LevelSet::nextLevel() {
    if (!hasNext()) return;
    ++levelNumber_;
    prevLevelPos_ = currentLevelPos_;
    currentLevelPos_ = nextLevelPos_;
    if (levelSource_ == SourceFolder) {
        nextLevelPos_ = readLevelFile(levelNumber_ + 1);
        readLevelFile(levelNumber_);
    } else {
        nextLevelPos_ = findLevelForward(currentLevelPos_ + 1);
    }
    parseCurrent();
}

void LevelSet::prevLevel() {
    if (!hasPrev()) return;
    --levelNumber_;
    nextLevelPos_ = currentLevelPos_;
    currentLevelPos_ = prevLevelPos_;
    if (levelSource_ == SourceFolder) {
        prevLevelPos_ = levelNumber_ == 1 ? -1 : levelNumber_ - 1;
        readLevelFile(levelNumber_);
    } else {
        prevLevelPos_ = findLevelBackward(currentLevelPos_ - 1);
    }
    parseCurrent();
}

void LevelSet::countLevels() {
    if (levelSource_ == SourceNone) return;
    if (levelSource_ == SourceFolder) {
        // Gallop by 100, 10 and 1: only whether a file exists is tested.
        int count = 1;
        for (int step : {100, 10, 1}) {
            std::error_code error;
            while (std::filesystem::exists(folderFileName(count + step), error)) count += step;
        }
        levelTotal_ = count;
        return;
    }
    while (nextLevelPos_ != -1) nextLevel();
    levelTotal_ = levelNumber_;
    while (levelNumber_ > 1 && prevLevelPos_ != -1) prevLevel();
}

// ---- the window ----

long LevelSet::readAt(long offset, char* into, long count) {
    const long got = source_.readAt(offset, into, count);
    if (got < 0 && sourceFault_.empty()) sourceFault_ = source_.error();
    return got;
}

bool LevelSet::slideForward() {
    if (!moreInFile_) return false;
    if (bufferLength_ <= TextSlideStep) {
        moreInFile_ = 0; // nothing to drop: treat the window as the text's end
        return false;
    }
    char* buffer = textBuffer_.data();
    const int kept = bufferLength_ - TextSlideStep;
    const long asked = TextBufferBytes - kept;
    const long readFrom = static_cast<long>(bufferFileOffset_) + bufferLength_;
    std::memmove(buffer, buffer + TextSlideStep, kept);
    long got = readAt(readFrom, buffer + kept, asked);
    if (got < 0) got = 0; // the file went away: the text ends here
    bufferFileOffset_ += TextSlideStep;
    bufferLength_ = kept + static_cast<int>(got);
    if (got < asked) moreInFile_ = 0;
    buffer[bufferLength_] = '\0';
    return true;
}

bool LevelSet::slideBackward() {
    if (bufferFileOffset_ <= 0) return false;
    char* buffer = textBuffer_.data();
    int kept = bufferLength_;
    if (kept + TextSlideStep > TextBufferBytes) {
        kept = TextBufferBytes - TextSlideStep;
        moreInFile_ = 1;
    }
    std::memmove(buffer + TextSlideStep, buffer, kept);
    bufferFileOffset_ -= TextSlideStep;
    const long got = readAt(bufferFileOffset_, buffer, TextSlideStep);
    // A file cut short meanwhile reads as blank lines.
    for (long i = std::max(got, 0L); i < TextSlideStep; ++i) buffer[i] = '\n';
    bufferLength_ = kept + TextSlideStep;
    buffer[bufferLength_] = '\0';
    return true;
}

// Moves the window so that the level at pos lies inside it with room after it.
void LevelSet::showLevelAt(int pos) {
    while (pos < bufferFileOffset_ && slideBackward()) {
    }
    while (moreInFile_ && pos - bufferFileOffset_ >= ShowLevelBelow && slideForward()) {
    }
}

// Whether the block of map lines from text position start to end (its last line break) is a level.
bool LevelSet::isLevelBlock(int start, int end) {
    char* buffer = textBuffer_.data();
    const int e = end - bufferFileOffset_;
    const char saved = buffer[e];
    buffer[e] = '\0';
    const Outcome verdict = parseLevel(level_, buffer + (start - bufferFileOffset_), ParseCheck);
    buffer[e] = saved;
    return verdict == Outcome::Ready;
}

// ---- level finders ----
// Both read the text line by line as a stream: when a line or a run of map lines reaches the
// window's edge, the window slides and the scan goes on. A run that cannot be held whole in the
// window is no level; a line longer than the window still counts as a map line or not.

int LevelSet::findLevelForward(int pos) {
    if (levelSource_ == SourceNone || levelSource_ == SourceFolder) return -1;
    pos = std::max(pos, 0);
    while (pos <= bufferFileOffset_ && slideBackward()) {
    }
    while (moreInFile_ && pos - bufferFileOffset_ > ForwardSlideFrom && slideForward()) {
    }
    if (pos - bufferFileOffset_ > bufferLength_) return -1;
    bool skipFirst = false;
    if (pos > bufferFileOffset_ && isLevelChar(textBuffer_[pos - bufferFileOffset_ - 1])) {
        --pos;
        skipFirst = true; // pos + 1 came from the level starting here
    }
    int lineStart = pos;
    bool lineLost = false;
    bool allChars = true;
    bool hasWall = false;
    int runStart = -1;
    int runEnd = -1;
    bool runLost = false;
    int p = pos;
    while (true) {
        const int r = p - bufferFileOffset_;
        const char c = textBuffer_[r];
        const bool atEnd = r >= bufferLength_;
        if (moreInFile_ && (atEnd || (c == '\r' && r + 1 >= bufferLength_))) {
            const bool keepRun = runStart >= 0 && !runLost;
            const int keep = keepRun ? runStart : lineStart;
            if (!lineLost && keep - bufferFileOffset_ < TextSlideStep) {
                if (keepRun) {
                    runLost = true;
                    continue;
                }
                lineLost = true;
            }
            slideForward();
            continue;
        }
        if (!atEnd && !endsLine(c)) {
            if (!isLevelChar(c)) allChars = false;
            if (c == '#') hasWall = true;
            ++p;
            continue;
        }
        if (allChars && hasWall) {
            if (runStart < 0) {
                runStart = lineStart;
                runLost = lineLost;
            } else if (lineLost) {
                runLost = true;
            }
            runEnd = p;
        } else if (runStart >= 0) {
            // The first run after a skip start is the level at pos - 1 itself.
            if (skipFirst) {
                skipFirst = false;
            } else if (!runLost && isLevelBlock(runStart, runEnd)) {
                return runStart;
            }
            runStart = -1;
        }
        if (atEnd) {
            if (runStart >= 0 && !runLost && !skipFirst && isLevelBlock(runStart, runEnd)) return runStart;
            return -1;
        }
        p += (c == '\r' && textBuffer_[r + 1] == '\n' && !textHasVT_) ? 2 : 1;
        lineStart = p;
        lineLost = false;
        allChars = true;
        hasWall = false;
    }
}

int LevelSet::findLevelBackward(int pos) {
    if (levelSource_ == SourceNone || levelSource_ == SourceFolder || pos < 0) return -1;
    while (moreInFile_ && pos - bufferFileOffset_ >= bufferLength_ && slideForward()) {
    }
    while (bufferFileOffset_ > 0 && pos - bufferFileOffset_ < BackwardSlideBelow && slideBackward()) {
    }
    pos = std::min(pos, bufferFileOffset_ + bufferLength_);
    if (pos < bufferFileOffset_) return -1;

    bool haveLine = false; // a line break has been met; the line above it is being read
    int lineEnd = -1;
    bool lineLost = false;
    bool allChars = true;
    bool hasWall = false;
    int runTop = -1;
    int runEnd = -1;
    bool runLost = false;
    // Ends the line that starts at text position start; returns a level found above it, or -1.
    auto finishLine = [&](int start) {
        if (allChars && hasWall) {
            if (runTop < 0) {
                runEnd = lineEnd;
                runLost = lineLost;
            } else if (lineLost) {
                runLost = true;
            }
            runTop = start;
        } else if (runTop >= 0) {
            const int found = !runLost && isLevelBlock(runTop, runEnd) ? runTop : -1;
            runTop = -1;
            return found;
        }
        return -1;
    };
    int q = pos;
    while (true) {
        if (q <= bufferFileOffset_ && bufferFileOffset_ > 0) {
            // The byte before q is needed too (the CR of a CR LF pair).
            const bool keepRun = runTop >= 0 && !runLost;
            const int keep = keepRun ? runEnd : lineEnd;
            if (haveLine && !lineLost && keep - bufferFileOffset_ + TextSlideStep >= TextBufferBytes) {
                if (keepRun) {
                    runLost = true;
                    continue;
                }
                lineLost = true;
            }
            slideBackward();
            continue;
        }
        if (q < 0) {
            if (haveLine) {
                const int found = finishLine(0);
                if (found >= 0) return found;
            }
            if (runTop >= 0 && !runLost && isLevelBlock(runTop, runEnd)) return runTop;
            return -1;
        }
        const int r = q - bufferFileOffset_;
        const char c = textBuffer_[r];
        if (r < bufferLength_ && !endsLine(c)) {
            if (haveLine) {
                if (!isLevelChar(c)) allChars = false;
                if (c == '#') hasWall = true;
            }
            --q;
            continue;
        }
        if (haveLine) {
            const int found = finishLine(q + 1);
            if (found >= 0) return found;
        }
        haveLine = true;
        lineLost = false;
        allChars = true;
        hasWall = false;
        lineEnd = q;
        if (c == '\n' && !textHasVT_ && r > 0 && textBuffer_[r - 1] == '\r') lineEnd = q - 1;
        q = lineEnd - 1;
    }
}

} // namespace cw
