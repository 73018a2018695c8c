#include "sound/core/error_code.h"

#include <array>
#include <cstddef>

namespace corvid {

namespace {

constexpr std::array<const char*, errorCodeCount> messages = {
    "OK",
    "Undefined error",
    "Out of memory",
    "Heap corrupted",
    "Invalid memory block",
    "Out of EMS memory",
    "EMS memory heap corrupted",
    "Invalid EMS memory block",
    "Expanded Memory Manager failure",
    "Out of soundcard memory",
    "Soundcard memory heap corrupted",
    "Invalid soundcard memory block",
    "Out of sample handles",
    "Unable to open file",
    "Unable to read file",
    "Invalid module file",
    "Invalid instrument in module",
    "Invalid pattern data in module",
    "Invalid channel number",
    "Invalid sample handle",
    "Sound Device channels not open",
    "Sound Device hardware failure",
    "Invalid function arguments",
    "File does not exist",
    "Invalid file handle",
    "Access denied",
    "File exists",
    "Too many open files",
    "Disk full",
    "Unexpected end of file",
    "Invalid path",
    "Unable to write file",
    "Unable to lock Virtual DMA buffer",
    "Unable to use Virtual DMA Services",
    "Invalid Virtual DMA Service version",
    "DPMI failure",
    "Invalid segment descriptor",
    "Out of system resources",
    "Invalid device used",
    "Unsupported function used",
    "Device is not available",
    "Device is busy",
    "Unsupported output mode used",
    "Unable to lock memory",
    "DirectSound Window Handle not set",
    "Invalid ADPCM data",
    "Invalid sample type",
    "No module is being played",
    "Out of sound channels",
    "Couldn't load dsound.dll",
    "Bad WAVE file",
    "Unsupported sample data format",
};

}  // namespace

const char* errorMessage(int32_t code)
{
    // An out-of-range number would otherwise index past the table.
    if (code < 0 || code >= errorCodeCount)
        return messages[static_cast<int>(ErrorCode::undefined)];
    return messages[static_cast<size_t>(code)];
}

}  // namespace corvid
