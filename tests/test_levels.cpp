#include "tests/test_levels.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "level/parser.h"

namespace cwtest {

std::string rows(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

std::string rows(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::vector<std::string> symmetry(const std::vector<std::string>& lines, int k) {
    std::size_t width = 0;
    for (const std::string& line : lines) width = std::max(width, line.size());
    std::vector<std::string> grid;
    for (const std::string& line : lines) grid.push_back(line + std::string(width - line.size(), ' '));
    if (k >= 4)
        for (std::string& line : grid) std::reverse(line.begin(), line.end());
    for (int turn = 0; turn < k % 4; turn++) {
        std::vector<std::string> turned(grid.empty() ? 0 : grid[0].size(), std::string(grid.size(), ' '));
        for (std::size_t r = 0; r < grid.size(); r++)
            for (std::size_t c = 0; c < grid[r].size(); c++) turned[c][grid.size() - 1 - r] = grid[r][c];
        grid = turned;
    }
    return grid;
}

std::string replayFault(const std::string& levelText, std::string_view moves) {
    std::vector<std::string> grid;
    std::istringstream in(levelText);
    for (std::string line; std::getline(in, line);)
        if (line.find('#') != std::string::npos) grid.push_back(line);
    int pr = -1, pc = -1;
    for (int r = 0; r < static_cast<int>(grid.size()); r++)
        for (int c = 0; c < static_cast<int>(grid[r].size()); c++)
            if (grid[r][c] == '@' || grid[r][c] == '+') {
                pr = r;
                pc = c;
            }
    if (pr < 0) return "no player";
    auto at = [&](int r, int c) -> char {
        if (r < 0 || r >= static_cast<int>(grid.size()) || c < 0 || c >= static_cast<int>(grid[r].size()))
            return '#';
        return grid[r][c];
    };
    auto hasBox = [](char ch) { return ch == '$' || ch == '*'; };
    auto isGoal = [](char ch) { return ch == '.' || ch == '*' || ch == '+'; };
    auto isFree = [&](char ch) { return ch == ' ' || ch == '-' || ch == '_' || ch == '.'; };
    auto put = [&](int r, int c, bool box, bool player) {
        const bool goal = isGoal(grid[r][c]);
        grid[r][c] = box ? (goal ? '*' : '$') : player ? (goal ? '+' : '@') : (goal ? '.' : ' ');
    };
    const std::string letters = "urdl";
    const int dr[4] = {-1, 0, 1, 0}, dc[4] = {0, 1, 0, -1};
    for (std::size_t i = 0; i < moves.size(); i++) {
        const char letter = moves[i];
        const auto d = letters.find(static_cast<char>(std::tolower(static_cast<unsigned char>(letter))));
        const std::string where = "letter " + std::to_string(i + 1) + " '" + letter + "': ";
        if (d == std::string::npos) return where + "not a move";
        const bool push = std::isupper(static_cast<unsigned char>(letter)) != 0;
        const int nr = pr + dr[d], nc = pc + dc[d];
        if (push) {
            if (!hasBox(at(nr, nc))) return where + "no box to push";
            if (!isFree(at(nr + dr[d], nc + dc[d]))) return where + "box blocked";
            put(nr + dr[d], nc + dc[d], true, false);
        } else if (!isFree(at(nr, nc))) {
            return where + "walk into a wall or box";
        }
        put(pr, pc, false, false);
        put(nr, nc, false, true);
        pr = nr;
        pc = nc;
    }
    for (const std::string& line : grid)
        if (line.find('$') != std::string::npos) return "a box is not on a goal at the end";
    return "";
}

std::string nthLevel(const std::string& text, int n) {
    std::istringstream in(text);
    std::string level;
    int count = 0;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        const bool map = line.find('#') != std::string::npos;
        if (map && !inside) count++;
        inside = map;
        if (map && count == n) level += line + "\n";
    }
    return level;
}

std::string slowLevel() {
    return rows({
        "################",
        "#@             #",
        "#  # #   # #.  #",
        "#   # $  .  #$ #",
        "# ##. .$   ##  #",
        "#     # #.$    #",
        "# $$. . #$#  $ #",
        "# #.$..# $.#$$ #",
        "#  $$$ #.   .. #",
        "#   .    .#$   #",
        "#              #",
        "################",
    });
}

cw::Outcome load(cw::Level& level, std::string text) {
    level.levelStatus = cw::parseLevel(level, text.data(), cw::ParseFull);
    return level.levelStatus;
}

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "cratewise-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::file(const std::string& name) const {
    return (path_ / name).string();
}

CliProcess::CliProcess(const std::vector<std::string>& args, const std::string& inPath,
                       const std::string& outPath, const std::string& errPath,
                       const std::vector<std::string>& env, const std::string& shell) {
    std::vector<std::string> words{CRATEWISE_CLI};
    if (!shell.empty()) words = {"/bin/sh", "-c", shell};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
    environment.insert(environment.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // The test runner may block signals; the child starts with none blocked, as from a shell.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &files, &attributes, argv.data(), envp.data()) == 0) pid_ = pid;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
}

CliProcess::~CliProcess() {
    if (pid_ > 0) wait(0);
}

void CliProcess::interrupt() const {
    if (pid_ > 0) ::kill(pid_, SIGINT);
}

void CliProcess::kill() const {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
}

bool CliProcess::waitInterruptTaken(int limitMs) const {
    if (pid_ <= 0) return false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    const std::string status = "/proc/" + std::to_string(pid_) + "/status";
    while (std::chrono::steady_clock::now() < end) {
        std::ifstream in(status);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("SigBlk:", 0) != 0) continue;
            const unsigned long long blocked = std::stoull(line.substr(7), nullptr, 16);
            if ((blocked >> (SIGINT - 1)) & 1) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

int CliProcess::wait(int limitMs) {
    if (pid_ <= 0) return -1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    int raw = 0;
    for (;;) {
        const pid_t done = waitpid(pid_, &raw, WNOHANG);
        if (done == pid_) break;
        if (std::chrono::steady_clock::now() >= end) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, &raw, 0);
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    pid_ = -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

CliResult runCli(const std::vector<std::string>& args, const std::string& inPath,
                 const std::vector<std::string>& env) {
    return runCli(args, inPath, env, "");
}

CliResult runCli(const std::vector<std::string>& args, const std::string& inPath,
                 const std::vector<std::string>& env, const std::string& shellCommand) {
    const ScratchDir dir;
    CliProcess process(args, inPath, dir.file("out"), dir.file("err"), env, shellCommand);
    CliResult result;
    result.status = process.wait(60'000);
    result.out = readFile(dir.file("out"));
    result.err = readFile(dir.file("err"));
    return result;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace cwtest
