#pragma once

#include <cstddef>
#include <cstdint>

// A temporary file that holds what would otherwise grow in memory, written
// at its end and read back at any offset. It has no name from the start (it is
// unlinked as soon as it is made, in $TMPDIR or /tmp), so nothing is left
// behind however the run ends; it closes with the struct.
struct SpillFile {
    int fd = -1;
    uint64_t size = 0;    // the bytes written
    bool failed = false;  // it could not be made or written: the caller keeps its data

    SpillFile() = default;
    SpillFile(SpillFile&& other) noexcept;
    SpillFile& operator=(SpillFile&& other) noexcept;
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;
    ~SpillFile();
};

// Some bytes in memory, one of the pieces appended at once (at most
// kMostSpillPieces).
constexpr size_t kMostSpillPieces = 64;

struct SpillPiece {
    const void* bytes;
    size_t size;
};

// Makes the file when there is none yet; false (and `failed` set) when it
// cannot be made.
bool open_spill(SpillFile& file);

// Appends the pieces in order with as few writes as may be, making the file
// first; false (and `failed` set, nothing counted in `size`) when it cannot be
// made or written.
bool append_to_spill(SpillFile& file, const SpillPiece* pieces, size_t count);

// Writes `size` bytes again at `offset`, inside what was written before;
// false on a write error.
bool write_to_spill(const SpillFile& file, uint64_t offset, const void* bytes, size_t size);

// Reads `size` bytes from `offset`, which were written before; false on a read error.
bool read_from_spill(const SpillFile& file, uint64_t offset, void* bytes, size_t size);

// A new file in $TMPDIR (else /tmp) named from `prefix`, already unlinked, so
// that it is gone when closed; -1 with errno when none can be made.
int make_unnamed_file(const char* prefix);

// Writes all `size` bytes to `fd`, going on after an interruption; false on
// an error.
bool write_all(int fd, const void* bytes, size_t size);
