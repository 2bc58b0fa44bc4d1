#include "engine/mJPEGOpt.h"

#include "engine/FileAttributes.h"
#include "engine/JpegMarkers.h"
#include "engine/platform/PlatformFiles.h"

#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace sparrowtrim {

namespace {

// Zero bytes behind the loaded data: every look-ahead of the walk past the last byte reads zero.
constexpr std::size_t kInputPadding = 11;
// A larger file or output is refused rather than overflowing the lengths.
constexpr std::size_t kMaxLength = kMaxFileLength;
static_assert(kMaxLength == std::numeric_limits<std::int32_t>::max());

using namespace marker;
constexpr std::uint8_t kMarker = kPrefix;

constexpr char kAdobeSignature[] = {'A', 'd', 'o', 'b', 'e'};
// Length field of the shortest APP14 segment that can carry the signature.
constexpr std::int32_t kMinAdobeLength = 2 + sizeof kAdobeSignature;

constexpr char kIccSignature[] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', '\0'};
constexpr const char *kCouldNotOpen = kCouldNotOpenMessage;
constexpr const char *kNotJpeg = "Not a valid JPEG file.  File unchanged.";
constexpr const char *kParseProblem = "Problem parsing file.  File unchanged.";
constexpr const char *kCouldNotWrite = kCouldNotWriteMessage;
constexpr const char *kReadOnly = "Cannot overwrite read-only file.";

// Codes that stand alone inside entropy-coded data: a stuffed zero, TEM, RST0-RST7 and SOI.
bool IsStandaloneInScan(std::uint8_t code)
{
    return code == 0x00 || code == 0x01 || (code >= 0xD0 && code <= kStartOfImage);
}

// Position of the first FF D9 pair at or after `from`, or `length` when there is none.
std::size_t FindEndMarkerPair(const std::uint8_t *in, std::size_t length, std::size_t from)
{
    while (from < length) {
        const void *hit = std::memchr(in + from, kMarker, length - from);
        if (hit == nullptr)
            break;
        const auto i = static_cast<std::size_t>(static_cast<const std::uint8_t *>(hit) - in);
        if (i + 1 < length && in[i + 1] == kEndOfImage)
            return i;
        from = i + 1;
    }
    return length;
}

} // namespace

mJPEGOpt::mJPEGOpt(ReadOnlyPolicy processReadOnly, OptimizeOptions options)
    : m_ProcessReadOnly(std::move(processReadOnly)), m_Options(options)
{}

void mJPEGOpt::StartFile(const std::string &path)
{
    m_Replacement = {};
    m_CurrentFile = path;
    m_InputLength = 0;
    m_OutputLength = 0;
    m_ScanPosition = 0;
    m_FailureReason.clear();
    m_WriterActive = false;
    m_FailedForSpace = false;
}

std::int32_t mJPEGOpt::OptimizeJPEG(const std::string &path)
{
    const std::int32_t prepared = PrepareJPEG(path);
    if (prepared != kRewritten)
        return prepared;
    Replacement replacement = TakeReplacement();
    const platform::FileStatus switched = SwitchIn({&replacement, 1}).front();
    if (!switched.IsDone()) {
        m_ResultMessage = kCouldNotWrite;
        m_FailureReason = switched.Reason();
        return kFailed;
    }
    return kRewritten;
}

std::int32_t mJPEGOpt::ExamineJPEG(const std::string &path)
{
    const std::int32_t examined = LoadAndWalk(path);
    // Nothing is replaced: a writer need not wait for this run.
    m_Guard.Release();
    return examined;
}

std::int32_t mJPEGOpt::PrepareJPEG(const std::string &path, bool keepDate)
{
    const std::int32_t examined = LoadAndWalk(path);
    if (examined != kRewritten) {
        m_Guard.Release();
        return examined;
    }

    const std::int32_t written = WriteOutputFile(keepDate);
    m_Guard.Release();
    switch (written) {
    case kFailed:
        m_ResultMessage = kCouldNotWrite;
        return kFailed;
    case kReadOnlyRefused:
        m_ResultMessage = kReadOnly;
        return kFailed;
    default:
        return kRewritten;
    }
}

// Loads and walks the file: kRewritten when it is to be rewritten (its new bytes in the output
// buffer), kNothingToChange or kFailed with the message set.
std::int32_t mJPEGOpt::LoadAndWalk(const std::string &path)
{
    StartFile(path);
    m_InputLength = LoadInputFile();
    if (m_InputLength == -1) {
        // A file another program is writing is one this run may not replace.
        m_ResultMessage = m_WriterActive ? kCouldNotWrite : kCouldNotOpen;
        return kFailed;
    }
    return WalkLoadedInput();
}

