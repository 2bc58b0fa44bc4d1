#include "FileAttributes.h"

namespace sparrowtrim {

bool CheckReadOnly(const std::string &, bool)
{
    return true;
}
FileTime GetLastWriteTime(const std::string &)
{
    return 0;
}
void SetFileTimes(const std::string &, FileTime) {}

} // namespace sparrowtrim
