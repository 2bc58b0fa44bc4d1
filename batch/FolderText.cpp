#include "batch/FolderText.h"

namespace sparrowtrim::mUtils {

std::string AddBackslash(std::string &path)
{
    if (path.empty() || path.back() != kPathSeparator)
        path += kPathSeparator;
    return path;
}

std::string FolderOfText(std::string text)
{
    AddBackslash(text);
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string FolderOfPath(std::string path)
{
#ifdef _WIN32
    if (!path.empty() && (path.back() == '/' || path.back() == ':'))
        return path;
#endif
    return path.empty() ? path : AddBackslash(path);
}

} // namespace sparrowtrim::mUtils