std::int32_t mJPEGOpt::OptimizeBuffer(std::span<const std::uint8_t> input)
{
    StartFile({});

    m_InputLength = LoadInputBuffer(input);
    if (m_InputLength == -1) {
        m_ResultMessage = kCouldNotOpen;
        return kFailed;
    }
    return WalkLoadedInput();
}

std::int32_t mJPEGOpt::LoadInputBuffer(std::span<const std::uint8_t> input)
{
    m_OutputBuffer.clear();
    m_InputBuffer.clear();
    if (input.size() > kMaxLength) {
        ClearBuffers();
        return -1;
    }
    try {
        m_InputBuffer.reserve(input.size() + kInputPadding);
        m_InputBuffer.insert(m_InputBuffer.end(), input.begin(), input.end());
        m_InputBuffer.resize(input.size() + kInputPadding, 0);
        m_OutputBuffer.reserve(input.size() + kInputPadding);
        return static_cast<std::int32_t>(input.size());
    } catch (const std::bad_alloc &) {
        ClearBuffers();
        return -1;
    }
}

std::span<const std::uint8_t> mJPEGOpt::Input() const
{
    if (m_InputBuffer.size() < kInputPadding)
        return {};
    return {m_InputBuffer.data(), m_InputBuffer.size() - kInputPadding};
}

// Buffers of an empty input, after a failed load.
void mJPEGOpt::ClearBuffers()
{
    m_OutputBuffer.clear();
    m_InputBuffer.assign(kInputPadding, 0);
}

std::int32_t mJPEGOpt::LoadInputFile()
{
    m_OutputBuffer.clear();
    try {
        const platform::FileStatus read = platform::ReadWholeFile(
            m_CurrentFile, kMaxLength, kInputPadding, m_InputBuffer, m_Source, m_Guard);
        if (!read.IsDone()) {
            m_FailureReason = read.Reason();
            m_WriterActive = read.Why() == FileStatus::Cause::WriterActive;
            ClearBuffers();
            return -1;
        }
        const std::size_t length = m_InputBuffer.size() - kInputPadding;
        m_OutputBuffer.reserve(length + kInputPadding);
        return static_cast<std::int32_t>(length);
    } catch (const std::bad_alloc &) {
        ClearBuffers();
        return -1;
    }
}

// Finds the start of image, walks the segments and compares the lengths: kFailed with the
// message set, kNothingToChange or kRewritten.
std::int32_t mJPEGOpt::WalkLoadedInput()
{
    const std::int64_t start = FindImageStart();
    if (start < 0) {
        m_ResultMessage = kNotJpeg;
        return kFailed;
    }
    // The file starts with a marker but not with an intact start of image: the first
    // FF D8 FF further on is most likely the thumbnail inside a metadata segment, which must
    // never take the photo's place.
    if (start > 0 && m_InputBuffer[0] == kMarker) {
        m_ResultMessage = kParseProblem;
        return kFailed;
    }

    m_ScanPosition = static_cast<std::size_t>(start) + 1;
    m_Segments = {};
    m_Segments.beforeImage = start;
    m_OrientationAt = 0;
    m_Orientation.reset();
    std::int32_t step = kSegmentHandled;
    try {
        do {
            step = ProcessSegment();
        } while (step == kSegmentHandled);
        if (step != kDataEnded && !InsertOrientationSegment())
            step = kDataEnded;
    } catch (const std::bad_alloc &) {
        step = kDataEnded;
    }
    if (step == kDataEnded) {
        m_ResultMessage = kParseProblem;
        return kFailed;
    }
    return m_OutputLength == m_InputLength ? kNothingToChange : kRewritten;
}

std::int64_t mJPEGOpt::FindImageStart() const
{
    const std::uint8_t *in = m_InputBuffer.data();
    const std::size_t length = m_InputBuffer.size() - kInputPadding;
    std::size_t from = 0;
    while (from < length) {
        const void *hit = std::memchr(in + from, kMarker, length - from);
        if (hit == nullptr)
            break;
        const auto i = static_cast<std::size_t>(static_cast<const std::uint8_t *>(hit) - in);
        // The zero padding keeps a match from reaching past the end of the file.
        if (in[i + 1] == kStartOfImage && in[i + 2] == kMarker)
            return static_cast<std::int64_t>(i);
        from = i + 1;
    }
    return -1;
}

