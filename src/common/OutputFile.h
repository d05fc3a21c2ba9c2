// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdio>
#include <span>
#include <string>

namespace zarvo {

// What an output file does about an entry of its name that is already there.
enum class Existing {
    Replace,    // replaced in one step (work files, pictures the user chose to overwrite)
    Refuse,     // the name must be free: any entry, a dangling link included, makes Commit fail
    AcceptSame, // as Refuse, but a regular file holding exactly these bytes counts as written
};

// A file written whole or not at all. The bytes go to a temporary file in the target's folder
// (unnamed where the file system allows it); Commit flushes it to the disk and only then gives it
// the target's name, without following a link there. A file that is dropped or not committed
// leaves nothing behind. Lives in the lowest layer so every writer of the program can use it.
//
//   OutputFile out(path, Existing::Refuse);
//   if (!out.Open() || !out.Write(bytes) || !out.Commit())
//       report(out.Reason());
class OutputFile {
  public:
    OutputFile(std::string path, Existing existing);
    ~OutputFile(); // discards an uncommitted file
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file; false with Error() set.
    bool Open();
    bool Write(std::span<const std::byte> bytes);
    bool Write(const void* data, std::size_t size);
    // A stdio stream on the temporary file for libraries that want one (libjpeg). Commit flushes
    // it. nullptr before Open.
    std::FILE* Stream();
    // Leaves flushing the bytes to the disk to the caller, who syncs the whole file system (syncfs)
    // before anything refers to the file: many small files written at once (an import) then cost one
    // flush instead of one each.
    void DeferSync() { m_deferSync = true; }
    // Gives the file its name; false with Error() set (EEXIST: the name is taken by something else).
    bool Commit();
    // Drops the temporary file. Safe to call at any time.
    void Discard();

    // With AcceptSame: the committed name already held these very bytes (nothing was written).
    bool WasAlreadyThere() const { return m_alreadyThere; }
    int Error() const { return m_error; }
    // Why it failed, in German for the user: "Datenträger voll", "gibt es schon ...", ... (see
    // FileErrorReason).
    std::string Reason() const;
    const std::string& Path() const { return m_path; }

  private:
    bool Fail(int error);
    bool SameAsExisting();
    bool Place();

    std::string m_path;
    Existing m_existing;
    int m_fd = -1;
    std::FILE* m_stream = nullptr;
    std::string m_tempName; // empty while the file is unnamed (O_TMPFILE)
    bool m_committed = false;
    bool m_alreadyThere = false;
    bool m_deferSync = false;
    int m_error = 0;
};

// Writes bytes to a file whole or not at all; an empty text on success, else the reason.
std::string WriteWholeFile(const std::string& path, std::span<const std::byte> bytes, Existing existing,
                           bool* alreadyThere = nullptr);

// The German reason for an errno of a file operation: ENOSPC and EDQUOT are "Datenträger voll",
// EACCES and EPERM "Keine Berechtigung", and so on for the common causes; a rare one keeps the
// system's text with its number.
std::string FileErrorReason(int error);

// Flushes the entries of folder `dir` to the disk, so that the names committed into it survive a
// power cut: a file's own sync does not cover its name. Call it once per folder after the files
// and before anything that relies on them (erasing the originals). Empty on success, else the
// German reason. A file system that cannot sync a folder at all counts as done.
std::string SyncFolder(const std::string& dir);

#ifdef ZARVO_TEST_SEAMS
// Test seams, only in builds with the tests (never in the installed program).
// From now on the output files of this process find the disk full (ENOSPC) once `bytes` more bytes
// have been written through them; a negative value lifts it. The program also takes the value from
// the environment variable ZARVO_TEST_DISK_BYTES at its first output file, so end-to-end tests can
// fill the disk of a program they start without mounting anything.
void SetOutputSpaceForTests(long long bytes);
// With `on`, output files take the way of file systems without unnamed files (USB sticks, network
// shares): a hidden named temporary file beside the target.
void SetNamedTemporaryForTests(bool on);
#endif

} // namespace zarvo
