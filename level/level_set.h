#pragma once
// The current level set: finds the levels of a text, a level file or a folder of numbered level
// files, numbers them from 1, steps between them and parses each level as it becomes current.
// Texts of any length are read through a 12,000-byte window that slides over the file in steps
// of 4,000 bytes.
#include <array>
#include <string>
#include <string_view>

#include "level/folder_names.h"
#include "level/text_source.h"
#include "solver/board.h"

namespace cw {

constexpr int TextBufferSize = 12000;               // 11,999 text bytes and a terminator
constexpr int TextBufferBytes = TextBufferSize - 1; // most text bytes the window holds
constexpr int TextSlideStep = 4000;                 // the window moves by this many bytes

enum LevelSourceKind : int {
    SourceNone = 0,
    SourceFile = 1,   // one level file, read through the window
    SourceFolder = 2, // a folder of numbered level files, one level each
    SourceText = 3,   // sample set or short pasted text, held whole in the window
    SourcePaste = 4,  // long pasted text, kept in the paste file and read through the window
};

class LevelSet {
  public:
    // Parses into `level`; long pasted text goes to the file `pasteFile`, or stays in memory when
    // `pasteFile` is empty.
    LevelSet(Level& level, std::string pasteFile);
    LevelSet(const LevelSet&) = delete;
    LevelSet& operator=(const LevelSet&) = delete;

    // Entry points for front ends. Each returns true when the set holds at least one level; the
    // current level is then level 1, parsed in full. On false the set is empty.
    bool loadSample();                        // the built-in sample set, named "Sample"
    bool loadPasted(const std::string& text); // pasted text, named "TextBox"
    // A level file; unreadable files empty the set. Pipes, FIFOs and devices are read whole into
    // memory, up to MemoryTextLimit bytes.
    bool loadFile(const std::string& path);
    bool loadFolder(const std::string& folder); // a folder of numbered level files
    // Makes level n current (clamped to 1..levelTotal), stepping level by level; stops early
    // where stepping cannot go on.
    void goTo(int n);
    void clear(); // empties the set

    // Why the last load found no set ("cannot read ...", a size limit), empty when it was unreadable
    // for no reason beyond holding no level.
    const std::string& loadError() const { return loadError_; }
    // Empty while the text behind the window reads fine; else why it stopped (the file changed or
    // could not be read), after which stepping may have stopped short.
    const std::string& sourceFault() const { return sourceFault_; }
    // Whether the text behind the set is the file with this device and inode.
    bool readsFile(dev_t device, ino_t inode) const { return source_.isFile(device, inode); }

    int levelNumber() const { return levelNumber_; } // 0 when nothing is loaded
    int levelTotal() const { return levelTotal_; }
    const std::string& levelSetName() const { return levelSetName_; }
    int levelSource() const { return levelSource_; }
    bool isSample() const { return isSample_; }
    // Label of the current level while the set is the sample set, else an empty text.
    const char* sampleLabel() const;
    bool hasNext() const { return levelSource_ != SourceNone && nextLevelPos_ != -1; }
    bool hasPrev() const { return levelSource_ != SourceNone && prevLevelPos_ != -1; }
    int currentLevelPos() const { return currentLevelPos_; }
    int nextLevelPos() const { return nextLevelPos_; }
    int prevLevelPos() const { return prevLevelPos_; }
    int bufferFileOffset() const { return bufferFileOffset_; }
    int bufferLength() const { return bufferLength_; }
    int moreInFile() const { return moreInFile_; }
    int textHasVT() const { return textHasVT_; }
    const std::string& folderPattern() const { return folderPattern_; }
    const std::string& pasteFile() const { return pasteFile_; }
    // The window's text (NUL-terminated); callers may fill it before loadText or loadLevelFile.
    char* textBuffer() { return textBuffer_.data(); }

    // The operations behind the entry points.
    // Loads `text`: when it is textBuffer() itself it is used in place, else it is written to the
    // paste file and read through the window. Returns 1 when it holds a level, else 0 (set emptied).
    int loadText(const char* text);
    // Sets up the file `path`, whose first `bytesRead` (at most 11,999) bytes the caller has read
    // into textBuffer(). Returns 1 or 0 as loadText.
    int loadLevelFile(const std::string& path, int bytesRead);
    int openFolder(const std::string& folder); // 1 when a first level file was found, else 0
    void nextLevel();                          // nothing when there is no next level
    void prevLevel();                          // nothing when there is no previous level
    void countLevels();                        // sets levelTotal; leaves level 1 current
    // Text position of the first level starting at or after pos (the level after the one at
    // pos - 1 when pos is just inside a level), or -1. Slides the window as far as needed.
    int findLevelForward(int pos);
    // Text position of the nearest level that ends at or before pos, or -1. Slides as far as needed.
    int findLevelBackward(int pos);
    int readLevelFile(int n); // reads folder file n into the window; n when it holds a level, else -1

  private:
    int loadLongText(std::string_view text);
    int finishLoad(const std::string& name);
    int finishFileLoad(const std::string& path, int bytesRead);
    bool slideForward();
    bool slideBackward();
    long readAt(long offset, char* into, long count);
    void showLevelAt(int pos);
    void parseCurrent();
    bool isLevelBlock(int start, int end);
    bool isWholeLevel(int first, int end, bool lost);

    Level& level_;
    std::string pasteFile_;

    int levelSource_ = SourceNone;
    std::array<char, TextBufferSize> textBuffer_{};
    int bufferFileOffset_ = 0;
    int bufferLength_ = 0;
    int moreInFile_ = 0;
    int textHasVT_ = 0;
    int currentLevelPos_ = -1;
    int nextLevelPos_ = -1;
    int prevLevelPos_ = -1;
    int levelNumber_ = 0;
    int levelTotal_ = 0;
    std::string levelSetName_;
    std::string folderPattern_; // e.g. "dir/map%02d.txt"
    bool isSample_ = false;

    TextSource source_; // text behind the window for sources 1 and 4
    std::string loadError_;
    std::string sourceFault_;
    FolderNames folder_;
};

} // namespace cw