std::int32_t mJPEGOpt::ProcessSegment()
{
    const std::uint8_t *in = m_InputBuffer.data();
    const std::size_t length = m_InputBuffer.size() - kInputPadding;
    std::size_t p = m_ScanPosition;
    if (p >= length)
        return kDataEnded;

    const std::uint8_t code = in[p];
    if (code == kStartOfScan)
        return CopyScans(p);

    if (code == kStartOfImage) {
        // The third byte is the 0xFF that introduces the next marker.
        if (!AppendByte(kMarker) || !AppendByte(kStartOfImage) || !AppendByte(kMarker))
            return kDataEnded;
        NoteAppended(code);
        p += 2;
    } else {
        const auto n = static_cast<std::size_t>(ReadWord(in[p + 1], in[p + 2]));
        const std::size_t next = p + n + 1;
        if (next >= length)
            return kDataEnded;
        if (IsKeptSegment(p)) {
            // The byte behind the segment is copied as the 0xFF of the next marker. Anything
            // else there would be read once more as the next code: copied twice, or glued to
            // the next kept segment in place of its 0xFF, hiding that segment from decoders.
            if (in[next] != kMarker)
                return kDataEnded;
            if (!AppendBytes(p, n + 2))
                return kDataEnded;
            NoteAppended(code);
            // The only APP2 segments kept are those of a profile asked for.
            if (code == kApp2)
                m_Segments.keptIcc += static_cast<std::int64_t>(n) + 2;
        } else {
            NoteDroppedSegment({in + p, n + 1}, m_Segments);
            if (code == kApp1)
                NoteOrientation(p);
        }
        p = next;
    }

    if (!SkipFillBytes(p))
        return kDataEnded;
    m_ScanPosition = p;
    return kSegmentHandled;
}

bool mJPEGOpt::IsKeptSegment(std::size_t codePosition) const
{
    const std::uint8_t *in = m_InputBuffer.data();
    const std::uint8_t code = in[codePosition];
    if (code == kApp0 || code == kQuantisationTables || code == kRestartInterval)
        return true;
    // Frame headers, Huffman and arithmetic-coding tables.
    if (code >= 0xC0 && code <= 0xCF)
        return true;
    const std::int32_t length = ReadWord(in[codePosition + 1], in[codePosition + 2]);
    // The Adobe segment tells decoders how the colours of CMYK, YCCK and RGB images are coded.
    if (code == kApp14)
        return length >= kMinAdobeLength &&
               std::memcmp(in + codePosition + 3, kAdobeSignature, sizeof kAdobeSignature) == 0;
    // A profile segment not followed by a marker is dropped as it would be without the option,
    // rather than failing the file.
    if (code == kApp2 && m_Options.keepIccProfile)
        return length >= static_cast<std::int32_t>(2 + sizeof kIccSignature) &&
               std::memcmp(in + codePosition + 3, kIccSignature, sizeof kIccSignature) == 0 &&
               in[codePosition + static_cast<std::size_t>(length) + 1] == kMarker;
    return false;
}

// Follows the start of image and the APP0 segments right behind it in the output: a kept
// orientation goes after them, where viewers look for EXIF data.
void mJPEGOpt::NoteAppended(std::uint8_t code)
{
    m_InLeadingSegments =
        code == kStartOfImage ? m_OrientationAt == 0 : m_InLeadingSegments && code == kApp0;
    if (m_InLeadingSegments)
        m_OrientationAt = m_OutputBuffer.size() - 1;
}

// Reads the orientation of the first EXIF segment, when it is to be kept.
void mJPEGOpt::NoteOrientation(std::size_t codePosition)
{
    if (!m_Options.keepOrientation || m_Orientation)
        return;
    const std::uint8_t *in = m_InputBuffer.data();
    const auto length =
        static_cast<std::size_t>(ReadWord(in[codePosition + 1], in[codePosition + 2]));
    if (length >= 2)
        m_Orientation = OrientationOfExif({in + codePosition + 3, length - 2});
}

// Puts a minimal EXIF segment, holding nothing but an orientation other than 1, in its place.
bool mJPEGOpt::InsertOrientationSegment()
{
    if (!m_Orientation || m_Orientation->value <= 1)
        return true;
    const std::array<std::uint8_t, kOrientationSegmentLength> segment =
        OrientationSegment(*m_Orientation);
    if (m_OutputBuffer.size() > kMaxLength - segment.size())
        return false;
    m_OutputBuffer.insert(m_OutputBuffer.begin() + static_cast<std::ptrdiff_t>(m_OrientationAt),
                          segment.begin(), segment.end());
    m_OutputLength = static_cast<std::int32_t>(m_OutputBuffer.size());
    m_Segments.keptOrientation = static_cast<std::int64_t>(segment.size());
    return true;
}

// Passes the 0xFF of the next marker and the fill bytes before it; the output has that 0xFF
// already.
bool mJPEGOpt::SkipFillBytes(std::size_t &p)
{
    const std::size_t length = m_InputBuffer.size() - kInputPadding;
    const std::size_t from = p;
    while (m_InputBuffer[p] == kMarker) {
        ++p;
        if (p == length)
            return false;
    }
    if (p > from + 1)
        m_Segments.fill += static_cast<std::int64_t>(p - from - 1);
    return true;
}

