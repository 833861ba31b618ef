// The map file record: construction with the reader's message texts, copying and clearing.
#include "locmap50/VnLocMapFile.h"

#include "locmapfile/FileState.h"

VnLocMapFile::VnLocMapFile()
    : m_msgBadVersion("Error: Bad location Map format version in the\n location map file %s.\n\n"),
      m_msgParseError(
          "Error: Parse error in location map: %s\n"
          "at line number: %s. This line will be ignored.\n\n"),
      m_msgNoHardPath(
          "Error: No hard path found for soft path %s.\n"
          "If one is using force option, please see that \n"
          "all the soft paths are defined in the location map.\n\n"),
      m_msgEnvOverride("Warning: Environment variable override for soft \nprefix %s.\n\n"),
      m_msgBadSoftPrefix(
          "Error: Bad char in soft prefix %s at line \n"
          "number  %s in the location map \n"
          "file: %s. A soft prefix should start with a $, \n"
          "the character following it should \n"
          "be an alphabet and rest of the characters should be alpha numeric.\n\n"),
      m_msgBadInclude(
          "Error: Bad include path %s specified by INCLUDE statement \n"
          " at line number: %s in location map file: %s. Please make sure that the file exists and one has \n"
          " read permission to read the file.\n\n"),
      m_msgNoSoftPrefix(
          "Error: No soft prefix specified for hard path %s at line number: %s in location map file: %s.\n\n"),
      m_msgTooManyHardPaths(
          "Error: Soft Prefix %s has more than 20 hard name.\n"
          "Others will be ignored.\n\n"),
      m_msgIncludeCycle(
          "Error: Include path %s specified by INCLUDE statement \n"
          " at line number: %s in location map file: %s leads back to a file that is already being read. "
          "It will be ignored.\n\n"),
      m_msgEnvLineBreak(
          "Warning: Environment variable for soft prefix %s holds a line break.\n"
          "It will be ignored.\n\n"),
      m_msgNulByte(
          "Error: NUL character in location map: %s\n"
          "at line number: %s. This line will be ignored.\n\n"),
      m_force(false) {}

// Every member is a value, so copies own their own lists and a copy stays
// valid whatever happens to its source.
VnLocMapFile::VnLocMapFile(const VnLocMapFile &other) = default;
VnLocMapFile &VnLocMapFile::operator=(const VnLocMapFile &other) = default;
VnLocMapFile::VnLocMapFile(VnLocMapFile &&other) noexcept = default;
VnLocMapFile &VnLocMapFile::operator=(VnLocMapFile &&other) noexcept = default;
VnLocMapFile::~VnLocMapFile() = default;

int VnLocMapFile::clearMap() {
    m_entryOrder.clear();
    m_includeLines.clear();
    m_entryHardPaths.clear();
    locmap50::mapfile::FileState &state = m_private.get();
    state.keptBlocks.clear();
    state.keptBlockCounts.clear();
    state.recordBlockOrdinals.clear();
    return LOCMAP50_OK;
}
