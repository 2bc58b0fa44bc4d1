#pragma once

#include <array>
#include <cstddef>
#include <streambuf>

namespace sparrowtrim::cli {

// An output stream buffer writing to a file descriptor that remembers why the first failed
// write failed, which standard streams do not tell.
class DescriptorOutput final : public std::streambuf
{
public:
    // `closed`: the descriptor was closed when the program started; every write fails as it
    // would have then.
    DescriptorOutput(int fd, bool closed);
    ~DescriptorOutput() override { sync(); }
    DescriptorOutput(const DescriptorOutput &) = delete;
    DescriptorOutput &operator=(const DescriptorOutput &) = delete;

    // The error number of the first failed write, 0 while none failed.
    int Error() const { return m_Error; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;
    std::streamsize xsputn(const char *data, std::streamsize count) override;

private:
    bool Drain();
    bool WriteAll(const char *data, std::size_t size);

    int m_Fd;
    bool m_Closed;
    int m_Error = 0;
    std::array<char, 4096> m_Buffer{};
};

} // namespace sparrowtrim::cli
