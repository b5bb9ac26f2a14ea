// Shared helpers of the instance tests: the generated recordings and handle counting.
#pragma once

#include "playcore/instances/player_instance.h"
#include "tests/support/handle_count.h"
#include "tests/support/test_env.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace playcore::test {

using Row = quill::test::TableRow;

// manifest-files.tsv of a recordings folder (Unix path), one row per file keyed by column title.
std::vector<Row> ReadManifestFiles(const std::string& unixDir);
// A manifest path under a folder given as a Unix path, as the Windows path Wine shows.
std::wstring WindowsPathOf(const std::string& unixDir, const std::string& relative);
// The folder of this test's own 1-second 25 fps recording (QUILL_INSTANCE_RECORDINGS); may be empty.
std::string InstanceRecordingsDirUnix();

using quill::test::GdiObjectCount;
using quill::test::ProcessHandleCount;

// Initialises both global instances with the real operation table; released by the destructor.
class LiveInstances {
 public:
  LiveInstances();
  ~LiveInstances();
  LiveInstances(const LiveInstances&) = delete;
  LiveInstances& operator=(const LiveInstances&) = delete;
};

}  // namespace playcore::test

namespace playcore::test {

// A recording whose drive data takes long to find: ftyp, a small mdat, `freeBoxes` empty "free"
// boxes (each one step of the box walks), then the "gps0" box of `sourceUnixPath` (box_offset and
// box_size from its manifest row). False when it could not be written.
bool WriteSlowRecording(const std::wstring& path, const std::string& sourceUnixPath, uint64_t boxOffset,
                        uint64_t boxSize, uint32_t freeBoxes);

// A copy of a recording's "gps0" box with its record count set to 0 and its records left out.
bool WriteRecordingWithoutPoints(const std::wstring& path, const std::string& sourceUnixPath,
                                 uint64_t boxOffset, uint64_t boxSize);

// True when the handle count follows a handle being made and closed.
bool HandleCountingWorks();

}  // namespace playcore::test