// Copies everything from the first start of scan up to and including the end of image,
// appending an end-of-image marker when the file has none.
std::int32_t mJPEGOpt::CopyScans(std::size_t sosPosition)
{
    const std::size_t length = m_InputBuffer.size() - kInputPadding;
    const std::size_t end = FindScanEnd(sosPosition);
    if (end < length) {
        m_ScanPosition = end;
        m_Segments.afterImage = static_cast<std::int64_t>(length - end - 2);
        return AppendBytes(sosPosition, end + 2 - sosPosition) ? kImageEndFound : kDataEnded;
    }
    m_ScanPosition = length;
    if (!AppendBytes(sosPosition, length - sosPosition) || !AppendByte(kMarker) ||
        !AppendByte(kEndOfImage))
        return kDataEnded;
    return kImageEndMissing;
}

// Position of the FF D9 pair that ends the image, or the input length when there is none.
// Marker segments (the start-of-scan header, tables and metadata between scans) are passed by
// their lengths, so an FF D9 pair inside one (a thumbnail's end, say) does not end the copy.
// A segment that leaves no room for the two-byte marker behind it counts as running past the
// end of the file: from it on, the first FF D9 pair ends the copy. Output always ends in an
// FF D9 pair that a second pass finds again, whatever the damage.
std::size_t mJPEGOpt::FindScanEnd(std::size_t sosPosition) const
{
    const std::uint8_t *in = m_InputBuffer.data();
    const std::size_t length = m_InputBuffer.size() - kInputPadding;
    std::size_t code = sosPosition;
    for (;;) {
        const auto n = static_cast<std::size_t>(ReadWord(in[code + 1], in[code + 2]));
        if (code + n + 3 > length)
            return FindEndMarkerPair(in, length, code);

        // Entropy-coded data and fill bytes up to the next marker that carries a length.
        std::size_t q = code + n + 1;
        for (;;) {
            if (q >= length)
                return length;
            const void *hit = std::memchr(in + q, kMarker, length - q);
            if (hit == nullptr)
                return length;
            const auto i = static_cast<std::size_t>(static_cast<const std::uint8_t *>(hit) - in);
            // Behind the last byte the padding reads as a stuffed zero.
            const std::uint8_t next = in[i + 1];
            if (next == kEndOfImage)
                return i;
            if (next == kMarker) {
                q = i + 1;
            } else if (IsStandaloneInScan(next)) {
                q = i + 2;
            } else {
                code = i + 1;
                break;
            }
        }
    }
}

std::int32_t mJPEGOpt::WriteOutputFile(bool keepDate)
{
    // A dry run stops at the read-only question and leaves even the read-only bit alone.
    if (m_Options.dryRun)
        return WouldRefuseOverwrite(m_Source.path, m_ProcessReadOnly) ? kReadOnlyRefused : 0;
    ReadOnlyUndo undo;
    if (CheckReadOnly(m_Source.path, m_ProcessReadOnly, &undo))
        return kReadOnlyRefused;
    // Clearing the read-only state changed the file's change time: the file is still the one
    // that was read only if nothing else changed.
    platform::FileStatus status =
        undo.cleared ? platform::Restamp(m_Source) : platform::FileStatus::Done();
    platform::StagedFile staged;
    if (status.IsDone()) {
        const std::span<const std::uint8_t> output = m_OutputBuffer;
        status = platform::StageReplacement(m_Source, {&output, 1}, keepDate, staged);
    }
    if (!status.IsDone()) {
        if (undo.cleared)
            platform::RestoreReadOnly(m_Source, undo.previous);
        m_FailureReason = status.Reason();
        m_FailedForSpace = status.Why() == FileStatus::Cause::NoSpace;
        return kFailed;
    }
    staged.guard = std::move(m_Guard);
    m_Replacement = Replacement(std::move(staged), undo);
    return 0;
}

bool mJPEGOpt::AppendByte(std::uint8_t b)
{
    if (m_OutputBuffer.size() >= kMaxLength)
        return false;
    m_OutputBuffer.push_back(b);
    m_OutputLength = static_cast<std::int32_t>(m_OutputBuffer.size());
    return true;
}

bool mJPEGOpt::AppendBytes(std::size_t from, std::size_t count)
{
    if (count > kMaxLength - m_OutputBuffer.size())
        return false;
    const std::uint8_t *in = m_InputBuffer.data();
    m_OutputBuffer.insert(m_OutputBuffer.end(), in + from, in + from + count);
    m_OutputLength = static_cast<std::int32_t>(m_OutputBuffer.size());
    return true;
}

std::int32_t mJPEGOpt::ReadWord(std::uint8_t hi, std::uint8_t lo)
{
    return hi * 256 + lo;
}

} // namespace sparrowtrim
