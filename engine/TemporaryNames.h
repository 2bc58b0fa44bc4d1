#pragma once

// Names of the temporary files a rewrite writes beside the photo: hidden, recognisably this
// program's, and telling which process on which machine wrote them, so that a later run can
// remove what a killed one left behind without touching the files of a run still going on,
// here or on another machine that shares the folder.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sparrowtrim {

// Who writes a temporary file. `machine` tells this machine (and process namespace) apart
// from others sharing a folder; `boot` changes at every start of the machine, so that a file
// written before the last start is known to be abandoned whatever process now has its number.
struct TemporaryWriter
{
    std::uint32_t machine = 0;
    std::uint32_t boot = 0;
    std::uint64_t process = 0;

    bool operator==(const TemporaryWriter &) const = default;
};

// ".NAME.MMMMMMMMBBBBBBBB-PROCESS-SERIAL.sparrowtrim-tmp", with NAME cut short, at a character
// boundary, where the whole would exceed the 255 bytes a file name may take.
std::string TemporaryName(std::string_view fileName, const TemporaryWriter &writer,
                          std::uint64_t serial);

// The writer a name of that form records; nullopt for every other name.
std::optional<TemporaryWriter> WriterOfTemporaryName(std::string_view name);

// True when a temporary file of `writer` is surely abandoned: it was written on this machine,
// by a process that no longer runs or before the machine last started.
bool IsAbandoned(const TemporaryWriter &writer, const TemporaryWriter &self,
                 const std::function<bool(std::uint64_t process)> &processRuns);

// True when a writer in this process namespace still runs, as it has since the machine last
// started: it may be between creating its temporary file and locking it.
bool MayStillBeWriting(const TemporaryWriter &writer, const TemporaryWriter &self,
                       const std::function<bool(std::uint64_t process)> &processRuns);

// A short, stable digest of a text (for the machine and boot parts of the writer).
std::uint32_t Digest(std::string_view text);

} // namespace sparrowtrim
