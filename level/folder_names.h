#pragma once
// The numbered level files of a folder set: the name pattern taken from the folder's file numbered
// 1 (map1.txt gives map%d.txt, level001.txt gives level%03d.txt), the name of file n, and the count
// found by galloping over the numbers.
#include <functional>
#include <string>

namespace cw {

class FolderNames {
  public:
    // Takes the first file, in the order the system lists the folder, whose first run of digits has
    // the value 1 and that `accept` takes (called with the file's path). False when none does.
    bool find(const std::string& folder, const std::function<bool(const std::string& path)>& accept);

    std::string fileName(int n) const;
    // The name pattern with one integer placeholder, "%" doubled elsewhere.
    std::string pattern() const;
    // The folder path's last part, the set's name.
    std::string setName() const { return name_; }
    // The highest number whose file exists, adding 100, then 10, then 1 while the file for the
    // next count exists; only existence is tested, so a gap can hide files beyond it.
    int gallopCount() const;

  private:
    std::string prefix_; // folder file name = prefix + number + suffix
    std::string suffix_;
    int digits_ = 0; // zero-padded width of the number, 0 for none
    std::string name_;
};

} // namespace cw
