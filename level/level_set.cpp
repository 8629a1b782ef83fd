#include "level/level_set.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

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
    loadError_.clear(); // an earlier load's reason is not this one's
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
    if (!folder_.find(folder, [this](const std::string&) { return readLevelFile(1) == 1; })) {
        clear();
        return 0;
    }
    folderPattern_ = folder_.pattern();
    levelSetName_ = folder_.setName();
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

int LevelSet::readLevelFile(int n) {
    textBuffer_[0] = '\0';
    bufferLength_ = 0;
    const long got = readRegularFile(folder_.fileName(n), textBuffer_.data(), TextBufferBytes);
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
        levelTotal_ = folder_.gallopCount();
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
// window is no level; a line longer than the window still counts as a map line or not. The forward
// finder reads lines downward, the backward one upward; both end a run of map lines at the first
// line that is not one and take it when it is a whole level.

namespace {

// The line being read, one character at a time.
struct LineScan {
    bool allChars = true; // only characters of level lines so far
    bool hasWall = false;
    bool lost = false; // its start fell out of the window
    void add(char c) {
        if (!isLevelChar(c)) allChars = false;
        if (c == '#') hasWall = true;
    }
    bool isMapLine() const { return allChars && hasWall; }
    void restart() { *this = LineScan{}; }
};

// A run of map lines: the text positions of its first line and of its last line break.
struct MapRun {
    int first = -1;
    int end = -1;
    bool lost = false; // part of it fell out of the window
    bool open() const { return first >= 0 || end >= 0; }
    void close() { *this = MapRun{}; }
};

} // namespace

bool LevelSet::isWholeLevel(int first, int end, bool lost) {
    return !lost && isLevelBlock(first, end);
}

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
    LineScan line;
    MapRun run;
    int p = pos;
    while (true) {
        const int r = p - bufferFileOffset_;
        const char c = textBuffer_[r];
        const bool atEnd = r >= bufferLength_;
        if (moreInFile_ && (atEnd || (c == '\r' && r + 1 >= bufferLength_))) {
            const bool keepRun = run.open() && !run.lost;
            const int keep = keepRun ? run.first : lineStart;
            if (!line.lost && keep - bufferFileOffset_ < TextSlideStep) {
                if (keepRun) {
                    run.lost = true;
                    continue;
                }
                line.lost = true;
            }
            slideForward();
            continue;
        }
        if (!atEnd && !endsLine(c)) {
            line.add(c);
            ++p;
            continue;
        }
        if (line.isMapLine()) {
            if (!run.open()) {
                run.first = lineStart;
                run.lost = line.lost;
            } else if (line.lost) {
                run.lost = true;
            }
            run.end = p;
        } else if (run.open()) {
            // The first run after a skip start is the level at pos - 1 itself.
            if (skipFirst) {
                skipFirst = false;
            } else if (isWholeLevel(run.first, run.end, run.lost)) {
                return run.first;
            }
            run.close();
        }
        if (atEnd) {
            if (run.open() && !skipFirst && isWholeLevel(run.first, run.end, run.lost)) return run.first;
            return -1;
        }
        p += (c == '\r' && textBuffer_[r + 1] == '\n' && !textHasVT_) ? 2 : 1;
        lineStart = p;
        line.restart();
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
    LineScan line;
    MapRun run;
    // Ends the line that starts at text position start; returns a level found below it, or -1.
    auto finishLine = [&](int start) {
        if (line.isMapLine()) {
            if (!run.open()) {
                run.end = lineEnd;
                run.lost = line.lost;
            } else if (line.lost) {
                run.lost = true;
            }
            run.first = start;
        } else if (run.open()) {
            const int found = isWholeLevel(run.first, run.end, run.lost) ? run.first : -1;
            run.close();
            return found;
        }
        return -1;
    };
    int q = pos;
    while (true) {
        if (q <= bufferFileOffset_ && bufferFileOffset_ > 0) {
            // The byte before q is needed too (the CR of a CR LF pair).
            const bool keepRun = run.open() && !run.lost;
            const int keep = keepRun ? run.end : lineEnd;
            if (haveLine && !line.lost && keep - bufferFileOffset_ + TextSlideStep >= TextBufferBytes) {
                if (keepRun) {
                    run.lost = true;
                    continue;
                }
                line.lost = true;
            }
            slideBackward();
            continue;
        }
        if (q < 0) {
            if (haveLine) {
                const int found = finishLine(0);
                if (found >= 0) return found;
            }
            if (run.open() && isWholeLevel(run.first, run.end, run.lost)) return run.first;
            return -1;
        }
        const int r = q - bufferFileOffset_;
        const char c = textBuffer_[r];
        if (r < bufferLength_ && !endsLine(c)) {
            if (haveLine) line.add(c);
            --q;
            continue;
        }
        if (haveLine) {
            const int found = finishLine(q + 1);
            if (found >= 0) return found;
        }
        haveLine = true;
        line.restart();
        lineEnd = q;
        if (c == '\n' && !textHasVT_ && r > 0 && textBuffer_[r - 1] == '\r') lineEnd = q - 1;
        q = lineEnd - 1;
    }
}

} // namespace cw
