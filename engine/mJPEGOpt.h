#pragma once

#include "engine/ExifOrientation.h"
#include "engine/FileAttributes.h"
#include "engine/FileTypes.h"
#include "engine/Replacement.h"
#include "engine/SegmentReport.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace sparrowtrim {

// Result codes of mJPEGOpt::OptimizeJPEG.
inline constexpr std::int32_t kRewritten = 0;
inline constexpr std::int32_t kFailed = -1;
inline constexpr std::int32_t kNothingToChange = -5;

// The largest file the engine takes: lengths are signed 32-bit.
inline constexpr std::size_t kMaxFileLength = 2147483647;

// The message of a file that could not be read.
inline constexpr const char *kCouldNotOpenMessage = "Couldn't open input file.";
// The message of a file whose new content could not be put in its place.
inline constexpr const char *kCouldNotWriteMessage = "Could not write output file.";

// What a caller may ask beyond the plain optimization; the window asks none of it.
struct OptimizeOptions
{
    // The APP2 segments of the ICC colour profile stay where they are, in their order.
    bool keepIccProfile = false;
    // An EXIF orientation other than 1 is carried over in a minimal EXIF segment of its own.
    bool keepOrientation = false;
    // The file is walked and the read-only question asked, but nothing on disk is changed:
    // the results and lengths are those a real run would give.
    bool dryRun = false;
};

// The JPEG segment optimizer. An instance holds the state of the file last handled;
// one instance handles one file at a time, separate instances may run on separate threads.
class mJPEGOpt final
{
public:
    // Asked at the moment a read-only file is about to be replaced: true lets it be overwritten.
    using ReadOnlyPolicy = std::function<bool()>;

    explicit mJPEGOpt(ReadOnlyPolicy processReadOnly = {}, OptimizeOptions options = {});

    const OptimizeOptions &Options() const { return m_Options; }

    // Optimizes the file in place: kRewritten, kFailed (see ResultMessage) or kNothingToChange.
    // A rewritten file's new bytes are on the disk, and its new name survives a power cut,
    // before this returns.
    std::int32_t OptimizeJPEG(const std::string &path);

    // OptimizeJPEG up to the switch: after kRewritten the new bytes wait beside the file under
    // a temporary name, to be taken with TakeReplacement and switched in with SwitchIn, alone
    // or together with others. Until then the file is as it was, apart from a read-only state
    // the read-only check cleared, and no other program can open it for writing unnoticed.
    // With keepDate the new file gets the file's modification time before it is switched in.
    std::int32_t PrepareJPEG(const std::string &path, bool keepDate = false);
    Replacement TakeReplacement() { return std::move(m_Replacement); }

    // The walk alone, in memory: the bytes OptimizeJPEG would write for a file holding `input`
    // become Output(). Returns kRewritten when their length differs from the input's,
    // kNothingToChange when not, kFailed (see ResultMessage) when the input cannot be parsed.
    // No file is touched.
    std::int32_t OptimizeBuffer(std::span<const std::uint8_t> input);
    std::span<const std::uint8_t> Output() const { return m_OutputBuffer; }

    // The walk of a file alone, for a copy written elsewhere: PrepareJPEG without writing and
    // without the read-only question. After kRewritten its new bytes are Output(), after
    // kNothingToChange its own bytes Input().
    std::int32_t ExamineJPEG(const std::string &path);
    std::span<const std::uint8_t> Input() const;

    // What the walk of the last file dropped and kept; meaningful after kRewritten and
    // kNothingToChange.
    const SegmentReport &Segments() const { return m_Segments; }

    // Message of the last file that failed; meaningful only after kFailed.
    const std::string &ResultMessage() const { return m_ResultMessage; }
    // The system's reason behind the last failure, such as "opening the file: No such file or
    // directory"; empty where the message says all. Meaningful only after kFailed.
    const std::string &FailureReason() const { return m_FailureReason; }
    // True when the last file failed because its disk or the user's quota was full: it may
    // succeed once other new files waiting for the disk have been switched in.
    bool FailedForSpace() const { return m_FailedForSpace; }
    // Lengths of the last file handled; meaningful after kRewritten and kNothingToChange.
    std::int32_t InputLength() const { return m_InputLength; }
    std::int32_t OutputLength() const { return m_OutputLength; }

private:
    // Results of ProcessSegment.
    static constexpr std::int32_t kSegmentHandled = 0;
    static constexpr std::int32_t kDataEnded = -1;
    static constexpr std::int32_t kImageEndFound = -2;
    static constexpr std::int32_t kImageEndMissing = -3;
    // Result of WriteOutputFile when the read-only check refuses.
    static constexpr std::int32_t kReadOnlyRefused = -4;

    std::int32_t LoadAndWalk(const std::string &path);
    std::int32_t WalkLoadedInput();
    std::int32_t LoadInputFile();
    std::int32_t LoadInputBuffer(std::span<const std::uint8_t> input);
    std::int64_t FindImageStart() const;
    std::int32_t ProcessSegment();
    std::int32_t CopyScans(std::size_t sosPosition);
    std::size_t FindScanEnd(std::size_t sosPosition) const;
    std::int32_t WriteOutputFile(bool keepDate);
    void StartFile(const std::string &path);
    bool AppendByte(std::uint8_t b);
    bool AppendBytes(std::size_t from, std::size_t count);
    static std::int32_t ReadWord(std::uint8_t hi, std::uint8_t lo);

    bool IsKeptSegment(std::size_t codePosition) const;
    void NoteAppended(std::uint8_t code);
    void NoteOrientation(std::size_t codePosition);
    bool InsertOrientationSegment();
    bool SkipFillBytes(std::size_t &p);
    void ClearBuffers();

    ReadOnlyPolicy m_ProcessReadOnly;
    OptimizeOptions m_Options;
    std::string m_CurrentFile;
    // The file really read: the path, or the file its symbolic link leads to.
    SourceFile m_Source;
    // Held from the read until the new bytes are staged, then handed to the replacement.
    SourceGuard m_Guard;
    Replacement m_Replacement;
    // The L bytes of the input followed by kInputPadding zero bytes, so that every look-ahead
    // past the last byte reads zero.
    std::vector<std::uint8_t> m_InputBuffer;
    std::vector<std::uint8_t> m_OutputBuffer;
    std::size_t m_ScanPosition = 0;
    // Where a kept orientation goes in the output: the position of the 0xFF behind the start
    // of image and the APP0 segments right after it; 0 before the start of image.
    std::size_t m_OrientationAt = 0;
    bool m_InLeadingSegments = false;
    // What the first EXIF segment met says; value 0 when it gives no orientation to keep.
    std::optional<ExifOrientation> m_Orientation;
    SegmentReport m_Segments;
    std::string m_ResultMessage;
    std::string m_FailureReason;
    bool m_WriterActive = false;
    bool m_FailedForSpace = false;
    std::int32_t m_InputLength = 0;
    std::int32_t m_OutputLength = 0;
};

} // namespace sparrowtrim
