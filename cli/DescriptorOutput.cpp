#include "cli/DescriptorOutput.h"

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace sparrowtrim::cli {

namespace {

long WriteSome(int fd, const char *data, std::size_t size)
{
#ifdef _WIN32
    return ::_write(fd, data, static_cast<unsigned>(size));
#else
    return ::write(fd, data, size);
#endif
}

} // namespace

DescriptorOutput::DescriptorOutput(int fd, bool closed) : m_Fd(fd), m_Closed(closed)
{
    setp(m_Buffer.data(), m_Buffer.data() + m_Buffer.size());
}

DescriptorOutput::int_type DescriptorOutput::overflow(int_type c)
{
    if (!Drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int DescriptorOutput::sync()
{
    return Drain() ? 0 : -1;
}

// A large block, such as a photo on its way to standard output, goes out in one write
// instead of buffer by buffer.
std::streamsize DescriptorOutput::xsputn(const char *data, std::streamsize count)
{
    if (count < static_cast<std::streamsize>(m_Buffer.size()))
        return std::streambuf::xsputn(data, count);
    if (!Drain() || !WriteAll(data, static_cast<std::size_t>(count)))
        return 0;
    return count;
}

// Writes what is buffered; the buffer is emptied whether or not that worked, so that one
// failure does not hold up everything after it.
bool DescriptorOutput::Drain()
{
    const char *data = pbase();
    const auto size = static_cast<std::size_t>(pptr() - pbase());
    setp(m_Buffer.data(), m_Buffer.data() + m_Buffer.size());
    return WriteAll(data, size);
}

bool DescriptorOutput::WriteAll(const char *data, std::size_t size)
{
    if (size > 0 && m_Closed && m_Error == 0)
        m_Error = EBADF;
    while (size > 0 && m_Error == 0) {
        const long put = WriteSome(m_Fd, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            m_Error = put < 0 ? errno : EIO;
            break;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return m_Error == 0;
}

} // namespace sparrowtrim::cli
