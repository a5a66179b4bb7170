#include "pe/FileBytes.h"

#include <fstream>
#include <iterator>

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}
