#pragma once
// Test support: a folder of the test's own under /tmp, removed with everything in it.

#include <dirent.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

namespace pbtest {

class TempFolder {
  public:
    TempFolder() {
        char pattern[] = "/tmp/pbtest-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempFolder() { std::system(("rm -rf " + path_).c_str()); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // The names in it, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        DIR* dir = opendir(path_.c_str());
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::string path_;
};

}  // namespace pbtest
